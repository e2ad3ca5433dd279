// Name helpers shared by the copying, deletion and scanning routines: splitting a name with
// a mask, adding a separator, and recognising entries a tree walk must pass over.
#pragma once

#include <cstddef>

#include "korvex/platform/types.h"

namespace krv::detail {

inline bool IsNameSeparator(Char c) {
  return c == u'\\' || c == u'/';
}

// A verbatim name ("\\?\" + a native path, see filesystem.h): on POSIX only `/` separates
// in it and `\` is an ordinary character.
inline bool IsVerbatimPosix(const String& name) {
#ifdef _WIN32
  (void)name;
  return false;
#else
  return name.size() >= 4 && name.compare(0, 4, u"\\\\?\\") == 0;
#endif
}

// The position after the last `\`, `/` or `:` (0 when there is none); in a verbatim name
// after the last `/` (4, just after the prefix, when there is none).
inline std::size_t NamePartStart(const String& name) {
  if (IsVerbatimPosix(name)) {
    const std::size_t p = name.rfind(u'/');
    return p == String::npos || p < 4 ? 4 : p + 1;
  }
  const std::size_t p = name.find_last_of(u"\\/:");
  return p == String::npos ? 0 : p + 1;
}

// A directory part as NamePartStart leaves it, made a name of the current directory when
// it names none ("" or the bare verbatim prefix).
inline String DirectoryPartOrCurrent(const String& dir) {
  if (dir.empty()) return u".";
  if (IsVerbatimPosix(dir) && dir.size() == 4) return dir + u'.';
  return dir;
}

// "" stays ""; a name ending in `\` or `/` stays; otherwise `/` is appended to a name written
// with `/` only, `\` to every other. A verbatim name gets `/` unless it ends with one.
inline String WithTrailingSeparator(const String& dir) {
  // The bare prefix names nothing, and must not come to name "/".
  if (IsVerbatimPosix(dir)) return dir.size() == 4 || dir.back() == u'/' ? dir : dir + u'/';
  if (dir.empty() || IsNameSeparator(dir.back())) return dir;
  const bool posix = dir.find(u'/') != String::npos && dir.find(u'\\') == String::npos;
  return dir + (posix ? u'/' : u'\\');
}

// The separator a directory name built by WithTrailingSeparator ends with.
inline Char SeparatorOf(const String& dir) {
  return IsVerbatimPosix(dir) || (!dir.empty() && dir.back() == u'/') ? u'/' : u'\\';
}

}  // namespace krv::detail
