// Words, fields, tokens and lines cut out of strings.
//
// Positions are 1-based. Nothing here throws; every input, out-of-range positions included,
// gives a defined result.
#pragma once

#include <cstdint>
#include <span>

#include "korvex/base/types.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The word around position: the run of non-separators (members of WordSeps are separators)
// that contains it. If the character at position is itself a separator, that one character.
// A position below 1 or beyond the text gives "" (and start = end = 0).
// In "one two,three" position 6 gives "two" (5..7), position 4 gives " " (4..4).
String ExtractWordFromString(const String& text, std::int32_t position);
String ExtractWordFromString(const String& text, std::int32_t position, std::int32_t& start,
                             std::int32_t& end);

// The field with 0-based index between occurrences of delimiter: "a;b;;d" gives "a", "b",
// "", "d" for indexes 0-3 and "" beyond. A negative index, an empty text or a missing field
// give "". Delimiters are found by exact comparison, also at the start of a field: with "x",
// "1xX2" has the fields "1" and "X2". An empty delimiter never occurs: index 0 gives the whole
// text, others "".
String ExtractSubString(const String& text, std::int32_t index, const String& delimiter);

// Splits text at every occurrence of delimiter and returns the number of tokens (at least 1),
// which tokens then holds: "a;b" gives a and b; "a;" gives a and ""; "" gives one "". At most
// kMaxTokens tokens are cut: from the 999th delimiter on, the rest, delimiters included, is
// the last token. An empty delimiter gives the whole text as one token.
inline constexpr std::int32_t kMaxTokens = 1000;
std::int32_t Tokenize(const String& text, const String& delimiter, TStrArray& tokens);

// As above, but a delimiter directly after the escape character does not split. In each
// token a doubled escape then becomes one, and escape + delimiter becomes the delimiter
// (both compared after ASCII folding). With ',' and '\': "a\,b,c" gives "a,b" and "c".
// Only the one character before a delimiter is looked at, so a doubled escape right before
// a delimiter still keeps it from splitting.
std::int32_t Tokenize(const String& text, const String& delimiter, Char escape, TStrArray& tokens);

// The next line of text from position on; position comes back after the character that
// ended the line. Characters below code 32 are dropped from the line; mode says which end it:
// 0 LF, 1 CR, 2 CR or LF, 3 a CR right after an LF, 4 an LF right after a CR; any other mode
// none. endOfString turns true (and the line so far is returned) when position is beyond the
// text; a line ended by the last character of the text still gives false, the next call an
// empty line with true. A position below 1 counts as 1.
String ReadLnString(const String& text, std::int32_t& position, bool& endOfString,
                    std::int32_t mode);

// 1-based index of the first element of list equal to s; 0 if none. With caseSensitive false
// both are compared after ASCII folding to lower case.
std::int32_t StringIx(const String& s, std::span<const String> list);
std::int32_t StringIx(const String& s, bool caseSensitive, std::span<const String> list);

// Line and column (both 1-based) of the character at position. Lines end at LF, CR LF or a
// lone CR; a line-end character belongs to the line it ends. Position may also be
// length + 1, the place just past the last character. Returns false, with line and column
// 0, for any other position.
bool TextLineCoords(const String& text, std::int32_t position, std::int32_t& line,
                    std::int32_t& column);

}  // namespace krv
KORVEX_API_END
