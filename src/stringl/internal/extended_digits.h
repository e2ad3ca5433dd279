// Exact decimal text of extended values of moderate size with 128-bit integer arithmetic,
// much faster than the general conversion of the run-time library.
//
// Both writers handle nonzero finite values with 2^-61 <= |value| < 2^64 (the value is then
// an integer part below 2^64 plus a fraction of at most 124 bits) and return nullptr for any
// other value, leaving the general conversion to the caller. Results are correctly rounded,
// ties to even, in the form std::to_chars writes; the buffer must hold decimals (or
// mantissa decimals) + 32 characters.
#pragma once

namespace krv::detail {

// "-123.456": optional '-', the integer digits, and for decimals > 0 a point and decimals
// digits.
char* ExtendedFixedChars(char* out, long double value, int decimals);

// "-1.234e+05": optional '-', one digit, for mantissa decimals > 0 a point and that many
// digits, 'e', the exponent sign and at least two exponent digits.
char* ExtendedScientificChars(char* out, long double value, int mantissa_decimals);

}  // namespace krv::detail
