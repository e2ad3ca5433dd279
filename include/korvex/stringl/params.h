// Parameter lists: number lists in brackets, quoted names, and one parameter out of a
// delimited list.
#pragma once

#include <cstdint>
#include <span>

#include "korvex/base/types.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Integers in brackets, each followed by ',' and the last comma replaced by ']':
// {1, 2, 3} gives "[1,2,3]". A maxCount above 0 and below the count writes that many numbers
// and "...": "[1,2,...]". trailingComma appends ',' after the bracket. No numbers give "[]".
String CreateParList(const TIntArray& values, bool trailingComma, std::int32_t maxCount);
// The whole list.
String CreateParList(std::span<const std::int32_t> values, bool trailingComma);
// As for integers, each number written by AutoFormatData with sigDigits digits.
String CreateParList(const TDoubleArray& values, bool trailingComma, std::int32_t maxCount,
                     std::int32_t sigDigits);
// The whole list, AutoFormatData with 3 digits: {0.5, 1234.5678} gives "[0.50,1.23E+03]".
String CreateParList(std::span<const double> values, bool trailingComma);

// States of ParseQuotedName.
enum TQuotedStrState : std::uint8_t {
  vsStart,     // nothing but blanks (and control characters) read yet
  vs1stQuote,  // inside a quoted name: the opening quote has been read
  vsQuote,     // inside a quoted name, right after a quote: a closing or a doubled one
  vsNormal,    // inside a name without quotes
  vsEnd        // the name is complete; later characters are ignored
};

// Feeds one character of a name that may be quoted to a small state machine; name collects
// the name and state carries the machine between calls (start with vsStart and an empty
// name). Blanks and control characters before the name are skipped. A name that begins with
// quote runs to the next lone quote, with blanks and any other character kept and a doubled
// quote standing for one; the character after the closing quote ends it. A name without
// quotes runs to the next blank or control character (a quote inside it is kept).
// At the end of the input a name in state vsNormal or vsQuote is complete as well; vs1stQuote
// means the closing quote is missing.
void ParseQuotedName(Char ch, Char quote, String& name, TQuotedStrState& state);

// The parameter number index (1-based) of a list separated by delimiter. Blanks around each
// parameter are removed. A parameter that begins with quote is the quoted text, with a
// doubled quote standing for one and the delimiter allowed inside; characters between its
// closing quote and the next delimiter are ignored, and a missing closing quote takes the
// rest of the list. A list of n delimiters outside quotes holds n + 1 parameters; an empty or
// blank list holds none. A quote equal to the delimiter turns quoting off.
// Returns true with value set when the parameter exists, else false with value "".
// ExtractParam(u"1, \"a, b\", c", 2, ',', '"', v) gives true and v = "a, b".
bool ExtractParam(const String& list, std::int32_t index, Char delimiter, Char quote,
                  String& value);

}  // namespace krv
KORVEX_API_END
