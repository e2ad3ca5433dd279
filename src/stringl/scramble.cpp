#include "korvex/stringl/scramble.h"

#include "korvex/platform/random.h"

namespace krv {
namespace {

struct Tables {
  std::array<std::uint8_t, 256> forward{};
  std::array<std::uint8_t, 256> inverse{};
};

// Draws the permutation as the load sequence does, so the tables are right even before
// (or without) PackageLoad. Leaves the generator where the draws end.
Tables BuildTables(std::int32_t seed) {
  Tables t;
  RandSeed = static_cast<std::uint32_t>(seed);
  for (int i = 1; i <= 255; ++i) {
    int code;
    do {
      code = Random(255) + 1;
    } while (t.inverse[static_cast<std::size_t>(code)] != 0);
    t.forward[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(code);
    t.inverse[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(i);
  }
  return t;
}

Tables& Current() {
  static Tables tables = [] {
    const std::uint32_t saved = RandSeed;
    Tables t = BuildTables(kDefaultScrambleSeed);
    RandSeed = saved;
    return t;
  }();
  return tables;
}

String Map(const String& s, const std::array<std::uint8_t, 256>& table) {
  String out(s);
  for (Char& c : out)
    if (c < 256) c = table[c];
  return out;
}

}  // namespace

void InitScramble(std::int32_t seed) {
  Current() = BuildTables(seed);
}
String Scramble(const String& s) {
  return Map(s, Current().forward);
}
String DeScramble(const String& s) {
  return Map(s, Current().inverse);
}
const std::array<std::uint8_t, 256>& ScrambleTable() {
  return Current().forward;
}
const std::array<std::uint8_t, 256>& DeScrambleTable() {
  return Current().inverse;
}

}  // namespace krv
