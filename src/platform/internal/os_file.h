// Thin wrappers over the operating system's file calls, used by the file streams, the text
// files and the plain file handles of filesystem.h (file_handles.cpp). The implementations live
// in src/platform/posix/ and src/platform/win32/. Every call reports failure through its result
// and an errno-style code in `err`; none throws.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "korvex/platform/types.h"

namespace krv::detail {

enum class OsOpenMode {
  kRead,             // existing file, read only
  kWrite,            // existing file, write only
  kReadWrite,        // existing file, read and write
  kCreate,           // create or truncate, read and write
  kCreateWriteOnly,  // create or truncate, write only
  kAppendWriteOnly,  // existing file, write only, positioned at its end
};

// The file name as the operating system expects it.
std::string NativeFileName(const String& name);

// Share modes of OsOpenFile: the fmShare... bits of an open mode (stream.h). Windows enforces
// them; POSIX does not.
inline constexpr unsigned kOsShareDenyNone = 0x40;

// Opens `name`; returns a descriptor, or -1 with `err` set. Directories are refused (EISDIR).
int OsOpenFile(const String& name, OsOpenMode mode, int& err, unsigned share = kOsShareDenyNone);

// The opening calls of the plain file handles, on a native name already resolved. Each returns
// a descriptor, or -1 with `err` set.
// Opens an existing file; `access` is fmOpenRead, fmOpenWrite or fmOpenReadWrite and `share`
// the fmShare... bits (enforced on Windows only). A directory is refused (EISDIR), and so is
// writing a read-only file (EACCES).
int OsOpenHandle(const std::string& native, int access, unsigned share, int& err);
// Creates the file, or truncates an existing one, for reading and writing. A directory
// (EISDIR) or a read-only file (EACCES) is refused and left as it was.
int OsCreateHandle(const std::string& native, int& err);
// Creates a new file for reading and writing; EEXIST when the name already names an entry.
int OsCreateNewHandle(const std::string& native, int& err);

// Reads up to `count` bytes; returns the number read (0 at the end) or -1 on failure.
std::ptrdiff_t OsRead(int fd, void* buffer, std::size_t count, int& err);
// Writes all `count` bytes unless the system fails; returns the number written.
std::size_t OsWrite(int fd, const void* buffer, std::size_t count, int& err);
// whence: 0 from the start, 1 from the current offset, 2 from the end. -1 on failure.
std::int64_t OsSeek(int fd, std::int64_t offset, int whence, int& err);
std::int64_t OsFileSize(int fd, int& err);
bool OsTruncate(int fd, std::int64_t size, int& err);
bool OsClose(int fd, int& err);
// The system's description of an errno-style code.
std::string OsErrorText(int err);

// errno values the callers need to recognise: every backend reports the <cerrno> codes.
inline int OsErrNoEnt() {
  return ENOENT;
}
inline int OsErrNotDir() {
  return ENOTDIR;
}
inline int OsErrAccess() {
  return EACCES;
}
inline int OsErrPerm() {
  return EPERM;
}
inline int OsErrIsDir() {
  return EISDIR;
}
inline int OsErrMFile() {
  return EMFILE;
}
inline int OsErrNoSpc() {
  return ENOSPC;
}
inline int OsErrRoFs() {
  return EROFS;
}

}  // namespace krv::detail
