#include "korvex/platform/random.h"

#include <chrono>

namespace krv {

std::atomic<std::uint32_t> RandSeed{0};

namespace {
// Advances the shared state by one step and returns the new state. Only the value of
// RandSeed itself is shared, so relaxed ordering is enough.
std::uint32_t NextRandom() {
  std::uint32_t s = RandSeed.load(std::memory_order_relaxed);
  while (!RandSeed.compare_exchange_weak(s, TRandomSequence::Step(s), std::memory_order_relaxed)) {
  }
  return TRandomSequence::Step(s);
}
}  // namespace

std::int32_t Random(std::int32_t n) {
  return TRandomSequence::Scale(NextRandom(), n);
}

double Random() {
  return static_cast<double>(NextRandom()) * (1.0 / 4294967296.0);
}

void Randomize() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  RandSeed.store(static_cast<std::uint32_t>(ticks ^ (ticks >> 32)), std::memory_order_relaxed);
}

}  // namespace krv
