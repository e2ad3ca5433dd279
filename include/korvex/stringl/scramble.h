// Reversible character substitution for keeping short texts from being read at a glance.
// Not encryption. The tables are process-wide: InitScramble changes every later result.
// Before any InitScramble they are those of kDefaultScrambleSeed.
//
// Threads: every function here may be called from several threads at once. Scramble,
// DeScramble and the table accessors each work on one complete pair of tables, those current
// when the call starts, even while InitScramble installs others. Concurrent InitScramble
// calls take turns; the last to finish decides the tables and the generator state. Tables
// once installed are never freed (one pair per distinct seed), so the references that
// ScrambleTable and DeScrambleTable return stay valid and unchanged for the life of the
// process: they show the tables of the call, not later ones.
#pragma once

#include <array>
#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The seed that loading the library uses.
inline constexpr std::int32_t kDefaultScrambleSeed = 0x4B52564B;  // "KRVK"

// Seeds the process-wide random generator with seed and rebuilds both tables: F[0] = G[0] = 0,
// F a permutation of 1..255 drawn from the generator, G its inverse. RandSeed is left where
// the draws end. The draws are made on a private copy of the generator, so the tables
// depend on the seed alone, whatever other threads draw meanwhile.
void InitScramble(std::int32_t seed);
// Each character of code 0..255 replaced by F[code]; characters above 255 pass unchanged.
String Scramble(const String& s);
// Each character of code 0..255 replaced by G[code]; characters above 255 pass unchanged.
String DeScramble(const String& s);

// The current tables, for inspection (see above for their lifetime).
const std::array<std::uint8_t, 256>& ScrambleTable();
const std::array<std::uint8_t, 256>& DeScrambleTable();

}  // namespace krv
KORVEX_API_END
