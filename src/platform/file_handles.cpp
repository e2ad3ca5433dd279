// The plain file handles of korvex/platform/filesystem.h, the same on every system: names are
// resolved as every other call of the file layer resolves them, arguments are checked here, and
// each failure leaves its errno-style code for GetLastOSError(). The system calls are the
// wrappers of internal/os_file.h.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "platform/internal/fs_names.h"
#include "platform/internal/os_file.h"

namespace krv {
namespace {

// Records `code` for GetLastOSError(); false.
bool Fail(int code) {
  detail::SetLastOSError(code);
  return false;
}

// Records `code` for GetLastOSError(); kInvalidFileHandle.
TFileHandle Refuse(int code) {
  Fail(code);
  return kInvalidFileHandle;
}

// The native name of `name`; empty (EINVAL recorded) when it cannot name a file.
std::string NativeOf(const String& name) {
  std::string native = ToNativePath(name);
  if (native.empty()) Fail(EINVAL);
  return native;
}

// Resolves `name` and opens it with `open` (a wrapper of os_file.h on the native name);
// kInvalidFileHandle with the failure's code recorded when either step fails.
template <class Open>
TFileHandle OpenNamed(const String& name, Open open) {
  const std::string native = NativeOf(name);
  if (native.empty()) return kInvalidFileHandle;
  int err = 0;
  const int fd = open(native, err);
  return fd < 0 ? Refuse(err) : fd;
}

}  // namespace

TFileHandle FileOpen(const String& name, Word mode) {
  return OpenNamed(name, [mode](const std::string& native, int& err) {
    const int access = mode & 3;
    if (access == 3) {
      err = EINVAL;
      return -1;
    }
    return detail::OsOpenHandle(native, access, mode, err);
  });
}

TFileHandle FileCreate(const String& name) {
  return OpenNamed(name, detail::OsCreateHandle);
}

TFileHandle FileCreateNew(const String& name) {
  return OpenNamed(name, detail::OsCreateNewHandle);
}

Int64 FileRead(TFileHandle handle, void* buffer, Int64 count) {
  if (count < 0) return -1;
  int err = 0;
  const std::ptrdiff_t n = detail::OsRead(handle, buffer, static_cast<std::size_t>(count), err);
  if (n < 0) detail::SetLastOSError(err);
  return n;
}

Int64 FileWrite(TFileHandle handle, const void* buffer, Int64 count) {
  if (count < 0) return -1;
  int err = 0;
  const std::size_t n = detail::OsWrite(handle, buffer, static_cast<std::size_t>(count), err);
  if (err != 0 && n == 0) {
    detail::SetLastOSError(err);
    return -1;
  }
  return static_cast<Int64>(n);
}

Int64 FileSeek(TFileHandle handle, Int64 offset, int origin) {
  if (origin < 0 || origin > 2) return -1;
  int err = 0;
  const std::int64_t r = detail::OsSeek(handle, offset, origin, err);
  if (r < 0) detail::SetLastOSError(err);
  return r;
}

bool FileClose(TFileHandle handle) {
  if (handle < 0) return Fail(EBADF);
  int err = 0;
  if (!detail::OsClose(handle, err)) return Fail(err);
  return true;
}

Int64 FileSizeOfHandle(TFileHandle handle) {
  int err = 0;
  const std::int64_t r = detail::OsFileSize(handle, err);
  if (r < 0) detail::SetLastOSError(err);
  return r;
}

}  // namespace krv
