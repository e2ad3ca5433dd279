// Text on a canvas: extent and drawing with the built-in bitmap font, scaled to the font's
// height by an integer factor (nearest neighbour).
#include <algorithm>
#include <cstdint>
#include <limits>

#include "korvex/platform/graphics.h"
#include "platform/internal/builtin_font.h"
#include "platform/internal/drawing_sink.h"
#include "platform/internal/raster.h"

namespace krv {
namespace {

using detail::BuiltinGlyph;
using detail::kFontCellHeight;

// Italic shears each row right by (kItalicBaseRow - row) / kItalicSlope columns: nothing on
// the baseline and below, kItalicOverhang columns at the top of the cell.
constexpr int kItalicBaseRow = 11;
constexpr int kItalicSlope = 3;
constexpr int kItalicOverhang = kItalicBaseRow / kItalicSlope;
// Advances are summed in glyph columns up to this bound; wider texts report the widest
// extent an int32 can hold anyway.
constexpr std::int64_t kMaxColumns = std::int64_t{1} << 32;

// How the current font draws: the scale factor and the styles that change the pixels.
struct TextStyle {
  std::int64_t scale = 1;
  bool bold = false, italic = false, underline = false, strike_out = false;
};

// Cell height in pixels the font asks for: -Height plus internal leading in the font's own
// proportions for a negative height, Height itself for a positive one, the 13-pixel cell for 0.
std::int64_t CellHeight(std::int32_t height) {
  const std::int64_t h = height;
  if (h < 0) {
    const std::int64_t ascent_part = kFontCellHeight - detail::kFontInternalLeading;
    return (-h * kFontCellHeight + ascent_part / 2) / ascent_part;
  }
  return h > 0 ? h : kFontCellHeight;
}

TextStyle StyleOf(const TFont& font) {
  TextStyle s;
  s.scale = std::max<std::int64_t>(
      1, (CellHeight(font.Height()) + kFontCellHeight / 2) / kFontCellHeight);
  s.bold = font.Style().Contains(fsBold);
  s.italic = font.Style().Contains(fsItalic);
  s.underline = font.Style().Contains(fsUnderline);
  s.strike_out = font.Style().Contains(fsStrikeOut);
  return s;
}

// Calls f(code point) for each character of a UTF-16 text; lone surrogates pass as they are.
template <typename F>
void ForEachCodePoint(const String& text, F&& f) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (!f(c)) return;
  }
}

std::int64_t Advance(const BuiltinGlyph& g, const TextStyle& s) {
  return g.advance + (s.bold ? 1 : 0);
}

// Sum of the advances in glyph columns (without the italic overhang).
std::int64_t AdvanceColumns(const String& text, const TextStyle& s) {
  std::int64_t columns = 0;
  ForEachCodePoint(text, [&](char32_t c) {
    columns += Advance(detail::BuiltinFontGlyph(c), s);
    return columns < kMaxColumns;
  });
  return std::min(columns, kMaxColumns);
}

std::int64_t WidthColumns(const String& text, const TextStyle& s) {
  const std::int64_t columns = AdvanceColumns(text, s);
  return columns > 0 && s.italic ? columns + kItalicOverhang : columns;
}

std::int32_t ClampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Draws one glyph with its cell's top-left corner at (x, y) in surface pixels.
void DrawGlyph(detail::PixelSurface& surface, const BuiltinGlyph& g, const TextStyle& s,
               std::int64_t x, std::int64_t y, std::uint32_t value) {
  for (int r = 0; r < kFontCellHeight; ++r) {
    const std::int64_t y0 = y + r * s.scale;
    if (y0 + s.scale <= 0 || y0 >= surface.height) continue;
    std::uint32_t bits = g.rows[r];
    if (s.bold) bits |= bits << 1;
    const int shift = s.italic && r < kItalicBaseRow ? (kItalicBaseRow - r) / kItalicSlope : 0;
    for (int c = 0; bits >> c != 0;) {
      if (!((bits >> c) & 1u)) {
        ++c;
        continue;
      }
      int end = c;
      while ((bits >> end) & 1u) ++end;
      detail::FillBox(surface, x + (c + shift) * s.scale, y0, x + (end + shift) * s.scale,
                      y0 + s.scale, value);
      c = end;
    }
  }
}

}  // namespace

std::int32_t TCanvas::TextWidth(const String& Text) const {
  const TextStyle s = StyleOf(*Font());
  return ClampToInt32(WidthColumns(Text, s) * s.scale);
}

std::int32_t TCanvas::TextHeight(const String&) const {
  return ClampToInt32(StyleOf(*Font()).scale * kFontCellHeight);
}

void TCanvas::TextOut(std::int32_t X, std::int32_t Y, const String& Text) {
  detail::PixelSurface* surface = Surface();
  const TextStyle s = StyleOf(*Font());
  const std::int64_t width = WidthColumns(Text, s) * s.scale;
  const std::int64_t height = kFontCellHeight * s.scale;
  SetPenPos(TPoint{ClampToInt32(X + width), Y});
  if (surface == nullptr) return;
  if (detail::DrawingSink* sink = Sink()) sink->Text({X, Y}, Text, *Font(), *Brush());
  if (Brush()->Style() == bsSolid)
    detail::FillBox(*surface, X, Y, X + width, Y + height, detail::PixelValue(Brush()->Color()));
  if (Y + height <= 0 || Y >= surface->height) return;

  const std::uint32_t ink = detail::PixelValue(Font()->Color());
  std::int64_t pen = X;
  ForEachCodePoint(Text, [&](char32_t c) {
    if (pen >= surface->width) return false;  // this and every later glyph lie to the right
    const BuiltinGlyph& g = detail::BuiltinFontGlyph(c);
    const std::int64_t advance = Advance(g, s) * s.scale;
    if (pen + advance + kItalicOverhang * s.scale > 0) DrawGlyph(*surface, g, s, pen, Y, ink);
    pen += advance;
    return true;
  });

  const std::int64_t line_end = X + AdvanceColumns(Text, s) * s.scale;
  if (s.underline)
    detail::FillBox(*surface, X, Y + detail::kFontUnderlineRow * s.scale, line_end,
                    Y + (detail::kFontUnderlineRow + 1) * s.scale, ink);
  if (s.strike_out)
    detail::FillBox(*surface, X, Y + detail::kFontStrikeOutRow * s.scale, line_end,
                    Y + (detail::kFontStrikeOutRow + 1) * s.scale, ink);
}

}  // namespace krv
