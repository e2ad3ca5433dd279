// Sized fonts: the em size and line metrics a font asks for in its face, the glyph and kerning
// caches, and the cache of sized fonts by font request (platform/internal/text_layout.h).
#include "platform/internal/text_layout.h"

#include <algorithm>
#include <compare>
#include <cstdlib>
#include <limits>
#include <utility>

#include "korvex/platform/casefold.h"
#include "platform/internal/lru_cache.h"

namespace krv::detail {
namespace {

// Sized fonts kept for reuse.
constexpr std::size_t kSizedFonts = 64;

// Bytes of glyph bitmaps all sized fonts hold together.
std::size_t& BitmapBytesInUse() {
  static std::size_t bytes = 0;
  return bytes;
}

// A design value scaled to an em size, in 26.6.
std::int64_t Scale(std::int64_t design_units, std::int64_t em_26_6, std::int64_t units_per_em) {
  return design_units * em_26_6 / units_per_em;
}

// 26.6 to whole pixels, halves up.
std::int64_t RoundPixels(std::int64_t v) {
  return (v + 32) >> 6;
}

std::int32_t ToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

String FoldedName(const String& name) {
  String folded = name;
  for (Char& c : folded) c = AsciiLower(c);
  return folded;
}

bool IsBuiltinName(const String& name) {
  return FoldedName(name) == FoldedName(kBuiltinFontName);
}

struct FontKey {
  String name;  // ASCII-folded
  std::int32_t height = 0;
  std::int32_t pixels_per_inch = 0;  // only for height 0
  bool bold = false, italic = false, mono = false;
  friend auto operator<=>(const FontKey&, const FontKey&) = default;
};

FontKey KeyOf(const TFont& font) {
  const TFontQuality q = font.Quality();
  return FontKey{FoldedName(font.Name()),
                 font.Height(),
                 font.Height() == 0 ? font.PixelsPerInch() : 0,
                 font.Style().Contains(fsBold),
                 font.Style().Contains(fsItalic),
                 q == fqNonAntialiased || q == fqDraft};
}

std::shared_ptr<SizedFont> MakeSizedFont(const TFont& font, const FontKey& key) {
  const std::int64_t h = font.Height();
  const std::int64_t pixels = std::min<std::int64_t>(h < 0 ? -h : h, kMaxTextPixelSize);
  FaceRequest request{font.Name(), key.bold, key.italic, static_cast<std::int32_t>(pixels)};
  std::shared_ptr<FontFace> face = MatchFace(request);
  if (face == nullptr) return nullptr;
  const FaceDesign& design = face->Design();
  const GlyphRendering rendering{EmSizeFor(font, design), key.mono, face->NeedsEmbolden(),
                                 face->NeedsOblique()};
  const LineMetrics metrics = LineMetricsFor(design, rendering.em_26_6, h > 0 ? ToInt32(h) : 0);
  return std::make_shared<SizedFont>(std::move(face), rendering, metrics);
}

}  // namespace

std::recursive_mutex& TextMutex() {
  static auto* mutex = new std::recursive_mutex;  // outlives every static destructor
  return *mutex;
}

std::int64_t EmSizeFor(const TFont& font, const FaceDesign& design) {
  const std::int64_t h = font.Height();
  std::int64_t em = 0;
  if (h < 0) {
    em = -h * 64;
  } else if (h > 0) {
    const std::int64_t cell = std::max<std::int64_t>(1, design.ascent + design.descent);
    const std::int64_t upem = std::max<std::int64_t>(1, design.units_per_em);
    const std::int64_t capped = std::min<std::int64_t>(h, std::int64_t{kMaxTextPixelSize} * 16);
    em = (capped * upem * 64 + cell / 2) / cell;
  } else {
    const std::int64_t ppi = std::max<std::int32_t>(1, font.PixelsPerInch());
    em = (8 * ppi * 64 + 36) / 72;
  }
  return std::clamp<std::int64_t>(em, 64, std::int64_t{kMaxTextPixelSize} * 64);
}

LineMetrics LineMetricsFor(const FaceDesign& d, std::int64_t em, std::int32_t cell_height) {
  const std::int64_t upem = std::max<std::int32_t>(1, d.units_per_em);
  auto px = [&](std::int64_t v) { return RoundPixels(Scale(v, em, upem)); };
  LineMetrics m;
  m.ascent = ToInt32(std::max<std::int64_t>(1, px(d.ascent)));
  m.descent = ToInt32(std::max<std::int64_t>(0, px(d.descent)));
  // A positive height is the cell height exactly, unless the em size had to be clamped.
  if (cell_height > m.ascent && std::abs(cell_height - (m.ascent + m.descent)) <= 2)
    m.descent = cell_height - m.ascent;
  m.underline_height = ToInt32(std::max<std::int64_t>(1, px(d.underline_thickness)));
  const std::int64_t centre_below = -Scale(d.underline_position, em, upem);
  m.underline_top = ToInt32(
      std::max<std::int64_t>(0, RoundPixels(centre_below - std::int64_t{m.underline_height} * 32)));
  // The line stays inside the cell where the cell has room for it.
  if (m.underline_top + m.underline_height > m.descent)
    m.underline_top = std::max(0, m.descent - m.underline_height);
  m.strike_height = ToInt32(std::max<std::int64_t>(1, px(d.strike_thickness)));
  m.strike_top = ToInt32(-px(d.strike_position));
  return m;
}

SizedFont::SizedFont(std::shared_ptr<FontFace> face, GlyphRendering rendering, LineMetrics metrics)
    : face_(std::move(face)), rendering_(rendering), metrics_(metrics) {}

SizedFont::~SizedFont() {
  BitmapBytesInUse() -= bitmap_bytes_;
}

GlyphInfo& SizedFont::Glyph(char32_t code) {
  const bool latin = code < latin_.size();
  if (latin && latin_[code] != nullptr) return *latin_[code];
  auto it = glyphs_.find(code);
  if (it != glyphs_.end()) return it->second;
  GlyphInfo& g = glyphs_.size() < kMaxCachedGlyphs ? glyphs_[code] : overflow_;
  if (latin && &g != &overflow_) latin_[code] = &g;
  g = GlyphInfo{};
  g.index = face_->GlyphIndex(code);
  GlyphMetrics metrics;
  if (face_->LoadGlyph(rendering_, g.index, metrics)) {
    g.loaded = true;
    g.box = metrics;
    g.advance = std::max<std::int64_t>(0, RoundPixels(metrics.advance_26_6));
  }
  return g;
}

std::int64_t SizedFont::Kerning(std::uint32_t left, std::uint32_t right) {
  const std::uint64_t key = std::uint64_t{left} << 32 | right;
  auto it = kerning_.find(key);
  if (it != kerning_.end()) return it->second;
  const std::int64_t k = RoundPixels(face_->Kerning(rendering_, left, right));
  if (kerning_.size() < kMaxCachedGlyphs) kerning_.emplace(key, k);
  return k;
}

const GlyphCoverage* SizedFont::Coverage(GlyphInfo& glyph, GlyphCoverage& scratch) {
  if (glyph.rendered) return &glyph.coverage;
  if (!glyph.loaded || !face_->RenderGlyph(rendering_, glyph.index, scratch)) return nullptr;
  const std::size_t bytes = scratch.alpha.size();
  if (&glyph == &overflow_ || BitmapBytesInUse() + bytes > kGlyphBitmapBudget) return &scratch;
  glyph.coverage = std::move(scratch);
  glyph.rendered = true;
  bitmap_bytes_ += bytes;
  BitmapBytesInUse() += bytes;
  return &glyph.coverage;
}

std::int64_t SizedFont::Advance(const String& text) {
  std::int64_t end = 0;
  LayOut(text, [&](const GlyphInfo& g, std::int64_t x) {
    end = x + g.advance;
    return true;
  });
  return end;
}

std::shared_ptr<SizedFont> SizedFontFor(const TFont& font) {
  if (IsBuiltinName(font.Name())) return nullptr;
  static auto* cache = new LruCache<FontKey, std::shared_ptr<SizedFont>>(kSizedFonts);
  const FontKey key = KeyOf(font);
  if (auto* hit = cache->Find(key)) return *hit;
  return cache->Insert(key, MakeSizedFont(font, key));
}

}  // namespace krv::detail
