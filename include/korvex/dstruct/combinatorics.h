// Combinations and permutations stepped in place, one per call, and the array element
// nearest to a value.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// Element 0 holds the count k; elements 1..k hold 1-based element numbers.
using TCombination = std::array<std::uint8_t, 256>;

// Steps C (k = C[0] ascending elements out of 1..n) to the next combination in
// lexicographic order; false, C unchanged, when C was the last one. Counts that cannot
// describe a combination (k = 0, k > n, n > 255) give false without change.
bool NextCombination(TCombination& C, std::int32_t n);

// Steps P (a permutation of 1..n, n = P[0]) to the next one in the library's order, which
// starts at the identity and ends at n, ..., 2, 1; false, P unchanged, after the last one.
// n <= 1, or elements that are not a permutation of 1..n, give false without change.
bool NextPermutation(TCombination& P);

// The 0-based index of the element nearest to x (the first of equally near ones), or -1
// for an empty array or when no difference is below uc_MaxDouble. NaN elements never win.
std::int32_t IndexOfNearestArrayValue(double x, std::span<const double> Data);
// As above for integers; differences are taken exactly (in 64 bits), so none overflows.
std::int32_t IndexOfNearestArrayValue(std::int32_t x, std::span<const std::int32_t> Data);

}  // namespace krv
KORVEX_API_END
