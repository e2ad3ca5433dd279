// Canvas calls drawn again as vectors (platform/internal/pdf_sink.h).
#include "platform/internal/pdf_sink.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/internal/dash_pattern.h"
#include "platform/internal/raster.h"

namespace krv::detail {
namespace {

// How far beyond the page shapes are clipped.
constexpr double kClipMargin = 2;

// Run lengths (on, off, ...) of the dashed pen styles, in pixel steps: the canvas's own
// (canvas.cpp). A pen wider than one pixel draws solid whatever its style.
std::span<const int> DashRuns(const TPen& pen) {
  // A wide pen draws solid whatever its style, as on the canvas.
  return pen.Width() != 1 ? std::span<const int>{} : DashPattern(pen.Style());
}

// A dash pattern scaled to `step` user units per pixel step.
struct Dashes {
  std::array<double, 6> lengths{};
  std::size_t count = 0;
  double period = 0;
  Dashes(std::span<const int> runs, double step) : count(runs.size()) {
    for (std::size_t k = 0; k < count; ++k) {
      lengths[k] = runs[k] * step;
      period += lengths[k];
    }
  }
  std::span<const double> Span() const { return {lengths.data(), count}; }
};

StrokeStyle Solid(double width, std::uint32_t color) {
  StrokeStyle s;
  s.width = width;
  s.color = color;
  return s;
}

StrokeStyle Dashed(std::uint32_t color, std::span<const double> dashes, double offset) {
  StrokeStyle s = Solid(1, color);
  s.dashes = dashes;
  s.dash_offset = offset;
  return s;
}

bool Inside(const BoxF& b, double x0, double y0, double x1, double y1) {
  return x0 >= b.x0 && y0 >= b.y0 && x1 <= b.x1 && y1 <= b.y1;
}

}  // namespace

PdfSink::PdfSink(PdfVectors& pages, std::int32_t width, std::int32_t height)
    : pages_(pages), page_{0, 0, static_cast<double>(width), static_cast<double>(height)} {}

void PdfSink::Line(TPoint from, TPoint to, const TPen& pen, const TBrush& brush) {
  DrawLine(from, to, pen, brush);
}

void PdfSink::DrawLine(TPoint p, TPoint q, const TPen& pen, const TBrush& brush) {
  if (pen.Style() == psClear || p == q) return;
  if (pen.Width() > 1) {
    const std::vector<PointF> ring =
        ClipPolygon(SquarePenOutline(p, q, pen.Width()), Grow(page_, kClipMargin));
    if (ring.empty()) return;
    pages_.AddPolygon(ring, true);
    pages_.Fill(PixelValue(pen.Color()));
    return;
  }
  StrokeThinLine(StrokeOfLine(p, q), pen, brush);
}

void PdfSink::StrokeThinLine(const LineStroke& s, const TPen& pen, const TBrush& brush) {
  double t0, t1;
  if (!ClipSegment(s.from, s.to, Grow(page_, kClipMargin + 1), t0, t1)) return;
  const double dx = s.to.x - s.from.x, dy = s.to.y - s.from.y;
  const std::array<PointF, 2> part = {PointF{s.from.x + t0 * dx, s.from.y + t0 * dy},
                                      PointF{s.from.x + t1 * dx, s.from.y + t1 * dy}};
  const std::uint32_t color = PixelValue(pen.Color());
  const std::span<const int> runs = DashRuns(pen);
  if (runs.empty()) {
    pages_.AddPolygon(part, false);
    pages_.Stroke(Solid(1, color));
    return;
  }
  const Dashes dashes(runs, s.step);
  if (brush.Style() == bsSolid) {
    pages_.AddPolygon(part, false);
    pages_.Stroke(Solid(1, PixelValue(brush.Color())));
  }
  // The pattern keeps its phase where the line was clipped at its start.
  const double offset = std::fmod(t0 * std::hypot(dx, dy), dashes.period);
  pages_.AddPolygon(part, false);
  pages_.Stroke(Dashed(color, dashes.Span(), offset));
}

void PdfSink::AddBox(double x0, double y0, double x1, double y1) {
  const BoxF clip = Grow(page_, kClipMargin);
  x0 = std::clamp(x0, clip.x0, clip.x1);
  x1 = std::clamp(x1, clip.x0, clip.x1);
  y0 = std::clamp(y0, clip.y0, clip.y1);
  y1 = std::clamp(y1, clip.y0, clip.y1);
  const std::array<PointF, 4> corners = {PointF{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  pages_.AddPolygon(corners, true);
}

void PdfSink::FillBox(double x0, double y0, double x1, double y1, std::uint32_t color) {
  if (x1 <= x0 || y1 <= y0) return;
  if (x1 < page_.x0 || y1 < page_.y0 || x0 > page_.x1 || y0 > page_.y1) return;
  AddBox(x0, y0, x1, y1);
  pages_.Fill(color);
}

void PdfSink::Pixel(TPoint at, TColor color) {
  FillBox(at.X, at.Y, at.X + 1.0, at.Y + 1.0, PixelValue(color));
}

void PdfSink::FillRect(const TRect& box, const TBrush& brush) {
  FillBox(box.Left, box.Top, box.Right, box.Bottom, PixelValue(brush.Color()));
}

void PdfSink::Rectangle(const TRect& box, const TPen& pen, const TBrush& brush) {
  const double x0 = box.Left, y0 = box.Top, x1 = box.Right, y1 = box.Bottom;
  const bool fill = brush.Style() == bsSolid;
  const std::uint32_t inside = PixelValue(brush.Color());
  if (pen.Style() == psClear) {
    if (fill) FillBox(x0, y0, x1 - 1, y1 - 1, inside);
    return;
  }
  const double w = pen.Width();
  if (fill) FillBox(x0 + w, y0 + w, x1 - w, y1 - w, inside);
  if (!DashRuns(pen).empty()) {
    // Four lines clockwise from the top-left corner, as the canvas draws them.
    const TPoint a{box.Left, box.Top}, b{box.Right - 1, box.Top};
    const TPoint c{box.Right - 1, box.Bottom - 1}, d{box.Left, box.Bottom - 1};
    if (box.Bottom - box.Top == 1) return DrawLine(a, {box.Right, box.Top}, pen, brush);
    if (box.Right - box.Left == 1) return DrawLine(a, {box.Left, box.Bottom}, pen, brush);
    DrawLine(a, b, pen, brush);
    DrawLine(b, c, pen, brush);
    DrawLine(c, d, pen, brush);
    DrawLine(d, a, pen, brush);
    return;
  }
  if (x1 < page_.x0 || y1 < page_.y0 || x0 > page_.x1 || y0 > page_.y1) return;
  AddBox(x0, y0, x1, y1);
  if (x1 - x0 > 2 * w && y1 - y0 > 2 * w) AddBox(x0 + w, y0 + w, x1 - w, y1 - w);
  pages_.Fill(PixelValue(pen.Color()));
}

void PdfSink::AddEllipse(PointF centre, double rx, double ry) {
  if (rx <= 0 || ry <= 0) return;
  const BoxF safe = Grow(page_, kSafeMargin);
  if (Inside(safe, centre.x - rx, centre.y - ry, centre.x + rx, centre.y + ry)) {
    pages_.AddEllipse(centre, rx, ry);
    return;
  }
  const std::vector<PointF> ring =
      ClipPolygon(EllipsePoints(centre, rx, ry), Grow(page_, kClipMargin));
  if (!ring.empty()) pages_.AddPolygon(ring, true);
}

void PdfSink::Ellipse(const TRect& box, const TPen& pen, const TBrush& brush) {
  const double w = box.Right - static_cast<double>(box.Left);
  const double h = box.Bottom - static_cast<double>(box.Top);
  const bool fill = brush.Style() == bsSolid;
  const std::uint32_t inside = PixelValue(brush.Color());
  if (pen.Style() == psClear) {
    // The canvas fills the whole ellipse, or a box two pixels thin or less less its right
    // column and bottom row.
    if (!fill) return;
    if (w <= 2 || h <= 2)
      return FillBox(box.Left, box.Top, box.Right - 1.0, box.Bottom - 1.0, inside);
    AddEllipse({box.Left + w / 2, box.Top + h / 2}, w / 2, h / 2);
    pages_.Fill(inside);
    return;
  }
  if (!DashRuns(pen).empty()) return DashedEllipse(box, pen, brush);
  const PointF centre{box.Left + w / 2, box.Top + h / 2};
  const double pen_width = pen.Width();
  const double rx = w / 2 - pen_width, ry = h / 2 - pen_width;
  const bool hollow = rx > 0 && ry > 0;
  if (fill && hollow) {
    AddEllipse(centre, rx, ry);
    pages_.Fill(inside);
  }
  AddEllipse(centre, w / 2, h / 2);
  if (hollow) AddEllipse(centre, rx, ry);
  pages_.Fill(PixelValue(pen.Color()));
}

void PdfSink::DashedEllipse(const TRect& box, const TPen& pen, const TBrush& brush) {
  const double w = box.Right - static_cast<double>(box.Left);
  const double h = box.Bottom - static_cast<double>(box.Top);
  const PointF centre{box.Left + w / 2, box.Top + h / 2};
  const bool fill = brush.Style() == bsSolid;
  if (fill && w > 2 && h > 2) {
    AddEllipse(centre, w / 2 - 1, h / 2 - 1);
    pages_.Fill(PixelValue(brush.Color()));
  }
  // The one-pixel outline is stroked along its middle.
  const double rx = (w - 1) / 2, ry = (h - 1) / 2;
  const BoxF safe = Grow(page_, kSafeMargin);
  if (rx <= 0 || ry <= 0 ||
      !Inside(safe, centre.x - rx, centre.y - ry, centre.x + rx, centre.y + ry)) {
    AddEllipse(centre, w / 2, h / 2);
    if (w > 2 && h > 2) AddEllipse(centre, w / 2 - 1, h / 2 - 1);
    pages_.Fill(PixelValue(pen.Color()));
    return;
  }
  const Dashes dashes(DashRuns(pen), EllipseDashStep(rx, ry));
  if (fill) {
    pages_.AddEllipse(centre, rx, ry);
    pages_.Stroke(Solid(1, PixelValue(brush.Color())));
  }
  pages_.AddEllipse(centre, rx, ry);
  pages_.Stroke(Dashed(PixelValue(pen.Color()), dashes.Span(), 0));
}

void PdfSink::Polygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) {
  if (points.size() >= 3 && brush.Style() == bsSolid) {
    // A pixel is filled when its centre lies inside the outline through the points themselves.
    std::vector<PointF> ring;
    ring.reserve(points.size());
    for (const TPoint p : points)
      ring.push_back({static_cast<double>(p.X), static_cast<double>(p.Y)});
    ring = ClipPolygon(ring, Grow(page_, kClipMargin));
    if (!ring.empty()) {
      pages_.AddPolygon(ring, true);
      pages_.Fill(PixelValue(brush.Color()));
    }
  }
  if (pen.Style() != psClear) PolygonOutline(points, pen, brush);
}

void PdfSink::PolygonOutline(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) {
  const std::int32_t w = pen.Width();
  const BoxF safe = Grow(page_, kSafeMargin);
  const bool near = std::all_of(points.begin(), points.end(),
                                [&](TPoint p) { return Inside(safe, p.X, p.Y, p.X, p.Y); });
  if (points.size() >= 3 && near && w == 1 && DashRuns(pen).empty()) {
    // One closed stroke through the pixel centres, joined at the corners.
    std::vector<PointF> path;
    path.reserve(points.size());
    for (const TPoint p : points) path.push_back({p.X + 0.5, p.Y + 0.5});
    pages_.AddPolygon(path, true);
    pages_.Stroke(Solid(1, PixelValue(pen.Color())));
    return;
  }
  // Wide pens sweep their square along every side, dashed ones start their pattern afresh on
  // every side, as on the canvas.
  for (std::size_t k = 0; k < points.size(); ++k)
    DrawLine(points[k], points[(k + 1) % points.size()], pen, brush);
}

void PdfSink::Text(TPoint at, const String& text, const TFont& font, const TBrush& brush) {
  // Text that starts far off the page is left out: its glyphs' coordinates would not be exact.
  if (!Inside(Grow(page_, kSafeMargin), at.X, at.Y, at.X, at.Y)) return;
  pages_.Text(at, text, font, brush);
}

void PdfSink::Image(TPoint at, const PixelSurface& pixels) {
  // Only the part on the page is kept.
  const std::int64_t sx0 = std::max<std::int64_t>(0, -std::int64_t{at.X});
  const std::int64_t sy0 = std::max<std::int64_t>(0, -std::int64_t{at.Y});
  const std::int64_t sx1 =
      std::min<std::int64_t>(pixels.width, static_cast<std::int64_t>(page_.x1) - at.X);
  const std::int64_t sy1 =
      std::min<std::int64_t>(pixels.height, static_cast<std::int64_t>(page_.y1) - at.Y);
  if (sx0 >= sx1 || sy0 >= sy1) return;
  pages_.Image(at, pixels,
               TRect{static_cast<std::int32_t>(sx0), static_cast<std::int32_t>(sy0),
                     static_cast<std::int32_t>(sx1), static_cast<std::int32_t>(sy1)});
}

}  // namespace krv::detail
