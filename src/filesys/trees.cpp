// Deleting trees and masked files, and moving files to the Trash.
#include "korvex/filesys/trees.h"

#include "filesys/internal/tree_names.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/trash.h"

namespace krv {
namespace {

// Deletes what is in `dir` (ending with a separator), then `dir`; "" or the failing name.
String DeleteTree(const String& dir) {
  String failed;
  TSearchRec rec;
  for (int rc = FindFirst(dir + u"*.*", faAnyFile, rec); rc == 0 && failed.empty();
       rc = FindNext(rec)) {
    const String& name = rec.Name;
    if (detail::IsDotEntry(name)) continue;
    if (detail::IsUnaddressable(name)) {
      failed = dir + name;
    } else if ((rec.Attr & faDirectory) != 0 && (rec.Attr & faSymLink) == 0) {
      failed = DeleteTree(dir + name + detail::SeparatorOf(dir));
    } else if ((rec.Attr & faSymLink) != 0) {
      // The link itself goes, never what it points to.
      if (!((rec.Attr & faDirectory) != 0 ? RemoveDir(dir + name) : DeleteFile(dir + name)))
        failed = dir + name;
    } else if (!DeleteFile(dir + name)) {
      failed = dir + name;
    }
  }
  FindClose(rec);
  if (failed.empty() && !RemoveDir(dir)) failed = dir;
  return failed;
}

// Calls act(name) for every entry matching the mask that is neither a directory nor hidden
// by a leading dot; returns how many calls returned true.
template <class Act>
std::int32_t ForEachMatchingFile(const String& pathWithMask, Act&& act) {
  const String dir = pathWithMask.substr(0, detail::NamePartStart(pathWithMask));
  std::int32_t done = 0;
  TSearchRec rec;
  for (int rc = FindFirst(ExpandFileName(pathWithMask), faAnyFile, rec); rc == 0;
       rc = FindNext(rec)) {
    const String& name = rec.Name;
    if (name.empty() || name[0] == u'.' || detail::IsUnaddressable(name)) continue;
    if ((rec.Attr & (faDirectory | faVolumeID)) != 0) continue;
    if (act(dir + name)) ++done;
  }
  FindClose(rec);
  return done;
}

}  // namespace

String DelDirTree(const String& dir) {
  if (dir.empty()) return String();
  // A link named as the tree is removed itself; its target's contents stay.
  String bare = dir;
  while (bare.size() > 1 && detail::IsNameSeparator(bare.back())) bare.pop_back();
  const Integer attr = FileGetAttr(bare);
  if (attr != -1 && (attr & faSymLink) != 0) {
    const bool removed = (attr & faDirectory) != 0 ? RemoveDir(bare) : DeleteFile(bare);
    return removed ? String() : detail::WithTrailingSeparator(dir);
  }
  return DeleteTree(detail::WithTrailingSeparator(dir));
}

std::int32_t DeleteFiles(const String& pathWithMask) {
  return ForEachMatchingFile(pathWithMask, [](const String& name) { return DeleteFile(name); });
}

std::int32_t MoveToRecycleBin(const String& pathWithMask) {
  return ForEachMatchingFile(pathWithMask, [](const String& name) {
    return FileGetAttr(name) != -1 && MoveFileToTrash(ExpandFileName(name)) == 0;
  });
}

}  // namespace krv
