// Text-file utilities: byte-order detection, finding a file below a directory, counting and
// tailing lines, reading words, searching, repairing line ends, appending lines and reading
// the four-line header of ASC data files.
//
// Text is read and written one byte per character in Windows-1252 through TextFile, whose
// lines end at LF or CR LF (a lone CR is ordinary text) and are written with CR LF. Every
// function that takes a file name opens and closes the file itself and raises EInOutError
// (with the IOResult code) when the file cannot be opened or read, whatever the thread's
// I/O-checking setting. Functions that take an open TextFile leave it open; those that read
// it through (CountLinesInTextFile, ReadLastNLinesOfTextFile) leave it reset to its start.
#pragma once

#include <cstdint>

#include "korvex/base/types.h"
#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

enum TTextfileType : std::uint8_t {
  tftUnicode_le,
  tftUnicode_be,
  tftUnicode4_le,
  tftUnicode4_be,
  tftRTF,
  tftUTF8,
  tftUnknown
};

// The kind of text the first 4 bytes announce (missing bytes of a shorter file count as 0):
// EF BB BF UTF-8; FF FE 00 00 UTF-32 LE (only when the file has those 4 bytes: a file of just
// FF FE, or FF FE 00, is UTF-16 LE); 00 00 FE FF UTF-32 BE; FF FE UTF-16 LE; FE FF
// UTF-16 BE; "{\r" RTF; anything else (an empty file too) tftUnknown. Raises only when the
// file cannot be opened.
TTextfileType CheckTextFileType(const String& fileName);

// Looks for a plain file (not hidden, system or a directory) with the given name in the
// directory part of `fileName` (upper-cased; split at the last `\`, `/` or `:`), then in each of
// its subdirectories, depth first in listing order. Only entries that are directories and nothing
// else are entered, so hidden, read-only and symbolically linked directories are passed over and a
// link loop cannot recur. Returns the upper-cased directory part where it was found + the name as
// stored, or "" when not found. The name may be a wildcard mask (the first match counts).
String FileDetect(const String& fileName);

// The number of lines: lines end at LF (or CR LF), and a last line without one counts too,
// so this is the count of ReadLn calls up to Eof. After every 1000th line `feedback` (when
// given) is called with no sender, the number of lines so far and 0.0. The file is read in
// large blocks, not line by line. The TextFile form resets `f` (which must be assigned),
// counts the bytes of the file it names and resets it again. 64-bit, so no count wraps.
std::int64_t CountLinesInTextFile(TextFile& f, TFeedbackProc feedback = nullptr);
std::int64_t CountLinesInTextFile(const String& fileName, TFeedbackProc feedback = nullptr);

// The last n lines of the file, oldest first, and the number of lines in `totalLines`
// (saturating at INT32_MAX). n < 1 gives an empty array. When the file has fewer than n lines
// the array starts with empty strings, so it has n elements — memory for the kept lines grows
// with the lines actually read, never with n up front. Only an n beyond kMaxTailPadding
// (more empty strings than any caller can use) is not padded: the array then holds just the
// lines of the file. The TextFile form resets `f` before and after reading.
inline constexpr std::int32_t kMaxTailPadding = 1 << 20;
TStrArray ReadLastNLinesOfTextFile(TextFile& f, std::int32_t n, std::int32_t& totalLines);
TStrArray ReadLastNLinesOfTextFile(const String& fileName, std::int32_t n,
                                   std::int32_t& totalLines);

// Skips characters of code 32 and below, then returns the characters above 32 up to the next
// one of code 32 or below (consumed) or the end of the file; "" at the end.
String ReadNextWordInTextFile(TextFile& f);

// The 1-based position of `text` in the first line that contains it, with that line (as read)
// in `line`; 0 and "" when no line does. With ignoreCase both are compared lower-cased
// (Unicode simple case mapping). An empty text matches nothing.
std::int32_t FindFirstMatchInTextFile(const String& fileName, const String& text, bool ignoreCase,
                                      String& line);

// The character offset of `text` in the file counted without line ends — the lengths of the
// lines before the match plus its 1-based position in its line — when that offset is at most
// `limit`; 0 otherwise. Reading stops once the lengths read reach the limit. With ignoreCase
// the letters A-Z are compared lower-cased. An empty text matches nothing.
std::int32_t DetectStringInFile(const String& fileName, const String& text, bool ignoreCase,
                                std::int32_t limit);

// Copies the input to the output, turning every CR not followed by LF into CR LF (a CR at the
// very end too). CR LF and a lone LF stay as they are; all other bytes are copied unchanged.
// The output is created or replaced. When the output is the input file itself — by any
// spelling, case, separator, symbolic link or hard link (same device and inode) — nothing is
// written and EInOutError (code kIoAccessDenied) is raised, since the output would be
// truncated before the input was read. Convert into another file and rename it instead.
void EnsureCRLFInFile(const String& inputName, const String& outputName);
// The same conversion from the position of `source` to its end, written to `dest`.
void EnsureCRLFInStream(TStream& source, TStream& dest);

// Appends `line` (or every line of `lines`, in order), each followed by CR LF, creating the
// file when it does not exist. Any other failure to open raises without touching the file.
void AppendToTextFile(const String& fileName, const String& line);
void AppendToTextFile(const String& fileName, const TStringList& lines);

// Status codes of ReadHeaderOfASC.
inline constexpr std::int32_t kAscOk = 0;
inline constexpr std::int32_t kAscBadFirstNumber = -1;
inline constexpr std::int32_t kAscBadSecondNumber = -2;
inline constexpr std::int32_t kAscBadFlag = -3;
inline constexpr std::int32_t kAscLineFeedInTitle = -4;

// Reads the header of an ASC file: line 1 the title, lines 2 and 3 a decimal integer each,
// line 4 four flag words TRUE or FALSE in any case, separated by blanks (tabs count as
// blanks). Status: 0, -1 line 2 is not a number, -2 line 3 is not a number, -3 one of the
// first three flag words is neither TRUE nor FALSE (the fourth is true when it starts with
// TRUE, false otherwise). The numbers are read as TextFile::ReadInteger reads them. The
// outputs start as "", 0 and false; reading stops at the first error.
std::int32_t ReadHeaderOfASC(const String& fileName, String& title, std::int32_t& firstNumber,
                             std::int32_t& secondNumber, bool& flag1, bool& flag2, bool& flag3,
                             bool& flag4);
// The same from the stream's position, for files whose lines end in CR (or CR LF): the title
// is read up to a CR; an LF in it means the lines end in LF alone, status -4, and nothing more
// is read. The numbers are read with ScanStreamDecimal (so there is no -1 or -2: text that is
// no number gives 0) and the flag line up to the next CR; tabs there are not blanks.
// Control characters around the flag line (the LF of a CR LF) are ignored.
std::int32_t ReadHeaderOfASC(TStream& stream, String& title, std::int32_t& firstNumber,
                             std::int32_t& secondNumber, bool& flag1, bool& flag2, bool& flag3,
                             bool& flag4);

}  // namespace krv
KORVEX_API_END
