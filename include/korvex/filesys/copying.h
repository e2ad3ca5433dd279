// Copying files and directory trees with progress call-backs and a process-wide abort switch.
//
// Names are Windows or POSIX names, resolved by the platform's file-system layer (both
// separators, drive letters, case-insensitive lookup). Where a name is built from a directory
// and an entry, the separator added is `\`, or `/` when the directory is written with `/` only.
//
// Sizes. The call-backs take 32-bit counts; values above 2^31 - 1 (files of 2 GiB or more)
// reach them as 2147483647. The copy itself counts in 64 bits and copies every byte.
//
// Symbolic links in trees: a link to a file is copied as a file (its target's contents, as
// the single-file copy reads through links); a link to a directory, and a dangling link, is
// skipped: a tree copy never follows a link into a directory, so it stays inside the source
// tree and ends on link loops. An entry whose stored name contains `\` cannot be named
// through Windows names and is skipped too.
//
// Threads: the abort flag is one atomic flag for the process, so a signal handler or another
// thread may set it. The tree-copy state is kept per call.
#pragma once

#include <cstdint>

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
// A regular file is read 16 blocks at a time (one 128 KiB buffer); the feedback still sees
// every block and an abort still stops after the block in progress. Only a write error can
// tell the difference: the feedback may then have seen blocks of the chunk that failed.
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

// Copies every file of the tree `sourceDir` into `destDir` (created with missing parents),
// files in listing order, each directory before its subdirectories' contents. The feedback
// gets each file's progress and, after each file, its last values again. Files that fail
// to copy are skipped. Nothing happens when both names are the same directory (ignoring
// case and a trailing separator, or resolving to one directory); when destDir lies inside
// sourceDir, it is left out of the copy, so the copy ends.
void CopyFileTree(const String& sourceDir, const String& destDir, bool copyAttributes,
                  TTreeCopyFeedBack feedback = nullptr);

}  // namespace krv
KORVEX_API_END
