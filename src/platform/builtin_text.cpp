// Text in the built-in bitmap font, scaled to the font's height by an integer factor
// (nearest neighbour): extent and ink boxes.
#include "platform/internal/builtin_text.h"

#include <algorithm>

#include "platform/internal/builtin_font.h"
#include "platform/internal/code_points.h"

namespace krv::detail {
namespace {

// Italic shears each row right by (kItalicBaseRow - row) / kItalicSlope columns: nothing on
// the baseline and below, kItalicOverhang columns at the top of the cell.
constexpr int kItalicBaseRow = 11;
constexpr int kItalicSlope = 3;
constexpr int kItalicOverhang = kItalicBaseRow / kItalicSlope;
// Advances are summed in glyph columns up to this bound; wider texts report the widest
// extent an int32 can hold anyway.
constexpr std::int64_t kMaxColumns = std::int64_t{1} << 32;

// Cell height in pixels the font asks for: -Height plus internal leading in the font's own
// proportions for a negative height, Height itself for a positive one, the 13-pixel cell for 0.
std::int64_t CellHeight(std::int32_t height) {
  const std::int64_t h = height;
  if (h < 0) {
    const std::int64_t ascent_part = kFontCellHeight - kFontInternalLeading;
    return (-h * kFontCellHeight + ascent_part / 2) / ascent_part;
  }
  return h > 0 ? h : kFontCellHeight;
}

std::int64_t Advance(const BuiltinGlyph& g, const BuiltinTextStyle& s) {
  return g.advance + (s.bold ? 1 : 0);
}

// Sum of the advances in glyph columns (without the italic overhang).
std::int64_t AdvanceColumns(const String& text, const BuiltinTextStyle& s) {
  std::int64_t columns = 0;
  ForEachCodePoint(text, [&](char32_t c) {
    columns += Advance(BuiltinFontGlyph(c), s);
    return columns < kMaxColumns;
  });
  return std::min(columns, kMaxColumns);
}

// The ink of one glyph with its cell's top-left corner at (x, y), one box per run of set
// columns in a row.
void GlyphInk(const BuiltinGlyph& g, const BuiltinTextStyle& s, std::int64_t x, std::int64_t y,
              const InkBox& clip, const std::function<void(const InkBox&)>& fill) {
  for (int r = 0; r < kFontCellHeight; ++r) {
    const std::int64_t y0 = y + r * s.scale;
    if (y0 + s.scale <= clip.y0 || y0 >= clip.y1) continue;
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
      fill({x + (c + shift) * s.scale, y0, x + (end + shift) * s.scale, y0 + s.scale});
      c = end;
    }
  }
}

}  // namespace

BuiltinTextStyle BuiltinStyleOf(const TFont& font) {
  BuiltinTextStyle s;
  s.scale = std::max<std::int64_t>(
      1, (CellHeight(font.Height()) + kFontCellHeight / 2) / kFontCellHeight);
  s.bold = font.Style().Contains(fsBold);
  s.italic = font.Style().Contains(fsItalic);
  s.underline = font.Style().Contains(fsUnderline);
  s.strike_out = font.Style().Contains(fsStrikeOut);
  return s;
}

std::int64_t BuiltinAdvance(const String& text, const BuiltinTextStyle& s) {
  return AdvanceColumns(text, s) * s.scale;
}

std::int64_t BuiltinWidth(const String& text, const BuiltinTextStyle& s) {
  const std::int64_t columns = AdvanceColumns(text, s);
  return (columns > 0 && s.italic ? columns + kItalicOverhang : columns) * s.scale;
}

std::int64_t BuiltinHeight(const BuiltinTextStyle& s) {
  return kFontCellHeight * s.scale;
}

void BuiltinInk(const String& text, const BuiltinTextStyle& s, std::int64_t x, std::int64_t y,
                const InkBox& clip, const std::function<void(const InkBox&)>& fill) {
  if (y + BuiltinHeight(s) <= clip.y0 || y >= clip.y1) return;
  std::int64_t pen = x;
  ForEachCodePoint(text, [&](char32_t c) {
    if (pen >= clip.x1) return false;  // this and every later glyph lie to the right
    const BuiltinGlyph& g = BuiltinFontGlyph(c);
    const std::int64_t advance = Advance(g, s) * s.scale;
    if (pen + advance + kItalicOverhang * s.scale > clip.x0) GlyphInk(g, s, pen, y, clip, fill);
    pen += advance;
    return true;
  });
  const std::int64_t line_end = x + BuiltinAdvance(text, s);
  if (s.underline)
    fill({x, y + kFontUnderlineRow * s.scale, line_end, y + (kFontUnderlineRow + 1) * s.scale});
  if (s.strike_out)
    fill({x, y + kFontStrikeOutRow * s.scale, line_end, y + (kFontStrikeOutRow + 1) * s.scale});
}

}  // namespace krv::detail
