// Numbers as text in the library's fixed layouts.
//
// Two basic layouts underlie every routine here:
//  - fixed (width w, d decimals): an optional minus sign, the integer digits and, for d > 0,
//    a full stop and exactly d digits; right-justified with blanks in w characters, longer
//    when the number needs it;
//  - scientific (width w): a minus sign or a blank, one digit, a full stop, w - 9 further
//    mantissa digits, 'E', the exponent sign and four exponent digits. At least one mantissa
//    decimal is always written, so a field below 10 characters comes out 10 wide.
// Both are correctly rounded from the exact binary value of the argument, ties to even (as a
// correct printf is: 0.125 to two decimals is 0.12), and the decimal point is a full stop
// whatever the process locale. Values that cannot be written as digits come out as "NAN",
// "INF" or "-INF", right-justified with blanks. Negative zero is written as zero; a negative
// value that rounds to zero keeps its sign ("-0.00").
//
// FormatData and SigDigStr write their fixed layouts as strff does, so a negative width
// zero-fills there too.
//
// Limits: widths beyond +-kMaxFormatWidth and decimals beyond kMaxFormatDecimals are clamped,
// so no argument can ask for a runaway allocation. Nothing here throws or keeps state.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

inline constexpr std::int32_t kMaxFormatWidth = 4096;
inline constexpr std::int32_t kMaxFormatDecimals = 4096;

// The value in a field of m = |width| characters:
//  - decimals -2: short scientific layout, m characters with a two-digit exponent and m - 7
//    mantissa decimals (123.456 with width 12 is " 1.23456E+02"). A decimal exponent of 100
//    or more in size does not fit: the text is then all asterisks. Below width 8 the
//    mantissa keeps its one decimal and the text is 8 wide.
//  - any other negative decimals: the scientific layout in m characters (four-digit
//    exponent).
//  - otherwise the fixed layout with m and decimals.
// A negative width zero-fills the text: leading blanks become '0' and a minus sign moves to
// the front (-3.5, -8, 2 gives "-0003.50"). "NAN" and "INF" are never zero-filled.
String strff(Extended value, std::int32_t width, std::int32_t decimals);

// As strff, with an explicit '+' for values >= 0 (zero included): the last leading blank
// becomes '+'; else a zero-filled text has its first '0' replaced; else '+' goes in front.
String strffForcePlus(Extended value, std::int32_t width, std::int32_t decimals);

// Fixed layout with width and decimals (0..8) when the value has at most nine significant
// digits in it: |value| is within the row's bounds (9 digits before the point down to 0.1 for
// 1 decimal ... 0.99999999 down to 0.00000001 for 8), or exactly 0. Otherwise, and for any
// decimals outside 0..8, strff(value, width + 6, -2).
String FormatData(double value, std::int32_t width, std::int32_t decimals);

// The value with digits significant digits: fixed layout with width when the digits fit,
// else short scientific layout in max(width, digits + 6) characters. 3.14159 (8, 3) gives
// "    3.14", 12345 gives "   12345", 0.000123 gives " 1.23E-04".
String SigDigStr(double value, std::int32_t width, std::int32_t digits);
// As above; stripBlanks removes leading and trailing blanks from the result.
String SigDigStr(double value, std::int32_t width, std::int32_t digits, bool stripBlanks);

// Compact text without blanks with digits (clamped to 2..16) significant digits: fixed for
// 0.1 <= |value| < 10^(digits-1), short scientific otherwise. With 4 digits 123.456 gives
// "123.5", 0.5 "0.500", 12345 "1.234E+04" (an exact tie, to even).
String AutoFormatData(double value, std::int32_t digits);
// As above; comma true writes a comma in place of every full stop.
String AutoFormatData(double value, std::int32_t digits, bool comma);

// text stripped of leading and trailing blanks and then padded on the left so that its first
// decimalChar lands at position; a text without decimalChar gets position blanks in front.
// At most kMaxSortablePad blanks are added.
inline constexpr std::int32_t kMaxSortablePad = 1 << 20;
String SortableNumericString(const String& text, Char decimalChar, std::int32_t position);

}  // namespace krv
KORVEX_API_END
