// UTF-8 <-> UTF-16 for the wide-character Windows calls of the system pieces. Native names
// are UTF-8 in the library; Windows takes them as UTF-16 in wchar_t (16 bits there).
#pragma once

#include <string>
#include <string_view>

#include "korvex/platform/text.h"

namespace krv::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring Wide(std::string_view utf8) {
  const String s = ToUtf16(utf8);
  return std::wstring(s.begin(), s.end());
}

inline std::wstring Wide(const String& s) {
  return std::wstring(s.begin(), s.end());
}

// The UTF-8 text of n UTF-16 units at p.
inline std::string Narrow(const wchar_t* p, std::size_t n) {
  return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(p), n));
}

inline std::string Narrow(const std::wstring& s) {
  return Narrow(s.data(), s.size());
}

inline String Utf16(const wchar_t* p, std::size_t n) {
  return String(reinterpret_cast<const char16_t*>(p), n);
}

}  // namespace krv::win32
