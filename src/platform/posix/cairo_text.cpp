// Text on a cairo context (platform/posix/cairo_text.h): the glyphs the canvas would draw, at
// the positions its layout gives them, through a cairo font face on the same face file; the
// built-in bitmap font as filled pixel rectangles.
#include "platform/posix/cairo_text.h"

#include <cairo-ft.h>

#include <algorithm>
#include <cmath>
#include <compare>
#include <memory>
#include <string>
#include <vector>

#include "platform/internal/builtin_text.h"
#include "platform/internal/lru_cache.h"
#include "platform/internal/raster.h"
#include "platform/internal/text_layout.h"
#include "platform/posix/font_system.h"

namespace krv::detail {
namespace {

// Cairo font faces kept for reuse, and the glyphs passed to cairo at once.
constexpr std::size_t kCairoFaces = 16;
constexpr std::size_t kGlyphBatch = 1024;

struct CairoFaceKey {
  std::string file;
  std::int32_t index = 0;
  bool embolden = false, oblique = false;
  friend auto operator<=>(const CairoFaceKey&, const CairoFaceKey&) = default;
};

using CairoFaceRef = std::shared_ptr<cairo_font_face_t>;

const cairo_user_data_key_t kOwnFace{};

void ReleaseOwnFace(void* face) {
  CloseFreeTypeFace(static_cast<FT_Face>(face));
}

// A cairo font face on an FT_Face of its own (cairo sets sizes on the faces it draws with),
// which cairo closes when it drops the font face; nullptr when it cannot be made.
CairoFaceRef MakeCairoFace(const CairoFaceKey& key) {
  FT_Face ft = OpenFreeTypeFace(key.file, key.index);
  if (ft == nullptr) return nullptr;
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_BITMAP);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS ||
      cairo_font_face_set_user_data(face, &kOwnFace, ft, ReleaseOwnFace) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    CloseFreeTypeFace(ft);
    return nullptr;
  }
  unsigned synthesize = 0;
  if (key.embolden) synthesize |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (key.oblique) synthesize |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (synthesize != 0) cairo_ft_font_face_set_synthesize(face, synthesize);
  return CairoFaceRef(face, cairo_font_face_destroy);
}

CairoFaceRef CairoFaceFor(const SizedFont& font) {
  static auto* cache = new LruCache<CairoFaceKey, CairoFaceRef>(kCairoFaces);
  const CairoFaceKey key{font.Face().File(), font.Face().Index(), font.Rendering().embolden,
                         font.Rendering().oblique};
  if (CairoFaceRef* hit = cache->Find(key)) return *hit;
  CairoFaceRef face = MakeCairoFace(key);
  if (face != nullptr) cache->Insert(key, face);
  return face;
}

void SetColor(cairo_t* cr, TColor color) {
  const std::uint32_t v = PixelValue(color);
  cairo_set_source_rgb(cr, (v & 0xFFu) / 255.0, ((v >> 8) & 0xFFu) / 255.0,
                       ((v >> 16) & 0xFFu) / 255.0);
}

// The part of the context's clip in whole pixels, as a box.
InkBox ClipBox(cairo_t* cr) {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  constexpr double kLimit = 1 << 30;  // cairo's coordinates stay far inside this
  auto clamp = [&](double v) { return static_cast<std::int64_t>(std::clamp(v, -kLimit, kLimit)); };
  return {clamp(std::floor(x1)), clamp(std::floor(y1)), clamp(std::ceil(x2)), clamp(std::ceil(y2))};
}

// Adds the box, cut to the clip, to the current path.
void AddBox(cairo_t* cr, const InkBox& b, const InkBox& clip) {
  const std::int64_t x0 = std::max(b.x0, clip.x0), x1 = std::min(b.x1, clip.x1);
  const std::int64_t y0 = std::max(b.y0, clip.y0), y1 = std::min(b.y1, clip.y1);
  if (x1 > x0 && y1 > y0)
    cairo_rectangle(cr, static_cast<double>(x0), static_cast<double>(y0),
                    static_cast<double>(x1 - x0), static_cast<double>(y1 - y0));
}

void FillBox(cairo_t* cr, const InkBox& b, const InkBox& clip, TColor color) {
  cairo_new_path(cr);
  AddBox(cr, b, clip);
  SetColor(cr, color);
  cairo_fill(cr);
}

void ShowGlyphs(cairo_t* cr, SizedFont& font, TPoint at, const String& text, const InkBox& clip) {
  const CairoFaceRef face = CairoFaceFor(font);
  if (face == nullptr) return;
  cairo_set_font_face(cr, face.get());
  const double em = static_cast<double>(font.Rendering().em_26_6) / 64;
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, em, em);
  cairo_set_font_matrix(cr, &matrix);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(
      options, font.Rendering().mono ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);

  const std::int64_t baseline = std::int64_t{at.Y} + font.Metrics().ascent;
  const std::int64_t reach = 2 * (font.Rendering().em_26_6 >> 6) + 2;
  if (baseline + reach <= clip.y0 || baseline - reach >= clip.y1) return;
  std::vector<cairo_glyph_t> batch;
  auto flush = [&] {
    if (!batch.empty()) cairo_show_glyphs(cr, batch.data(), static_cast<int>(batch.size()));
    batch.clear();
  };
  font.LayOut(text, [&](GlyphInfo& g, std::int64_t offset) {
    const std::int64_t pen = at.X + offset;
    if (pen - reach >= clip.x1) return false;  // so does every later glyph
    if (!g.loaded || pen + g.box.right <= clip.x0 || pen + g.box.left >= clip.x1) return true;
    batch.push_back({g.index, static_cast<double>(pen), static_cast<double>(baseline)});
    if (batch.size() == kGlyphBatch) flush();
    return true;
  });
  flush();
}

void ShowOutlineText(cairo_t* cr, SizedFont& font, TPoint at, const String& text, const TFont& f,
                     const TBrush& brush, const InkBox& clip) {
  const LineMetrics& m = font.Metrics();
  const std::int64_t x = at.X, y = at.Y, width = font.Advance(text);
  if (brush.Style() == bsSolid)
    FillBox(cr, {x, y, x + width, y + m.ascent + m.descent}, clip, brush.Color());
  SetColor(cr, f.Color());
  ShowGlyphs(cr, font, at, text, clip);
  const std::int64_t baseline = y + m.ascent;
  if (f.Style().Contains(fsUnderline))
    FillBox(
        cr,
        {x, baseline + m.underline_top, x + width, baseline + m.underline_top + m.underline_height},
        clip, f.Color());
  if (f.Style().Contains(fsStrikeOut))
    FillBox(cr, {x, baseline + m.strike_top, x + width, baseline + m.strike_top + m.strike_height},
            clip, f.Color());
}

void ShowBuiltinText(cairo_t* cr, TPoint at, const String& text, const TFont& f,
                     const TBrush& brush, const InkBox& clip) {
  const BuiltinTextStyle s = BuiltinStyleOf(f);
  const std::int64_t x = at.X, y = at.Y;
  if (brush.Style() == bsSolid)
    FillBox(cr, {x, y, x + BuiltinWidth(text, s), y + BuiltinHeight(s)}, clip, brush.Color());
  cairo_new_path(cr);
  BuiltinInk(text, s, x, y, clip, [&](const InkBox& b) { AddBox(cr, b, clip); });
  SetColor(cr, f.Color());
  cairo_fill(cr);
}

}  // namespace

void ShowTextOnCairo(cairo_t* cr, TPoint at, const String& text, const TFont& font,
                     const TBrush& brush) {
  if (cr == nullptr || cairo_status(cr) != CAIRO_STATUS_SUCCESS) return;
  std::lock_guard lock(TextMutex());
  cairo_save(cr);
  const InkBox clip = ClipBox(cr);
  if (std::shared_ptr<SizedFont> sized = SizedFontFor(font))
    ShowOutlineText(cr, *sized, at, text, font, brush, clip);
  else
    ShowBuiltinText(cr, at, text, font, brush, clip);
  cairo_restore(cr);
}

}  // namespace krv::detail
