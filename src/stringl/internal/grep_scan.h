// Block scans of a UTF-16 subject that the TGrep matcher uses to jump to the places where a
// token can pass: the next occurrence of a character, the next member of a set.
//
// Each scan has a portable form (plain C++), an SSE2 form (the x86-64 baseline) and an AVX2
// form compiled with a function-level target attribute and chosen at run time from the
// processor's feature flags. Tests force each path in turn (SetGrepScanPath in
// grep_engine.h); all must give the same result.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "korvex/platform/types.h"
#include "stringl/internal/grep_engine.h"

namespace krv::detail {

// Characters a scan looks for: members among the codes 0..255 (folding, when the search folds,
// already applied: a capital is a member when its small letter is). A character above 255 is
// never a member.
struct GrepScanSet {
  static constexpr int kMaxRanges = 4;
  std::array<std::uint64_t, 4> bits{};
  // 1..kMaxRanges when the members are exactly these ranges (lo, hi pairs), 0 when there are
  // more (the scans then use the tables below).
  int ranges = 0;
  std::array<Char, 2 * kMaxRanges> bounds{};
  // By the low four bits of a code: bit h set when the code with high four bits h (low_rows)
  // or h + 8 (high_rows) is a member.
  std::array<std::uint8_t, 16> low_rows{};
  std::array<std::uint8_t, 16> high_rows{};

  bool Has(Char c) const { return c < 256 && ((bits[c >> 6] >> (c & 63)) & 1) != 0; }
  // Fills the ranges, bounds and tables from bits.
  void Prepare();
};

// Index of the first c in s at or after from, or npos. Folding compares ASCII letters without
// regard to case (c must then be lower case).
std::size_t GrepFindChar(std::u16string_view s, std::size_t from, Char c, bool fold);

// Index of the first member of set in s at or after from, or npos.
std::size_t GrepFindInSet(std::u16string_view s, std::size_t from, const GrepScanSet& set);

}  // namespace krv::detail
