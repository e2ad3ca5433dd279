// Turns fuzz input into parameters and strings for the string-routine fuzz targets.
//
// Bytes are taken from the front: Byte() and Int() read parameters (0 once the input is
// used up); Text() reads one string up to a 0xFE byte or the end, one character per byte,
// with 0xFF taking the next two bytes as one 16-bit character (so code 0 and characters
// above 255 are reachable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "korvex/platform/types.h"

namespace krv::fuzz {

inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

  std::uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  std::int32_t Int() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return static_cast<std::int32_t>(v);
  }
  String Text() {
    String s;
    while (p_ < end_) {
      const std::uint8_t b = *p_++;
      if (b == 0xFE) break;
      if (b == 0xFF && end_ - p_ >= 2) {
        s += static_cast<Char>(p_[0] << 8 | p_[1]);
        p_ += 2;
      } else {
        s += static_cast<Char>(b);
      }
    }
    return s;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

}  // namespace krv::fuzz
