// Shared pieces of the Windows backend (see win32_util.h).
#include "platform/win32/win32_util.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "korvex/platform/text.h"

namespace krv::detail {

std::wstring Wide(std::string_view utf8) {
  return Wide(ToUtf16(utf8));
}

std::wstring WidePath(std::string_view native) {
  std::wstring w = Wide(native);
  for (wchar_t& c : w) {
    if (c == L'/') c = L'\\';
  }
  const bool drive_absolute = w.size() >= 3 && w[1] == L':' && w[2] == L'\\';
  if (drive_absolute && w.size() >= MAX_PATH - 12) w.insert(0, L"\\\\?\\");
  return w;
}

std::string Narrow(std::wstring_view wide) {
  return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

int FoldWin32Error(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_MOD_NOT_FOUND:
      return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_CANNOT_MAKE:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK:
      return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_BUSY:
      return EBUSY;
    case ERROR_NOT_SUPPORTED:
      return ENOSYS;
    default:
      return code <= 0xFFFF ? kWin32ErrorBase + static_cast<int>(code) : EIO;
  }
}

int LastError() {
  return FoldWin32Error(::GetLastError());
}

HANDLE HandleOf(int fd) {
  if (fd < 0) return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

int DescriptorOf(HANDLE h, int& err) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(h);
    err = EMFILE;
  }
  return fd;
}

namespace {
constexpr std::int64_t kEpochDelta = 116444736000000000;  // 1601 -> 1970 in 100 ns
}  // namespace

std::int64_t NanosOf(const FILETIME& ft) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  constexpr std::int64_t kMax = INT64_MAX / 100;
  const std::int64_t since_1970 = ticks - kEpochDelta;
  return since_1970 > kMax ? kMax * 100 : since_1970 * 100;
}

FILETIME FileTimeOf(std::int64_t nanos) {
  std::int64_t ticks = nanos / 100;
  if (nanos % 100 < 0) --ticks;  // round towards the past
  const auto u = static_cast<std::uint64_t>(ticks < -kEpochDelta ? 0 : ticks + kEpochDelta);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(u);
  ft.dwHighDateTime = static_cast<DWORD>(u >> 32);
  return ft;
}

}  // namespace krv::detail
