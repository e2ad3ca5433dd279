// Font styles of the drawing platform: the enumeration and a small set of them.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles ([fsBold, fsItalic] is TFontStyles{fsBold, fsItalic}).
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle s : styles) Include(s);
  }
  constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
  constexpr void Include(TFontStyle s) { bits_ = static_cast<std::uint8_t>(bits_ | (1u << s)); }
  constexpr void Exclude(TFontStyle s) { bits_ = static_cast<std::uint8_t>(bits_ & ~(1u << s)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint8_t Bits() const { return bits_; }
  friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

 private:
  std::uint8_t bits_ = 0;
};

}  // namespace krv
KORVEX_API_END
