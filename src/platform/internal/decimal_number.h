// The decimal-number grammar of the library's number texts, and the conversion of such a text
// to double: one implementation for every reader of number text. Variant's text conversions
// and TStringArray's numeric cells test a whole text against the grammar; the number scanners
// of stringl and streams read their own, more lenient, input forms, build a text of this
// grammar from what they read, and convert it here.
//
// Grammar (ASCII only, nothing before or after it):
//   [+|-] (digits [. [digits]] | . digits) [(e|E) [+|-] digits]
//
// Kept internal to the library (namespace detail, under src/): users read numbers through
// the public readers (Variant, ScanStringFPNum, ...). It sits in the platform layer, the
// lowest one, because the platform's Variant is one of its readers.
#pragma once

#include <string_view>

namespace krv::detail {

// True when all of text is a decimal number of the grammar above.
bool IsDecimalNumber(std::string_view text);

// The value of a decimal number text, correctly rounded and independent of the locale. A
// value beyond the range of double gives +-infinity, a nonzero value too small for it +-0 (the
// sign of the text kept in both). False, with value 0, when text is not a decimal number.
bool DecimalNumberToDouble(std::string_view text, double& value);

// Compares the absolute values of two decimal number texts exactly, digit by digit, whatever
// their size: -1, 0 or 1 as |a| is below, equal to or above |b|. Both must be decimal numbers.
int CompareDecimalMagnitudes(std::string_view a, std::string_view b);

}  // namespace krv::detail
