// Directory questions and whole-name conversions.
#include "korvex/filesys/dirs.h"

#include <cerrno>
#include <vector>

#include "filesys/internal/write_probe.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/textfile.h"
#include "korvex/stringl/casemap.h"

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

void SetAllFilenameCase(const String& pathWithMask, bool upperCase) {
  const String lowered = UnicodeLowerCase(pathWithMask);
  const String dir = ExtractFilePath(lowered);
  const String mask = ExtractFileName(lowered);
  // The listing is taken first, so renamed entries are not met again.
  std::vector<std::pair<String, Integer>> entries;
  TSearchRec rec;
  for (int r = FindFirst(dir + mask, faAnyFile, rec); r == 0; r = FindNext(rec)) {
    if (!IsDotName(rec.Name)) entries.emplace_back(rec.Name, rec.Attr);
  }
  FindClose(rec);
  for (const auto& [name, attr] : entries) {
    const String old_name = dir + name;
    const String new_name = upperCase ? UnicodeUpperCase(old_name) : UnicodeLowerCase(old_name);
    if (ExtractFileName(new_name) != name && !RenameFile(old_name, new_name)) {
      const int err = GetLastOSError();
      if (err != EEXIST) RaiseInOut(err);  // EEXIST: another entry has that name; keep both
    }
    if (attr == faDirectory) SetAllFilenameCase(old_name + u'\\' + mask, upperCase);
  }
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
