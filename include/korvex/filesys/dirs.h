// Directory questions and whole-name conversions on the file system of the calling process
// (Windows names, see platform/filesystem.h).
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Converts each component of `path` (made absolute first) to its spelling and case as stored
// on disk; no trailing `\` in the result. Components are looked up with every attribute
// (hidden and system entries too). When a component (also the empty one after a trailing `\`)
// cannot be found, the result is the not yet converted rest of the path (without the drive and
// the components already converted). A bare root ("C:\") gives the drive ("C:"); a name
// without a drive (UNC) is returned expanded but unconverted.
String DOSToWinPath(const String& path);

// Renames every entry matching `pathWithMask` (lower-cased first) to the upper-case (or
// lower-case) form, and descends into plain subdirectories (attribute exactly faDirectory: not
// hidden, not a symbolic link) with the same mask. An entry whose new name already belongs to
// another entry (names differing only in case, possible on case-sensitive file systems) is
// left alone, so both files are kept. Any other failed rename raises EInOutError and ends the
// operation; renames done before stay done. The directory part (split at the last `\`, `/`
// or `:`) is resolved once and the tree is walked through directory handles. Refused with
// EInOutError, before it is renamed: an entry that is the root of a drive or holds the
// current directory.
void SetAllFilenameCase(const String& pathWithMask, bool upperCase);

// True when the name's attributes can be read and include faDirectory; "" gives false.
bool DirExists(const String& dir);

// False as soon as `dir\*.*` lists an entry other than "." and ".."; a directory that cannot
// be listed (a missing one too) gives true.
bool DirEmpty(const String& dir);

// True when no file can be created in `dir`. The probe "$%$LO%$.$$$" is created exclusively
// (an existing file of that name is never opened, truncated or deleted; a numbered variant
// is used instead) and removed again. Raises EInOutError when closing or removing the probe
// fails. An empty name means the current directory.
bool DirIsReadOnly(const String& dir);

// The size of the first entry found for the name (made absolute; masks allowed, all
// attributes); -1 when nothing is found and also for 2 GiB or more, which 32 bits cannot hold.
std::int32_t GetFileSize(const String& fileName);
// As GetFileSize with the true 64-bit size.
std::int64_t GetFileSize64(const String& fileName);

}  // namespace krv
KORVEX_API_END
