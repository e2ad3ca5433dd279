#include "korvex/dstruct/combinatorics.h"

#include <cmath>
#include <cstdlib>

#include "korvex/base/univconst.h"

namespace krv {
namespace {

constexpr double kMaxDouble = static_cast<double>(uc_MaxDouble);

// One step of the permutation walk on the prefix P[1..a], moving the value v = n - a + 1.
bool PermutationStep(TCombination& P, int n, int a) {
  if (a <= 1) return false;
  const int v = n - a + 1;
  int q = 1;
  while (q <= a && P[static_cast<std::size_t>(q)] != v) ++q;
  if (q > a) return false;  // not a permutation
  if (q != a) {
    std::swap(P[static_cast<std::size_t>(q)], P[static_cast<std::size_t>(q) + 1]);
    return true;
  }
  if (!PermutationStep(P, n, a - 1)) return false;
  for (int i = a; i >= 2; --i) P[static_cast<std::size_t>(i)] = P[static_cast<std::size_t>(i) - 1];
  P[1] = static_cast<std::uint8_t>(v);
  return true;
}

}  // namespace

bool NextCombination(TCombination& C, std::int32_t n) {
  const int k = C[0];
  if (k == 0 || n > 255 || k > n) return false;
  for (int p = k; p >= 1; --p) {
    const int max = n - k + p;
    if (C[static_cast<std::size_t>(p)] >= max) continue;
    ++C[static_cast<std::size_t>(p)];
    for (int i = p + 1; i <= k; ++i)
      C[static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(C[static_cast<std::size_t>(i) - 1] + 1);
    return true;
  }
  return false;
}

bool NextPermutation(TCombination& P) {
  const int n = P[0];
  if (n <= 1) return false;
  // The walk relies on P[1..n] holding every value 1..n once; check that first so that no
  // step can run on garbage.
  std::array<bool, 256> seen{};
  for (int i = 1; i <= n; ++i) {
    const int v = P[static_cast<std::size_t>(i)];
    if (v < 1 || v > n || seen[static_cast<std::size_t>(v)]) return false;
    seen[static_cast<std::size_t>(v)] = true;
  }
  return PermutationStep(P, n, n);
}

std::int32_t IndexOfNearestArrayValue(double x, std::span<const double> Data) {
  double best = kMaxDouble;
  std::int32_t found = -1;
  for (std::size_t i = 0; i < Data.size(); ++i) {
    const double d = std::fabs(Data[i] - x);
    if (d < best) {
      best = d;
      found = static_cast<std::int32_t>(i);
    }
  }
  return found;
}

std::int32_t IndexOfNearestArrayValue(std::int32_t x, std::span<const std::int32_t> Data) {
  double best = kMaxDouble;
  std::int32_t found = -1;
  for (std::size_t i = 0; i < Data.size(); ++i) {
    const auto d = static_cast<double>(std::llabs(std::int64_t{Data[i]} - x));
    if (d < best) {
      best = d;
      found = static_cast<std::int32_t>(i);
    }
  }
  return found;
}

}  // namespace krv
