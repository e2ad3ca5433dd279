// Taking Windows file names apart and putting them back together, as plain string work: none
// of these functions looks at the disk, keeps state or raises.
//
// The directory part and the file-name part of a name are split after the last `\` or `:`
// (C:\a\b.txt gives C:\a\ and b.txt). Only ParentDir and AbridgeFilePath also accept `/`.
// Positions in the descriptions are 1-based. A blank is the space character only.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Everything after the last `\` or `:`; empty when the name ends in one of them.
String StripPath(const String& fileName);

// The name without the extension of its file-name part: the last `.` of that part and
// everything after it go. Dots in the directory part are never touched (C:\a.b\name stays),
// and a file name that starts with its only dot (.profile) disappears completely.
String StripExtension(const String& fileName);

// The parent directory with its trailing separator (`\` or `/`), ignoring one trailing
// separator of the path: C:\a\b and C:\a\b\ give C:\a\, x/y gives x/, C:\ and abc give "".
String ParentDir(const String& path);

// The drive number (A = 0 ... Z = 25, either case) when the second character is `:`; 0 when
// the first character is then no letter; -1 when the second character is not `:`.
std::int32_t ExtractDrive(const String& path);

// True exactly for a drive root such as c:\ , blanks around it allowed.
bool IsRootDir(const String& path);

// True when the path consists of 8.3-safe characters (letters, digits and
// ! # $ % & ' ( ) - . : @ \ ^ _ ` { } ~) and every piece of it ending in `\` has at most 8
// characters before the `\`; after the last `\`, the pieces ending in `.` have at most 8
// characters and the last piece at most 9. A directory name that contains a dot counts as
// one piece with its dot. The empty path is true. Linear in the length of the path.
bool IsDOS83Path(const String& path);

// A shorter form of the path for display: while the result is at least `maximum`
// characters long, the directory names after the first separator are replaced by `..`,
// from the left; the file name is never touched. The separator is `\` when the path has
// one, else `/`; a path with neither is returned unchanged. Each replaced name becomes
// exactly `..` (an empty or one-character name gets longer), so the result may stay at or
// above `maximum`. With maximum <= 0 every directory name is replaced. Linear in the length
// of the path; the result is at most three times as long.
String AbridgeFilePath(const String& path, std::int32_t maximum);

// `text` inserted before the first `.` of the file-name part, or appended to the file name
// when it has no dot: _old into C:\x\data.tar.gz gives C:\x\data_old.tar.gz.
String InsertBeforeFileExt(const String& text, const String& fileName);

// The name unchanged when `defaultExt` is empty or the file-name part contains a `.` (a name
// ending in `.` has an extension); otherwise the name + `.` + defaultExt, without the added
// `.` when defaultExt begins with one.
String EnsureDefaultFileExt(const String& fileName, const String& defaultExt);

}  // namespace krv
KORVEX_API_END
