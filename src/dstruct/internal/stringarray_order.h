// The character order of TStringArray's sort and sorted search: the Unicode code of each
// Windows-1252 byte, optionally with A-Z folded to a-z; a proper prefix sorts first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "korvex/platform/types.h"

namespace krv::detail {

struct StringArrayOrder {
  std::array<std::uint16_t, 256> code;    // AnsiToChar(b)
  std::array<std::uint16_t, 256> folded;  // the same after ASCII lower-casing
  // 1..230: the rank of folded[b] among the distinct folded codes (0 is left for "end").
  std::array<std::uint8_t, 256> folded_rank;
};

const StringArrayOrder& GetStringArrayOrder();

// <0, 0, >0 comparing two byte strings through a key table.
inline int CompareByTable(const std::array<std::uint16_t, 256>& key, const std::uint8_t* a,
                          std::size_t la, const std::uint8_t* b, std::size_t lb) {
  const std::size_t n = la < lb ? la : lb;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint16_t ka = key[a[i]], kb = key[b[i]];
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  return la == lb ? 0 : (la < lb ? -1 : 1);
}

// The first 8 folded ranks of a text as one number (0 after its end): two texts whose
// numbers differ compare as their numbers do; equal numbers need the full comparison.
inline std::uint64_t FoldedPrefixKey(const StringArrayOrder& order, const std::uint8_t* s,
                                     std::size_t len) {
  std::uint64_t k = 0;
  for (std::size_t i = 0; i < 8; ++i) k = (k << 8) | (i < len ? order.folded_rank[s[i]] : 0u);
  return k;
}

// The same for Strings (sort keys a handler produced), folding A-Z.
int CompareFoldedStrings(const String& a, const String& b);

// ASCII lower-casing of a Windows-1252 text.
ShortString LowerAscii(ShortString s);

}  // namespace krv::detail
