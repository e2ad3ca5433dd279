// Character classes by code, ASCII case folding, and the word-separator set. The folding
// itself (AsciiUpper, AsciiLower) lives in platform/casefold.h, included here.
//
// Every test here looks at one 16-bit code unit by its numeric value; nothing depends on the
// locale. The separator set WordSeps is process-wide and unlocked: change it from one thread
// while no other thread counts or extracts words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "korvex/platform/casefold.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// '0'..'9'.
constexpr bool IsDigit(Char c) {
  return c >= u'0' && c <= u'9';
}
// 'a'..'z' and 'A'..'Z' only; accented letters are not letters here.
constexpr bool IsLetter(Char c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
// IsLetter or IsDigit.
constexpr bool IsDigitLetter(Char c) {
  return IsLetter(c) || IsDigit(c);
}
// '0'..'9', 'a'..'f', 'A'..'F'.
constexpr bool IsHexChar(Char c) {
  return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
// Exactly the seven German characters ä ö ü Ä Ö Ü ß (Latin-1 codes).
constexpr bool IsUmlaut(Char c) {
  return c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xC4 || c == 0xD6 || c == 0xDC || c == 0xDF;
}

// A set of character codes 0..255 held as 256 bits. Codes above 255 are never members:
// Contains() answers false for them and Include()/Exclude() take a byte, so no operation can
// reach outside the bits.
class TCharSet {
 public:
  constexpr TCharSet() = default;
  constexpr TCharSet(std::initializer_list<std::uint8_t> codes) {
    for (std::uint8_t c : codes) Include(c);
  }

  constexpr bool Contains(Char c) const {
    return c < 256 && ((bits_[c >> 6] >> (c & 63)) & 1u) != 0;
  }
  constexpr void Include(std::uint8_t c) { bits_[c >> 6] |= std::uint64_t{1} << (c & 63); }
  constexpr void Exclude(std::uint8_t c) { bits_[c >> 6] &= ~(std::uint64_t{1} << (c & 63)); }
  constexpr void Clear() { bits_ = {}; }
  // Number of members.
  constexpr std::int32_t Count() const {
    std::int32_t n = 0;
    for (std::uint64_t w : bits_) {
      for (; w != 0; w &= w - 1) ++n;
    }
    return n;
  }

  constexpr bool operator==(const TCharSet&) const = default;

 private:
  std::array<std::uint64_t, 4> bits_{};
};

// The 26 separators WordSeps holds when the library is loaded: 0, LF, CR, blank and
// " # % ' ( ) * + , - . / : ; < = > [ \ ] { }.
inline constexpr TCharSet kDefaultWordSeps{0,   10,  13,  32,  '"',  '#', '%', '\'', '(',
                                           ')', '*', '+', ',', '-',  '.', '/', ':',  ';',
                                           '<', '=', '>', '[', '\\', ']', '{', '}'};

// The separators used by CountWords and word extraction. Modifiable at any time; the routines
// read it at each call. Assign kDefaultWordSeps to restore the initial contents.
extern TCharSet WordSeps;

// True if c is currently a member of WordSeps (never for codes above 255).
inline bool IsWordSep(Char c) {
  return WordSeps.Contains(c);
}

}  // namespace krv
KORVEX_API_END
