// Geometry for drawing canvas calls as vectors: where the stroke of a canvas line lies, and
// clipping of segments and polygons to a box, so that shapes of any 32-bit size reach the PDF
// backend with coordinates near the page.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "korvex/platform/geometry.h"
#include "platform/internal/pdf_vectors.h"

namespace krv::detail {

struct BoxF {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x0 <= x1, y0 <= y1
};

inline BoxF Grow(const BoxF& b, double m) {
  return {b.x0 - m, b.y0 - m, b.x1 + m, b.y1 + m};
}

// The butt-capped stroke of width 1 that covers what the canvas's one-pixel line from p up to
// q (left out) covers, p != q: through the pixel centres, from half a pixel before p's pixel
// to half a pixel beyond the last one, both counted along the major axis (the axis of
// n = max(|dx|, |dy|)). `step` is the length of one pixel step along it, the unit of the
// canvas's dash patterns.
struct LineStroke {
  PointF from, to;
  double step = 1;
};
LineStroke StrokeOfLine(TPoint p, TPoint q);

// What the canvas's line from p up to q (p != q) covers with a pen `width` pixels wide, which
// puts a width x width square on every pixel of the one-pixel line (reaching (width - 1) / 2
// pixels up and left, width / 2 down and right): the square swept from p's pixel to the last
// pixel, a hexagon (a rectangle when the line is level or upright), as a closed outline.
std::vector<PointF> SquarePenOutline(TPoint p, TPoint q, std::int32_t width);

// The part of the segment a -> b inside the box, as parameters 0 <= t0 <= t1 <= 1; false when
// the segment misses the box.
bool ClipSegment(PointF a, PointF b, const BoxF& box, double& t0, double& t1);

// The closed polygon clipped to the box (Sutherland-Hodgman). Every point inside the box keeps
// its winding number, so both fill rules fill the same inside the box; empty when nothing of
// the polygon is left.
std::vector<PointF> ClipPolygon(std::span<const PointF> ring, const BoxF& box);

// Points around the ellipse (closed, from the rightmost point counter-clockwise on the page),
// close enough that no chord strays more than a tenth of a pixel from the curve.
std::vector<PointF> EllipsePoints(PointF centre, double rx, double ry);

// An ellipse's length divided by the number of pixels a one-pixel outline of it has (about the
// sum of max(|dx|, |dy|) along it): the length of one step of a dash pattern around it.
double EllipseDashStep(double rx, double ry);

}  // namespace krv::detail
