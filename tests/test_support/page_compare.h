// Comparing a PDF page with the bitmap it was drawn beside: a scene that exercises every kind
// of canvas call, a bitmap as a picture pdf_tools.h can compare, and the page count of a PDF
// where pdfinfo is missing. Include test_support/png_read.h in the test file too.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "korvex/platform/graphics.h"
#include "test_support/png_read.h"

namespace krv::testing {

// The bitmap's pixels as a decoded picture.
inline PngPicture PictureOf(const TBitmap& b) {
  PngPicture pic;
  pic.ok = true;
  pic.width = static_cast<std::uint32_t>(b.Width());
  pic.height = static_cast<std::uint32_t>(b.Height());
  for (int y = 0; y < b.Height(); ++y)
    for (const std::uint32_t v : b.ScanLine(y)) {
      pic.rgb.push_back(static_cast<std::uint8_t>(v));
      pic.rgb.push_back(static_cast<std::uint8_t>(v >> 8));
      pic.rgb.push_back(static_cast<std::uint8_t>(v >> 16));
    }
  return pic;
}

// InkResemblance (pdf_tools.h) tile by tile: the least share, over the tiles of side `tile`
// with at least `min_ink` ink pixels, of ink pixels within `tolerance`; so a shape missing or
// moved shows even where the rest of the page agrees. 0 when the sizes differ.
inline double WorstTileResemblance(const PngPicture& a, const PngPicture& b, int tolerance,
                                   std::uint32_t tile, int min_ink) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 0;
  double worst = 1;
  for (std::uint32_t ty = 0; ty < a.height; ty += tile) {
    for (std::uint32_t tx = 0; tx < a.width; tx += tile) {
      int ink = 0, close = 0;
      for (std::uint32_t y = ty; y < std::min(a.height, ty + tile); ++y) {
        for (std::uint32_t x = tx; x < std::min(a.width, tx + tile); ++x) {
          const std::size_t i = 3 * (std::size_t{y} * a.width + x);
          bool near = true, white = true;
          for (std::size_t c = 0; c < 3; ++c) {
            near = near && std::abs(a.rgb[i + c] - b.rgb[i + c]) <= tolerance;
            white = white && a.rgb[i + c] == 255 && b.rgb[i + c] == 255;
          }
          ink += !white;
          close += !white && near;
        }
      }
      if (ink >= min_ink) worst = std::min(worst, static_cast<double>(close) / ink);
    }
  }
  return worst;
}

// The number of page objects ("/Type /Page", not "/Pages") in a PDF's bytes.
inline int CountPdfPageObjects(const std::string& pdf) {
  int pages = 0;
  const std::string key = "/Type /Page";
  for (std::size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + 1))
    pages += at + key.size() >= pdf.size() || pdf[at + key.size()] != 's';
  return pages;
}

// A page of drawing with every kind of canvas call (lines of every pen style and a wide pen,
// rectangles, ellipses, polygons, pixels, fills, a bitmap and text), for pages of at least
// 600 x 400 pixels. `variant` moves and recolours a few shapes, so two pages differ.
inline void DrawScene(TCanvas& c, int variant) {
  const int dx = variant * 7;
  c.Pen()->SetColor(clBlack);
  c.Pen()->SetWidth(1);
  c.Brush()->SetColor(clWhite);
  c.Brush()->SetStyle(bsSolid);
  const std::array<TPenStyle, 5> styles = {psSolid, psDash, psDot, psDashDot, psDashDotDot};
  for (int k = 0; k < 5; ++k) {
    c.Pen()->SetStyle(styles[k]);
    c.MoveTo(20 + dx, 20 + 12 * k);
    c.LineTo(280 + dx, 20 + 12 * k);
    c.MoveTo(300, 20 + 12 * k);
    c.LineTo(380, 60 + 12 * k);  // a slanted line
  }
  c.Pen()->SetStyle(psSolid);
  c.Pen()->SetWidth(5);
  c.Pen()->SetColor(clNavy);
  c.MoveTo(400, 30);
  c.LineTo(580, 110);
  c.Pen()->SetWidth(3);
  c.Pen()->SetColor(clMaroon);
  c.Brush()->SetColor(variant == 0 ? clSilver : clLime);
  c.Rectangle(20 + dx, 100, 140 + dx, 180);
  c.Pen()->SetWidth(1);
  c.Pen()->SetColor(clBlue);
  c.Brush()->SetColor(clRed);
  c.Ellipse(160, 100, 300, 190);
  c.Brush()->SetColor(clGreen);
  const std::array<TPoint, 5> star = {TPoint{380, 110}, TPoint{420, 230}, TPoint{320, 150},
                                      TPoint{440, 150}, TPoint{340, 230}};
  c.Polygon(star);
  c.Brush()->SetColor(clGray);
  c.FillRect(TRect{470, 140, 580, 200});
  for (int k = 0; k < 40; ++k) c.SetPixels(470 + 2 * k, 210, clRed);
  TBitmap picture(48, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x)
      picture.Canvas()->SetPixels(x, y, static_cast<TColor>((x * 5) | ((y * 8) << 8) | 0x400000));
  c.Draw(480 + dx, 240, picture);
  c.Font()->SetName(u"DejaVu Sans");
  c.Font()->SetHeight(-24);
  c.Font()->SetColor(clBlack);
  c.Brush()->SetStyle(bsClear);
  c.TextOut(20, 250, u"Korvex PDF page");
  c.Brush()->SetStyle(bsSolid);
  c.Brush()->SetColor(clWhite);
  c.Pen()->SetColor(clBlack);
  c.Pen()->SetStyle(psDash);
  c.Rectangle(20, 300, 200, 380);
}

}  // namespace krv::testing
