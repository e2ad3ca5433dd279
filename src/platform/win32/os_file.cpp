// Windows implementation of the file wrappers in internal/os_file.h: CreateFileW with UTF-16
// names, 64-bit offsets, the share modes of the open mode, binary data (no text-mode
// translation: the handles are used directly). Descriptors are CRT descriptors wrapping the
// handles; error codes are Win32 codes folded onto errno-style codes.
#include "platform/internal/os_file.h"

#include <io.h>

#include <cerrno>
#include <cstring>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "platform/win32/win32_util.h"

namespace krv::detail {

namespace {

// The largest transfer of one ReadFile / WriteFile call.
constexpr std::size_t kMaxChunk = 1u << 30;

DWORD ShareFlags(unsigned share) {
  switch (share & 0xF0) {
    case fmShareExclusive:
      return 0;
    case fmShareDenyWrite:
      return FILE_SHARE_READ;
    case fmShareDenyRead:
      return FILE_SHARE_WRITE;
    default:  // fmShareCompat, fmShareDenyNone
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
}

// The Win32 code an errno-style code stands for (for its system text); 0 when none.
DWORD UnfoldErrno(int err) {
  if (err >= kWin32ErrorBase) return static_cast<DWORD>(err - kWin32ErrorBase);
  switch (err) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EPIPE:
      return ERROR_BROKEN_PIPE;
    case EBUSY:
      return ERROR_BUSY;
    case ENOSYS:
      return ERROR_NOT_SUPPORTED;
    default:
      return 0;
  }
}

}  // namespace

std::string NativeFileName(const String& name) {
  return ToNativePath(name);
}

int OsOpenFile(const String& name, OsOpenMode mode, int& err, unsigned share) {
  const std::string native = NativeFileName(name);
  if (native.empty() || native.find('\0') != std::string::npos) {
    err = ENOENT;
    return -1;
  }
  const std::wstring wide = WidePath(native);
  const DWORD attrs = ::GetFileAttributesW(wide.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    err = EISDIR;
    return -1;
  }
  // A read-only file is never written, even where the system would let an administrator (or
  // Wine running as root) do it.
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0 &&
      mode != OsOpenMode::kRead) {
    err = EACCES;
    return -1;
  }
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OsOpenMode::kRead:
      access = GENERIC_READ;
      break;
    case OsOpenMode::kWrite:
    case OsOpenMode::kAppendWriteOnly:
      access = GENERIC_WRITE;
      break;
    case OsOpenMode::kReadWrite:
      break;
    case OsOpenMode::kCreate:
      disposition = CREATE_ALWAYS;
      break;
    case OsOpenMode::kCreateWriteOnly:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  const HANDLE h = ::CreateFileW(wide.c_str(), access, ShareFlags(share), nullptr, disposition,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    err = LastError();
    return -1;
  }
  if (mode == OsOpenMode::kAppendWriteOnly) {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(h, zero, nullptr, FILE_END)) {
      err = LastError();
      ::CloseHandle(h);
      return -1;
    }
  }
  const int fd = DescriptorOf(h, err);
  if (fd >= 0) err = 0;
  return fd;
}

namespace {

// Opens the native file for a plain file handle. A directory is refused (EISDIR), and so is
// writing a read-only file (EACCES), even where the system would allow it (Wine as root);
// exclusive creation reports both as EEXIST.
int OpenHandle(const std::string& native, DWORD access, DWORD share, DWORD disposition, int& err) {
  const std::wstring w = WidePath(native);
  const DWORD a = ::GetFileAttributesW(w.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    err = disposition == CREATE_NEW ? EEXIST : EISDIR;
    return -1;
  }
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0 &&
      (access & GENERIC_WRITE) != 0) {
    err = disposition == CREATE_NEW ? EEXIST : EACCES;
    return -1;
  }
  const HANDLE h =
      ::CreateFileW(w.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    err = LastError();
    return -1;
  }
  return DescriptorOf(h, err);
}

}  // namespace

int OsOpenHandle(const std::string& native, int access, unsigned share, int& err) {
  const DWORD rights = access == fmOpenRead    ? GENERIC_READ
                       : access == fmOpenWrite ? GENERIC_WRITE
                                               : GENERIC_READ | GENERIC_WRITE;
  return OpenHandle(native, rights, ShareFlags(share), OPEN_EXISTING, err);
}

int OsCreateHandle(const std::string& native, int& err) {
  return OpenHandle(native, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    CREATE_ALWAYS, err);
}

int OsCreateNewHandle(const std::string& native, int& err) {
  return OpenHandle(native, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    CREATE_NEW, err);
}

std::ptrdiff_t OsRead(int fd, void* buffer, std::size_t count, int& err) {
  const HANDLE h = HandleOf(fd);
  DWORD n = 0;
  const DWORD want = static_cast<DWORD>(count < kMaxChunk ? count : kMaxChunk);
  if (!::ReadFile(h, buffer, want, &n, nullptr)) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;  // end of data
    err = FoldWin32Error(code);
    return -1;
  }
  return static_cast<std::ptrdiff_t>(n);
}

std::size_t OsWrite(int fd, const void* buffer, std::size_t count, int& err) {
  const HANDLE h = HandleOf(fd);
  const char* p = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t left = count - done;
    DWORD n = 0;
    if (!::WriteFile(h, p + done, static_cast<DWORD>(left < kMaxChunk ? left : kMaxChunk), &n,
                     nullptr)) {
      err = LastError();
      break;
    }
    if (n == 0) {
      err = EIO;
      break;
    }
    done += n;
  }
  return done;
}

std::int64_t OsSeek(int fd, std::int64_t offset, int whence, int& err) {
  const DWORD method = whence == 0 ? FILE_BEGIN : whence == 1 ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER to;
  to.QuadPart = offset;
  LARGE_INTEGER now;
  if (!::SetFilePointerEx(HandleOf(fd), to, &now, method)) {
    err = LastError();
    return -1;
  }
  return now.QuadPart;
}

std::int64_t OsFileSize(int fd, int& err) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(HandleOf(fd), &size)) {
    err = LastError();
    return -1;
  }
  return size.QuadPart;
}

bool OsTruncate(int fd, std::int64_t size, int& err) {
  // SetEndOfFile cuts at the file pointer; the pointer is put back afterwards.
  const HANDLE h = HandleOf(fd);
  LARGE_INTEGER zero{};
  LARGE_INTEGER here;
  LARGE_INTEGER to;
  to.QuadPart = size;
  if (size < 0) {
    err = EINVAL;
    return false;
  }
  if (!::SetFilePointerEx(h, zero, &here, FILE_CURRENT) ||
      !::SetFilePointerEx(h, to, nullptr, FILE_BEGIN) || !::SetEndOfFile(h)) {
    err = LastError();
    return false;
  }
  ::SetFilePointerEx(h, here, nullptr, FILE_BEGIN);
  return true;
}

bool OsClose(int fd, int& err) {
  if (HandleOf(fd) == INVALID_HANDLE_VALUE || ::_close(fd) != 0) {
    err = EBADF;
    return false;
  }
  return true;
}

std::string OsErrorText(int err) {
  const DWORD code = UnfoldErrno(err);
  if (code == 0) return std::strerror(err);
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (n == 0 || text == nullptr) return "System error " + std::to_string(code);
  std::wstring_view w(text, n);
  while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L' ')) {
    w.remove_suffix(1);
  }
  std::string out = Narrow(w);
  ::LocalFree(text);
  return out;
}

}  // namespace krv::detail
