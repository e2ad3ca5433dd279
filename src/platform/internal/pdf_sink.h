// A drawing sink that draws every canvas call again as vectors on PDF pages, so that the
// rendered page agrees with the bitmap the canvas drew:
// - a one-pixel line is a butt-capped stroke through the pixel centres that covers the pixels
//   the canvas's line covers (StrokeOfLine); a dashed pen strokes the canvas's run lengths
//   along it, its gaps first stroked in the brush colour when the brush is solid; a wider pen
//   fills the outline of its square swept along the line (SquarePenOutline), solid whatever
//   its style, as on the canvas; a clear pen draws nothing;
// - a rectangle's outline lies inside its box, filled as the ring between the box and the box
//   inset by the pen width; the brush fills inside it (with a clear pen, the box less its right
//   column and bottom row);
// - an ellipse is inscribed in its box, its outline the ring between that ellipse and the one
//   a pen width inside it (with a clear pen the brush fills it whole);
// - a polygon fills its points' outline with the even-odd rule (a pixel is inside when its
//   centre is, as on the canvas) and strokes the outline through the pixel centres;
// - pixels are unit squares, bitmaps unsmoothed images, text goes to ShowTextOnCairo.
// Shapes are clipped to the page grown by a small margin first, so that any 32-bit coordinate
// works; an ellipse too large for the backend's curves is drawn as a fine polygon, its dashed
// outline then solid.
#pragma once

#include <cstdint>
#include <span>

#include "platform/internal/drawing_sink.h"
#include "platform/internal/pdf_geometry.h"
#include "platform/internal/pdf_vectors.h"

namespace krv::detail {

class PdfSink final : public DrawingSink {
 public:
  // Draws on `pages`, whose pages are width x height pixels.
  PdfSink(PdfVectors& pages, std::int32_t width, std::int32_t height);

  void Line(TPoint from, TPoint to, const TPen& pen, const TBrush& brush) override;
  void Pixel(TPoint at, TColor color) override;
  void Rectangle(const TRect& box, const TPen& pen, const TBrush& brush) override;
  void FillRect(const TRect& box, const TBrush& brush) override;
  void Ellipse(const TRect& box, const TPen& pen, const TBrush& brush) override;
  void Polygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) override;
  void Text(TPoint at, const String& text, const TFont& font, const TBrush& brush) override;
  void Image(TPoint at, const PixelSurface& pixels) override;

 private:
  void DrawLine(TPoint p, TPoint q, const TPen& pen, const TBrush& brush);
  void StrokeThinLine(const LineStroke& s, const TPen& pen, const TBrush& brush);
  void FillBox(double x0, double y0, double x1, double y1, std::uint32_t color);
  void AddBox(double x0, double y0, double x1, double y1);
  void AddEllipse(PointF centre, double rx, double ry);
  void DashedEllipse(const TRect& box, const TPen& pen, const TBrush& brush);
  void PolygonOutline(std::span<const TPoint> points, const TPen& pen, const TBrush& brush);

  PdfVectors& pages_;
  BoxF page_;
};

}  // namespace krv::detail
