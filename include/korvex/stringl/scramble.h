// Reversible character substitution for keeping short texts from being read at a glance.
// Not encryption. The tables are process-wide: InitScramble changes every later result.
#pragma once

#include <array>
#include <cstdint>

#include "korvex/platform/types.h"

namespace krv {

// The seed that loading the library uses.
inline constexpr std::int32_t kDefaultScrambleSeed = 0x4B52564B;  // "KRVK"

// Seeds the process-wide random generator with seed and rebuilds both tables: F[0] = G[0] = 0,
// F a permutation of 1..255 drawn from the generator, G its inverse.
void InitScramble(std::int32_t seed);
// Each character of code 0..255 replaced by F[code]; characters above 255 pass unchanged.
String Scramble(const String& s);
// Each character of code 0..255 replaced by G[code]; characters above 255 pass unchanged.
String DeScramble(const String& s);

// The current tables, for inspection.
const std::array<std::uint8_t, 256>& ScrambleTable();
const std::array<std::uint8_t, 256>& DeScrambleTable();

}  // namespace krv
