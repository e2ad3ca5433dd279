// Name helpers shared by the copying, deletion and scanning routines: splitting a name with
// a mask, adding a separator, and recognising entries a tree walk must pass over.
#pragma once

#include <cstddef>

#include "korvex/platform/types.h"

namespace krv::detail {

inline bool IsNameSeparator(Char c) {
  return c == u'\\' || c == u'/';
}

// The position after the last `\`, `/` or `:` (0 when there is none).
inline std::size_t NamePartStart(const String& name) {
  const std::size_t p = name.find_last_of(u"\\/:");
  return p == String::npos ? 0 : p + 1;
}

// "" stays ""; a name ending in `\` or `/` stays; otherwise `/` is appended to a name written
// with `/` only, `\` to every other.
inline String WithTrailingSeparator(const String& dir) {
  if (dir.empty() || IsNameSeparator(dir.back())) return dir;
  const bool posix = dir.find(u'/') != String::npos && dir.find(u'\\') == String::npos;
  return dir + (posix ? u'/' : u'\\');
}

// The separator a directory name built by WithTrailingSeparator ends with.
inline Char SeparatorOf(const String& dir) {
  return !dir.empty() && dir.back() == u'/' ? u'/' : u'\\';
}

// "." and "..".
inline bool IsDotEntry(const String& name) {
  return name == u"." || name == u"..";
}

// A stored name that cannot be written as one component of a Windows name: a `\` in it
// would split it (and "..\x" would lead out of the tree).
inline bool IsUnaddressable(const String& name) {
  return name.empty() || name.find(u'\\') != String::npos;
}

}  // namespace krv::detail
