// Pixel tests of the canvas primitives against slow references, and of pen, brush and font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/graphics.h"
#include "platform/internal/int128.h"

namespace krv {
namespace {

constexpr TColor kBack = 0x123456;
constexpr TColor kPen = 0x0000FF;
constexpr TColor kFill = 0x00FF00;

// A bitmap in kBack with the pen in kPen and the brush in kFill.
struct Board {
  explicit Board(int w, int h) : bmp(w, h) {
    c()->Brush()->SetColor(kBack);
    c()->FillRect({0, 0, w, h});
    c()->Pen()->SetColor(kPen);
    c()->Brush()->SetColor(kFill);
  }
  TCanvas* c() { return bmp.Canvas(); }
  TColor At(int x, int y) { return c()->Pixels(x, y); }
  // Rows of '#' (pen), 'o' (brush) and '.' (background).
  std::string Picture() {
    std::string s;
    for (int y = 0; y < bmp.Height(); ++y) {
      for (int x = 0; x < bmp.Width(); ++x) {
        const TColor p = At(x, y);
        s += p == kPen ? '#' : p == kFill ? 'o' : p == kBack ? '.' : '?';
      }
      s += '\n';
    }
    return s;
  }
  TBitmap bmp;
};

// Slow reference of a one-pixel line: pixel i steps i along the major axis and takes the minor
// coordinate nearest to the exact line (smaller one on a tie), found by comparing distances.
struct RefLine {
  std::int64_t x0, y0, dx, dy;
  std::int64_t Count() const { return std::max(std::llabs(dx), std::llabs(dy)); }
  bool XMajor() const { return std::llabs(dx) >= std::llabs(dy); }
  // Pixel i as (x, y).
  std::pair<std::int64_t, std::int64_t> At(std::int64_t i) const {
    const std::int64_t n = Count();
    const std::int64_t dmaj = XMajor() ? dx : dy;
    const std::int64_t dmin = XMajor() ? dy : dx;
    const std::int64_t major = (XMajor() ? x0 : y0) + (dmaj < 0 ? -i : i);
    // Exact minor offset is i * dmin / n; try candidates around it.
    using i128 = detail::Int128;
    const i128 num = static_cast<i128>(i) * dmin;
    std::int64_t best = static_cast<std::int64_t>(num / n) - 2;
    for (std::int64_t c = best + 1; c <= best + 4; ++c) {
      const i128 d_best = num - static_cast<i128>(best) * n;
      const i128 d_c = num - static_cast<i128>(c) * n;
      if ((d_c < 0 ? -d_c : d_c) < (d_best < 0 ? -d_best : d_best)) best = c;
    }
    const std::int64_t minor = (XMajor() ? y0 : x0) + best;
    return XMajor() ? std::pair{major, minor} : std::pair{minor, major};
  }
};

TEST(CanvasLine, MatchesReferenceInEveryOctant) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-5, 44);
  for (int round = 0; round < 400; ++round) {
    Board b(40, 40);
    const TPoint p{coord(rng), coord(rng)};
    const TPoint q{coord(rng), coord(rng)};
    b.c()->MoveTo(p.X, p.Y);
    b.c()->LineTo(q.X, q.Y);
    EXPECT_EQ(b.c()->PenPos(), q);
    Board ref(40, 40);
    const RefLine l{p.X, p.Y, std::int64_t{q.X} - p.X, std::int64_t{q.Y} - p.Y};
    for (std::int64_t i = 0; i < l.Count(); ++i) {
      const auto [x, y] = l.At(i);
      ref.c()->SetPixels(static_cast<int>(x), static_cast<int>(y), kPen);
    }
    ASSERT_EQ(b.Picture(), ref.Picture()) << p.X << "," << p.Y << " -> " << q.X << "," << q.Y;
  }
}

TEST(CanvasLine, EndPointsAndTies) {
  struct Case {
    TPoint from, to;
    const char* picture;
  };
  const Case cases[] = {
      {{0, 0}, {4, 0}, "####.\n.....\n.....\n"},
      {{4, 2}, {0, 2}, ".....\n.....\n.####\n"},
      {{0, 0}, {3, 3}, "#....\n.#...\n..#..\n"},
      {{2, 1}, {2, 1}, ".....\n.....\n.....\n"},  // zero length: nothing
      // Ties: (0,0)->(4,2) passes half-way at x=1 and x=3 and takes the upper pixel; the
      // reverse line covers the same pixels but its own end point.
      {{0, 0}, {4, 2}, "##...\n..##.\n.....\n"},
      {{4, 2}, {0, 0}, ".#...\n..##.\n....#\n"},
  };
  for (const Case& t : cases) {
    Board b(5, 3);
    b.c()->MoveTo(t.from.X, t.from.Y);
    b.c()->LineTo(t.to.X, t.to.Y);
    EXPECT_EQ(b.Picture(), t.picture) << t.from.X << "," << t.from.Y;
  }
}

TEST(CanvasLine, ClippedHugeLinesMatchTheReference) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<int> near(0, 23);
  for (int round = 0; round < 300; ++round) {
    // Through a point of the 24 x 24 surface, out to huge end points on either side.
    const std::int64_t cx = near(rng), cy = near(rng);
    TPoint p{any(rng), any(rng)};
    if (round % 3 == 0) p = {static_cast<std::int32_t>(cx), any(rng)};
    const std::int64_t tx = cx - (std::int64_t{p.X} - cx), ty = cy - (std::int64_t{p.Y} - cy);
    const TPoint q{static_cast<std::int32_t>(std::clamp<std::int64_t>(tx, INT32_MIN, INT32_MAX)),
                   static_cast<std::int32_t>(std::clamp<std::int64_t>(ty, INT32_MIN, INT32_MAX))};
    Board b(24, 24);
    b.c()->MoveTo(p.X, p.Y);
    b.c()->LineTo(q.X, q.Y);
    Board ref(24, 24);
    const RefLine l{p.X, p.Y, std::int64_t{q.X} - p.X, std::int64_t{q.Y} - p.Y};
    // One pixel per major coordinate: visit only the indexes that reach the surface.
    const std::int64_t major0 = l.XMajor() ? p.X : p.Y;
    const bool forward = (l.XMajor() ? l.dx : l.dy) >= 0;
    for (std::int64_t m = 0; m < 24; ++m) {
      const std::int64_t i = forward ? m - major0 : major0 - m;
      if (i < 0 || i >= l.Count()) continue;
      const auto [x, y] = l.At(i);
      if (x >= 0 && x < 24 && y >= 0 && y < 24)
        ref.c()->SetPixels(static_cast<int>(x), static_cast<int>(y), kPen);
    }
    ASSERT_EQ(b.Picture(), ref.Picture()) << p.X << "," << p.Y << " -> " << q.X << "," << q.Y;
  }
}

TEST(CanvasLine, DashPatternsRestartAtEachLine) {
  struct Case {
    TPenStyle style;
    const char* runs;  // pattern of the first 36 pixels
  };
  const Case cases[] = {
      {psSolid, "####################################"},
      {psInsideFrame, "####################################"},
      {psClear, "...................................."},
      {psDash, "##################oooooo############"},
      {psDot, "###ooo###ooo###ooo###ooo###ooo###ooo"},
      {psDashDot, "#########oooooo###oooooo#########ooo"},
      {psDashDotDot, "#########ooo###ooo###ooo#########ooo"},
  };
  for (const Case& t : cases) {
    for (TBrushStyle brush : {bsSolid, bsClear}) {
      Board b(40, 2);
      b.c()->Pen()->SetStyle(t.style);
      b.c()->Brush()->SetStyle(brush);
      b.c()->MoveTo(0, 0);
      b.c()->LineTo(36, 0);
      b.c()->MoveTo(0, 1);  // a second line starts the pattern again
      b.c()->LineTo(36, 1);
      std::string want = t.runs;
      if (brush == bsClear) std::replace(want.begin(), want.end(), 'o', '.');
      want += "....\n";
      EXPECT_EQ(b.Picture(), want + want) << t.style << " brush " << brush;
    }
  }
}

TEST(CanvasLine, WideLinesAreTheUnionOfSquares) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> coord(-3, 26);
  for (int round = 0; round < 200; ++round) {
    const int width = 2 + round % 4;
    const TPoint p{coord(rng), coord(rng)}, q{coord(rng), coord(rng)};
    Board b(24, 24);
    b.c()->Pen()->SetWidth(width);
    b.c()->Pen()->SetStyle(psDash);  // wide pens draw solid
    b.c()->MoveTo(p.X, p.Y);
    b.c()->LineTo(q.X, q.Y);
    Board ref(24, 24);
    const RefLine l{p.X, p.Y, q.X - p.X, q.Y - p.Y};
    for (std::int64_t i = 0; i < l.Count(); ++i) {
      const auto [x, y] = l.At(i);
      for (int u = -(width - 1) / 2; u <= width / 2; ++u)
        for (int v = -(width - 1) / 2; v <= width / 2; ++v)
          ref.c()->SetPixels(static_cast<int>(x) + u, static_cast<int>(y) + v, kPen);
    }
    ASSERT_EQ(b.Picture(), ref.Picture())
        << width << ": " << p.X << "," << p.Y << " -> " << q.X << "," << q.Y;
  }
}

TEST(CanvasRectangle, Extents) {
  struct Case {
    TPenStyle pen;
    TBrushStyle brush;
    int width;
    TRect box;
    const char* picture;
  };
  const Case cases[] = {
      {psSolid, bsSolid, 1, {1, 1, 6, 5}, ".......\n.#####.\n.#ooo#.\n.#ooo#.\n.#####.\n.......\n"},
      {psSolid, bsSolid, 1, {6, 5, 1, 1}, ".......\n.#####.\n.#ooo#.\n.#ooo#.\n.#####.\n.......\n"},
      {psSolid, bsClear, 1, {1, 1, 6, 5}, ".......\n.#####.\n.#...#.\n.#...#.\n.#####.\n.......\n"},
      {psClear, bsSolid, 1, {1, 1, 6, 5}, ".......\n.oooo..\n.oooo..\n.oooo..\n.......\n.......\n"},
      {psClear, bsClear, 1, {1, 1, 6, 5}, ".......\n.......\n.......\n.......\n.......\n.......\n"},
      {psSolid, bsSolid, 2, {0, 0, 7, 6}, "#######\n#######\n##ooo##\n##ooo##\n#######\n#######\n"},
      {psDot, bsSolid, 1, {0, 0, 7, 6}, "###ooo#\noooooo#\noooooo#\n#oooooo\n#oooooo\n#ooo###\n"},
      {psDot, bsClear, 1, {1, 2, 6, 3}, ".......\n.......\n.###...\n.......\n.......\n.......\n"},
      {psSolid, bsSolid, 1, {2, 2, 2, 5}, ".......\n.......\n.......\n.......\n.......\n.......\n"},
      {psSolid,
       bsSolid,
       1,
       {-3, -3, 3, 2},
       "oo#....\n###....\n.......\n.......\n.......\n.......\n"},
  };
  for (const Case& t : cases) {
    Board b(7, 6);
    b.c()->Pen()->SetStyle(t.pen);
    b.c()->Pen()->SetWidth(t.width);
    b.c()->Brush()->SetStyle(t.brush);
    b.c()->Rectangle(t.box);
    EXPECT_EQ(b.Picture(), t.picture) << t.pen << " " << t.brush << " " << t.box.Left;
  }
  Board b(7, 6);
  b.c()->FillRect({5, 4, 1, 1});
  b.c()->Brush()->SetColor(kPen);
  b.c()->Brush()->SetStyle(bsClear);
  b.c()->FillRect({0, 0, 7, 6});  // a clear brush paints nothing
  EXPECT_EQ(b.Picture(), ".......\n.oooo..\n.oooo..\n.oooo..\n.......\n.......\n");
}

// Classifies an ellipse drawing: returns false with a message when a property fails.
::testing::AssertionResult EllipseIsSound(Board& b, TRect box) {
  const int W = b.bmp.Width(), H = b.bmp.Height();
  auto pen = [&](int x, int y) { return b.At(x, y) == kPen; };
  int l = W, r = -1, t = H, bot = -1;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const TColor p = b.At(x, y);
      if (p == kBack) continue;
      if (x < box.Left || x >= box.Right || y < box.Top || y >= box.Bottom)
        return ::testing::AssertionFailure() << "pixel outside the box at " << x << "," << y;
      // Symmetry in both axes about the box's centre.
      const int mx = box.Left + box.Right - 1 - x, my = box.Top + box.Bottom - 1 - y;
      if (b.At(mx, y) != p || b.At(x, my) != p)
        return ::testing::AssertionFailure() << "not symmetric at " << x << "," << y;
      if (pen(x, y)) {
        l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), bot = std::max(bot, y);
      }
    }
  if (l != box.Left || r != box.Right - 1 || t != box.Top || bot != box.Bottom - 1)
    return ::testing::AssertionFailure() << "outline does not touch every side";
  // Fill = exactly what a flood from outside through non-outline pixels cannot reach.
  std::vector<char> seen(static_cast<std::size_t>(W * H), 0);
  std::vector<std::pair<int, int>> todo{{0, 0}};
  seen[0] = 1;
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& e : d) {
      const int nx = x + e[0], ny = y + e[1];
      if (nx < 0 || ny < 0 || nx >= W || ny >= H || pen(nx, ny)) continue;
      if (!seen[static_cast<std::size_t>(ny * W + nx)]++) todo.push_back({nx, ny});
    }
  }
  int outline = 0, ox = 0, oy = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool inside = !pen(x, y) && !seen[static_cast<std::size_t>(y * W + x)];
      if (inside != (b.At(x, y) == kFill))
        return ::testing::AssertionFailure() << "fill differs from the inside at " << x << "," << y;
      if (pen(x, y)) ++outline, ox = x, oy = y;
    }
  // The outline is 8-connected.
  std::vector<char> reach(static_cast<std::size_t>(W * H), 0);
  todo = {{ox, oy}};
  reach[static_cast<std::size_t>(oy * W + ox)] = 1;
  int count = 1;
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if (nx < 0 || ny < 0 || nx >= W || ny >= H || !pen(nx, ny)) continue;
        if (!reach[static_cast<std::size_t>(ny * W + nx)]++) todo.push_back({nx, ny}), ++count;
      }
  }
  if (count != outline) return ::testing::AssertionFailure() << "outline not 8-connected";
  return ::testing::AssertionSuccess();
}

TEST(CanvasEllipse, OutlineFillAndSymmetryForManyBoxes) {
  for (int w = 1; w <= 26; ++w)
    for (int h = 1; h <= 26; ++h) {
      Board b(30, 30);
      const TRect box{2, 2, 2 + w, 2 + h};
      b.c()->Ellipse(box.Right, box.Bottom, box.Left, box.Top);  // swapped corners
      EXPECT_TRUE(EllipseIsSound(b, box)) << w << " x " << h;
    }
}

TEST(CanvasEllipse, SmallCirclesAndPens) {
  struct Case {
    TRect box;
    TPenStyle pen;
    int width;
    const char* picture;
  };
  const Case cases[] = {
      {{1, 1, 6, 6}, psSolid, 1, ".......\n..###..\n.#ooo#.\n.#ooo#.\n.#ooo#.\n..###..\n.......\n"},
      {{1, 1, 5, 5}, psSolid, 1, ".......\n..##...\n.#oo#..\n.#oo#..\n..##...\n.......\n.......\n"},
      {{1, 1, 6, 6}, psClear, 1, ".......\n..ooo..\n.ooooo.\n.ooooo.\n.ooooo.\n..ooo..\n.......\n"},
      {{0, 0, 7, 7}, psSolid, 2, "..###..\n.#####.\n##ooo##\n##ooo##\n##ooo##\n.#####.\n..###..\n"},
      {{1, 1, 6, 2}, psSolid, 1, ".......\n.#####.\n.......\n.......\n.......\n.......\n.......\n"},
  };
  for (const Case& t : cases) {
    Board b(7, 7);
    b.c()->Pen()->SetStyle(t.pen);
    b.c()->Pen()->SetWidth(t.width);
    b.c()->Ellipse(t.box.Left, t.box.Top, t.box.Right, t.box.Bottom);
    EXPECT_EQ(b.Picture(), t.picture) << t.box.Right << " " << t.pen << " " << t.width;
  }
}

TEST(CanvasEllipse, DashedOutlineFollowsTheAngle) {
  for (const TRect box : {TRect{1, 1, 30, 22}, TRect{2, 3, 26, 29}, TRect{-9, -4, 18, 20}}) {
    // The whole solid outline, drawn 20 pixels further right and down on a larger board.
    Board solid(80, 80), dashed(28, 28);
    solid.c()->Ellipse(box.Left + 20, box.Top + 20, box.Right + 20, box.Bottom + 20);
    dashed.c()->Pen()->SetStyle(psDashDot);
    dashed.c()->Ellipse(box.Left, box.Top, box.Right, box.Bottom);
    // Its pixels by angle, counter-clockwise from the right.
    std::vector<std::pair<double, std::pair<int, int>>> outline;
    const double cx = (box.Left + box.Right) / 2.0, cy = (box.Top + box.Bottom) / 2.0;
    for (int y = box.Top; y < box.Bottom; ++y)
      for (int x = box.Left; x < box.Right; ++x) {
        if (solid.At(x + 20, y + 20) != kPen) continue;
        double a = std::atan2(cy - (y + 0.5), x + 0.5 - cx);
        if (a < 0) a += 2 * std::numbers::pi;
        outline.push_back({a, {x, y}});
      }
    std::sort(outline.begin(), outline.end());
    const bool on[24] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    for (std::size_t k = 0; k < outline.size(); ++k) {
      const auto [x, y] = outline[k].second;
      if (x < 0 || y < 0 || x >= 28 || y >= 28) continue;
      ASSERT_EQ(dashed.At(x, y), on[k % 24] ? kPen : kFill) << k << ": " << x << "," << y;
    }
    // Inside, the two agree.
    for (int y = 0; y < 28; ++y) {
      for (int x = 0; x < 28; ++x) {
        const TColor p = solid.At(x + 20, y + 20);
        if (p != kPen) {
          ASSERT_EQ(dashed.At(x, y), p) << x << "," << y;
        }
      }
    }
  }
}

// Slow even-odd test of a pixel against a polygon whose points are pixel centres, in exact
// rationals.
bool CentreInside(const std::vector<TPoint>& poly, int x, int y) {
  // Count the edges from a row at or above y to one below it that cross row y at or left of x.
  bool in = false;
  for (std::size_t k = 0; k < poly.size(); ++k) {
    const TPoint a = poly[k], b = poly[(k + 1) % poly.size()];
    if ((a.Y <= y) == (b.Y <= y)) continue;
    // Crossing x = a.X + (y - a.Y) (b.X - a.X) / (b.Y - a.Y); compare crossing <= x.
    const std::int64_t dy = b.Y - a.Y;
    std::int64_t lhs = std::int64_t{a.X} * dy + (std::int64_t{y} - a.Y) * (b.X - a.X);
    std::int64_t rhs = std::int64_t{x} * dy;
    if (dy < 0) lhs = -lhs, rhs = -rhs;
    if (lhs <= rhs) in = !in;
  }
  return in;
}

TEST(CanvasPolygon, FillMatchesPointInPolygon) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> coord(-4, 27);
  std::uniform_int_distribution<int> count(3, 9);
  for (int round = 0; round < 300; ++round) {
    std::vector<TPoint> poly(static_cast<std::size_t>(count(rng)));
    for (TPoint& p : poly) p = {coord(rng), coord(rng)};
    Board b(24, 24);
    b.c()->Pen()->SetStyle(psClear);
    b.c()->Polygon(poly);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x)
        ASSERT_EQ(b.At(x, y) == kFill, CentreInside(poly, x, y)) << round << ": " << x << "," << y;
    // With the pen, the outline is the closed chain of lines over the fill.
    Board with_pen(24, 24);
    with_pen.c()->Polygon(poly);
    b.c()->Pen()->SetStyle(psSolid);
    for (std::size_t k = 0; k < poly.size(); ++k) {
      b.c()->MoveTo(poly[k].X, poly[k].Y);
      b.c()->LineTo(poly[(k + 1) % poly.size()].X, poly[(k + 1) % poly.size()].Y);
    }
    ASSERT_EQ(with_pen.Picture(), b.Picture()) << round;
  }
}

TEST(CanvasPolygon, FewPointsAndHugeCoordinates) {
  Board b(6, 4);
  b.c()->Polygon(std::vector<TPoint>{});
  b.c()->Polygon(std::vector<TPoint>{{1, 1}});
  EXPECT_EQ(b.Picture(), "......\n......\n......\n......\n");
  b.c()->Polygon(std::vector<TPoint>{{1, 1}, {4, 1}});
  EXPECT_EQ(b.Picture(), "......\n.####.\n......\n......\n");
  // A triangle far larger than the surface covers it whole.
  Board big(6, 4);
  big.c()->Polygon(
      std::vector<TPoint>{{INT32_MIN, INT32_MIN}, {INT32_MAX, 0}, {INT32_MIN, INT32_MAX}});
  EXPECT_EQ(big.Picture(), "oooooo\noooooo\noooooo\noooooo\n");
}

TEST(Canvas, HugeShapesCostOnlyTheirVisiblePart) {
  Board b(8, 6);
  b.c()->Ellipse(-1000000000, -1000000000, 1000000000, 1000000000);
  EXPECT_EQ(b.Picture(), "oooooooo\noooooooo\noooooooo\noooooooo\noooooooo\noooooooo\n");
  b.c()->Ellipse(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  b.c()->Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(b.At(3, 3), kFill);
  b.c()->Pen()->SetWidth(INT32_MAX);
  b.c()->MoveTo(INT32_MIN, INT32_MAX);
  b.c()->LineTo(INT32_MAX, INT32_MIN);
  b.c()->Ellipse(INT32_MIN, 0, INT32_MAX, 3);
  b.c()->Rectangle(0, 0, 5, 5);
  EXPECT_EQ(b.Picture(), "########\n########\n########\n########\n########\n########\n");
}

TEST(Canvas, PixelsOutsideAndWithoutSurface) {
  Board b(3, 2);
  b.c()->SetPixels(2, 1, 0x80000005);  // system colour: window white
  EXPECT_EQ(b.At(2, 1), 0xFFFFFFu);
  b.c()->SetPixels(3, 0, kPen);
  b.c()->SetPixels(-1, 0, kPen);
  EXPECT_EQ(b.At(3, 0), 0xFFFFFFFFu);
  EXPECT_EQ(b.At(0, -1), 0xFFFFFFFFu);
  EXPECT_EQ(b.At(INT32_MIN, INT32_MAX), 0xFFFFFFFFu);
  TCanvas bare;
  bare.LineTo(5, 5);
  bare.Rectangle(0, 0, 5, 5);
  bare.Ellipse(0, 0, 5, 5);
  EXPECT_EQ(bare.Pixels(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(bare.Width(), 0);
  EXPECT_EQ(bare.PenPos(), (TPoint{5, 5}));
  EXPECT_EQ(bare.ClassName(), u"TCanvas");
}

TEST(Canvas, DrawClipsAndCopiesItself) {
  Board b(5, 4);
  TBitmap src(3, 2);
  src.Canvas()->Brush()->SetColor(kPen);
  src.Canvas()->FillRect({0, 0, 3, 2});
  src.Canvas()->SetPixels(0, 0, kFill);
  b.c()->Draw(3, -1, src);
  EXPECT_EQ(b.Picture(), "...##\n.....\n.....\n.....\n");
  b.c()->Draw(INT32_MAX, INT32_MIN, src);
  // Drawing the bitmap onto itself, shifted, reads the pixels before they change.
  b.c()->SetPixels(0, 0, kFill);
  b.c()->Draw(1, 1, b.bmp);
  EXPECT_EQ(b.Picture(), "o..##\n.o..#\n.....\n.....\n");
}

TEST(Graphics, ColorToRGB) {
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456u);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clWindowText), 0u);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
  EXPECT_EQ(ColorToRGB(0xFF00000F), 0xC0C0C0u);  // any set top bit names a system colour
  EXPECT_EQ(ColorToRGB(0x80000018), 0xE1FFFFu);  // tooltip background
  EXPECT_EQ(ColorToRGB(0x8000001F), 0u);         // no such index
}

TEST(Graphics, FontSizeAndHeight) {
  TFont f;
  EXPECT_EQ(f.Name(), kBuiltinFontName);
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  struct Case {
    int ppi, size, height;
  };
  // Height = -MulDiv(size, ppi, 72), halves away from zero.
  const Case cases[] = {{96, 10, -13}, {96, 9, -12}, {96, -9, 12}, {300, 8, -33},
                        {72, 8, -8},   {96, 0, 0},   {120, 3, -5}, {96, 3, -4}};
  for (const Case& t : cases) {
    f.SetPixelsPerInch(t.ppi);
    f.SetSize(t.size);
    EXPECT_EQ(f.Height(), t.height) << t.ppi << " " << t.size;
  }
  f.SetPixelsPerInch(96);
  f.SetHeight(-15);
  EXPECT_EQ(f.Size(), 11);  // 15 * 72 / 96 = 11.25
  f.SetPixelsPerInch(300);  // keeps the height
  EXPECT_EQ(f.Height(), -15);
  EXPECT_EQ(f.Size(), 4);
  f.SetPixelsPerInch(1);
  f.SetHeight(INT32_MIN);  // overflowing MulDiv gives -1, never undefined arithmetic
  EXPECT_EQ(f.Size(), 1);
}

TEST(Graphics, Assign) {
  TFont screen, printer;
  printer.SetPixelsPerInch(300);
  screen.SetName(u"Other");
  screen.SetSize(12);
  screen.SetColor(clRed);
  screen.SetStyle({fsBold, fsUnderline});
  printer.Assign(&screen);  // resolutions differ: the size in points is copied
  EXPECT_EQ(printer.Name(), u"Other");
  EXPECT_EQ(printer.Size(), 12);
  EXPECT_EQ(printer.Height(), -50);
  EXPECT_EQ(printer.PixelsPerInch(), 300);
  EXPECT_EQ(printer.Color(), clRed);
  EXPECT_EQ(printer.Style(), (TFontStyles{fsBold, fsUnderline}));
  TFont same;
  same.SetHeight(7);
  screen.Assign(&same);  // same resolution: the height is copied as is
  EXPECT_EQ(screen.Height(), 7);

  TPen a, b;
  a.SetColor(clBlue), a.SetStyle(psDot), a.SetWidth(0);
  EXPECT_EQ(a.Width(), 1);
  a.SetWidth(3);
  b.Assign(&a);
  EXPECT_EQ(b.Color(), clBlue);
  EXPECT_EQ(b.Style(), psDot);
  EXPECT_EQ(b.Width(), 3);
  TBrush c, d;
  c.SetColor(clLime), c.SetStyle(bsClear);
  d.Assign(&c);
  EXPECT_EQ(d.Color(), clLime);
  EXPECT_EQ(d.Style(), bsClear);
  EXPECT_THROW(d.Assign(&a), EConvertError);
  EXPECT_THROW(a.Assign(&screen), EConvertError);
}

}  // namespace
}  // namespace krv
