// Rounding to the nearest integer with ties to the even neighbour, independent of the
// current floating-point rounding mode. Every rounding in Korvex goes through here.
#pragma once

#include <cmath>
#include <cstdint>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// Nearest integral value, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). NaN and infinities
// come back unchanged.
inline double RoundHalfEvenF(double x) {
  if (!std::isfinite(x)) return x;
  const double f = std::floor(x);
  const double diff = x - f;
  if (diff > 0.5) return f + 1.0;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

inline long double RoundHalfEvenF(long double x) {
  if (!std::isfinite(x)) return x;
  const long double f = std::floor(x);
  const long double diff = x - f;
  if (diff > 0.5L) return f + 1.0L;
  if (diff < 0.5L) return f;
  return std::fmod(f, 2.0L) == 0.0L ? f : f + 1.0L;
}

// Nearest 64-bit integer, ties to even; saturates at the int64 range, NaN gives 0.
inline std::int64_t RoundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  const double r = RoundHalfEvenF(x);
  if (r >= 9223372036854775807.0) return INT64_MAX;
  if (r <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<std::int64_t>(r);
}

inline std::int64_t RoundHalfEven(long double x) {
  if (std::isnan(x)) return 0;
  const long double r = RoundHalfEvenF(x);
  if (r >= 9223372036854775807.0L) return INT64_MAX;
  if (r <= -9223372036854775808.0L) return INT64_MIN;
  return static_cast<std::int64_t>(r);
}

}  // namespace krv
KORVEX_API_END
