// Single-file copies in 8192-byte blocks, with call-backs and the process-wide abort flag.
// The tree copy is in tree_copy.cpp.
#include "korvex/filesys/copying.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <limits>
#include <memory>

#include "filesys/internal/copy_core.h"
#include "filesys/internal/tree_walk.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/textfile.h"
#include "platform/internal/file_identity.h"
#include "platform/internal/fs_names.h"

namespace krv {
namespace detail {
namespace {

// Lock-free, so setting it from a signal handler is safe.
std::atomic<bool> g_abort{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

bool CopyAborted() {
  return g_abort.load(std::memory_order_relaxed);
}

void ClearCopyAbort() {
  g_abort.store(false, std::memory_order_relaxed);
}

std::int32_t Clamp32(Int64 v) {
  constexpr Int64 kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v < 0 ? 0 : v > kMax ? kMax : v);
}

BlockCopy CopyBlocks(TFileHandle in, TFileHandle out, bool regular,
                     const std::function<void(std::int32_t, std::int32_t)>& progress,
                     std::int32_t size32) {
  BlockCopy r;
  // A regular file is read in chunks of many blocks, fewer system calls for the same blocks;
  // a pipe or device, whose reads may come back short at any time, a block at a time.
  const std::size_t chunk = regular ? kCopyChunk : kCopyBlock;
  const auto buffer = std::make_unique<char[]>(chunk);
  constexpr Int64 kBlock = static_cast<Int64>(kCopyBlock);
  AdviseSequential(in);
  bool end = false;
  do {
    const Int64 n = FileRead(in, buffer.get(), static_cast<Int64>(chunk));
    if (n < 0) {
      r.status = kCopyReadError;
      r.os_error = GetLastOSError();
      progress(Clamp32(r.total), size32);
      return r;
    }
    // Each block of the chunk is reported, written and checked for an abort as if it had
    // been read alone.
    Int64 taken = 0;
    do {
      const Int64 block = std::min(kBlock, n - taken);
      progress(Clamp32(r.total), size32);
      end = block < kBlock;
      if (block > 0) {
        const Int64 written = FileWrite(out, buffer.get() + taken, block);
        if (written != block) {
          r.status = kCopyWriteError;
          r.os_error = GetLastOSError();
          if (r.os_error == 0) r.os_error = ENOSPC;
          if (written > 0) r.total += written;
          return r;
        }
        r.total += block;
      }
      taken += block;
    } while (!end && taken < n && !CopyAborted());
  } while (!end && !CopyAborted());
  r.complete = end;
  return r;
}

unsigned FinalCopyMode(unsigned source_mode, bool copy_attributes) {
  if (copy_attributes) return (source_mode & 0777) | 0200;
  return source_mode & 0777 & ~CurrentUmask();
}

}  // namespace detail

namespace {

// The IOResult-style code of an errno-style code.
int IoCode(int err) {
  if (err == ENOENT) return kIoFileNotFound;
  if (err == ENOTDIR) return kIoPathNotFound;
  if (err == EACCES || err == EPERM || err == EISDIR || err == EROFS) return kIoAccessDenied;
  if (err == EMFILE) return kIoTooManyOpenFiles;
  return kIoOsErrorBase + err;
}

using detail::Handle;

// The destination file of a single-file copy, resolved once: a destination that is a
// directory gets the source's name.
struct Destination {
  detail::NativeName path;
  detail::OpenedEntry entry;  // its parent and name, to create or remove it
  bool created = false;       // made by this copy (so it may be removed again)
};

// Opens (creating when missing) the destination for writing. A new file is created with mode
// 0600 and gets its final mode when complete; an existing one (also through a link) is
// truncated unless it is read-only. kInvalidFileHandle with the last OS error set.
TFileHandle OpenDestination(const String& dest, const detail::NativeName& source_path,
                            TFileHandle in, Destination& d) {
  if (!detail::ResolveNative(dest, d.path)) return kInvalidFileHandle;
  detail::NodeInfo info, source;
  int err = 0;
  if (detail::PathInfo(d.path, true, info, err) && info.kind == detail::NodeKind::kDirectory) {
    detail::OpenedEntry src;
    if (!detail::OpenParentOf(source_path, src, err)) return kInvalidFileHandle;
    d.path = detail::ChildPath(d.path, src.leaf);
  }
  // Refuse the source itself before anything could truncate it.
  if (detail::HandleInfo(in, source, err) && detail::PathInfo(d.path, true, info, err) &&
      info.id == source.id) {
    detail::SetLastOSError(EINVAL);
    return kInvalidFileHandle;
  }
  if (!detail::OpenParentOf(d.path, d.entry, err)) {
    detail::SetLastOSError(err);
    return kInvalidFileHandle;
  }
  TFileHandle out = d.entry.parent.CreateChildFile(d.entry.leaf, true, err);
  if (out != kInvalidFileHandle) {
    d.created = true;
    return out;
  }
  if (err != EEXIST) {
    detail::SetLastOSError(err);
    return kInvalidFileHandle;
  }
  return FileCreate(detail::VerbatimOf(d.path));
}

}  // namespace

std::int32_t FileCopyFeedBk(const String& source, const String& dest, bool copyAttributes,
                            TFileCopyFeedBack feedback) {
  detail::ClearCopyAbort();
  detail::NativeName source_path;
  Handle in;
  if (detail::ResolveNative(source, source_path)) {
    in.Reset(FileOpen(detail::VerbatimOf(source_path), fmOpenRead | fmShareDenyWrite));
  }
  if (!in.Valid()) {
    const int err = GetLastOSError() != 0 ? GetLastOSError() : ENOENT;
    throw EInOutError(IOErrorMessage(IoCode(err)), IoCode(err));
  }
  const auto progress = [feedback](std::int32_t done, std::int32_t size) {
    if (feedback != nullptr) feedback(done, size);
  };
  const Int64 size = FileSizeOfHandle(in.Get());
  const std::int32_t size32 = detail::Clamp32(size);
  progress(0, size32);
  Destination d;
  Handle out(OpenDestination(dest, source_path, in.Get(), d));
  if (!out.Valid()) {
    const int err = GetLastOSError();
    progress(0, size32);
    detail::SetLastOSError(err);
    return kCopyNoDest;
  }
  detail::NodeInfo info;
  int err = 0;
  const bool regular =
      detail::HandleInfo(in.Get(), info, err) && info.kind == detail::NodeKind::kFile;
  const detail::BlockCopy r = detail::CopyBlocks(in.Get(), out.Get(), regular, progress, size32);
  // Only a complete copy takes the source's time and mode: an aborted or failed one must not
  // pass for a finished copy.
  if (r.complete) {
    FileSetDate(out.Get(), FileGetDate(in.Get()));
    if (d.created || copyAttributes) {
      detail::SetHandleMode(out.Get(), detail::FinalCopyMode(info.mode, copyAttributes), err);
    }
  } else if (r.status != kCopyOk && d.created) {
    out.Reset();  // a file this copy made and could not finish goes again
    d.entry.parent.RemoveChild(d.entry.leaf, false, err);
  }
  progress(detail::Clamp32(r.total), size32);
  if (r.status != kCopyOk) detail::SetLastOSError(r.os_error);
  return r.status;
}

void AbortAnyFileCopying() {
  detail::g_abort.store(true, std::memory_order_relaxed);
}

}  // namespace krv
