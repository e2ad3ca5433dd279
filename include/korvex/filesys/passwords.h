// Pronounceable random passwords.
//
// The letters and digits are drawn from the operating system's cryptographic random source
// (getrandom), not from the process-wide pseudo-random generator, so passwords cannot be
// predicted from the generator's seed and differ from run to run. Every draw is uniform:
// a letter or digit index comes from rejection sampling, never from a biased remainder.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// A lower-case password of letters and two digits. The length is clamped to 4..14; an odd
// length starts with a vowel (aeiouy), then length div 2 pairs of a consonant
// (bcdfghjklmnpqrstvwxz) and a vowel follow. A number 0..99 written with two digits becomes
// the 7th and 8th characters, or is appended when there are 6 letters or fewer. The result
// has the clamped length + 2 characters. Never raises; empty only when the operating system
// gives no random bytes.
String InventPassword(std::int32_t Length);

// InventPassword(Length), then over positions 1..min(Length, its size): with MixedCase each
// lower-case letter becomes upper case with probability 1/2; afterwards, with SpecialChars,
// each position is replaced with probability 1/5 by one of 16 equally likely characters,
// _ ! $ % # = or a digit 0..9.
String InventPassword(std::int32_t Length, bool MixedCase, bool SpecialChars);

}  // namespace krv
KORVEX_API_END
