// Text encodings of the files krv reads: UTF-8 when the bytes are well-formed UTF-8,
// otherwise Windows-1252 (the library's 8-bit code page).
#pragma once

#include <cstddef>
#include <string_view>

#include "korvex/platform/types.h"

namespace krv::tool {

// The length of the longest prefix of bytes that is well-formed UTF-8 (no overlong forms,
// surrogates or codes past U+10FFFF, no cut sequence at the end).
std::size_t Utf8Prefix(std::string_view bytes);
inline bool IsUtf8(std::string_view bytes) {
  return Utf8Prefix(bytes) == bytes.size();
}

// Decodes bytes as UTF-8 when they are well-formed UTF-8, otherwise as Windows-1252;
// utf8 tells which reading was taken.
String DecodeText(std::string_view bytes, bool& utf8);

}  // namespace krv::tool
