// Byte-wise TLogicOp over two equal-length buffers, with the operation chosen once outside
// the loop so each loop is a plain vectorisable byte operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "korvex/dstruct/logicop.h"

namespace krv::detail {

inline void CombineBytes(std::uint8_t* dst, const std::uint8_t* src, std::size_t n, TLogicOp op) {
  switch (op) {
    case loAND:
      for (std::size_t i = 0; i < n; ++i) dst[i] &= src[i];
      break;
    case loOR:
      for (std::size_t i = 0; i < n; ++i) dst[i] |= src[i];
      break;
    case loXOR:
      for (std::size_t i = 0; i < n; ++i) dst[i] ^= src[i];
      break;
    case loANDNot:
      for (std::size_t i = 0; i < n; ++i) dst[i] &= static_cast<std::uint8_t>(~src[i]);
      break;
    case loORNot:
      for (std::size_t i = 0; i < n; ++i) dst[i] |= static_cast<std::uint8_t>(~src[i]);
      break;
    case loXORNot:
      for (std::size_t i = 0; i < n; ++i) dst[i] ^= static_cast<std::uint8_t>(~src[i]);
      break;
  }
}

}  // namespace krv::detail
