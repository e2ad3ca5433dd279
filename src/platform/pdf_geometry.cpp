// Stroke positions of canvas lines and box clipping for the vector pages
// (platform/internal/pdf_geometry.h).
#include "platform/internal/pdf_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace krv::detail {

namespace {

double Cross(PointF o, PointF a, PointF b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// The convex hull of the points (Andrew's monotone chain), without collinear points.
std::vector<PointF> ConvexHull(std::vector<PointF> pts) {
  std::sort(pts.begin(), pts.end(),
            [](PointF u, PointF v) { return u.x < v.x || (u.x == v.x && u.y < v.y); });
  std::vector<PointF> hull(2 * pts.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {  // lower chain
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (std::size_t i = pts.size() - 1, lower = k + 1; i-- > 0;) {  // upper chain
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  hull.resize(k - 1);  // the last point repeats the first
  return hull;
}

}  // namespace

LineStroke StrokeOfLine(TPoint p, TPoint q) {
  const double dx = static_cast<double>(q.X) - p.X;
  const double dy = static_cast<double>(q.Y) - p.Y;
  const double n = std::max(std::abs(dx), std::abs(dy));
  const double ux = dx / n, uy = dy / n;  // one pixel step along the line
  LineStroke s;
  s.step = std::hypot(ux, uy);
  s.from = {p.X + 0.5 - ux / 2, p.Y + 0.5 - uy / 2};
  s.to = {q.X + 0.5 - ux / 2, q.Y + 0.5 - uy / 2};
  return s;
}

std::vector<PointF> SquarePenOutline(TPoint p, TPoint q, std::int32_t width) {
  const double dx = static_cast<double>(q.X) - p.X;
  const double dy = static_cast<double>(q.Y) - p.Y;
  const double n = std::max(std::abs(dx), std::abs(dy));
  // Centres of the squares on the first and the last pixel.
  const double centre = width % 2 == 0 ? 1.0 : 0.5;
  const PointF a{p.X + centre, p.Y + centre};
  const PointF b{q.X + centre - dx / n, q.Y + centre - dy / n};
  const double h = width / 2.0;
  std::vector<PointF> corners;
  for (const PointF end : {a, b})
    for (const PointF c : {PointF{-h, -h}, PointF{h, -h}, PointF{h, h}, PointF{-h, h}})
      corners.push_back({end.x + c.x, end.y + c.y});
  return ConvexHull(std::move(corners));
}

bool ClipSegment(PointF a, PointF b, const BoxF& box, double& t0, double& t1) {
  t0 = 0;
  t1 = 1;
  const double d[2] = {b.x - a.x, b.y - a.y};
  const double lo[2] = {box.x0 - a.x, box.y0 - a.y};
  const double hi[2] = {box.x1 - a.x, box.y1 - a.y};
  for (int k = 0; k < 2; ++k) {
    if (d[k] == 0) {
      if (lo[k] > 0 || hi[k] < 0) return false;
      continue;
    }
    double ta = lo[k] / d[k], tb = hi[k] / d[k];
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
  }
  return t0 <= t1;
}

namespace {

// One Sutherland-Hodgman pass: keeps the side of the line where inside(p) holds.
template <typename Inside, typename Cut>
std::vector<PointF> ClipPass(const std::vector<PointF>& in, Inside inside, Cut cut) {
  std::vector<PointF> out;
  out.reserve(in.size() + 4);
  for (std::size_t k = 0; k < in.size(); ++k) {
    const PointF a = in[k];
    const PointF b = in[(k + 1) % in.size()];
    const bool ia = inside(a), ib = inside(b);
    if (ia) out.push_back(a);
    if (ia != ib) out.push_back(cut(a, b));
  }
  return out;
}

// The point of a -> b where coordinate `axis` (0: x, 1: y) equals v.
PointF CutAt(PointF a, PointF b, int axis, double v) {
  const double pa = axis == 0 ? a.x : a.y;
  const double pb = axis == 0 ? b.x : b.y;
  const double t = (v - pa) / (pb - pa);
  if (axis == 0) return {v, a.y + t * (b.y - a.y)};
  return {a.x + t * (b.x - a.x), v};
}

}  // namespace

std::vector<PointF> ClipPolygon(std::span<const PointF> ring, const BoxF& box) {
  std::vector<PointF> pts(ring.begin(), ring.end());
  pts = ClipPass(
      pts, [&](PointF p) { return p.x >= box.x0; },
      [&](PointF a, PointF b) { return CutAt(a, b, 0, box.x0); });
  pts = ClipPass(
      pts, [&](PointF p) { return p.x <= box.x1; },
      [&](PointF a, PointF b) { return CutAt(a, b, 0, box.x1); });
  pts = ClipPass(
      pts, [&](PointF p) { return p.y >= box.y0; },
      [&](PointF a, PointF b) { return CutAt(a, b, 1, box.y0); });
  pts = ClipPass(
      pts, [&](PointF p) { return p.y <= box.y1; },
      [&](PointF a, PointF b) { return CutAt(a, b, 1, box.y1); });
  if (pts.size() < 3) pts.clear();
  return pts;
}

namespace {

// Chords of an arc of radius r over angle a stray r * (1 - cos(a / 2)) from it; this many
// points keep that below 0.1 for the larger radius.
std::size_t EllipsePointCount(double r) {
  const double n = std::numbers::pi * std::sqrt(5.0 * std::max(r, 1.0));
  return static_cast<std::size_t>(std::clamp(std::ceil(n), 64.0, double{1 << 20}));
}

}  // namespace

std::vector<PointF> EllipsePoints(PointF centre, double rx, double ry) {
  const std::size_t n = EllipsePointCount(std::max(rx, ry));
  std::vector<PointF> pts(n);
  for (std::size_t k = 0; k < n; ++k) {
    const double a = 2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
    pts[k] = {centre.x + rx * std::cos(a), centre.y - ry * std::sin(a)};
  }
  return pts;
}

double EllipseDashStep(double rx, double ry) {
  constexpr int kSteps = 256;
  double length = 0, pixels = 0;
  PointF last{rx, 0};
  for (int k = 1; k <= kSteps; ++k) {
    const double a = 2 * std::numbers::pi * k / kSteps;
    const PointF p{rx * std::cos(a), ry * std::sin(a)};
    const double dx = std::abs(p.x - last.x), dy = std::abs(p.y - last.y);
    length += std::hypot(dx, dy);
    pixels += std::max(dx, dy);
    last = p;
  }
  return pixels > 0 ? length / pixels : 1;
}

}  // namespace krv::detail
