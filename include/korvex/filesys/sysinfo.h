// System queries: drives and their types, free space and writability, environment
// variables, the program associated with a file extension, and the system, "Windows" and
// temporary folders. None of them raises; failures give the fallbacks stated.
//
// Drives are numbered 0 for A: ... 25 for Z:. A drive exists when the file-system layer maps
// it (platform/filesystem.h: C: is "/" unless remapped; MapDrive adds more); its type comes
// from the mount table of the file system holding the mapped directory (platform/system.h).
//
// How the Windows notions map onto Linux:
// - file associations: the registry's ".ext" key holds the file type's program identifier;
//   here that is the MIME type the freedesktop shared-mime-info database gives files named
//   *.ext. The identifier's "shell\open\command" is the Exec line of the desktop entry of
//   the MIME type's default application (mimeapps.list). There is nothing like a command
//   on the extension itself, so that first registry step never applies.
// - the system folder (Windows\System32, the shared libraries and system programs) is
//   /usr/lib; the Windows folder (system-wide settings such as win.ini) is /etc; both are
//   given as Windows names on the drive that covers them ("C:\usr\lib", "C:\etc").
// - the temporary folder is $TMPDIR when it is an absolute path, otherwise /tmp.
// On Windows none of this mapping applies: drives, folders and associations are the system's
// own (GetDriveTypeW, GetSystemDirectoryW, the registry...; see platform/system.h).
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Clears `list` and adds "A:" ... "Z:" for every mapped drive, in letter order.
void BuildDriveList(TStringList& list);

// The type of drive `drive` (kDrive... of platform/system.h): 0 above 25, 1 (no root
// directory) for an unmapped drive or one whose directory is missing, otherwise 2 removable,
// 3 fixed, 4 remote, 5 CD-ROM or 6 RAM disk as the mount table says (0 when it cannot be
// read).
std::int32_t GetDiskDriveType(std::uint8_t drive);

// The bytes free for the caller on the drive's file system, or -1 when the drive is not
// mapped or cannot be queried.
Extended DiskFreeExtended(std::uint8_t drive);

// True unless the file X:\$%$LO%$.$$$ can be created, closed and deleted in the drive's root.
// The file is created exclusively: a file of that name that was there before is left
// untouched (a numbered variant of the name is tried instead). Any failure, also an unmapped
// drive, gives true.
bool DiskIsReadOnly(std::uint8_t drive);

// The value of the last environment entry whose first n characters equal `name` ignoring
// case (n its length) and are followed by '='; "" when none does. So "path" finds PATH,
// while "pa" finds nothing.
String GetEnviroVar(const String& name);
// The same search; also tells whether an entry was found at all, so that a variable that is
// set but empty can be told from one that is not set. value is "" when none is found.
bool FindEnviroVar(const String& name, String& value);

// The open command for files with extension `ext` (without its dot): the Exec line of the
// default application of the extension's MIME type when there is one, otherwise the MIME
// type itself; "" when the extension has no MIME type.
String GetProgAssoc(const String& ext);

// "C:\usr\lib" (the Windows name of /usr/lib), without trailing backslash; "" when no drive
// covers it.
String GetSystemDir();
// "C:\etc" (the Windows name of /etc), without trailing backslash; "" when no drive covers it.
String GetWindowsDir();
// The temporary folder as a Windows name with a trailing backslash ("C:\tmp\"); "" when no
// drive covers it.
String GetTempDir();

}  // namespace krv
KORVEX_API_END
