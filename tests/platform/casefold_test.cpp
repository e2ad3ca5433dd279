#include "korvex/platform/casefold.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace krv {
namespace {

// The ASCII folding works on bytes as well as on 16-bit code units, and leaves every byte
// outside A-Z / a-z alone, also those of Windows-1252 letters (signed as char).
TEST(CaseFold, AsciiFoldingOfBytes) {
  for (int code = 0; code < 256; ++code) {
    const auto b = static_cast<std::uint8_t>(code);
    const auto c = static_cast<char>(code);
    const bool upper = code >= 'A' && code <= 'Z', lower = code >= 'a' && code <= 'z';
    ASSERT_EQ(AsciiLower(b), upper ? code + 32 : code) << code;
    ASSERT_EQ(AsciiUpper(b), lower ? code - 32 : code) << code;
    ASSERT_EQ(static_cast<std::uint8_t>(AsciiLower(c)), AsciiLower(b)) << code;
    ASSERT_EQ(static_cast<std::uint8_t>(AsciiUpper(c)), AsciiUpper(b)) << code;
  }
  static_assert(AsciiLower(u'Q') == u'q' && AsciiUpper('q') == 'Q');
}

// UnicodeFold takes a short cut for ASCII; it must give what its definition gives.
TEST(CaseFold, FoldIsLowerOfUpperForEveryCodeUnit) {
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const Char c = static_cast<Char>(code);
    ASSERT_EQ(UnicodeFold(c), UnicodeLower(UnicodeUpper(c))) << code;
  }
}

}  // namespace
}  // namespace krv
