// CopyFileTree: both trees walked through directory handles, every name created exactly as
// stored, links and FIFOs made again, failures removed and listed (see copying.h).
#include <cerrno>
#include <vector>

#include "filesys/internal/copy_core.h"
#include "filesys/internal/tree_names.h"
#include "filesys/internal/tree_walk.h"
#include "korvex/filesys/copying.h"
#include "korvex/platform/filesystem.h"
#include "korvex/stringl/casemap.h"
#include "platform/internal/protected_targets.h"

namespace krv {
namespace {

using detail::DirHandle;
using detail::FileId;
using detail::NativeName;
using detail::NodeInfo;
using detail::NodeKind;

thread_local std::vector<TCopyFailure> t_failures;

using detail::Handle;

// One tree copy: its settings and the state the call-backs see.
class TreeCopy {
 public:
  TreeCopy(bool copy_attributes, TTreeCopyFeedBack feedback)
      : copy_attributes_(copy_attributes), feedback_(feedback) {}

  // Copies the tree; both shown names end with a separator.
  void Run(const String& source, const String& dest) {
    NativeName from, to;
    if (!detail::ResolveNative(source, from))
      return Fail(source, dest, csOpenSource, GetLastOSError());
    if (!detail::ResolveNative(dest, to)) return Fail(source, dest, csCreateDir, GetLastOSError());
    int err = 0;
    NodeInfo src_info, dst_info;
    if (detail::PathInfo(from, true, src_info, err) && detail::PathInfo(to, true, dst_info, err) &&
        src_info.id == dst_info.id) {
      return;  // one directory under two names
    }
    if (detail::RefuseProtected(dest, to, true)) return Fail(source, dest, csRefused, 0);
    DirHandle src = DirHandle::Open(from, true, err);
    if (!src.Valid() || !src.Info(src_info, err)) return Fail(source, dest, csOpenSource, err);
    if (!detail::MakeDirectories(to, err)) return Fail(source, dest, csCreateDir, err);
    DirHandle dst = DirHandle::Open(to, true, err);
    if (!dst.Valid() || !dst.Info(dst_info, err)) return Fail(source, dest, csCreateDir, err);
    dest_id_ = dst_info.id;
    Directory(src, src_info.id, dst, dst_info.id, source, dest, 0);
  }

 private:
  void Directory(DirHandle& src, const FileId& src_id, DirHandle& dst, const FileId& dst_id,
                 const String& s_dir, const String& d_dir, int depth) {
    std::vector<NativeName> names;
    int err = 0;
    if (!src.List(names, err)) return Fail(s_dir, d_dir, csOpenSource, err);
    for (const NativeName& name : names) {
      if (detail::CopyAborted() || !src.Valid() || !dst.Valid()) return;
      const String text = detail::FromNative(name);
      const String s = s_dir + text, d = d_dir + text;
      NodeInfo info;
      if (!src.ChildInfo(name, info, err)) {
        if (err != ENOENT) Fail(s, d, csOpenSource, err);
        continue;
      }
      switch (info.kind) {
        case NodeKind::kDirectory:
          if (!(info.id == dest_id_)) {
            Subdirectory(src, src_id, dst, dst_id, name, info, s + detail::SeparatorOf(s_dir),
                         d + detail::SeparatorOf(d_dir), depth);
          }
          break;
        case NodeKind::kFile:
          File(src, dst, name, s, d);
          break;
        case NodeKind::kSymLink:
          Link(src, dst, name, s, d);
          break;
        case NodeKind::kFifo:
          Fifo(dst, name, info, s, d);
          break;
        default:
          Fail(s, d, csSpecial, 0);
          break;
      }
    }
  }

  void Subdirectory(DirHandle& src, const FileId& src_id, DirHandle& dst, const FileId& dst_id,
                    const NativeName& name, const NodeInfo& info, const String& s_dir,
                    const String& d_dir, int depth) {
    int err = 0;
    // Owner access to fill it in; the umask applies to the rest of the source's bits.
    if (!dst.MakeChildDir(name, (info.mode | 0700) & 0777, err) && err != EEXIST) {
      return Fail(s_dir, d_dir, csCreateDir, err);
    }
    int dst_err = 0;
    bool dst_entered = true;
    const bool src_entered = detail::Descend(src, src_id, name, depth, err, [&](DirHandle& sub) {
      dst_entered = detail::Descend(dst, dst_id, name, depth, dst_err, [&](DirHandle& out) {
        NodeInfo out_info;
        if (out.Info(out_info, dst_err)) {
          Directory(sub, info.id, out, out_info.id, s_dir, d_dir, depth + 1);
        }
      });
    });
    if (!src_entered) {
      Fail(s_dir, d_dir, csOpenSource, err);
    } else if (!dst_entered) {
      Fail(s_dir, d_dir, csCreateDir, dst_err);
    }
  }

  void File(DirHandle& src, DirHandle& dst, const NativeName& name, const String& s,
            const String& d) {
    current_ = d;
    ++count_;
    last_done_ = last_size_ = 0;
    int err = 0;
    const Handle in(src.OpenChildForReading(name, err));
    if (!in.Valid()) {
      Fail(s, d, csOpenSource, err);
      return Report(last_done_, last_size_);
    }
    NodeInfo info;
    detail::HandleInfo(in.Get(), info, err);
    const std::int32_t size32 = detail::Clamp32(info.size);
    Report(0, size32);
    bool created = true;
    Handle out(dst.CreateChildFile(name, true, err));
    if (!out.Valid() && err == EEXIST) {
      created = false;
      NodeInfo existing;
      if (dst.ChildInfo(name, existing, err) && existing.kind == NodeKind::kFile &&
          (existing.mode & 0200) == 0) {
        err = EACCES;  // a read-only file is not overwritten
      } else {
        out.Reset(dst.CreateChildFile(name, false, err));  // never through a link
      }
    }
    if (!out.Valid()) {
      Report(0, size32);
      Fail(s, d, csCreateFile, err);
      return Report(last_done_, last_size_);
    }
    const auto progress = [this](std::int32_t done, std::int32_t size) { Report(done, size); };
    const detail::BlockCopy r = detail::CopyBlocks(in.Get(), out.Get(), true, progress, size32);
    if (r.complete) {
      FileSetDate(out.Get(), info.time);
      if (created || copy_attributes_) {
        detail::SetHandleMode(out.Get(), detail::FinalCopyMode(info.mode, copy_attributes_), err);
      }
    } else if (r.status != kCopyOk) {
      out.Reset();  // no partial file stays behind under the final name
      dst.RemoveChild(name, false, err);
      Fail(s, d, r.status == kCopyWriteError ? csWrite : csRead, r.os_error);
    }
    Report(detail::Clamp32(r.total), size32);
    Report(last_done_, last_size_);
  }

  void Link(DirHandle& src, DirHandle& dst, const NativeName& name, const String& s,
            const String& d) {
    NativeName target;
    int err = 0;
    if (!src.ReadChildLink(name, target, err)) return Fail(s, d, csCreateLink, err);
    if (dst.MakeChildLink(name, target, err)) return;
    NodeInfo existing;
    int e2 = 0;
    // An earlier copy's link is made again; anything else under the name stays and is reported.
    if (err == EEXIST && dst.ChildInfo(name, existing, e2) && existing.kind == NodeKind::kSymLink &&
        dst.RemoveChild(name, false, e2) && dst.MakeChildLink(name, target, err)) {
      return;
    }
    Fail(s, d, csCreateLink, err);
  }

  void Fifo(DirHandle& dst, const NativeName& name, const NodeInfo& info, const String& s,
            const String& d) {
    int err = 0;
    if (dst.MakeChildFifo(name, info.mode & 0777, err)) return;
    NodeInfo existing;
    int e2 = 0;
    if (err == EEXIST && dst.ChildInfo(name, existing, e2) && existing.kind == NodeKind::kFifo)
      return;
    Fail(s, d, csCreateFifo, err);
  }

  // The call-back with the file being copied; the values are kept for the call after it.
  void Report(std::int32_t done, std::int32_t size) {
    last_done_ = done;
    last_size_ = size;
    if (feedback_ != nullptr) feedback_(done, size, current_, count_);
  }

  static void Fail(const String& s, const String& d, TCopyStep step, int err) {
    t_failures.push_back(TCopyFailure{s, d, step, err});
  }

  const bool copy_attributes_;
  const TTreeCopyFeedBack feedback_;
  String current_;
  std::int32_t count_ = 0;
  std::int32_t last_done_ = 0;
  std::int32_t last_size_ = 0;
  FileId dest_id_;
};

}  // namespace

void CopyFileTree(const String& sourceDir, const String& destDir, bool copyAttributes,
                  TTreeCopyFeedBack feedback) {
  detail::ClearCopyAbort();
  t_failures.clear();
  const String source = detail::WithTrailingSeparator(sourceDir);
  const String dest = detail::WithTrailingSeparator(destDir);
  if (source.empty() || dest.empty()) return;
  if (UnicodeLowerCase(source) == UnicodeLowerCase(dest)) return;
  TreeCopy(copyAttributes, feedback).Run(source, dest);
}

std::vector<TCopyFailure> LastTreeCopyFailures() {
  return t_failures;
}

}  // namespace krv
