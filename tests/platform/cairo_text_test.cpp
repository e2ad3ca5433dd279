// Text on a cairo context looks as the canvas draws it on a bitmap: the built-in font pixel for
// pixel, real faces within anti-aliasing tolerance. POSIX only (the Windows build has no cairo).
#ifndef _WIN32
#include "platform/posix/cairo_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"
#include "platform/internal/font_faces.h"

namespace krv {
namespace {

constexpr int kW = 300, kH = 70;

struct Drawn {
  std::vector<std::uint32_t> pixels;  // 0x00BBGGRR
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * kW + x)]; }
};

Drawn OnBitmap(const TFont& font, const TBrush& brush, TPoint at, const String& text) {
  TBitmap b(kW, kH);
  b.Canvas()->Font()->Assign(&font);
  b.Canvas()->Brush()->Assign(&brush);
  b.Canvas()->TextOut(at.X, at.Y, text);
  Drawn d;
  for (int y = 0; y < kH; ++y)
    d.pixels.insert(d.pixels.end(), b.ScanLine(y).begin(), b.ScanLine(y).end());
  return d;
}

Drawn OnCairo(const TFont& font, const TBrush& brush, TPoint at, const String& text) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  detail::ShowTextOnCairo(cr, at, text, font, brush);
  cairo_surface_flush(surface);
  Drawn d;
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      std::uint32_t argb = 0;
      std::memcpy(&argb, data + y * stride + 4 * x, 4);
      d.pixels.push_back((argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16);
    }
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return d;
}

int Darkness(std::uint32_t v) {
  return 3 * 255 - static_cast<int>((v & 0xFF) + (v >> 8 & 0xFF) + (v >> 16 & 0xFF));
}

struct Case {
  const char16_t* family;
  std::int32_t height;
  TFontStyles style;
  TFontQuality quality;
  TBrushStyle brush;
};

TEST(CairoText, MatchesTheCanvasDrawing) {
  const Case cases[] = {
      {kBuiltinFontName, -11, {}, fqDefault, bsClear},
      {kBuiltinFontName, -22, {fsBold, fsItalic, fsUnderline, fsStrikeOut}, fqDefault, bsSolid},
      {u"DejaVu Sans", -14, {}, fqDefault, bsClear},
      {u"DejaVu Serif", -20, {fsUnderline}, fqDefault, bsSolid},
      {u"DejaVu Sans", 18, {fsBold, fsItalic, fsStrikeOut}, fqAntialiased, bsClear},
      {u"DejaVu Math TeX Gyre", -16, {fsBold, fsItalic}, fqDefault, bsClear},
      {u"Liberation Serif", -16, {}, fqNonAntialiased, bsSolid},
  };
  const String text = u"Wave AVAIL: gjpq 1234";
  for (const Case& k : cases) {
    SCOPED_TRACE(ToUtf8(String(k.family)) + " " + std::to_string(k.height));
    const bool builtin = String(k.family) == kBuiltinFontName;
    if (!builtin) {
      const auto face = detail::MatchFace({k.family});
      if (face == nullptr || !face->SameFamily()) continue;  // not installed
    }
    TFont font;
    font.SetName(k.family);
    font.SetHeight(k.height);
    font.SetStyle(k.style);
    font.SetQuality(k.quality);
    font.SetColor(0x102030);
    TBrush brush;
    brush.SetStyle(k.brush);
    brush.SetColor(0xC0F0E0);
    const Drawn want = OnBitmap(font, brush, {6, 9}, text);
    const Drawn got = OnCairo(font, brush, {6, 9}, text);
    if (builtin) {
      EXPECT_EQ(got.pixels, want.pixels);
      continue;
    }
    // Same ink in the same places: the total darkness within 8 %, and few pixels far apart.
    long ink_want = 0, ink_got = 0, far = 0;
    for (std::size_t i = 0; i < want.pixels.size(); ++i) {
      ink_want += Darkness(want.pixels[i]);
      ink_got += Darkness(got.pixels[i]);
      far += std::abs(Darkness(want.pixels[i]) - Darkness(got.pixels[i])) > 3 * 128 ? 1 : 0;
    }
    EXPECT_NEAR(static_cast<double>(ink_got), static_cast<double>(ink_want), 0.08 * ink_want);
    EXPECT_LT(far, static_cast<long>(want.pixels.size() / 100));
  }
}

TEST(CairoText, HugeAndDegenerateInputsStaySafe) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const String long_text(1'000'000, u'W');
  TBrush brush;
  const auto start = std::chrono::steady_clock::now();
  for (const char16_t* family : {kBuiltinFontName, u"DejaVu Sans"}) {
    for (std::int32_t height : {kMin, kMax, 0, -12}) {
      TFont font;
      font.SetName(family);
      font.SetHeight(height);
      font.SetStyle({fsUnderline, fsStrikeOut});
      for (TPoint at : {TPoint{kMin, kMin}, TPoint{kMax, kMax}, TPoint{-50, 3}})
        OnCairo(font, brush, at, long_text);
      OnCairo(font, brush, {0, 0}, u"");
      detail::ShowTextOnCairo(nullptr, {0, 0}, u"x", font, brush);
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

}  // namespace
}  // namespace krv
#endif  // _WIN32
