// Text on a canvas: extent and drawing in the outline face the font matches (anti-aliased or
// one-bit coverage blended over the surface), or in the built-in bitmap font
// (platform/internal/builtin_text.h) when the font names it or nothing matches.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "korvex/platform/graphics.h"
#include "platform/internal/builtin_text.h"
#include "platform/internal/drawing_sink.h"
#include "platform/internal/raster.h"
#include "platform/internal/text_layout.h"

namespace krv {
namespace {

using detail::GlyphCoverage;
using detail::GlyphInfo;
using detail::PixelSurface;
using detail::SizedFont;

std::int32_t ClampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The three channels of 0x00BBGGRR in 16-bit lanes (0x0000BB0000GG00RR, lanes at bits 0, 16
// and 32), so a blend works on all of them at once.
std::uint64_t Spread(std::uint32_t p) {
  return (p & 0xFFu) | (std::uint64_t{p & 0xFF00u} << 8) | (std::uint64_t{p & 0xFF0000u} << 16);
}

// `ink` over `under` at coverage a (0..255): each channel (i * a + u * (255 - a) + 127) / 255,
// rounded down. A lane holds at most 65152, and t / 255 is (t + (t >> 8) + 1) >> 8 for
// every t below 65535, so no lane spills into the next (every input was checked against the
// channel-by-channel division when this was written).
std::uint32_t Blend(std::uint32_t under, std::uint32_t ink, std::uint32_t a) {
  constexpr std::uint64_t kLow = 0x000000FF00FF00FFull, kOne = 0x0000000100010001ull;
  const std::uint64_t t = Spread(ink) * a + Spread(under) * (255 - a) + 127 * kOne;
  const std::uint64_t q = ((t + ((t >> 8) & kLow) + kOne) >> 8) & kLow;
  return static_cast<std::uint32_t>((q & 0xFFu) | ((q >> 8) & 0xFF00u) | ((q >> 16) & 0xFF0000u));
}

// Blends a glyph's coverage with its pen at (x, y) on the baseline, clipped to the surface.
void BlendGlyph(PixelSurface& s, const GlyphCoverage& c, std::int64_t x, std::int64_t y,
                std::uint32_t ink) {
  const std::int64_t left = x + c.left, top = y + c.top;
  const std::int64_t r0 = std::max<std::int64_t>(0, -top);
  const std::int64_t r1 = std::min<std::int64_t>(c.height, s.height - top);
  const std::int64_t c0 = std::max<std::int64_t>(0, -left);
  const std::int64_t c1 = std::min<std::int64_t>(c.width, s.width - left);
  for (std::int64_t r = r0; r < r1; ++r) {
    const std::uint8_t* alpha = &c.alpha[static_cast<std::size_t>(r * c.width)];
    for (std::int64_t col = c0; col < c1; ++col) {
      const std::uint32_t a = alpha[col];
      if (a == 0) continue;
      std::uint32_t& p = s.pixels[detail::PixelIndex(s, left + col, top + r)];
      p = a == 255 ? ink : Blend(p, ink, a);
    }
  }
}

// Draws the glyphs of the text with its pen starting at (x, baseline).
void DrawGlyphs(PixelSurface& s, SizedFont& font, std::int64_t x, std::int64_t baseline,
                const String& text, std::uint32_t ink) {
  // Glyphs whose pen lies this far right of the surface cannot reach it.
  const std::int64_t reach = 2 * (font.Rendering().em_26_6 >> 6) + 2;
  if (baseline + reach <= 0 || baseline - reach >= s.height) return;
  GlyphCoverage scratch;
  font.LayOut(text, [&](GlyphInfo& g, std::int64_t offset) {
    const std::int64_t pen = x + offset;
    if (pen - reach >= s.width) return false;  // so does every later glyph
    if (!g.loaded || pen + g.box.right <= 0 || pen + g.box.left >= s.width ||
        baseline + g.box.bottom <= 0 || baseline + g.box.top >= s.height)
      return true;
    if (const GlyphCoverage* c = font.Coverage(g, scratch)) BlendGlyph(s, *c, pen, baseline, ink);
    return true;
  });
}

void OutlineTextOut(PixelSurface& s, SizedFont& font, const TFont& f, std::int64_t x,
                    std::int64_t y, std::int64_t width, const String& text) {
  const detail::LineMetrics& m = font.Metrics();
  const std::int64_t baseline = y + m.ascent;
  const std::uint32_t ink = detail::PixelValue(f.Color());
  DrawGlyphs(s, font, x, baseline, text, ink);
  if (f.Style().Contains(fsUnderline))
    detail::FillBox(s, x, baseline + m.underline_top, x + width,
                    baseline + m.underline_top + m.underline_height, ink);
  if (f.Style().Contains(fsStrikeOut))
    detail::FillBox(s, x, baseline + m.strike_top, x + width,
                    baseline + m.strike_top + m.strike_height, ink);
}

void BuiltinTextOut(PixelSurface& s, const TFont& f, std::int64_t x, std::int64_t y,
                    const String& text) {
  const std::uint32_t ink = detail::PixelValue(f.Color());
  detail::BuiltinInk(
      text, detail::BuiltinStyleOf(f), x, y, {0, 0, s.width, s.height},
      [&](const detail::InkBox& b) { detail::FillBox(s, b.x0, b.y0, b.x1, b.y1, ink); });
}

}  // namespace

std::int32_t TCanvas::TextWidth(const String& Text) const {
  std::lock_guard lock(detail::TextMutex());
  if (std::shared_ptr<SizedFont> font = detail::SizedFontFor(*Font()))
    return ClampToInt32(font->Advance(Text));
  return ClampToInt32(detail::BuiltinWidth(Text, detail::BuiltinStyleOf(*Font())));
}

std::int32_t TCanvas::TextHeight(const String&) const {
  std::lock_guard lock(detail::TextMutex());
  if (std::shared_ptr<SizedFont> font = detail::SizedFontFor(*Font()))
    return ClampToInt32(std::int64_t{font->Metrics().ascent} + font->Metrics().descent);
  return ClampToInt32(detail::BuiltinHeight(detail::BuiltinStyleOf(*Font())));
}

void TCanvas::TextOut(std::int32_t X, std::int32_t Y, const String& Text) {
  detail::PixelSurface* surface = Surface();
  std::lock_guard lock(detail::TextMutex());
  const std::shared_ptr<SizedFont> font = detail::SizedFontFor(*Font());
  const detail::BuiltinTextStyle builtin = detail::BuiltinStyleOf(*Font());
  const std::int64_t width = font ? font->Advance(Text) : detail::BuiltinWidth(Text, builtin);
  const std::int64_t height = font ? std::int64_t{font->Metrics().ascent} + font->Metrics().descent
                                   : detail::BuiltinHeight(builtin);
  SetPenPos(TPoint{ClampToInt32(X + width), Y});
  if (surface == nullptr) return;
  if (detail::DrawingSink* sink = Sink()) sink->Text({X, Y}, Text, *Font(), *Brush());
  if (Brush()->Style() == bsSolid)
    detail::FillBox(*surface, X, Y, X + width, Y + height, detail::PixelValue(Brush()->Color()));
  if (font)
    OutlineTextOut(*surface, *font, *Font(), X, Y, width, Text);
  else
    BuiltinTextOut(*surface, *Font(), X, Y, Text);
}

}  // namespace krv
