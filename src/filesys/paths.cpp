// File-name string functions. Everything here works on indexes into the argument, so no
// input can make a loop run past its end or fail to advance.
#include "korvex/filesys/paths.h"

#include <cstddef>

#include "korvex/platform/casefold.h"

namespace krv {
namespace {

constexpr Char kBackslash = u'\\';
constexpr Char kSlash = u'/';

// Length of the directory part: the index just after the last `\` or `:`, 0 when none.
std::size_t DirPartLength(const String& name) {
  const std::size_t at = name.find_last_of(u"\\:");
  return at == String::npos ? 0 : at + 1;
}

bool IsDos83Char(Char c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
    return true;
  }
  switch (c) {
    case u'!':
    case u'#':
    case u'$':
    case u'%':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'-':
    case u'.':
    case u':':
    case u'@':
    case u'\\':
    case u'^':
    case u'_':
    case u'{':
    case u'}':
    case u'~':
    case u'`':
      return true;
    default:
      return false;
  }
}

}  // namespace

String StripPath(const String& fileName) {
  return fileName.substr(DirPartLength(fileName));
}

String StripExtension(const String& fileName) {
  const std::size_t dir = DirPartLength(fileName);
  const std::size_t dot = fileName.find_last_of(u'.');
  if (dot == String::npos || dot < dir) return fileName;
  return fileName.substr(0, dot);
}

String ParentDir(const String& path) {
  std::size_t n = path.size();
  if (n > 0 && (path[n - 1] == kBackslash || path[n - 1] == kSlash)) --n;
  while (n > 0 && path[n - 1] != kBackslash && path[n - 1] != kSlash) --n;
  return path.substr(0, n);
}

std::int32_t ExtractDrive(const String& path) {
  if (path.size() < 2 || path[1] != u':') return -1;
  const Char c = AsciiUpper(path[0]);
  return c >= u'A' && c <= u'Z' ? static_cast<std::int32_t>(c - u'A') : 0;
}

bool IsRootDir(const String& path) {
  // Lower-casing cannot change the answer: only `:` and `\` are tested.
  std::size_t first = 0;
  std::size_t last = path.size();
  while (first < last && path[first] == u' ') ++first;
  while (last > first && path[last - 1] == u' ') --last;
  // At most 3 characters with `:\` first found at position 2: exactly X:\.
  return last - first == 3 && path[first + 1] == u':' && path[first + 2] == kBackslash;
}

bool IsDOS83Path(const String& path) {
  for (const Char c : path) {
    if (!IsDos83Char(c)) return false;
  }
  // Pieces end at the next `\` while there is one, then at each `.`; a piece may have at
  // most 9 characters counting its separator.
  std::size_t start = 0;
  const std::size_t size = path.size();
  while (start < size) {
    std::size_t end = path.find(kBackslash, start);
    if (end == String::npos) end = path.find(u'.', start);
    const std::size_t k = end == String::npos ? size - start : end - start + 1;
    if (k > 9) return false;
    start += k;
  }
  return true;
}

String AbridgeFilePath(const String& path, std::int32_t maximum) {
  Char sep = kBackslash;
  std::size_t p = path.find(kBackslash);
  if (p == String::npos) {
    sep = kSlash;
    p = path.find(kSlash);
  }
  if (p == String::npos) return path;
  // The loop rewrites the path from the left, so the result is built in one pass: `done`
  // holds the rewritten front (ending in a separator), `rest` indexes the untouched tail,
  // and `length` is the length the whole result has at that moment.
  const auto too_long = [maximum](std::size_t length) {
    return maximum <= 0 || length >= static_cast<std::size_t>(maximum);
  };
  String done = path.substr(0, p + 1);
  std::size_t rest = p + 1;
  std::size_t length = path.size();
  while (too_long(length)) {
    const std::size_t q = path.find(sep, rest);
    if (q == String::npos) break;
    length = length - (q - rest) + 2;
    done += u"..";
    done += sep;
    rest = q + 1;
  }
  done.append(path, rest, String::npos);
  return done;
}

String InsertBeforeFileExt(const String& text, const String& fileName) {
  const std::size_t dir = DirPartLength(fileName);
  std::size_t dot = fileName.find(u'.', dir);
  if (dot == String::npos) dot = fileName.size();
  String result = fileName;
  result.insert(dot, text);
  return result;
}

String EnsureDefaultFileExt(const String& fileName, const String& defaultExt) {
  if (defaultExt.empty()) return fileName;
  if (fileName.find(u'.', DirPartLength(fileName)) != String::npos) return fileName;
  String result = StripExtension(fileName);
  if (defaultExt[0] != u'.') result += u'.';
  result += defaultExt;
  return result;
}

}  // namespace krv
