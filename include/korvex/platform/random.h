// The process-wide seedable pseudo-random generator.
//
// A 32-bit linear congruential generator (x = x * 134775813 + 1 mod 2^32), deterministic for
// a given seed. Shared, unlocked, by string scrambling, the random fills and the password
// maker: seeding it changes what every later user sees.
#pragma once

#include <cstdint>

namespace krv {

// The generator state. Assign to reseed.
extern std::uint32_t RandSeed;

// Uniform integer in 0..n-1; 0 when n <= 0.
std::int32_t Random(std::int32_t n);
// Uniform double in [0, 1).
double Random();
// Seeds the generator from the clock.
void Randomize();

}  // namespace krv
