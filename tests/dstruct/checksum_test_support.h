// Helpers shared by the checksum and digest tests.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

#include "dstruct/internal/checksum_dispatch.h"
#include "korvex/platform/types.h"

namespace krv::testing {

// n pseudo-random bytes, the same for the same seed.
inline std::vector<Byte> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<Byte> v(n);
  for (auto& b : v) b = static_cast<Byte>(gen());
  return v;
}

// Restores the automatic choice of code path when a test ends.
struct PathGuard {
  ~PathGuard() { detail::SetChecksumPath(detail::ChecksumPath::kBest); }
};

}  // namespace krv::testing
