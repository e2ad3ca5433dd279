// Counting and listing the files that match a mask, optionally through all subdirectories.
//
// The argument is upper-cased (names resolve case-insensitively, so it still names the same
// files) and split into its directory part and mask, at the last `\`, `/` or `:`. A file is
// every entry that is not a directory: links to files and dangling links count, links to
// directories neither count nor are entered, so a scan never leaves the tree and ends on
// link loops. Hidden subdirectories (names beginning with '.') are not entered, as a listing
// of directories without hidden entries gives them; hidden files are counted. Entries whose
// stored names contain `\` are passed over.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Called once for every directory visited, before its files are counted, with the
// directory part (upper case, trailing separator) and the number of files found so far.
using TScanFilesFeedback = void (*)(const String& CurrentDir, std::int32_t Count);

// The number of files matching the mask (with includeSubdirs, in every subdirectory too).
std::int32_t CountFiles(const String& pathWithMask, bool includeSubdirs,
                        TScanFilesFeedback feedback = nullptr);

// Appends the upper-cased directory part + the stored name of every matching file to
// `list`, each directory's own files before those of its subdirectories. Does nothing when
// list is null; never clears it.
void ScanFilesToStrList(const String& pathWithMask, bool includeSubdirs, TStringList* list,
                        TScanFilesFeedback feedback = nullptr);

}  // namespace krv
KORVEX_API_END
