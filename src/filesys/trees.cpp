// Deleting trees and masked files, and moving files to the Trash.
//
// Every call resolves its name once and then works through directory handles (see
// platform/internal/dir_handle.h): a directory swapped for a symbolic link while the walk runs
// is never entered, and no name built from the caller's string is looked up again.
#include "korvex/filesys/trees.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "filesys/internal/tree_names.h"
#include "filesys/internal/tree_walk.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/trash.h"
#include "platform/internal/fs_names.h"
#include "platform/internal/protected_targets.h"

namespace krv {
namespace {

using detail::DirHandle;
using detail::NativeName;
using detail::NodeInfo;
using detail::NodeKind;

// A read-only file (the owner's write bit clear) is not deleted, whoever runs the program.
bool IsReadOnlyFile(const NodeInfo& info) {
  return info.kind != NodeKind::kSymLink && info.kind != NodeKind::kDirectory &&
         (info.mode & 0200) == 0;
}

// Records the reason and gives the name back, for the one-line failure returns below.
String Failed(const String& name, int err) {
  detail::SetLastOSError(err);
  return name;
}

// Deletes what is in `dir` (shown: its name as the caller wrote it, with a separator);
// "" or the name of the first entry that could not be deleted.
String DeleteContents(DirHandle& dir, const detail::FileId& dir_id, const String& shown,
                      int depth) {
  const Char sep = detail::SeparatorOf(shown);
  std::vector<NativeName> names;
  int err = 0;
  if (!dir.List(names, err)) return Failed(shown, err);
  for (const NativeName& name : names) {
    const String child = shown + detail::FromNative(name);
    NodeInfo info;
    if (!dir.ChildInfo(name, info, err)) {
      if (err == ENOENT) continue;  // gone meanwhile
      return Failed(child, err);
    }
    if (info.kind == NodeKind::kDirectory) {
      String failed;
      const bool entered = detail::Descend(dir, dir_id, name, depth, err, [&](DirHandle& sub) {
        failed = DeleteContents(sub, info.id, child + sep, depth + 1);
      });
      if (!entered && dir.Valid() && (err == ELOOP || err == ENOTDIR)) {
        // Swapped for a link or a file since it was described: remove that entry itself.
        if (dir.RemoveChild(name, false, err)) continue;
      }
      if (!entered) return Failed(child + sep, err);
      if (!failed.empty()) return failed;
      if (!dir.RemoveChild(name, true, err)) return Failed(child + sep, err);
    } else if (IsReadOnlyFile(info)) {
      return Failed(child, EACCES);
    } else if (!dir.RemoveChild(name, false, err)) {
      return Failed(child, err);
    }
  }
  return String();
}

// The directory part of a name with a mask (as written, with its separator) and the mask.
void SplitMask(const String& pathWithMask, String& dir, String& mask) {
  const std::size_t cut = detail::NamePartStart(pathWithMask);
  dir = pathWithMask.substr(0, cut);
  mask = pathWithMask.substr(cut);
}

// The entries of a directory the masked operations act on: matching the mask (a plain name:
// the one entry it resolves to), not beginning with '.', neither a directory nor a link to one;
// `handle` is left open on their directory, resolved once.
bool MatchingFiles(const String& pathWithMask, NativeName& dir_path, DirHandle& handle,
                   std::vector<NativeName>& files) {
  String dir, mask;
  SplitMask(pathWithMask, dir, mask);
  if (mask.empty()) return false;
  if (!detail::ResolveNative(detail::DirectoryPartOrCurrent(dir), dir_path)) return false;
  int err = 0;
  handle = DirHandle::Open(dir_path, true, err);
  std::vector<NativeName> names;
  if (!handle.Valid() || !handle.List(names, err)) return false;
  const detail::WildMask wild(mask);
  std::u16string folded;
  std::vector<std::uint8_t> scratch;
  for (const NativeName& name : names) {
    const String text = detail::FromNative(name);
    if (text.empty() || text[0] == u'.') continue;
    detail::FoldInto(text, folded);
    if (!wild.MatchFolded(folded, scratch)) continue;
    NodeInfo info;
    if (!handle.ChildInfo(name, info, err) || info.kind == NodeKind::kDirectory) continue;
    if (info.kind == NodeKind::kSymLink &&
        detail::PathInfo(detail::ChildPath(dir_path, name), true, info, err) &&
        info.kind == NodeKind::kDirectory) {
      continue;
    }
    files.push_back(name);
  }
  // A plain name stands for one entry: its exact spelling, else the first in byte order.
  if (!HasWildcards(mask) && files.size() > 1) {
    NativeName exact;
    const bool has_exact = detail::ToNative(mask, exact) &&
                           std::find(files.begin(), files.end(), exact) != files.end();
    files = {has_exact ? exact : *std::min_element(files.begin(), files.end())};
  }
  return true;
}

// The masked operations refuse a plain name that is a protected target itself.
bool RefusesPlainName(const String& pathWithMask) {
  String dir, mask;
  SplitMask(pathWithMask, dir, mask);
  if (HasWildcards(mask)) return false;
  NativeName native;
  return mask.empty() || mask == u"." || mask == u".." ||
         (detail::ResolveNative(pathWithMask, native) &&
          detail::RefuseProtected(pathWithMask, native, false));
}

}  // namespace

String DelDirTree(const String& dir) {
  if (dir.empty()) return String();
  const String shown = detail::WithTrailingSeparator(dir);
  NativeName native;
  if (!detail::ResolveNative(dir, native)) return shown;
  if (detail::RefuseProtected(dir, native, false)) return shown;
  detail::OpenedEntry root;
  int err = 0;
  NodeInfo info;
  if (!detail::OpenParentOf(native, root, err) || !root.parent.ChildInfo(root.leaf, info, err)) {
    return Failed(shown, err);
  }
  // A link named as the tree is removed itself; its target's contents stay.
  if (info.kind == NodeKind::kSymLink) {
    return root.parent.RemoveChild(root.leaf, false, err) ? String() : Failed(shown, err);
  }
  if (info.kind != NodeKind::kDirectory) return Failed(shown, ENOTDIR);
  String failed;
  NodeInfo parent;
  if (!root.parent.Info(parent, err)) return Failed(shown, err);
  const bool entered =
      detail::Descend(root.parent, parent.id, root.leaf, 0, err,
                      [&](DirHandle& tree) { failed = DeleteContents(tree, info.id, shown, 1); });
  if (!entered) return Failed(shown, err);
  if (failed.empty() && !root.parent.RemoveChild(root.leaf, true, err)) return Failed(shown, err);
  return failed;
}

std::int32_t DeleteFiles(const String& pathWithMask) {
  if (RefusesPlainName(pathWithMask)) return 0;
  NativeName dir_path;
  DirHandle dir;
  std::vector<NativeName> files;
  if (!MatchingFiles(pathWithMask, dir_path, dir, files)) return 0;
  int err = 0;
  std::int32_t done = 0;
  for (const NativeName& name : files) {
    NodeInfo info;
    if (!dir.ChildInfo(name, info, err)) continue;
    if (IsReadOnlyFile(info)) {
      detail::SetLastOSError(EACCES);
    } else if (dir.RemoveChild(name, false, err)) {
      ++done;
    } else {
      detail::SetLastOSError(err);
    }
  }
  return done;
}

std::int32_t MoveToRecycleBin(const String& pathWithMask) {
  if (RefusesPlainName(pathWithMask)) return 0;
  NativeName dir_path;
  DirHandle dir;
  std::vector<NativeName> files;
  if (!MatchingFiles(pathWithMask, dir_path, dir, files)) return 0;
  std::int32_t done = 0;
  for (const NativeName& name : files) {
    if (MoveFileToTrash(detail::ExactName(dir_path, name)) == 0) ++done;
  }
  return done;
}

}  // namespace krv
