// The vector pages of a PDF document, as the drawing backend records them. User space has one
// unit per page pixel, x to the right and y down, pixel (x, y) being the unit square at (x, y).
// Every coordinate passed in lies within kSafeMargin of the page, so that it stays exact in the
// backend's fixed-point paths at every page format; the callers (pdf_sink.cpp) clip to that.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "korvex/platform/geometry.h"
#include "korvex/platform/graphics.h"

namespace krv::detail {

// How far outside the page (in pixels) the coordinates of a path may lie.
inline constexpr double kSafeMargin = 4096;

struct PointF {
  double x = 0;
  double y = 0;
};

// How a path is stroked: butt caps, mitre joins.
struct StrokeStyle {
  double width = 1;
  std::uint32_t color = 0;         // 0x00BBGGRR
  std::span<const double> dashes;  // on, off, ... lengths along the path; empty: solid
  double dash_offset = 0;          // how far into the pattern the path starts
};

class PdfVectors {
 public:
  virtual ~PdfVectors() = default;
  // Ends the page being drawn (if any) and starts the next, white one.
  virtual void AddPage() = 0;
  // Adds a sub-path through the points to the current path, closed when `closed`.
  virtual void AddPolygon(std::span<const PointF> points, bool closed) = 0;
  // Adds the closed ellipse of radii rx, ry (both > 0) about `centre`, starting at its
  // rightmost point and running counter-clockwise on the page (upwards first).
  virtual void AddEllipse(PointF centre, double rx, double ry) = 0;
  // Fills the current path with the even-odd rule and clears it.
  virtual void Fill(std::uint32_t color) = 0;
  // Strokes the current path and clears it.
  virtual void Stroke(const StrokeStyle& style) = 0;
  // Places `part` of the pixels (in their own coordinates, within them) with the pixels'
  // top-left corner at `at`, one image pixel per page pixel, unsmoothed.
  virtual void Image(TPoint at, const PixelSurface& pixels, const TRect& part) = 0;
  // Text as the canvas draws it, top-left corner at `at`.
  virtual void Text(TPoint at, const String& text, const TFont& font, const TBrush& brush) = 0;
  // The PDF of every page so far, with `title` (UTF-8) in its information; the pages can go on
  // afterwards. Raises EPrinter when the backend fails.
  virtual std::string Pdf(const std::string& title) const = 0;
};

// Whether this build records PDF pages.
bool PdfVectorsAvailable();
// Pages of width x height pixels at `pixels_per_inch`, without a page yet; nullptr where this
// build writes no PDF.
std::unique_ptr<PdfVectors> MakePdfVectors(std::int32_t width, std::int32_t height,
                                           std::int32_t pixels_per_inch);

}  // namespace krv::detail
