// The user's Trash (the recycle bin of freedesktop desktops), so that file managers can show
// and restore what the library throws away.
//
// The Trash is $XDG_DATA_HOME/Trash, or ~/.local/share/Trash when XDG_DATA_HOME is unset or
// not an absolute path. A trashed file goes to Trash/files/NAME and is described by
// Trash/info/NAME.trashinfo:
//
//   [Trash Info]
//   Path=/home/ann/Work/old%20notes.txt
//   DeletionDate=2026-12-08T17:45:12
//
// Path is the absolute original name, its bytes outside A-Z a-z 0-9 - . _ ~ / written as %XX;
// DeletionDate is local time. NAME is the original file name; when that name is taken (or
// too long for the info file's name) a free one is chosen (`notes.2.txt`, ...). The info file
// is created exclusively before the file moves, so two processes never claim one name.
//
// A file on another file system than the Trash cannot be renamed into it: it is copied into
// Trash/files (contents, mode and modification time; a symbolic link is made again with the
// same target) and then removed from its place. This keeps every trashed file in the one
// Trash that every file manager shows, at the price of a copy; a failed copy removes what
// it made and leaves the file where it was.
//
// On Windows the file goes to the Recycle Bin of its volume through the shell's file
// operation (undo allowed, no confirmation, progress or error window); TrashDirectory is then
// empty, as the Recycle Bin is no single folder.
#pragma once

#include <string>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Moves the file or symbolic link `fileName` (a Windows or POSIX name, resolved like every
// file name of the library) into the Trash. Directories are refused. Returns 0 on success,
// otherwise an errno-style code (describe it with TrashErrorText) and nothing was changed.
int MoveFileToTrash(const String& fileName);

// The Trash folder in use (native name, no trailing slash); empty when no home is known.
std::string TrashDirectory();

// The system's description of an error code of MoveFileToTrash.
std::string TrashErrorText(int error);

}  // namespace krv
KORVEX_API_END
