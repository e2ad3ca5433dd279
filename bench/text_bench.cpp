// Benchmarks of text on a canvas: a chart's worth of short labels drawn with TextOut in a real
// face (anti-aliased and plain), in the built-in font, and measured with TextWidth; beside
// them cairo drawing the same labels in the same face and size on an image surface of the
// same size (cairo_show_text through its own FreeType font), the peer a Linux program would
// use instead.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "korvex/platform/fonts.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"

namespace {

constexpr int kWidth = 800, kHeight = 600, kLabels = 200;
constexpr char kFace[] = "DejaVu Sans";
constexpr int kPoints = 10;  // 13 pixels at 96 per inch

std::vector<std::string> Labels() {
  std::vector<std::string> labels;
  for (int i = 0; i < kLabels; ++i) {
    char text[48];
    std::snprintf(text, sizeof text, "Sensor %d: %d.25 hPa", i, 1000 + i * 7);
    labels.emplace_back(text);
  }
  return labels;
}

void DrawLabels(benchmark::State& state, const char16_t* face, krv::TFontQuality quality) {
  if (face != krv::kBuiltinFontName && !krv::Screen()->FontInstalled(face)) {
    state.SkipWithError("DejaVu Sans is not installed");
    return;
  }
  std::vector<krv::String> labels;
  for (const std::string& l : Labels()) labels.push_back(krv::ToUtf16(l));
  krv::TBitmap bitmap(kWidth, kHeight);
  krv::TCanvas& c = *bitmap.Canvas();
  c.Font()->SetName(face);
  c.Font()->SetSize(kPoints);
  c.Font()->SetQuality(quality);
  c.Brush()->SetStyle(krv::bsClear);
  for (auto _ : state) {
    for (int i = 0; i < kLabels; ++i) c.TextOut(10 + (i % 4) * 190, 10 + (i / 4) * 11, labels[i]);
    benchmark::DoNotOptimize(bitmap.ScanLine(20).data());
  }
  state.SetItemsProcessed(state.iterations() * kLabels);
}

void BM_TextOut_FreeTypeAntialiased(benchmark::State& state) {
  DrawLabels(state, u"DejaVu Sans", krv::fqDefault);
}
BENCHMARK(BM_TextOut_FreeTypeAntialiased);

void BM_TextOut_FreeTypePlain(benchmark::State& state) {
  DrawLabels(state, u"DejaVu Sans", krv::fqNonAntialiased);
}
BENCHMARK(BM_TextOut_FreeTypePlain);

void BM_TextOut_BuiltinFont(benchmark::State& state) {
  DrawLabels(state, krv::kBuiltinFontName, krv::fqDefault);
}
BENCHMARK(BM_TextOut_BuiltinFont);

void BM_TextWidth_FreeType(benchmark::State& state) {
  std::vector<krv::String> labels;
  for (const std::string& l : Labels()) labels.push_back(krv::ToUtf16(l));
  krv::TBitmap bitmap(1, 1);
  krv::TCanvas& c = *bitmap.Canvas();
  c.Font()->SetName(u"DejaVu Sans");
  c.Font()->SetSize(kPoints);
  for (auto _ : state)
    for (const krv::String& l : labels) benchmark::DoNotOptimize(c.TextWidth(l));
  state.SetItemsProcessed(state.iterations() * kLabels);
}
BENCHMARK(BM_TextWidth_FreeType);

// Peer: cairo's toy text API with the same face at the same pixel size, anti-aliased.
void BM_CairoShowText(benchmark::State& state) {
  const std::vector<std::string> labels = Labels();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kPoints * 96.0 / 72.0);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (auto _ : state) {
    for (int i = 0; i < kLabels; ++i) {
      cairo_move_to(cr, 10 + (i % 4) * 190, 22 + (i / 4) * 11);
      cairo_show_text(cr, labels[i].c_str());
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  state.SetItemsProcessed(state.iterations() * kLabels);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoShowText);

// Peer of TextWidth: cairo_text_extents for each label.
void BM_CairoTextExtents(benchmark::State& state) {
  const std::vector<std::string> labels = Labels();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, kFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kPoints * 96.0 / 72.0);
  for (auto _ : state) {
    for (const std::string& l : labels) {
      cairo_text_extents_t e;
      cairo_text_extents(cr, l.c_str(), &e);
      benchmark::DoNotOptimize(e.x_advance);
    }
  }
  state.SetItemsProcessed(state.iterations() * kLabels);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoTextExtents);

}  // namespace

BENCHMARK_MAIN();
