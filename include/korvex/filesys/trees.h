// Deleting directory trees and the files that match a mask, or moving them to the Trash.
//
// Names are Windows or POSIX names, resolved by the platform's file-system layer. Symbolic
// links are never followed: a link, also one to a directory, is removed itself and its target
// stays untouched, so nothing outside the tree is deleted. Read-only files (the owner's write
// bit clear, whoever runs the program) are not deleted.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Deletes the directory and everything in it, depth first in listing order. Stops at the
// first entry that cannot be deleted and returns its full name (a directory's name with its
// trailing separator); what was deleted before stays deleted. Returns "" when the whole tree
// is gone, and for "" (deleting nothing). An entry whose stored name contains `\` cannot be
// named through Windows names; it stops the deletion like any entry that cannot be deleted.
String DelDirTree(const String& dir);

// Deletes the files matching `pathWithMask` (e.g. C:\tmp\*.bak); names beginning with '.',
// directories and links to directories are skipped. Returns the number deleted.
std::int32_t DeleteFiles(const String& pathWithMask);

// Moves the files matching `pathWithMask` into the user's Trash (see platform/trash.h), with
// the same choice of entries as DeleteFiles. Returns the number moved; names of any length
// are handled.
std::int32_t MoveToRecycleBin(const String& pathWithMask);

}  // namespace krv
KORVEX_API_END
