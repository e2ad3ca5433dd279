// Portable encoding of long double values in the 10-byte x87 extended layout.
#include <cmath>
#include <cstdint>
#include <limits>

#include "streams/internal/x87.h"

namespace krv::detail {
namespace {

constexpr std::uint64_t kIntegerBit = 0x8000000000000000u;

std::array<Byte, 10> Pack(bool negative, unsigned exponent, std::uint64_t mantissa) {
  std::array<Byte, 10> out{};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<Byte>(mantissa >> (8 * i));
  const unsigned top = exponent | (negative ? 0x8000u : 0u);
  out[8] = static_cast<Byte>(top);
  out[9] = static_cast<Byte>(top >> 8);
  return out;
}

}  // namespace

std::array<Byte, 10> EncodeX87Portable(long double v) {
  const bool negative = std::signbit(v);
  if (std::isnan(v)) return Pack(negative, 0x7FFF, 0xC000000000000000u);
  if (std::isinf(v)) return Pack(negative, 0x7FFF, kIntegerBit);
  if (v == 0) return Pack(negative, 0, 0);
  int e = 0;
  const long double m = std::frexp(std::fabs(v), &e);  // |v| = m * 2^e, m in [0.5, 1)
  int biased = e - 1 + 16383;
  // Scale so the integer part holds the 64 mantissa bits (fewer for subnormals), rounding
  // to nearest even when the host type carries more bits.
  long double scaled = biased > 0 ? std::ldexp(m, 64) : std::ldexp(std::fabs(v), 16382 + 63);
  scaled = std::rint(scaled);
  if (biased <= 0) {
    biased = 0;
    if (scaled >= std::ldexp(1.0L, 63)) biased = 1;  // rounded up into the normal range
  } else if (scaled >= std::ldexp(1.0L, 64)) {
    scaled = std::ldexp(1.0L, 63);
    ++biased;
  }
  if (biased >= 0x7FFF) return Pack(negative, 0x7FFF, kIntegerBit);
  return Pack(negative, static_cast<unsigned>(biased), static_cast<std::uint64_t>(scaled));
}

long double DecodeX87Portable(const std::array<Byte, 10>& in) {
  std::uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= std::uint64_t{in[i]} << (8 * i);
  const unsigned top = in[8] | (unsigned{in[9]} << 8);
  const bool negative = (top & 0x8000u) != 0;
  const int exponent = static_cast<int>(top & 0x7FFFu);
  long double v;
  if (exponent != 0 && (mantissa & kIntegerBit) == 0) {
    v = std::numeric_limits<long double>::quiet_NaN();  // unnormal, pseudo-NaN or -infinity
  } else if (exponent == 0x7FFF) {
    v = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                             : std::numeric_limits<long double>::quiet_NaN();
  } else {
    // Exponent 0 (denormals, and pseudo-denormals with the integer bit set) scales as 1.
    v = std::ldexp(static_cast<long double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
  }
  return negative ? -v : v;
}

}  // namespace krv::detail
