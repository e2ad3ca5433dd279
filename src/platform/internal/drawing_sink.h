// The receiver of a canvas's drawing calls beside its pixels: a canvas whose Sink() is set
// passes every call on after drawing it on its surface, with the pen, brush and font the call
// drew with. The PDF pages implement it to draw the same calls again as vectors.
#pragma once

#include <span>

#include "korvex/platform/geometry.h"
#include "korvex/platform/graphics.h"

namespace krv::detail {

class DrawingSink {
 public:
  virtual ~DrawingSink() = default;
  // A line from `from` up to `to` (which it leaves out), as LineTo draws it.
  virtual void Line(TPoint from, TPoint to, const TPen& pen, const TBrush& brush) = 0;
  virtual void Pixel(TPoint at, TColor color) = 0;
  // The boxes come ordered (Left <= Right, Top <= Bottom) and are not empty.
  virtual void Rectangle(const TRect& box, const TPen& pen, const TBrush& brush) = 0;
  virtual void FillRect(const TRect& box, const TBrush& brush) = 0;
  virtual void Ellipse(const TRect& box, const TPen& pen, const TBrush& brush) = 0;
  // At least one point.
  virtual void Polygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) = 0;
  // Text with its top-left corner at `at`, on the brush unless it is clear.
  virtual void Text(TPoint at, const String& text, const TFont& font, const TBrush& brush) = 0;
  // Pixels copied with their top-left corner at `at` (the whole surface, unclipped).
  virtual void Image(TPoint at, const PixelSurface& pixels) = 0;
};

}  // namespace krv::detail
