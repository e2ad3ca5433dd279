// The built-in bitmap font "Korvex Sans": one glyph per code point of U+0020..U+007E,
// U+00A0..U+00FF and the 27 characters Windows-1252 places at 0x80..0x9F, and an empty box for
// every other code point.
//
// A glyph is a cell of kFontCellHeight rows at scale 1. The top kFontAscent rows lie above
// the baseline (the first kFontInternalLeading of them hold accents of capitals), the rest
// below. Row bits: bit x is column x from the glyph's left edge. Ink stays within
// 0..width-1; the advance adds one column of spacing.
#pragma once

#include <array>
#include <cstdint>

namespace krv::detail {

inline constexpr int kFontCellHeight = 13;
inline constexpr int kFontAscent = 10;
inline constexpr int kFontDescent = kFontCellHeight - kFontAscent;
inline constexpr int kFontInternalLeading = 2;
// Rows of the underline and the strike-out line.
inline constexpr int kFontUnderlineRow = 11;
inline constexpr int kFontStrikeOutRow = 6;
// Widest glyph the row bits can hold.
inline constexpr int kFontMaxWidth = 16;

struct BuiltinGlyph {
  std::uint8_t width = 0;
  std::uint8_t advance = 0;
  std::array<std::uint16_t, kFontCellHeight> rows{};
};

// Whether the font has a glyph of its own for the code point.
bool BuiltinFontCovers(char32_t code);
// The glyph of the code point: its own or the replacement box.
const BuiltinGlyph& BuiltinFontGlyph(char32_t code);
// The empty box drawn for code points the font does not cover.
const BuiltinGlyph& BuiltinFontReplacement();

}  // namespace krv::detail
