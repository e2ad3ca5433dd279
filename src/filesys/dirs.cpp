// Directory questions and whole-name conversions.
#include "korvex/filesys/dirs.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "filesys/internal/tree_names.h"
#include "filesys/internal/tree_walk.h"
#include "filesys/internal/write_probe.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "korvex/stringl/casemap.h"
#include "platform/internal/fs_names.h"
#include "platform/internal/protected_targets.h"

namespace krv {

namespace {

bool IsDotName(const String& n) {
  return n == u"." || n == u"..";
}

// EInOutError for an errno-style code, numbered like the text files' IOResult codes.
[[noreturn]] void RaiseInOut(int err) {
  int code = kIoOsErrorBase + err;
  if (err == ENOENT) code = kIoFileNotFound;
  if (err == ENOTDIR) code = kIoPathNotFound;
  if (err == EACCES || err == EPERM || err == EROFS) code = kIoAccessDenied;
  throw EInOutError(IOErrorMessage(code), code);
}

String WithSeparator(const String& dir) {
  return !dir.empty() && dir.back() == u'\\' ? dir : dir + u'\\';
}

// Size of the first entry found for the name; -1 when there is none.
std::int64_t FirstEntrySize(const String& fileName) {
  if (fileName.empty()) return -1;
  TSearchRec rec;
  if (FindFirst(ExpandFileName(fileName), faAnyFile, rec) != 0) return -1;
  return rec.Size;
}

}  // namespace

String DOSToWinPath(const String& path) {
  const String full = ExpandFileName(path);
  const std::size_t colon = full.find(u':');
  if (colon == String::npos) return full;
  String result = full.substr(0, colon + 1);
  String rest = full.substr(std::min(full.size(), colon + 2));
  if (rest.empty()) return result;
  TSearchRec rec;
  for (;;) {
    const std::size_t sep = rest.find(u'\\');
    const String component = rest.substr(0, sep);
    if (component.empty() || FindFirst(result + u'\\' + component, faAnyFile, rec) != 0) {
      return rest;
    }
    result += u'\\' + rec.Name;
    FindClose(rec);
    if (sep == String::npos) return result;
    rest.erase(0, sep + 1);
  }
}

namespace {

// Renames the entries of `dir` that match the mask, then descends into its plain
// subdirectories. A directory in `kept` (a drive's root, one holding the current directory)
// is not renamed: EInOutError.
void SetCaseIn(detail::DirHandle& dir, const detail::FileId& dir_id, const detail::WildMask& mask,
               bool upper, const std::vector<detail::FileId>& kept, int depth) {
  std::vector<detail::NativeName> names;
  int err = 0;
  if (!dir.List(names, err)) RaiseInOut(err);
  std::u16string folded;
  std::vector<std::uint8_t> scratch;
  for (const detail::NativeName& name : names) {
    const String text = detail::FromNative(name);
    detail::FoldInto(text, folded);
    if (!mask.MatchFolded(folded, scratch)) continue;
    detail::NodeInfo info;
    if (!dir.ChildInfo(name, info, err)) continue;  // gone meanwhile
    if (info.kind == detail::NodeKind::kDirectory &&
        std::find(kept.begin(), kept.end(), info.id) != kept.end()) {
      throw EInOutError(u"Refusing to rename " + text +
                            u": the root of a drive or a folder that holds the current folder",
                        kIoAccessDenied);
    }
    const String renamed = upper ? UnicodeUpperCase(text) : UnicodeLowerCase(text);
    detail::NativeName target = name;
    if (renamed != text && detail::ToNative(renamed, target) &&
        !dir.RenameChild(name, target, err)) {
      if (err != EEXIST) RaiseInOut(err);  // EEXIST: another entry has that name; keep both
      target = name;
    }
    // Only plain directories: not hidden, not read-only, not links.
    const bool plain =
        info.kind == detail::NodeKind::kDirectory && text[0] != u'.' && (info.mode & 0200) != 0;
    if (!plain) continue;
    detail::Descend(dir, dir_id, target, depth, err, [&](detail::DirHandle& sub) {
      SetCaseIn(sub, info.id, mask, upper, kept, depth + 1);
    });
    if (!dir.Valid()) RaiseInOut(err);
  }
}

}  // namespace

void SetAllFilenameCase(const String& pathWithMask, bool upperCase) {
  const String lowered = UnicodeLowerCase(pathWithMask);
  const std::size_t split = detail::NamePartStart(pathWithMask);
  const String given_dir = pathWithMask.substr(0, split);
  const String mask = lowered.substr(split);
  detail::NativeName native;
  if (!detail::ResolveNative(detail::DirectoryPartOrCurrent(given_dir), native)) {
    RaiseInOut(ENOENT);
  }
  int err = 0;
  detail::DirHandle dir = detail::DirHandle::Open(native, true, err);
  detail::NodeInfo info;
  if (!dir.Valid() || !dir.Info(info, err)) RaiseInOut(err);
  // Never renamed: the folders holding the current folder and the drives' roots.
  std::vector<detail::FileId> kept;
  detail::CurrentDirChain(kept, err);
  for (const TDriveMapping& m : MappedDrives()) {
    detail::NativeName root;
    detail::NodeInfo root_info;
    if (detail::ToNative(FromNativeName(m.Native), root) &&
        detail::PathInfo(root, true, root_info, err)) {
      kept.push_back(root_info.id);
    }
  }
  SetCaseIn(dir, info.id, detail::WildMask(mask), upperCase, kept, 0);
}

bool DirExists(const String& dir) {
  if (dir.empty()) return false;
  const Integer attr = FileGetAttr(dir);
  return attr != -1 && (attr & faDirectory) != 0;
}

bool DirEmpty(const String& dir) {
  TSearchRec rec;
  for (int r = FindFirst(WithSeparator(dir) + u"*.*", faAnyFile, rec); r == 0; r = FindNext(rec)) {
    if (!IsDotName(rec.Name)) return false;
  }
  return true;
}

bool DirIsReadOnly(const String& dir) {
  int err = 0;
  const String where = dir.empty() ? String() : WithSeparator(dir);
  switch (detail::ProbeWritable(where, u"$%$LO%$.$$$", err)) {
    case detail::ProbeResult::kWritable:
      return false;
    case detail::ProbeResult::kNotWritable:
      return true;
    case detail::ProbeResult::kCleanupFailed:
      break;
  }
  RaiseInOut(err);
}

std::int32_t GetFileSize(const String& fileName) {
  const std::int64_t size = FirstEntrySize(fileName);
  return size > INT32_MAX ? -1 : static_cast<std::int32_t>(size);
}

std::int64_t GetFileSize64(const String& fileName) {
  return FirstEntrySize(fileName);
}

}  // namespace krv
