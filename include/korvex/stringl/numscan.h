// The library's number scanner: one floating-point number read out of a string.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Reads one number from text at the 1-based position with a state machine and returns it as
// a double; position comes back at the character that ended or broke the number.
//
// Characters are compared after ASCII upper-casing. sepOption picks the decimal separators:
// 1 full stop, 2 comma, 3 either, any other value none. Leading blanks (code 32 only) are
// skipped; then an optional sign, digits with at most one separator, and, with allowExp, an
// exponent: 'E', optional sign, digits. The number ends at the first character that cannot
// continue it ("  -12,5e3x" gives -12500 with position at the x); it fails, giving 0, at a
// character that makes it malformed: a second separator ("1.5.3", position 4), a sign not
// followed by a digit or separator ("+x"), a blank or separator after 'E'. A position
// outside the text reads as the end of the text, so it fails there and stays put.
//
// The exponent is capped at 4200 in size; the value is clamped to +-uc_MaxDouble (1.7E308).
// Conversion is correctly rounded and independent of the locale. A number that ends right
// after 'E' or its sign ("1e", "1e+") reads as its mantissa; a mantissa without any digit
// (".", "-.") reads as zero of its sign.
double ScanStringFPNum(const String& text, bool allowExp, std::int32_t sepOption,
                       std::int32_t& position);

}  // namespace krv
KORVEX_API_END
