// The process-wide seedable pseudo-random generator.
//
// A 32-bit linear congruential generator (x = x * 134775813 + 1 mod 2^32), deterministic for
// a given seed. Shared by string scrambling, the random fills and the password maker:
// seeding it changes what every later user sees. It starts at 0 when the process starts;
// PackageLoad (package.h) moves it, as InitScramble does.
//
// Threads: RandSeed is atomic, so Random, Randomize and reading or assigning RandSeed may be
// called from several threads at once. Every draw advances the state exactly once, so two
// draws never see the same state, but which thread gets which number of the sequence is up
// to the scheduler. A thread that needs a reproducible sequence of its own uses
// TRandomSequence, which shares nothing.
#pragma once

#include <atomic>
#include <cstdint>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// The generator state. Assign to reseed (RandSeed = 42;); reads give the current state.
extern std::atomic<std::uint32_t> RandSeed;

// A generator of one's own with the same sequence: after TRandomSequence g(s), g.Next(n)
// draws what Random(n) draws after RandSeed = s, and State() is what RandSeed would then hold.
class TRandomSequence {
 public:
  constexpr explicit TRandomSequence(std::uint32_t seed) : state_(seed) {}

  // Uniform integer in 0..n-1; 0 when n <= 0 (the state advances all the same).
  constexpr std::int32_t Next(std::int32_t n) {
    state_ = Step(state_);
    return Scale(state_, n);
  }
  constexpr std::uint32_t State() const { return state_; }

  // The state after s, and the draw in 0..n-1 that a state gives.
  static constexpr std::uint32_t Step(std::uint32_t s) { return s * 134775813u + 1u; }
  static constexpr std::int32_t Scale(std::uint32_t s, std::int32_t n) {
    if (n <= 0) return 0;
    return static_cast<std::int32_t>((std::uint64_t{s} * static_cast<std::uint64_t>(n)) >> 32);
  }

 private:
  std::uint32_t state_;
};

// Uniform integer in 0..n-1; 0 when n <= 0.
std::int32_t Random(std::int32_t n);
// Uniform double in [0, 1).
double Random();
// Seeds the generator from the clock.
void Randomize();

}  // namespace krv
KORVEX_API_END
