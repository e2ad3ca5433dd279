// Text in the built-in bitmap font "Korvex Sans": its extent and its ink as boxes, shared by
// the canvas (pixels) and the vector pages (rectangles).
//
// The 13-pixel cell grows by the whole factor max(1, round(cell / 13)), cell =
// round(-Height * 13 / 11) for a negative height, Height for a positive one, 13 for 0. Bold
// adds one pixel (times the factor) per character, italic three at the end of the text.
#pragma once

#include <cstdint>
#include <functional>

#include "korvex/platform/graphics.h"

namespace krv::detail {

// How a font draws in the built-in font: the scale factor and the styles that change pixels.
struct BuiltinTextStyle {
  std::int64_t scale = 1;
  bool bold = false, italic = false, underline = false, strike_out = false;
};

// A box x0..x1-1, y0..y1-1 in pixels.
struct InkBox {
  std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

BuiltinTextStyle BuiltinStyleOf(const TFont& font);
// Sum of the advances in pixels (without the italic overhang); at most 2^32 glyph columns
// are counted, so the result always fits the canvas's clamping.
std::int64_t BuiltinAdvance(const String& text, const BuiltinTextStyle& s);
// The extent TextWidth reports: the advances plus the italic overhang.
std::int64_t BuiltinWidth(const String& text, const BuiltinTextStyle& s);
std::int64_t BuiltinHeight(const BuiltinTextStyle& s);
// Calls fill for every box of ink (glyph runs, underline, strike-out) of the text with its
// top-left corner at (x, y), leaving out glyphs and rows that miss `clip`. Boxes may reach
// beyond `clip`; the caller clips them.
void BuiltinInk(const String& text, const BuiltinTextStyle& s, std::int64_t x, std::int64_t y,
                const InkBox& clip, const std::function<void(const InkBox&)>& fill);

}  // namespace krv::detail
