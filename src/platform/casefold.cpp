#include "korvex/platform/casefold.h"

#include <cstdint>

namespace krv {
namespace {

#include "casefold_table.inc"

Char Apply(const std::uint8_t (&index)[256], const std::uint16_t (*delta)[256], Char c) {
  const std::uint16_t d = delta[index[c >> 8]][c & 0xFF];
  return static_cast<Char>(static_cast<std::uint16_t>(c + d));
}

}  // namespace

Char UnicodeUpper(Char c) {
  if (c < 0x80) return AsciiUpper(c);
  return Apply(kUpperIndex, kUpperDelta, c);
}

Char UnicodeLower(Char c) {
  if (c < 0x80) return AsciiLower(c);
  return Apply(kLowerIndex, kLowerDelta, c);
}

Char UnicodeFold(Char c) {
  // No ASCII character has a capital or small form outside ASCII.
  if (c < 0x80) return AsciiLower(c);
  return UnicodeLower(UnicodeUpper(c));
}

}  // namespace krv
