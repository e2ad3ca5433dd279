// Thin wrappers over the operating system's file calls, used by the file streams and text
// files. The implementations live in src/platform/posix/ and src/platform/win32/. Every call
// reports failure through its result and an errno-style code in `err`; none throws.
#pragma once

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

// errno values the callers need to recognise.
int OsErrNoEnt();
int OsErrNotDir();
int OsErrAccess();
int OsErrPerm();
int OsErrIsDir();
int OsErrMFile();
int OsErrNoSpc();
int OsErrRoFs();

}  // namespace krv::detail
