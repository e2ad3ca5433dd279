// TCanvas: lines, rectangles, ellipses, polygons and bitmap copies on a 32-bit surface.
//
// Every operation fetches the surface once through Surface() at its start (the printer's
// canvas refuses there outside a print job) and clips to it. Coordinates are 32-bit, all
// arithmetic on them 64-bit (128-bit where two differences are multiplied), and clipping is
// done arithmetically, so a line or shape far larger than the surface costs no more than
// the part of it that is visible.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <utility>
#include <vector>

#include "korvex/platform/graphics.h"
#include "platform/internal/dash_pattern.h"
#include "platform/internal/drawing_sink.h"
#include "platform/internal/int128.h"
#include "platform/internal/raster.h"

namespace krv {
namespace {

using detail::PixelSurface;
using i64 = std::int64_t;
// 128-bit integers hold products of two 33-bit differences exactly.
using i128 = detail::Int128;
using u128 = detail::UInt128;

// ceil(a / b) for b > 0.
i128 CeilDiv(i128 a, i128 b) {
  const i128 q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

// ---------------------------------------------------------------------------------------
// Lines
//
// A line from P to Q (Q excluded) has n = max(|dx|, |dy|) pixels, one per step along its
// major axis (x when |dx| >= |dy|). Pixel i (0 <= i < n) lies at major offset i and at the
// minor offset nearest to i * dminor / n; an exact tie picks the smaller coordinate (up or
// left). The rule depends only on the two end points and not on the direction, so P -> Q and
// Q -> P cover the same pixels apart from the end point each leaves out.
struct Line {
  i64 major0 = 0;  // major coordinate of P
  i64 minor0 = 0;  // minor coordinate of P
  i64 n = 0;       // pixel count
  i64 dminor = 0;  // signed minor difference Q - P
  int step = 1;    // direction along the major axis (+1 or -1)
  bool x_major = true;

  i64 MajorAt(i64 i) const { return major0 + step * i; }
  // round(i * dminor / n), halves down, without overflow for any 32-bit end points.
  i64 MinorAt(i64 i) const {
    return minor0 + static_cast<i64>(CeilDiv(i128{2} * i * dminor - n, i128{2} * n));
  }
};

Line MakeLine(TPoint p, TPoint q) {
  const i64 dx = i64{q.X} - p.X;
  const i64 dy = i64{q.Y} - p.Y;
  Line l;
  l.x_major = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  const i64 dmajor = l.x_major ? dx : dy;
  l.major0 = l.x_major ? p.X : p.Y;
  l.minor0 = l.x_major ? p.Y : p.X;
  l.dminor = l.x_major ? dy : dx;
  l.step = dmajor < 0 ? -1 : 1;
  l.n = dmajor < 0 ? -dmajor : dmajor;
  return l;
}

// The first i in [lo, hi) for which pred holds, pred being false then true along the range;
// hi when it never holds.
template <typename Pred>
i64 PartitionPoint(i64 lo, i64 hi, Pred pred) {
  while (lo < hi) {
    const i64 mid = lo + (hi - lo) / 2;
    if (pred(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// The pixel indexes in [lo, hi) whose minor coordinate lies in [a, b] (a range, as the minor
// coordinate is monotonic along the line).
void MinorWindow(const Line& l, i64 a, i64 b, i64& lo, i64& hi) {
  if (l.dminor >= 0) {
    lo = PartitionPoint(lo, hi, [&](i64 i) { return l.MinorAt(i) >= a; });
    hi = PartitionPoint(lo, hi, [&](i64 i) { return l.MinorAt(i) > b; });
  } else {
    lo = PartitionPoint(lo, hi, [&](i64 i) { return l.MinorAt(i) <= b; });
    hi = PartitionPoint(lo, hi, [&](i64 i) { return l.MinorAt(i) < a; });
  }
}

// The pixel indexes whose major coordinate lies in [a, b].
void MajorWindow(const Line& l, i64 a, i64 b, i64& lo, i64& hi) {
  lo = 0;
  hi = l.n;
  if (l.step > 0) {
    lo = std::max(lo, a - l.major0);
    hi = std::min(hi, b - l.major0 + 1);
  } else {
    lo = std::max(lo, l.major0 - b);
    hi = std::min(hi, l.major0 - a + 1);
  }
  if (hi < lo) hi = lo;
}

// On/off state of every position of one period of a dash pattern.
struct DashMask {
  std::array<bool, 32> on{};
  int period = 0;
  explicit DashMask(std::span<const int> runs) {
    for (std::size_t r = 0; r < runs.size(); ++r)
      for (int k = 0; k < runs[r]; ++k) on[static_cast<std::size_t>(period++)] = r % 2 == 0;
  }
};

// What a line paints: the pen colour on its dashes, the brush colour (or nothing) in the
// gaps of a dashed one-pixel pen.
struct LinePaint {
  std::uint32_t pen = 0;
  std::uint32_t gap = 0;
  bool paint_gaps = false;
  bool clear = false;
  std::int32_t width = 1;
  std::span<const int> dashes;
};

LinePaint PaintOf(const TPen& pen, const TBrush& brush) {
  LinePaint p;
  p.pen = detail::PixelValue(pen.Color());
  p.gap = detail::PixelValue(brush.Color());
  p.paint_gaps = brush.Style() == bsSolid;
  p.clear = pen.Style() == psClear;
  p.width = pen.Width();
  // A wide pen draws solid whatever its style, as on the original platform.
  if (p.width == 1) p.dashes = detail::DashPattern(pen.Style());
  return p;
}

// One-pixel line: walks only the indexes whose pixels lie on the surface.
void DrawThinLine(PixelSurface& s, const Line& l, const LinePaint& paint) {
  const i64 major_size = l.x_major ? s.width : s.height;
  const i64 minor_size = l.x_major ? s.height : s.width;
  i64 lo = 0;
  i64 hi = 0;
  MajorWindow(l, 0, major_size - 1, lo, hi);
  MinorWindow(l, 0, minor_size - 1, lo, hi);
  if (lo >= hi) return;
  const DashMask mask(paint.dashes);
  // Incremental form of MinorAt: num = 2 i dminor - n = q * 2n + r with -2n < r <= 0.
  const i64 two_n = 2 * l.n;
  const i128 num = i128{2} * lo * l.dminor - l.n;
  i64 q = static_cast<i64>(CeilDiv(num, two_n));
  i64 r = static_cast<i64>(num - i128{q} * two_n);
  for (i64 i = lo; i < hi; ++i) {
    const i64 major = l.MajorAt(i);
    const i64 minor = l.minor0 + q;
    const i64 x = l.x_major ? major : minor;
    const i64 y = l.x_major ? minor : major;
    const bool on = mask.period == 0 || mask.on[static_cast<std::size_t>(i % mask.period)];
    if (on) {
      detail::PutPixel(s, x, y, paint.pen);
    } else if (paint.paint_gaps) {
      detail::PutPixel(s, x, y, paint.gap);
    }
    r += 2 * l.dminor;
    if (r > 0) {
      ++q;
      r -= two_n;
    } else if (r <= -two_n) {
      --q;
      r += two_n;
    }
  }
}

// Wide line: a width x width square centred on every pixel of the one-pixel line (it reaches
// (width - 1) / 2 pixels up and left of the pixel and width / 2 down and right). The squares
// covering one row (or column, across the line's minor axis) join into one run, found by
// binary search, so the cost follows the visible area.
void DrawWideLine(PixelSurface& s, const Line& l, const LinePaint& paint) {
  const i64 before = (paint.width - 1) / 2;
  const i64 after = paint.width / 2;
  const i64 minor_size = l.x_major ? s.height : s.width;
  const i64 minor_end = l.MinorAt(l.n - 1);
  const i64 first = std::max<i64>(0, std::min(l.minor0, minor_end) - before);
  const i64 last = std::min<i64>(minor_size - 1, std::max(l.minor0, minor_end) + after);
  for (i64 v = first; v <= last; ++v) {
    i64 lo = 0;
    i64 hi = l.n;
    MinorWindow(l, v - after, v + before, lo, hi);
    if (lo >= hi) continue;
    const i64 m1 = l.MajorAt(lo);
    const i64 m2 = l.MajorAt(hi - 1);
    const i64 from = std::min(m1, m2) - before;
    const i64 to = std::max(m1, m2) + after + 1;
    if (l.x_major) {
      detail::FillSpan(s, from, to, v, paint.pen);
    } else {
      const i64 y0 = std::max<i64>(from, 0);
      const i64 y1 = std::min<i64>(to, s.height);
      for (i64 y = y0; y < y1; ++y) detail::PutPixel(s, v, y, paint.pen);
    }
  }
}

void DrawLine(PixelSurface& s, TPoint p, TPoint q, const LinePaint& paint) {
  if (paint.clear) return;
  const Line l = MakeLine(p, q);
  if (l.n == 0) return;
  if (paint.width > 1) {
    DrawWideLine(s, l, paint);
  } else {
    DrawThinLine(s, l, paint);
  }
}

// ---------------------------------------------------------------------------------------
// Ellipses
//
// The ellipse inscribed in a box of W x H pixels, as GDI draws it. Its one-pixel outline is
// the walk of Zingl's rasteriser for the ellipse through the box's outermost pixel centres:
// starting at the right end of the middle row, a quarter of the outline steps up when twice
// the error of the next diagonal pixel is at most the row's error increment and left when it
// is at least the column's, until it passes the middle column; the other quarters mirror it.
// Where the walk ends short of the top row (tall boxes a few pixels wide) the rows it skipped
// hold the middle column(s), so the outline touches all four sides (GDI leaves those rows
// empty). The fill is what lies between the outline's pixels in each row. A box two pixels
// thin or less is all outline.
//
// Boxes longer than kExactEllipse on a side are never seen whole; for them a row's outline
// ends at the pixel centre nearest the ellipse through the box's outer edges, which keeps the
// cost to the visible rows.
struct EllipseBox {
  i64 x1 = 0, y1 = 0, w = 0, h = 0;  // box x1..x1+w-1, y1..y1+h-1
  bool Empty() const { return w <= 0 || h <= 0; }
  bool Thin() const { return w <= 2 || h <= 2; }
};

constexpr i64 kExactEllipse = i64{1} << 17;

// One row of an ellipse: the ellipse covers from..to, its outline from..fill_from - 1 and
// fill_to + 1..to, the fill fill_from..fill_to (none when fill_to < fill_from). An empty row
// has to < from.
struct EllipseSpan {
  i64 from = 0, to = -1, fill_from = 0, fill_to = -1;
};

// Integer square root of v (v < 2^66).
u128 ISqrt(u128 v) {
  u128 r = static_cast<std::uint64_t>(__builtin_sqrtl(static_cast<long double>(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

// The rows of an ellipse, for one box.
class EllipseRows {
 public:
  explicit EllipseRows(const EllipseBox& b) : box_(b) {
    if (!b.Empty() && !b.Thin() && b.w <= kExactEllipse && b.h <= kExactEllipse) WalkQuarter();
  }
  EllipseSpan Row(i64 y) const;

 private:
  // Offsets from the box's left edge of the outline's outermost and innermost pixel in row k of
  // the lower half, counted from the middle.
  struct QuarterRow {
    i64 outer = -1, inner = -1;
  };
  void WalkQuarter();
  EllipseSpan Nearest(i64 y) const;

  EllipseBox box_;
  std::vector<QuarterRow> quarter_;
};

void EllipseRows::WalkQuarter() {
  const i64 a = box_.w - 1, b = box_.h - 1, b1 = b & 1;
  const i64 rows = b - (b + 1) / 2 + 1;
  quarter_.assign(static_cast<std::size_t>(rows), QuarterRow{});
  // Zingl's error terms; |values| < 2^58 for sides up to kExactEllipse.
  i64 dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a, err = dx + dy + b1 * a * a;
  const i64 step_y = 8 * a * a, step_x = 8 * b * b;
  i64 x = 0, right = a, k = 0;  // x runs from the left edge; k is the row
  while (x <= right) {
    if (k < rows) {
      QuarterRow& q = quarter_[static_cast<std::size_t>(k)];
      if (q.outer < 0) q.outer = x;
      q.inner = x;
    }
    const i64 e2 = 2 * err;
    if (e2 <= dy) {
      ++k;
      err += dy += step_y;
    }
    if (e2 >= dx) {
      ++x;
      --right;
      err += dx += step_x;
    }
  }
  for (QuarterRow& q : quarter_)
    if (q.outer < 0) q = {x - 1, x - 1};  // the rows the walk did not reach
}

EllipseSpan EllipseRows::Row(i64 y) const {
  const EllipseBox& b = box_;
  if (b.Empty() || y < b.y1 || y >= b.y1 + b.h) return {};
  if (b.Thin()) return {b.x1, b.x1 + b.w - 1, 0, -1};
  if (quarter_.empty()) return Nearest(y);
  const i64 mid = b.y1 + b.h / 2;  // first row of the lower half
  const i64 k = y >= mid ? y - mid : mid - ((b.h - 1) & 1) - y;
  const QuarterRow& q = quarter_[static_cast<std::size_t>(k)];
  const i64 right = b.x1 + b.w - 1;
  return {b.x1 + q.outer, right - q.outer, b.x1 + q.inner + 1, right - q.inner - 1};
}

// The doubled offset from the centre of the pixel that ends the row at doubled offset dy from
// the centre, for the ellipse through the centres of the box's outermost pixels: the pixel
// centre nearest to the ellipse (by the error of the ellipse's equation), or -1 when the row
// lies outside the box. Needs a box at least 3 x 3.
i64 HalfExtent(const EllipseBox& b, i64 dy) {
  const u128 w = static_cast<u128>(b.w - 1), h = static_cast<u128>(b.h - 1);
  const u128 ady = static_cast<u128>(dy < 0 ? -dy : dy);
  if (ady > h) return -1;
  // t^2 H^2 against W^2 (H^2 - dy^2), every term below 2^128.
  const u128 room = (w * w) * (h * h - ady * ady);
  i64 lo = static_cast<i64>(ISqrt(room / (h * h)));
  if ((lo - (b.w - 1)) % 2 != 0) --lo;
  if (lo < 0 || lo >= b.w - 1) return std::max<i64>(lo, (b.w - 1) % 2);
  const u128 l = static_cast<u128>(lo), hi = l + 2;
  // The upper candidate when the ellipse lies past the mean of the two squares.
  return room - h * h * l * l > h * h * hi * hi - room ? lo + 2 : lo;
}

// The columns whose pixel nearest to the ellipse (taken as HalfExtent takes a row's) lies in
// the row at doubled offset ady from the centre: their doubled offsets from the centre are
// lo..hi (none when hi < lo). Binary searches: that pixel moves towards the middle row as the
// column moves outwards.
void ColumnsIn(const EllipseBox& b, i64 ady, i64& lo, i64& hi) {
  const EllipseBox turned{b.y1, b.x1, b.h, b.w};
  const i64 parity = (b.w - 1) % 2, last = (b.w - 1 - parity) / 2 + 1;
  const auto row_of = [&](i64 i) { return HalfExtent(turned, parity + 2 * i); };
  lo = parity + 2 * PartitionPoint(0, last, [&](i64 i) { return row_of(i) <= ady; });
  hi = parity + 2 * (PartitionPoint(0, last, [&](i64 i) { return row_of(i) < ady; }) - 1);
}

// A row of a box too large for the walk: the outline holds the pixel nearest to the ellipse
// in the row and the pixels of the columns whose nearest one falls in this row.
EllipseSpan EllipseRows::Nearest(i64 y) const {
  const EllipseBox& b = box_;
  const i64 dy = 2 * (y - b.y1) + 1 - b.h;
  i64 outer = HalfExtent(b, dy), inner = outer, lo = 0, hi = -1;
  ColumnsIn(b, dy < 0 ? -dy : dy, lo, hi);
  if (lo <= hi) outer = std::max(outer, hi), inner = std::min(inner, lo);
  const i64 right = b.x1 + b.w - 1;
  const i64 outer_at = (b.w - 1 - outer) / 2, inner_at = (b.w - 1 - inner) / 2;
  return {b.x1 + outer_at, right - outer_at, b.x1 + inner_at + 1, right - inner_at - 1};
}

// The outline runs of row y, ends excluded (the second is empty when the row is one run).
std::array<std::pair<i64, i64>, 2> OutlineRuns(const EllipseSpan& r) {
  if (r.fill_to < r.fill_from) return {{{r.from, r.to + 1}, {0, 0}}};
  return {{{r.from, r.fill_from}, {r.fill_to + 1, r.to + 1}}};
}

// Boxes up to this side have their whole outline walked for a dashed pen.
constexpr i64 kWholeDashedOutline = i64{1} << 17;

// A dashed one-pixel outline. The pattern starts at the rightmost point and runs counter-
// clockwise (up first), the outline's pixels taken in the order of their angle about the
// centre. A box larger than kWholeDashedOutline on a side is never seen whole; for it the
// pattern counts only the pixels on the surface.
void DrawDashedEllipseOutline(PixelSurface& s, const EllipseBox& box, const LinePaint& paint) {
  const bool whole = box.w <= kWholeDashedOutline && box.h <= kWholeDashedOutline;
  const i64 ya = whole ? box.y1 : std::max<i64>(box.y1, 0);
  const i64 yb = whole ? box.y1 + box.h : std::min<i64>(box.y1 + box.h, s.height);
  const i64 xa = whole ? box.x1 : 0;
  const i64 xb = whole ? box.x1 + box.w : s.width;
  struct Offset {
    i64 dx, dy;  // doubled offsets from the centre, y pointing up
  };
  std::vector<Offset> pixels;
  const EllipseRows rows(box);
  for (i64 y = ya; y < yb; ++y) {
    for (const auto& [from, to] : OutlineRuns(rows.Row(y)))
      for (i64 x = std::max(from, xa); x < std::min(to, xb); ++x)
        pixels.push_back({2 * x + 1 - (2 * box.x1 + box.w), (2 * box.y1 + box.h) - (2 * y + 1)});
  }
  // Angle order from the positive x axis, counter-clockwise; equal angles nearest first.
  const auto half = [](const Offset& o) { return o.dy < 0 || (o.dy == 0 && o.dx < 0); };
  std::sort(pixels.begin(), pixels.end(), [&](const Offset& a, const Offset& b) {
    if (half(a) != half(b)) return !half(a);
    const i128 cross = i128{a.dx} * b.dy - i128{a.dy} * b.dx;
    if (cross != 0) return cross > 0;
    return std::abs(a.dx) + std::abs(a.dy) < std::abs(b.dx) + std::abs(b.dy);
  });
  const DashMask mask(paint.dashes);
  for (std::size_t k = 0; k < pixels.size(); ++k) {
    const i64 x = (pixels[k].dx + 2 * box.x1 + box.w - 1) / 2;
    const i64 y = (2 * box.y1 + box.h - pixels[k].dy - 1) / 2;
    if (mask.on[k % static_cast<std::size_t>(mask.period)]) {
      detail::PutPixel(s, x, y, paint.pen);
    } else if (paint.paint_gaps) {
      detail::PutPixel(s, x, y, paint.gap);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Polygons

struct Edge {
  i64 xa, ya, xb, yb;  // ya < yb
};

// Fills the interior of the closed polygon (alternate rule), the points being pixel centres as
// GDI takes them: row y meets the edges whose upper end lies at or above it and whose lower end
// lies below it, and a pixel is filled when it lies at or right of an odd crossing and left of
// the next one. A pixel exactly on a crossing thus counts as right of it, so polygons sharing
// an edge fill it once.
void FillPolygon(PixelSurface& s, std::span<const TPoint> pts, std::uint32_t value) {
  std::vector<Edge> edges;
  edges.reserve(pts.size());
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const TPoint a = pts[k];
    const TPoint b = pts[(k + 1) % pts.size()];
    if (a.Y == b.Y) continue;
    if (a.Y < b.Y) {
      edges.push_back({a.X, a.Y, b.X, b.Y});
    } else {
      edges.push_back({b.X, b.Y, a.X, a.Y});
    }
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& e, const Edge& f) { return e.ya < f.ya; });
  i64 y_end = 0;
  for (const Edge& e : edges) y_end = std::max(y_end, e.yb);
  const i64 y_first = std::max<i64>(0, edges.front().ya);
  const i64 y_last = std::min<i64>(s.height, y_end);
  std::vector<const Edge*> active;
  std::vector<i64> cuts;
  std::size_t next = 0;
  for (i64 y = y_first; y < y_last; ++y) {
    while (next < edges.size() && edges[next].ya <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->yb <= y; });
    cuts.clear();
    for (const Edge* e : active) {
      // Pixel x lies right of the crossing when x >= the crossing's x.
      const i128 dy = e->yb - e->ya;
      const i128 cut = CeilDiv(i128{e->xa} * dy + i128{y - e->ya} * (e->xb - e->xa), dy);
      cuts.push_back(static_cast<i64>(std::clamp<i128>(cut, -1, i128{s.width} + 1)));
    }
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t k = 0; k + 1 < cuts.size(); k += 2)
      detail::FillSpan(s, cuts[k], cuts[k + 1], y, value);
  }
}

}  // namespace

TCanvas::TCanvas()
    : pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      font_(std::make_unique<TFont>()) {}

TCanvas::~TCanvas() = default;

String TCanvas::ClassName() const {
  return u"TCanvas";
}

std::int32_t TCanvas::Width() const {
  const detail::PixelSurface* s = Surface();
  return s != nullptr ? s->width : 0;
}

std::int32_t TCanvas::Height() const {
  const detail::PixelSurface* s = Surface();
  return s != nullptr ? s->height : 0;
}

void TCanvas::MoveTo(std::int32_t X, std::int32_t Y) {
  pen_pos_ = {X, Y};
}

void TCanvas::LineTo(std::int32_t X, std::int32_t Y) {
  detail::PixelSurface* s = Surface();
  const TPoint from = pen_pos_;
  pen_pos_ = {X, Y};
  if (s == nullptr) return;
  DrawLine(*s, from, pen_pos_, PaintOf(*pen_, *brush_));
  if (detail::DrawingSink* sink = Sink()) sink->Line(from, pen_pos_, *pen_, *brush_);
}

TColor TCanvas::Pixels(std::int32_t X, std::int32_t Y) const {
  const detail::PixelSurface* s = Surface();
  if (s == nullptr || !detail::InSurface(*s, X, Y)) return 0xFFFFFFFFu;
  return s->pixels[detail::PixelIndex(*s, X, Y)];
}

void TCanvas::SetPixels(std::int32_t X, std::int32_t Y, TColor color) {
  detail::PixelSurface* s = Surface();
  if (s == nullptr) return;
  detail::PutPixel(*s, X, Y, detail::PixelValue(color));
  if (detail::InSurface(*s, X, Y))
    if (detail::DrawingSink* sink = Sink()) sink->Pixel({X, Y}, color);
}

void TCanvas::Rectangle(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2) {
  detail::PixelSurface* s = Surface();
  if (s == nullptr) return;
  const i64 x1 = std::min(X1, X2), x2 = std::max(X1, X2);
  const i64 y1 = std::min(Y1, Y2), y2 = std::max(Y1, Y2);
  if (x1 == x2 || y1 == y2) return;
  if (detail::DrawingSink* sink = Sink())
    sink->Rectangle(TRect{std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)},
                    *pen_, *brush_);
  const bool fill = brush_->Style() == bsSolid;
  const std::uint32_t brush = detail::PixelValue(brush_->Color());
  const LinePaint paint = PaintOf(*pen_, *brush_);
  if (paint.clear) {
    // Without a pen the filled area stops one pixel short on the right and at the bottom.
    if (fill) detail::FillBox(*s, x1, y1, x2 - 1, y2 - 1, brush);
    return;
  }
  // The outline lies inside the box, as thick as the pen is wide.
  const i64 w = paint.width;
  if (fill) detail::FillBox(*s, x1 + w, y1 + w, x2 - w, y2 - w, brush);
  if (paint.dashes.empty()) {
    detail::FillBox(*s, x1, y1, x2, std::min(y1 + w, y2), paint.pen);
    detail::FillBox(*s, x1, std::max(y2 - w, y1), x2, y2, paint.pen);
    detail::FillBox(*s, x1, y1, std::min(x1 + w, x2), y2, paint.pen);
    detail::FillBox(*s, std::max(x2 - w, x1), y1, x2, y2, paint.pen);
    return;
  }
  // A dashed one-pixel outline: four lines clockwise from the top-left corner, each starting
  // its pattern afresh; a box one pixel thin is a single line.
  const auto P = [](i64 x, i64 y) {
    return TPoint{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
  };
  if (y2 - y1 == 1) {
    DrawLine(*s, P(x1, y1), P(x2, y1), paint);
    return;
  }
  if (x2 - x1 == 1) {
    DrawLine(*s, P(x1, y1), P(x1, y2), paint);
    return;
  }
  DrawLine(*s, P(x1, y1), P(x2 - 1, y1), paint);
  DrawLine(*s, P(x2 - 1, y1), P(x2 - 1, y2 - 1), paint);
  DrawLine(*s, P(x2 - 1, y2 - 1), P(x1, y2 - 1), paint);
  DrawLine(*s, P(x1, y2 - 1), P(x1, y1), paint);
}

void TCanvas::FillRect(const TRect& r) {
  detail::PixelSurface* s = Surface();
  // A clear brush is hollow: it paints nothing.
  if (s == nullptr || brush_->Style() == bsClear) return;
  const TRect box{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                  std::max(r.Top, r.Bottom)};
  if (box.Left == box.Right || box.Top == box.Bottom) return;
  detail::FillBox(*s, box.Left, box.Top, box.Right, box.Bottom,
                  detail::PixelValue(brush_->Color()));
  if (detail::DrawingSink* sink = Sink()) sink->FillRect(box, *brush_);
}

void TCanvas::Ellipse(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2) {
  detail::PixelSurface* s = Surface();
  if (s == nullptr) return;
  const i64 x1 = std::min(X1, X2), x2 = std::max(X1, X2);
  const i64 y1 = std::min(Y1, Y2), y2 = std::max(Y1, Y2);
  const EllipseBox box{x1, y1, x2 - x1, y2 - y1};
  if (box.Empty()) return;
  if (detail::DrawingSink* sink = Sink())
    sink->Ellipse(TRect{std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)},
                  *pen_, *brush_);
  const bool fill = brush_->Style() == bsSolid;
  const std::uint32_t brush = detail::PixelValue(brush_->Color());
  const LinePaint paint = PaintOf(*pen_, *brush_);
  const i64 row0 = std::max<i64>(y1, 0);
  const i64 row1 = std::min<i64>(y2, s->height);
  if (paint.clear) {
    // Without a pen the ellipse is filled whole, its outline's pixels included; a box two
    // pixels thin or less fills its top-left (W - 1) x (H - 1) pixels.
    if (!fill) return;
    if (box.Thin()) {
      detail::FillBox(*s, x1, y1, x2 - 1, y2 - 1, brush);
      return;
    }
    const EllipseRows rows(box);
    for (i64 y = row0; y < row1; ++y) {
      const EllipseSpan r = rows.Row(y);
      detail::FillSpan(*s, r.from, r.to + 1, y, brush);
    }
    return;
  }
  // The outline grows inwards with the pen's width: it is the ellipse of the box minus the
  // fill of the ellipse of the box shrunk by width - 1 on every side, and that is the filled
  // part.
  const i64 shrink = paint.width - 1;
  const EllipseRows rows(box);
  const EllipseRows inner(
      EllipseBox{x1 + shrink, y1 + shrink, box.w - 2 * shrink, box.h - 2 * shrink});
  for (i64 y = row0; y < row1; ++y) {
    EllipseSpan r = rows.Row(y);
    const EllipseSpan in = inner.Row(y);
    r.fill_from = std::max(in.fill_from, r.from);
    r.fill_to = std::min(in.fill_to, r.to);
    if (fill) detail::FillSpan(*s, r.fill_from, r.fill_to + 1, y, brush);
    if (!paint.dashes.empty()) continue;
    for (const auto& [from, to] : OutlineRuns(r)) detail::FillSpan(*s, from, to, y, paint.pen);
  }
  if (!paint.dashes.empty()) DrawDashedEllipseOutline(*s, box, paint);
}

void TCanvas::Polygon(std::span<const TPoint> Points) {
  detail::PixelSurface* s = Surface();
  if (s == nullptr || Points.empty()) return;
  if (detail::DrawingSink* sink = Sink()) sink->Polygon(Points, *pen_, *brush_);
  if (Points.size() >= 3 && brush_->Style() == bsSolid)
    FillPolygon(*s, Points, detail::PixelValue(brush_->Color()));
  const LinePaint paint = PaintOf(*pen_, *brush_);
  for (std::size_t k = 0; k < Points.size(); ++k)
    DrawLine(*s, Points[k], Points[(k + 1) % Points.size()], paint);
}

void TCanvas::Draw(std::int32_t X, std::int32_t Y, const TBitmap& Graphic) {
  detail::PixelSurface* s = Surface();
  if (s == nullptr) return;
  // The visible part of the bitmap, in its own coordinates.
  const i64 sx0 = std::max<i64>(0, -i64{X});
  const i64 sy0 = std::max<i64>(0, -i64{Y});
  const i64 sx1 = std::min<i64>(Graphic.Width(), i64{s->width} - X);
  const i64 sy1 = std::min<i64>(Graphic.Height(), i64{s->height} - Y);
  if (sx0 >= sx1 || sy0 >= sy1) return;
  if (detail::DrawingSink* sink = Sink()) sink->Image({X, Y}, *SurfaceOf(*Graphic.Canvas()));
  // Copy the source rows first: the bitmap may be the one this canvas draws on.
  const std::size_t run = static_cast<std::size_t>(sx1 - sx0);
  std::vector<std::uint32_t> rows(run * static_cast<std::size_t>(sy1 - sy0));
  for (i64 y = sy0; y < sy1; ++y) {
    const std::span<const std::uint32_t> line = Graphic.ScanLine(static_cast<std::int32_t>(y));
    std::copy_n(line.begin() + sx0, run,
                rows.begin() + static_cast<std::ptrdiff_t>((y - sy0) * run));
  }
  for (i64 y = sy0; y < sy1; ++y) {
    const auto src = rows.begin() + static_cast<std::ptrdiff_t>((y - sy0) * run);
    const std::size_t at = detail::PixelIndex(*s, X + sx0, Y + y);
    std::copy_n(src, run, s->pixels.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

}  // namespace krv
