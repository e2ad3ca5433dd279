// Inputs and outputs of krv commands. Every file a command reads or writes goes through
// these two classes, so every command treats files the same way:
//
//   Output out(options.output);           // "-" is standard output; refuses a same file
//   Input in(options.file);               // "-" is standard input; throws Failure(name, reason)
//   in.ShowProgress();                    // progress line on a terminal unless --quiet
//   while (std::size_t n = in.Read(buf, sizeof buf)) out.Write(buf, n);
//   out.Commit();                         // puts the finished file in place
//
// Inputs: opened at construction; a directory, a file that cannot be opened and a read
// error give Failure{name, strerror text}. Pipes and FIFOs are read like files. An empty
// name, input or output, names no file: Failure{"''", "No such file or directory"}, as
// coreutils says it.
//
// Outputs: a named regular file (new or existing) is written to a temporary file in the same
// folder and put in place by Commit(); an Output destroyed without Commit() removes its
// temporary file, so a failure never leaves a truncated target. What is replaced keeps what
// it was:
//   - the new file takes the owner, group (where the user may give them) and permissions
//     of the file it replaces, and is renamed over it;
//   - a file with more than one name (hard links) is rewritten in place by Commit(), from
//     the finished temporary file, so every name sees the new content;
//   - a symbolic link stays a link: the file it leads to is replaced (the temporary file
//     sits beside that file), or created when the link dangles;
//   - the file standard output is open on (by device and inode, /dev/stdout included) is
//     written through standard output itself, so a shell's offset or append mode holds;
//   - /dev/fd/N goes through descriptor N itself when it is open for writing; other targets
//     (/dev/null, a terminal, a FIFO, a device) are written directly, never truncated.
// The temporary files are removed when a signal ends the tool (os::MakeTrackedTemp).
// Standard output is one buffered sink shared by every Output("-") and by StdOut(); main
// flushes and checks it at the end, so a write error (ENOSPC, EPIPE) always ends in exit
// status 2. A write error stops the command at once: Write throws.
//
// Same file: an input and an output that are one regular file (device and inode) are
// refused, whichever is opened first, before anything is written: Failure "IN and OUT are
// the same file".
//
// Library functions that take a TStream get one from Stream() on either class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "korvex/platform/stream.h"

namespace krv::tool {

class Progress;
class ScratchFile;

class Input {
 public:
  // Opens name for reading; "-" is standard input. Throws Failure.
  explicit Input(std::string name);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  const std::string& Name() const { return name_; }
  // Reads up to n bytes; 0 only at the end of the input. Throws Failure on a read error.
  std::size_t Read(void* buffer, std::size_t n);
  // Size in bytes of a regular file, from the position it was opened at; -1 when not known
  // (pipes, terminals).
  std::int64_t Size() const { return size_; }
  // Bytes read so far.
  std::int64_t Consumed() const { return consumed_; }
  // True for a regular file, which ReadAt can read again.
  bool Seekable() const { return size_ >= 0; }
  // Reads up to n bytes at offset (counted like Consumed(), from where the input began)
  // without moving the position Read goes on from; 0 at the end. Only for a Seekable()
  // input. Throws Failure on a read error.
  std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t n);
  // Shows a progress line while this input is read, when standard error is a terminal and
  // --quiet was not given. The line is cleared when the input is destroyed.
  void ShowProgress();
  // A read-only stream over Read(), for library functions; it cannot seek.
  TStream& Stream();

 private:
  std::string name_;
  int fd_ = -1;
  bool own_fd_ = false;
  std::int64_t size_ = -1;
  std::int64_t start_ = 0;  // where a regular file's position stood when it was opened
  std::int64_t consumed_ = 0;
  std::unique_ptr<Progress> progress_;
  std::unique_ptr<TStream> stream_;
};

class Output {
 public:
  // Prepares name for writing; "-" is standard output. Throws Failure.
  explicit Output(std::string name);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  const std::string& Name() const { return name_; }
  bool IsStdout() const { return stdout_; }
  // Whether the bytes go to standard output and it is a terminal.
  bool ToTerminal() const;
  // From now on holds what is written until Commit(), so that a command that finds its input
  // bad half-way, and ends without Commit(), writes nothing at all. A named regular file is
  // only put in place by Commit() anyway; this is for standard output, devices and FIFOs.
  // The first kHeldInMemory bytes are held in memory, the rest in a ScratchFile (in the
  // temporary folder, without a name), so memory stays bounded; the disk holds the rest.
  void HoldUntilCommit();
  static constexpr std::size_t kHeldInMemory = std::size_t{1} << 20;
  // Appends bytes; throws Failure("write error: reason") on a failed write.
  void Write(const void* data, std::size_t n);
  void Write(std::string_view text) { Write(text.data(), text.size()); }
  // A text stream over Write(); a failed write throws Failure out of the << that met it.
  std::ostream& Text();
  // A write-only stream over Write(), for library functions; it cannot seek.
  TStream& Stream();
  // Writes out what is buffered and puts a file in place. Throws Failure.
  void Commit();

 private:
  friend Output& StdOut();
  friend void FinishStdOut();
  friend std::string FollowOutputLinks(const std::string& name);
  struct StdoutTag {};
  struct Target;  // what a name leads to (io.cpp)
  static Target FindTarget(const std::string& name);
  explicit Output(StdoutTag);
  void Flush();
  void OpenDirect(const Target& t);
  void OpenTemp(const Target& t);
  void RewriteInPlace();
  void Hold(const char* data, std::size_t n);
  void ReleaseHeld();

  std::string name_;
  std::string target_;     // the path that is replaced on Commit
  std::string temp_path_;  // the temporary file, empty when writing directly
  bool in_place_ = false;  // Commit copies the temporary file into target_
  std::uint64_t target_dev_ = 0, target_ino_ = 0;  // which file target_ was, for in_place_
  int fd_ = -1;                                    // the file written; -1 once closed
  bool stdout_ = false;                            // writes go to standard output
  Output* forward_ = nullptr;                      // the shared standard output, for Output("-")
  bool committed_ = false;
  bool holding_ = false;                    // HoldUntilCommit: writes go to held_ and held_file_
  std::string held_;                        // the first bytes held
  std::unique_ptr<ScratchFile> held_file_;  // the bytes held beyond kHeldInMemory
  std::int64_t held_on_disk_ = 0;
  std::string buffer_;
  std::unique_ptr<std::streambuf> text_buf_;
  std::unique_ptr<std::ostream> text_;
  std::unique_ptr<TStream> stream_;
};

// Standard output, for help pages and messages. A command that reads files and writes
// standard output opens Output("-") instead, which also claims it for the same-file check.
Output& StdOut();
// Flushes standard output and checks it; throws Failure("write error: reason").
void FinishStdOut();

// Whether the input `name` ("-" is standard input) is a regular file that an Output of this
// run already writes (same device and inode), which Input would refuse as the same file. A
// name that cannot be looked up is not: opening it reports why. For commands that skip such
// an input instead of failing.
bool IsAnOutput(const std::string& name);

// The file an output name leads to: its symbolic links followed one at a time as the system
// does (a dangling link gives the file it would create). Throws Failure (a link loop...).
std::string FollowOutputLinks(const std::string& name);

// A temporary file for library routines that read or write files by name, so standard
// input and pipes work as files do. It leaves nothing behind: on POSIX it has no name (its
// /dev/fd path stands for it); on Windows it is removed on destruction or Ctrl+C.
class ScratchFile {
 public:
  explicit ScratchFile(std::string_view tag);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  String Path() const;
  int Fd() const { return fd_; }
  // Appends everything left in `in`.
  void CopyFrom(Input& in);

 private:
  int fd_ = -1;
  std::string path_;
  bool named_ = false;
};

}  // namespace krv::tool
