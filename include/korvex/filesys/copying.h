// Copying files and directory trees with progress call-backs and a process-wide abort switch.
//
// Names are Windows or POSIX names, resolved once per call by the platform's file-system
// layer (both separators, drive letters, case-insensitive lookup; a name that exists as
// written is that entry). Where a name is built from a directory and an entry, the separator
// added is `\`, or `/` when the directory is written with `/` only.
//
// Sizes. The call-backs take 32-bit counts; values above 2^31 - 1 (files of 2 GiB or more)
// reach them as 2147483647. The copy itself counts in 64 bits and copies every byte.
//
// Tree copies walk both trees through open directory handles (never through a symbolic link,
// also one swapped in during the copy), so nothing outside the two trees is read or written,
// at any depth. Every name is created in the destination exactly as the source stores it
// (never matched ignoring case, so "A" and "a" both arrive), names holding `\` and names that
// are not UTF-8 included. A symbolic link is copied as a link with the same target (as
// `cp -r` does), a FIFO as a FIFO; sockets and devices are not copied and are reported. A new
// file is created with mode 0600 and gets its final mode only when its content is complete:
// the source's permission bits less the umask, or with copyAttributes the source's bits with
// the owner's write bit; so no copy is readable by more users than its source. A file that
// cannot be copied completely (a full disk, a read error) is removed from the destination and
// reported: LastTreeCopyFailures() lists every entry that was not copied.
//
// Threads: the abort flag is one atomic flag for the process, so a signal handler or another
// thread may set it. The tree-copy state and its failure list are kept per call and thread.
#pragma once

#include <cstdint>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Progress of one file copy: bytes copied so far, size of the file.
using TFileCopyFeedBack = void (*)(std::int32_t BytesCopied, std::int32_t SizeOfFile);
// Progress of a tree copy: the single-file values, the destination's full name and the
// number of files started so far.
using TTreeCopyFeedBack = void (*)(std::int32_t BytesCopied, std::int32_t SizeOfCurrentFile,
                                   const String& NameOfCurrentFile,
                                   std::int32_t NrOfFilesCopiedSoFar);

// FileCopyFeedBk status values.
inline constexpr std::int32_t kCopyOk = 0;           // copied, or stopped by an abort
inline constexpr std::int32_t kCopyNoSource = -1;    // the source could not be opened
inline constexpr std::int32_t kCopyNoDest = -2;      // the destination could not be created
inline constexpr std::int32_t kCopyWriteError = -3;  // writing failed
inline constexpr std::int32_t kCopyReadError = -4;   // reading failed

// Copies `source` to `dest` in blocks of 8192 bytes. A `dest` naming an existing directory
// receives the file under its own name. The feedback, when given, is called with (0, size)
// before the copy, with (bytes copied before the block, size) for every block read, the last
// read being the short (possibly empty) one, and with (total, size) at the end: three times
// for an empty file, four for 8192 bytes.
// On success the destination gets the source's last-write time and, when copyAttributes is
// true, its attributes without read-only. A copy that is aborted (AbortAnyFileCopying,
// status 0, the blocks so far kept) or fails gets neither, so it never passes for complete.
// A regular file is read 16 blocks at a time (one 128 KiB buffer) and written block by block;
// the feedback sees every block, an abort still stops after the block in progress, and after
// a write error the feedback stops at the block that failed and reports the bytes really
// written. A destination file this call created and could not finish (a failed read or write,
// not an abort) is removed again; a new destination starts with mode 0600.
// A destination that is the source itself (the same file under another name or link) is
// refused with -2 before anything is truncated. A read-only destination is not overwritten
// (-2). After a failed status GetLastOSError() (platform/filesystem.h) tells the system's
// reason, when there was one. Raises EInOutError (File not found, File access denied...) when the
// source cannot be opened at all to find its size.
std::int32_t FileCopyFeedBk(const String& source, const String& dest, bool copyAttributes,
                            TFileCopyFeedBack feedback = nullptr);

// Sets the abort flag: a running file copy stops after its current block, a tree copy after
// its current file. Cleared at the start of every FileCopyFeedBk and CopyFileTree.
// Async-signal-safe.
void AbortAnyFileCopying();

// One entry a tree copy could not copy, and at which step.
enum TCopyStep : std::uint8_t {
  csOpenSource,  // the source could not be opened for reading (or listed, for a directory)
  csCreateFile,  // the destination file could not be created or truncated
  csCreateDir,   // the destination directory could not be created or opened
  csCreateLink,  // the symbolic link could not be read or made again
  csCreateFifo,  // the FIFO could not be made again
  csRead,        // reading the source failed
  csWrite,       // writing the destination failed (a full disk...); the copy was removed
  csSpecial,     // a socket or device: not copied
  csRefused,     // the destination is protected (see ProtectedTargetReason); nothing copied
};
struct TCopyFailure {
  String Source;  // the source entry, spelled as the call was given it plus stored names
  String Dest;    // the destination entry, spelled the same way
  TCopyStep Step = csOpenSource;
  int OSError = 0;  // the errno-style reason, 0 when there is none (csSpecial, csRefused)
};

// Copies every file of the tree `sourceDir` into `destDir` (created with missing parents),
// files in listing order, each directory before its subdirectories' contents. The feedback
// gets each file's progress and, after each file, its last values again (links and FIFOs are
// made without call-backs). Entries that cannot be copied are skipped and listed by
// LastTreeCopyFailures(). Nothing happens when both names are the same directory (ignoring
// case and a trailing separator, or resolving to one directory); when destDir lies inside
// sourceDir, it is left out of the copy, so the copy ends. A protected destination (the root
// of the file system or of a drive, ".", "..", a folder holding the current folder) is
// refused: nothing is copied and the one failure is csRefused.
void CopyFileTree(const String& sourceDir, const String& destDir, bool copyAttributes,
                  TTreeCopyFeedBack feedback = nullptr);

// What the last CopyFileTree of this thread could not copy, in the order met; empty when it
// copied everything.
std::vector<TCopyFailure> LastTreeCopyFailures();

}  // namespace krv
KORVEX_API_END
