// Counting and listing the files that match a mask, optionally through all subdirectories.
//
// The argument is upper-cased (names resolve case-insensitively, so it still names the same
// files) and split into its directory part and mask, at the last `\`, `/` or `:`. A file is
// every entry that is not a directory: links to files and dangling links count, links to
// directories neither count nor are entered, so a scan never leaves the tree and ends on
// link loops. Hidden subdirectories (names beginning with '.') are not entered, as a listing
// of directories without hidden entries gives them; hidden files are counted. The directory
// part is resolved once (as given, before upper-casing) and the tree is walked through open
// directory handles, so a directory swapped for a link during the scan is not entered. Every
// stored name is reported, names holding `\` and names that are not UTF-8 (their bytes
// escaped, see FromNativeName in platform/text.h) included.
#pragma once

#include <cstdint>
#include <functional>

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

// For callers that work with native names: the files matching `mask` in `directory` (a name
// as every function takes it, "" for the current directory; it is not split, so a verbatim
// name "\\?\dir/a\b" keeps its `\`). Calls visit(path) for every matching file, path being
// `directory` as given + the stored names of the subdirectories (each followed by `/`, or by
// `\` when `directory` ends with `\`) and of the file, nothing upper-cased, in the order of
// ScanFilesToStrList. With caseSensitive the mask's letters match only themselves (the
// wildcard rules stay Windows'), so "*.TXT" does not match "a.txt" and a plain name is only
// that name. Returns the number of files; -1 when the directory cannot be opened.
std::int32_t ScanStoredNames(const String& directory, const String& mask, bool includeSubdirs,
                             bool caseSensitive,
                             const std::function<void(const String& path)>& visit);

}  // namespace krv
KORVEX_API_END
