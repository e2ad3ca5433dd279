#include "korvex/platform/random.h"

#include <chrono>

namespace krv {

std::uint32_t RandSeed = 0;

namespace {
std::uint32_t NextRandom() {
  RandSeed = RandSeed * 134775813u + 1u;
  return RandSeed;
}
}  // namespace

std::int32_t Random(std::int32_t n) {
  const std::uint64_t r = NextRandom();
  if (n <= 0) return 0;
  return static_cast<std::int32_t>((r * static_cast<std::uint64_t>(n)) >> 32);
}

double Random() { return static_cast<double>(NextRandom()) * (1.0 / 4294967296.0); }

void Randomize() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  RandSeed = static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

}  // namespace krv
