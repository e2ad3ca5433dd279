// Windows file-name semantics over the POSIX file system: the run-time's file routines
// (FindFirst/FindNext, FileExists, FileGetAttr, FileAge, DeleteFile, RenameFile, CreateDir,
// ExpandFileName, FileOpen/FileRead...) for programs written against Windows names.
//
// Names. A name that exists natively exactly as written (relative to the current directory or
// absolute) is that entry, before any rule below: a folder called "c:" is that folder, not
// drive C. A name beginning with the verbatim prefix "\\?\" ("\\?\/home/ann/a\b") is the
// native path after it, exactly (no drive, case or separator rule): callers that have POSIX
// names use it. Otherwise both `\` and `/` separate components. A name starting with a drive
// `X:` lives on the directory that drive is mapped to (C: maps to "/" by default; MapDrive adds
// more); `X:\a` is absolute, `X:a` is relative to the current directory when that lies on
// drive X and to the drive's root otherwise; `\a` is relative to the current directory's drive
// root; any other name is relative to the current directory. "." and ".." are resolved
// lexically, as Windows does. UNC names (\\server\share) are not provided for: they expand to
// themselves and never name a native file. Trailing dots and blanks of a component are kept (a
// POSIX name may end so), where Windows would drop them. TFileStream and TextFile open every
// name this way. Each call resolves its name once.
//
// Stored names that are not valid UTF-8 read with each undecodable byte as the lone surrogate
// U+DC80 + byte (FromNativeName in text.h), and such a String names exactly that entry again,
// so every stored name can be listed, opened, copied and deleted.
//
// Case. A component that exists with its exact case is taken as it is (one stat, no directory
// scan). Otherwise the directory is scanned for names equal ignoring case (simple Unicode
// folding, as the rest of the library folds); of several, the first in byte order of the
// stored names is taken, so the choice is stable. A component found by neither keeps the
// spelling given (so creating "C:\Tmp\New.txt" makes "New.txt"), and so do all after it.
// Stored names that are not valid UTF-8 are never taken by this scan.
//
// Attributes (FileGetAttr, TSearchRec::Attr):
//   faDirectory  a directory, or a symbolic link to one (then with faSymLink too);
//   faReadOnly   the owner's write bit is clear (read from the mode, not an access check, so
//                it also holds for root); DeleteFile and opening for writing then fail;
//   faHidden     the name begins with '.' ("." and ".." excepted);
//   faSysFile    a device, FIFO or socket (copying one could block; listing code may skip it);
//   faArchive    a regular file (as Windows marks files);
//   faSymLink    the entry is a symbolic link; the other attributes, size and time are those
//                of its target (a dangling link has faSymLink alone). Tree walkers must not
//                descend into an entry with faSymLink.
//
// Times are TFileTime: nanoseconds since 1970-01-01 00:00:00 UTC (last-write time), exact
// enough to copy a file's time to another unchanged.
//
// Failures never raise: functions report by bool, -1, kNoFileTime, an empty string or an
// error code. The errno-style reason of the last failure of this thread is GetLastOSError().
//
// Threads: the drive table is process-wide and guarded by a mutex (every lookup copies what it
// needs under the lock), so mapping may happen while other threads resolve names. The current
// directory is the process's, as on Windows: changing it affects every thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// ---- Attributes --------------------------------------------------------------------------

inline constexpr Integer faReadOnly = 0x01;
inline constexpr Integer faHidden = 0x02;
inline constexpr Integer faSysFile = 0x04;
inline constexpr Integer faVolumeID = 0x08;  // never set here; kept for masks
inline constexpr Integer faDirectory = 0x10;
inline constexpr Integer faArchive = 0x20;
inline constexpr Integer faNormal = 0x80;
inline constexpr Integer faSymLink = 0x400;
// Every entry: files, directories, hidden and system entries.
inline constexpr Integer faAnyFile = 0x1FF;

// Error codes returned by FindFirst/FindNext and FileSetAttr/FileSetDate (Windows numbering,
// the same as the text files' IOResult codes).
inline constexpr int kFsFileNotFound = 2;   // no such file, or nothing matches the mask
inline constexpr int kFsPathNotFound = 3;   // the directory part does not exist
inline constexpr int kFsAccessDenied = 5;   // permission, or a read-only file
inline constexpr int kFsNoMoreFiles = 18;   // FindNext after the last entry
inline constexpr int kFsInvalidName = 123;  // empty name, NUL character, UNC name
// Other system failures: kFsOsErrorBase + errno.
inline constexpr int kFsOsErrorBase = 1000;

// ---- Times ---------------------------------------------------------------------------------

// Last-write time: nanoseconds since the Unix epoch (UTC).
using TFileTime = std::int64_t;
// "No time": the file does not exist or its time cannot be read.
inline constexpr TFileTime kNoFileTime = INT64_MIN;

// The errno-style code of the last failure of a function of this header on this thread (0
// after a success is not promised; read it right after a failure).
int GetLastOSError();
// The system's text for an errno-style code, as UTF-16.
String SysErrorMessage(int code);

// ---- Wildcards -----------------------------------------------------------------------------

// Windows wildcard matching, case-insensitive (simple Unicode folding):
//   `*` any run of characters; `?` one character, but at a '.' or the end of the name it
//   matches nothing (so "file?.txt" matches "file.txt"); `*` directly before a '.' stops at
//   the name's last dot; a '.' before `*`, `?` or at the end of the mask also matches the
//   end of the name. So "*.*" matches every name (with or without a dot), "*." the names
//   without a dot, "*.txt" the names whose last extension is txt, "a?c" abc but not ac.
bool MatchesWildcard(std::u16string_view name, std::u16string_view mask);
// The same rules with the mask's letters matching only themselves when caseSensitive.
bool MatchesWildcard(std::u16string_view name, std::u16string_view mask, bool caseSensitive);
// True when the mask contains `*` or `?`.
bool HasWildcards(std::u16string_view mask);

// ---- Listing ---------------------------------------------------------------------------------

namespace detail {
struct FindState;
}

// One entry of a listing. Move-only; the listing is released by FindClose or the destructor.
struct TSearchRec {
  TFileTime Time = kNoFileTime;  // last-write time
  Int64 Size = 0;                // bytes (0 for directories)
  Integer Attr = 0;              // fa... attributes
  String Name;                   // the stored name (no directory part)

  TSearchRec();
  ~TSearchRec();
  TSearchRec(TSearchRec&&) noexcept;
  TSearchRec& operator=(TSearchRec&&) noexcept;
  TSearchRec(const TSearchRec&) = delete;
  TSearchRec& operator=(const TSearchRec&) = delete;

  std::unique_ptr<detail::FindState> FindData;  // private listing state
};

// Starts listing `path_with_mask` (a directory part and a mask, e.g. "C:\data\*.txt"; the
// mask may be a plain name). Entries whose names match the mask are reported when they pass
// the attribute filter as Windows applies it: entries without faHidden/faSysFile/faDirectory
// always; an entry having any of those only when `attr` has it too. In a directory other than
// a drive's root "." and ".." come first (when the mask and filter let them through), then the
// entries in the file system's order. A mask without wildcards yields the one entry the name
// resolves to. Returns 0 with the first entry in `rec`, or kFsFileNotFound /
// kFsPathNotFound / kFsAccessDenied / kFsInvalidName (then `rec` holds no listing).
int FindFirst(const String& path_with_mask, Integer attr, TSearchRec& rec);
// The next entry: 0, or kFsNoMoreFiles at the end (and after FindClose).
int FindNext(TSearchRec& rec);
// Releases the listing; safe to call twice.
void FindClose(TSearchRec& rec);

// ---- Names -----------------------------------------------------------------------------------

// The absolute Windows name: drive, `\` separators, "." and ".." resolved lexically, repeated
// separators collapsed, a trailing separator kept. "" stays "". No file-system access beyond
// reading the current directory; case is kept as given.
String ExpandFileName(const String& name);
// The native (UTF-8 POSIX) path `name` stands for, with case resolved as described above.
// Empty when the name cannot name a native file (empty, NUL, UNC, unmapped drive).
std::string ToNativePath(const String& name);
// The Windows name of an absolute native path: the drive whose directory is the longest
// prefix of `native` (C: for "/" by default) + the rest with `\`. A relative native path is
// taken against the current directory. Empty when no mapped drive covers the path.
String FromNativePath(std::string_view native);

// The run-time's splits, at the last `\` or `:` (`/` is not a separator here).
String ExtractFilePath(const String& name);   // "C:\a\b.txt" -> "C:\a\"
String ExtractFileDir(const String& name);    // "C:\a\b.txt" -> "C:\a"; "C:\b" -> "C:\"
String ExtractFileName(const String& name);   // -> "b.txt"
String ExtractFileExt(const String& name);    // -> ".txt" (from the last '.'), or ""
String ExtractFileDrive(const String& name);  // -> "C:", or ""
// Replaces the extension (the part ExtractFileExt returns) by `ext` (which brings its dot).
String ChangeFileExt(const String& name, const String& ext);
// Appends `\` unless the name already ends with one ("" gives "\").
String IncludeTrailingPathDelimiter(const String& name);
// Removes one trailing `\`.
String ExcludeTrailingPathDelimiter(const String& name);

// ---- Drives --------------------------------------------------------------------------------

struct TDriveMapping {
  Char Letter;         // 'A'..'Z'
  std::string Native;  // absolute native directory, without trailing '/' (except "/")
};

// Maps drive `letter` (a..z or A..Z) to the native directory `native_dir` (made absolute and
// lexically normalised; it must exist and be a directory). Replaces an earlier mapping.
bool MapDrive(Char letter, std::string_view native_dir);
// Removes a mapping; false when the drive was not mapped.
bool UnmapDrive(Char letter);
// The mapped drives in letter order (C: -> "/" unless unmapped or remapped).
std::vector<TDriveMapping> MappedDrives();
// The mapped drives as a bit mask: bit 0 for A ... bit 25 for Z (Windows GetLogicalDrives).
std::uint32_t GetLogicalDrives();
// The native directory of a drive, or "" when unmapped.
std::string DriveNativeRoot(Char letter);

// ---- Questions and changes -------------------------------------------------------------------

// True for an existing entry that is not a directory (symbolic links followed).
bool FileExists(const String& name);
// True for an existing directory (symbolic links followed).
bool DirectoryExists(const String& name);
// The fa... attributes, or -1 when the name does not exist.
Integer FileGetAttr(const String& name);
// Sets or clears faReadOnly (write bits of the mode; clearing gives the owner write access).
// Other attributes cannot be changed this way and are ignored. 0 or an error code.
int FileSetAttr(const String& name, Integer attr);
// The last-write time, or kNoFileTime.
TFileTime FileAge(const String& name);
// Sets the last-write time (also allowed on read-only files). 0 or an error code.
int FileSetDate(const String& name, TFileTime time);
// True when deleted. Fails on directories, on missing files and on read-only files (also for
// root). A symbolic link is removed itself, never its target.
bool DeleteFile(const String& name);
// Renames a file or directory. Never replaces: fails when the new name already names an
// entry (ignoring case) other than the old one. Changing only the case of a name works.
bool RenameFile(const String& old_name, const String& new_name);
// Creates one directory (the parent must exist). False when the name exists.
bool CreateDir(const String& name);
// Removes an empty directory, or a symbolic link to a directory (the link only).
bool RemoveDir(const String& name);
// Creates the directory and every missing parent; true when it exists as a directory at the end.
bool ForceDirectories(const String& name);
// The current directory as a Windows name (no trailing `\` except at a drive root); "" when
// no drive covers it.
String GetCurrentDir();
bool SetCurrentDir(const String& name);

// ---- Protected targets -------------------------------------------------------------------------

// Why the entry `name` may not be deleted, moved or overwritten as a whole, or "" when it may.
// Refused, as `rm --preserve-root` refuses them: the root of the file system ("the root of the
// file system"), the directory of any drive ("the root of drive C:"), a name whose last
// component is "." or ".." ("'.'", "'..'"), and every directory that is or holds the current
// directory ("a folder that holds the current folder"). With `follow` a symbolic link is judged
// by its target (a destination written through); otherwise by itself (a link that is deleted
// is only the link). The callers that delete, move or overwrite (DelDirTree, DeleteFiles,
// MoveToRecycleBin, SetAllFilenameCase, CopyFileTree's destination) apply it to the name they
// were given, resolved once.
String ProtectedTargetReason(const String& name, bool follow = false);
// The reason the last refused call of this thread gave, as above ("" when none was refused).
String LastRefusalReason();

// ---- Plain file handles -----------------------------------------------------------------------

using TFileHandle = int;
inline constexpr TFileHandle kInvalidFileHandle = -1;

// Opens an existing file; `mode` is fmOpenRead / fmOpenWrite / fmOpenReadWrite (stream.h),
// share flags are accepted and ignored. Opening a read-only file for writing fails, as does
// opening a directory. kInvalidFileHandle on failure.
TFileHandle FileOpen(const String& name, Word mode);
// Creates a file, or truncates an existing one (not a read-only one), for reading and writing.
TFileHandle FileCreate(const String& name);
// Creates a new file for reading and writing; fails when the name already names an entry
// (exclusive creation: nothing that was there before is touched).
TFileHandle FileCreateNew(const String& name);
// True when `name` names the very file open as `handle` (same device and inode).
bool SameFile(const String& name, TFileHandle handle);
// Reads up to `count` bytes; the number read (0 at the end) or -1.
Int64 FileRead(TFileHandle handle, void* buffer, Int64 count);
// Writes `count` bytes; the number written or -1.
Int64 FileWrite(TFileHandle handle, const void* buffer, Int64 count);
// origin 0 start, 1 current, 2 end; the new position or -1.
Int64 FileSeek(TFileHandle handle, Int64 offset, int origin);
// Closes the handle; false when the system reports a failure (or for kInvalidFileHandle).
bool FileClose(TFileHandle handle);
// The size of an open file, or -1.
Int64 FileSizeOfHandle(TFileHandle handle);
// The size of a named file (links followed), or -1 when missing or a directory.
Int64 FileSize64(const String& name);
// The last-write time of an open file, or kNoFileTime.
TFileTime FileGetDate(TFileHandle handle);
// Sets the last-write time of an open file. 0 or an error code.
int FileSetDate(TFileHandle handle, TFileTime time);

}  // namespace krv
KORVEX_API_END
