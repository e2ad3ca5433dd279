// The operating-system calls of krv that the library does not offer, with a POSIX and a
// Windows variant side by side in os.cpp, so that the commands stay free of #ifdefs. Names
// are UTF-8 throughout (Windows gets them as UTF-16). Calls that fail return -1 or false with
// errno set, so callers report them with ErrnoText(errno).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace krv::tool::os {

// The longest file name (one path component) every supported system accepts, in bytes.
inline constexpr std::size_t kNameMax = 255;

// A std::filesystem path from a UTF-8 name, and back.
inline std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

// The command line as UTF-8 words (Windows hands main() its words in the ANSI code page).
class Arguments {
 public:
  Arguments(int argc, char** argv);
  int argc() const { return static_cast<int>(pointers_.size()) - 1; }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

// Opens descriptors 0, 1 and 2 that are closed on the null device, so that no file the tool
// opens later becomes standard input, output or error. Called first thing in main.
void OpenStandardStreams();

// Opens an existing file for reading or writing, in binary mode, not inherited by child
// processes; nothing is truncated. A directory is refused with EISDIR. -1 with errno on failure.
int OpenRead(const std::string& name);
// The same without the directory check, for callers that examine the descriptor anyway.
int OpenReadUnchecked(const std::string& name);
int OpenWrite(const std::string& name);
// Opens an existing file for writing at its end (each write appends); -1 with errno.
int OpenAppend(const std::string& name);
// A new descriptor (not 0, 1 or 2; not inherited) on the open file `fd` is, sharing its
// position, when fd is open for writing; -1 with errno (EBADF) otherwise.
int DuplicateForWriting(int fd);
// Creates a new, empty file named `path` with its last six X replaced by a unique suffix
// (as mkstemp does), open for reading and writing; -1 with errno on failure.
int MakeTemp(std::string& path);
int Close(int fd);
// Cuts an open file to `size` bytes; false with errno.
bool Truncate(int fd, std::int64_t size);
// Reads up to n bytes (retrying after signals); -1 with errno.
std::ptrdiff_t Read(int fd, void* buffer, std::size_t n);
// Reads up to n bytes at `offset` without moving the file position; -1 with errno.
std::ptrdiff_t ReadAt(int fd, void* buffer, std::size_t n, std::int64_t offset);
// The position Read goes on from; -1 with errno where there is none (pipes, terminals).
std::int64_t Position(int fd);
// Writes all n bytes; false with errno.
bool WriteAll(int fd, const void* data, std::size_t n);
// Removes a file; false with errno.
bool Remove(const std::string& name);
// Renames `from` to `to`, replacing `to`; false with errno.
bool Rename(const std::string& from, const std::string& to);

struct FileInfo {
  enum Kind { kRegular, kDirectory, kOther } kind = kOther;
  std::int64_t size = 0;
  std::uint64_t dev = 0, ino = 0;  // which file it is: equal for two names of one file
  unsigned mode = 0;               // POSIX permission bits (07777); 0 on Windows
  std::uint64_t links = 1;         // the number of names (hard links) of the file
  unsigned uid = 0, gid = 0;       // owner and group; 0 on Windows
};
// Facts about an open file or a named one (links followed); false with errno.
bool StatFd(int fd, FileInfo& info);
bool StatPath(const std::string& name, FileInfo& info);
// True when the user may write the existing file `name`; false with errno.
bool Writable(const std::string& name);
// Gives a new output file the owner, group and permissions of the file it replaces (`from`),
// or the default permissions of a new file when `from` is null. The owner changes only
// where the user may change it (root); a refusal (EPERM, or a file system that keeps no
// owners or modes) is no error. False with errno on another failure. Nothing to do on
// Windows.
bool SetNewFileMode(int fd, const FileInfo* from);
// True when `link` is a symbolic link the system keeps for a file open in a process (Linux's
// /proc/PID/fd/N, which /dev/fd/N and /dev/stdout lead to): its text is no name to replace.
bool IsProcessLink(const std::string& link);

// True when the descriptor is a terminal (a console on Windows).
bool IsTerminal(int fd);
// The width of the terminal standard error is on; 80 when it is not known.
std::size_t TerminalColumns();

// Temporary files. Each one the tool makes is named in a small table until it is renamed into
// place or removed. When an interrupt, termination or hang-up (Ctrl+C or closing the console
// on Windows) ends the tool, every file in the table is removed first; then the tool ends as
// the signal ends it (its default action, so the status is 128 + signal). A signal the tool
// was started with ignored stays ignored. The table is filled and read without allocating.
//
// Creates a temporary file as MakeTemp does and names it in the table, with the signals held
// in between; -1 with errno (EMFILE when the table is full).
int MakeTrackedTemp(std::string& path);
// Renames a tracked temporary file over `to` and takes it out of the table; false with errno
// (it stays tracked then).
bool RenameTemp(const std::string& from, const std::string& to);
// Removes a tracked temporary file and takes it out of the table; false with errno.
bool RemoveTemp(const std::string& path);

// While an object lives, interrupt, termination and hang-up wait (POSIX; nothing on
// Windows): a step that must not stop half-way finishes first.
class HoldTermination {
 public:
  HoldTermination();
  ~HoldTermination();
  HoldTermination(const HoldTermination&) = delete;
  HoldTermination& operator=(const HoldTermination&) = delete;

 private:
  unsigned was_held_ = 0;  // which of the three were held already (bits 0, 1, 2)
};

// While an object lives, an interrupt (Ctrl+C) calls `handler` instead of ending the tool.
// `handler` must be async-signal-safe. An interrupt ignored at start stays ignored.
class InterruptHandler {
 public:
  explicit InterruptHandler(void (*handler)());
  ~InterruptHandler();
  InterruptHandler(const InterruptHandler&) = delete;
  InterruptHandler& operator=(const InterruptHandler&) = delete;
};

// A temporary file for library routines that read or write files by name while it is open
// here, leaving nothing behind: on POSIX it is unnamed at once and `path` is its /dev/fd
// name; on Windows `path` is its real name, tracked as a temporary file until CloseScratch
// removes it. `named` tells which.
int OpenScratch(std::string_view tag, std::string& path, bool& named);
void CloseScratch(int fd, const std::string& path, bool named);
// The name by which library routines read standard input: /dev/stdin on POSIX; empty on
// Windows, which has none (callers copy standard input to a scratch file there).
std::string StdinName();
// The name by which library routines reach the file open as `fd`, opened from `name`: the
// very file open here (/dev/fd/N) on POSIX, `name` itself on Windows.
std::string OpenFileName(int fd, const std::string& name);

// The offset of the last folder separator in a native path ('/', on Windows also '\\');
// npos when none.
std::size_t LastSeparator(std::string_view native);

// The offset of the first `needle` in `text` (npos when none; needle not empty), and of the
// last byte c in text.
std::size_t FindBytes(std::string_view text, std::string_view needle);
std::size_t FindLastByte(std::string_view text, char c);

}  // namespace krv::tool::os
