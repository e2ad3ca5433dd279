// The two basic number layouts, fixed and scientific, as exact decimal text of the binary
// value: correctly rounded, ties to even, with a full stop whatever the locale.
//
// A double goes through std::to_chars for double (shortest code path); an extended value
// that a double holds exactly is converted as that double, since its binary value is the
// same; any other extended value goes through std::to_chars for long double.
#pragma once

#include <cstdint>

#include "korvex/platform/types.h"

namespace krv::detail {

// Fixed layout: optional '-', integer digits, and for decimals > 0 a full stop and exactly
// decimals digits; right-justified with blanks to width (never cut). Non-finite values give
// "NAN", "INF", "-INF". decimals below 0 count as 0.
String FixedLayout(double value, std::int32_t width, std::int32_t decimals);
String FixedLayout(long double value, std::int32_t width, std::int32_t decimals);

// Scientific layout of width characters: '-' or ' ', one digit, '.', max(1, width - 9)
// digits, 'E', '+' or '-', four exponent digits. Non-finite values as FixedLayout.
String ScientificLayout(long double value, std::int32_t width);

// The text of a non-finite value ("NAN", "INF", "-INF") right-justified to width.
String NonFiniteText(long double value, std::int32_t width);

}  // namespace krv::detail
