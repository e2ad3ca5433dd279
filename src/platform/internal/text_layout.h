// Text laid out in an outline face: the face and size a font draws with, its line metrics in
// pixels, and the glyphs of a text with their pen positions. The canvas draws them on pixels
// and the vector pages on cairo, so both place every glyph alike.
//
// Advances are FreeType's hinted advances rounded to whole pixels, kerning is fitted to whole
// pixels, and a text's width is their sum; glyph i starts at the sum of the advances and
// kernings before it.
//
// Faces and glyphs are cached: the sized fonts most recently asked for, per sized font the
// glyphs it met (at most kMaxCachedGlyphs) and their coverage bitmaps, all sized fonts together
// holding at most kGlyphBitmapBudget bytes of bitmaps (beyond that, glyphs are rendered for the
// one drawing). Every use runs under TextMutex().
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "korvex/platform/graphics.h"
#include "platform/internal/code_points.h"
#include "platform/internal/font_faces.h"

namespace krv::detail {

// The em size in pixels is clamped to 1..kMaxTextPixelSize, whatever the font's height.
inline constexpr std::int32_t kMaxTextPixelSize = 2048;
inline constexpr std::size_t kMaxCachedGlyphs = 65536;
inline constexpr std::size_t kGlyphBitmapBudget = std::size_t{64} << 20;

// The lock every use of faces, sized fonts and their caches holds (recursive, so a destroy
// callback running inside a locked call may take it again).
std::recursive_mutex& TextMutex();

// A face's metrics at one size in whole pixels. Line rows count from the baseline, positive
// below it: the underline covers rows underline_top .. underline_top + underline_height - 1.
struct LineMetrics {
  std::int32_t ascent = 0, descent = 0;
  std::int32_t underline_top = 0, underline_height = 1;
  std::int32_t strike_top = 0, strike_height = 1;
};

struct GlyphInfo {
  std::uint32_t index = 0;
  std::int64_t advance = 0;  // whole pixels
  GlyphMetrics box;          // ink box from the pen, in pixels
  bool loaded = false;
  bool rendered = false;  // coverage holds the rendered glyph
  GlyphCoverage coverage;
};

// The em size (26.6) a font asks for in a face: -Height pixels for a negative height, the em
// whose ascent + descent is Height for a positive one, 8 points at the font's resolution for 0;
// clamped to 1..kMaxTextPixelSize pixels.
std::int64_t EmSizeFor(const TFont& font, const FaceDesign& design);
// The line metrics of a face at an em size; a positive font height is the exact cell height
// unless the em size was clamped.
LineMetrics LineMetricsFor(const FaceDesign& design, std::int64_t em_26_6,
                           std::int32_t cell_height);

class SizedFont {
 public:
  SizedFont(std::shared_ptr<FontFace> face, GlyphRendering rendering, LineMetrics metrics);
  ~SizedFont();
  SizedFont(const SizedFont&) = delete;
  SizedFont& operator=(const SizedFont&) = delete;

  FontFace& Face() const { return *face_; }
  const GlyphRendering& Rendering() const { return rendering_; }
  const LineMetrics& Metrics() const { return metrics_; }
  // The glyph of a code point, loaded on first use. The reference stays valid until the next
  // call of Glyph.
  GlyphInfo& Glyph(char32_t code);
  // Kerning between two glyphs in whole pixels.
  std::int64_t Kerning(std::uint32_t left, std::uint32_t right);
  // The glyph's coverage: the cached one, or one rendered into `scratch` when the bitmap budget
  // is spent; nullptr when the glyph cannot be rendered.
  const GlyphCoverage* Coverage(GlyphInfo& glyph, GlyphCoverage& scratch);

  // Calls f(glyph, x) for every character, x being the glyph's pen offset from the text's start
  // in pixels; stops when f returns false.
  template <typename F>
  void LayOut(const String& text, F&& f);
  // Sum of the advances and kernings of the text in pixels.
  std::int64_t Advance(const String& text);

 private:
  std::shared_ptr<FontFace> face_;
  GlyphRendering rendering_;
  LineMetrics metrics_;
  std::unordered_map<char32_t, GlyphInfo> glyphs_;
  std::array<GlyphInfo*, 256> latin_{};  // glyphs_ entries of U+0000..U+00FF, once met
  GlyphInfo overflow_;                   // the glyph asked for last once glyphs_ is full
  std::unordered_map<std::uint64_t, std::int64_t> kerning_;
  std::size_t bitmap_bytes_ = 0;
};

template <typename F>
void SizedFont::LayOut(const String& text, F&& f) {
  const bool kerns = face_->HasKerning();
  std::int64_t pen = 0;
  std::uint32_t previous = 0;
  bool first = true;
  ForEachCodePoint(text, [&](char32_t c) {
    GlyphInfo& g = Glyph(c);
    if (kerns && !first) pen += Kerning(previous, g.index);
    first = false;
    previous = g.index;
    if (!f(g, pen)) return false;
    pen += g.advance;
    return true;
  });
}

// The sized font a font draws with, or nullptr when it draws with the built-in bitmap font
// (the name kBuiltinFontName in any ASCII case, or no face matched). Call under TextMutex().
std::shared_ptr<SizedFont> SizedFontFor(const TFont& font);

}  // namespace krv::detail
