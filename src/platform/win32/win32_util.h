// Shared pieces of the Windows backend: <windows.h> without its name-clashing macros, UTF-8
// <-> UTF-16 conversion of native paths, Win32 error codes folded onto the errno-style codes
// the platform layer reports, and the CRT descriptors that carry the file handles.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The library has its own DeleteFile; the macro would rename it.
#undef DeleteFile

#include <cstdint>
#include <string>
#include <string_view>

#include "korvex/platform/text.h"

namespace krv::detail {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

// UTF-8 text as the UTF-16 wide string the W functions take.
std::wstring Wide(std::string_view utf8);
// The library's UTF-16 text as a wide string (same units).
inline std::wstring Wide(const String& s) {
  return std::wstring(s.begin(), s.end());
}
// A native path (UTF-8) as the wide string the W functions take: '/' becomes a backslash and long
// absolute paths get the "\\?\" prefix so they are not cut at MAX_PATH.
std::wstring WidePath(std::string_view native);
// UTF-16 text from the system as UTF-8.
std::string Narrow(std::wstring_view wide);
// UTF-16 text from the system as the library's UTF-16 text (same units).
inline String Utf16(std::wstring_view wide) {
  return String(wide.begin(), wide.end());
}

// The errno-style code (ENOENT, EACCES...) of a Win32 error code. Codes without an errno
// counterpart become kWin32ErrorBase + code, so their system text stays available.
inline constexpr int kWin32ErrorBase = 0x10000;
int FoldWin32Error(DWORD code);
// FoldWin32Error(GetLastError()).
int LastError();

// The file handle behind a descriptor of OsOpenFile; INVALID_HANDLE_VALUE when there is none.
HANDLE HandleOf(int fd);
// Wraps an open handle in a CRT descriptor (binary mode); -1 with `err` set (and the handle
// closed) when the CRT has no free descriptor.
int DescriptorOf(HANDLE h, int& err);

// Nanoseconds since 1970 <-> FILETIME (100 ns since 1601).
std::int64_t NanosOf(const FILETIME& ft);
FILETIME FileTimeOf(std::int64_t nanos);

}  // namespace krv::detail
