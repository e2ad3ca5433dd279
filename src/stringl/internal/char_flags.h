// A table of 256 flags indexed by character code, the one-lookup membership test of the
// set routines. Codes above 255 have no entry; callers decide what they mean before looking.
#pragma once

#include <array>

#include "korvex/platform/types.h"

namespace krv::detail {

class CharFlags {
 public:
  constexpr explicit CharFlags(bool initial) { flags_.fill(initial); }

  // Only defined for codes 0..255; Get() answers fallback for any other code.
  constexpr bool Get(Char c, bool fallback) const { return c < 256 ? flags_[c] : fallback; }
  constexpr bool operator[](unsigned char c) const { return flags_[c]; }
  constexpr void Set(Char c, bool value) {
    if (c < 256) flags_[c] = value;
  }
  constexpr void SetRange(Char first, Char last, bool value) {
    for (unsigned c = first; c <= last && c < 256; ++c) flags_[c] = value;
  }

 private:
  std::array<bool, 256> flags_{};
};

// Case-fold helpers shared by the search routines: a copy of s folded to ASCII lower case.
String AsciiLowerCopy(const String& s);

}  // namespace krv::detail
