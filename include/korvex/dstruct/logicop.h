// TLogicOp: the bitwise combinations shared by TBitFld and TByteMatrix.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// Applied to a destination byte a and a source byte b, in this order:
// a and b; a or b; a xor b; a and not b; a or not b; a xor not b.
enum TLogicOp : std::uint8_t { loAND, loOR, loXOR, loANDNot, loORNot, loXORNot };

// a <op> b, one byte. Unknown operation values leave a unchanged.
constexpr std::uint8_t ApplyLogicOp(std::uint8_t a, std::uint8_t b, TLogicOp op) {
  switch (op) {
    case loAND:
      return static_cast<std::uint8_t>(a & b);
    case loOR:
      return static_cast<std::uint8_t>(a | b);
    case loXOR:
      return static_cast<std::uint8_t>(a ^ b);
    case loANDNot:
      return static_cast<std::uint8_t>(a & ~b);
    case loORNot:
      return static_cast<std::uint8_t>(a | ~b);
    case loXORNot:
      return static_cast<std::uint8_t>(a ^ ~b);
  }
  return a;
}

}  // namespace krv
KORVEX_API_END
