// Filled ellipses and polygons against the pixels GDI draws for them (the tables written by
// tests/platform/gdi_reference/make_gdi_tables.cpp, whose header describes their format).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "korvex/platform/graphics.h"

namespace krv {
namespace {

constexpr int kSize = 80;   // the reference surface
constexpr int kOrigin = 8;  // top-left corner of the ellipses' boxes
constexpr TColor kPen = 0x0000FF;
constexpr TColor kBrush = 0x00FF00;

// 0 white, 1 pen, 2 brush, row-major.
using Grid = std::array<std::uint8_t, kSize * kSize>;

struct Shape {
  std::string line;  // as in the table, for messages
  bool ellipse = false;
  bool pen = false, brush = false;
  int w = 0, h = 0;  // ellipse box
  std::vector<TPoint> points;
  Grid gdi{};
};

// Expands the folded rows of a table line into gdi; false on a malformed line.
bool ReadRows(std::istringstream& in, Shape& s) {
  int x0 = 0, y0 = 0;
  std::string sym, row;
  if (!(in >> x0 >> y0 >> sym)) return false;
  const bool v = sym.find('v') != std::string::npos, hz = sym.find('h') != std::string::npos;
  std::vector<std::string> rows;
  while (in >> row) rows.push_back(row);
  const int n = v ? s.h : static_cast<int>(rows.size());
  for (int k = 0; k < n; ++k) {
    const std::string& r =
        rows.at(static_cast<std::size_t>(v && k >= (s.h + 1) / 2 ? s.h - 1 - k : k));
    int x = 0, colour = 0;
    for (const char c : r == "." ? std::string() : r) {
      for (int i = 0; i < c - '0'; ++i, ++x) {
        const std::array<int, 2> xs{x0 + x, hz ? x0 + s.w - 1 - x : x0 + x};
        for (const int px : xs) {
          if (px < 0 || px >= kSize || y0 + k < 0 || y0 + k >= kSize) return false;
          s.gdi[static_cast<std::size_t>((y0 + k) * kSize + px)] =
              static_cast<std::uint8_t>(colour);
        }
      }
      colour = (colour + 1) % 3;
    }
  }
  return true;
}

bool ParseShape(const std::string& line, Shape& s) {
  std::istringstream in(line);
  std::string kind, style, colon;
  in >> kind >> style;
  s.line = line.substr(0, line.find(" : "));
  s.ellipse = kind == "E";
  s.pen = style.find('P') != std::string::npos;
  s.brush = style.find('B') != std::string::npos;
  if (s.ellipse) {
    in >> s.w >> s.h;
  } else {
    std::size_t n = 0;
    in >> n;
    for (std::size_t k = 0; k < n; ++k) {
      int x = 0, y = 0;
      char comma = 0;
      in >> x >> comma >> y;
      s.points.push_back({x, y});
    }
    s.w = s.h = 0;
  }
  return (in >> colon) && colon == ":" && ReadRows(in, s);
}

std::vector<Shape> ReadTable(const char* name) {
  std::ifstream file(std::string(KORVEX_SOURCE_DIR) + "/tests/platform/data/" + name);
  std::vector<Shape> shapes;
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    Shape s;
    EXPECT_TRUE(ParseShape(line, s)) << line.substr(0, 60);
    shapes.push_back(std::move(s));
  }
  return shapes;
}

Grid Draw(const Shape& s) {
  TBitmap b(kSize, kSize);
  TCanvas& c = *b.Canvas();
  c.Pen()->SetColor(kPen);
  c.Pen()->SetStyle(s.pen ? psSolid : psClear);
  c.Brush()->SetColor(kBrush);
  c.Brush()->SetStyle(s.brush ? bsSolid : bsClear);
  if (s.ellipse) {
    c.Ellipse(kOrigin, kOrigin, kOrigin + s.w, kOrigin + s.h);
  } else {
    c.Polygon(s.points);
  }
  Grid g{};
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const TColor p = c.Pixels(x, y);
      g[static_cast<std::size_t>(y * kSize + x)] = p == kPen ? 1 : p == kBrush ? 2 : 0;
    }
  return g;
}

// Both pictures side by side, over the rows and columns either has ink in (and the box).
std::string Pictures(const Grid& gdi, const Grid& ours) {
  int x0 = kSize, y0 = kSize, x1 = 0, y1 = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (gdi[static_cast<std::size_t>(y * kSize + x)] ||
          ours[static_cast<std::size_t>(y * kSize + x)])
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  std::string out = "\nGDI | ours ('#' pen, 'o' brush), from " + std::to_string(x0) + "," +
                    std::to_string(y0) + "\n";
  for (int y = y0; y <= y1; ++y) {
    for (const Grid* g : {&gdi, &ours}) {
      for (int x = x0; x <= x1; ++x) out += ".#o"[(*g)[static_cast<std::size_t>(y * kSize + x)]];
      out += g == &gdi ? " | " : "\n";
    }
  }
  return out;
}

// Boxes of these widths from this height on: GDI's outline ends short of the top and bottom
// rows (and its fill of those rows is stray, at times outside the box). There the library
// draws the middle column(s) instead, so the ellipse reaches all four sides of its box.
struct ShortTips {
  int w, first_h;
};
constexpr ShortTips kShortTips[] = {{3, 8}, {4, 7}, {5, 32}, {6, 20}, {8, 40}};

bool HasShortTips(const Shape& s) {
  return s.ellipse && std::any_of(std::begin(kShortTips), std::end(kShortTips),
                                  [&](ShortTips t) { return s.w == t.w && s.h >= t.first_h; });
}

// The rows of the box that GDI's outline of s leaves empty (taken from the pen-only drawing
// of the same box, whose fill cannot stray).
std::vector<bool> EmptyOutlineRows(const Grid& pen_only, const Shape& s) {
  std::vector<bool> empty(static_cast<std::size_t>(s.h));
  for (int y = 0; y < s.h; ++y) {
    const auto row = pen_only.begin() + (kOrigin + y) * kSize + kOrigin;
    empty[static_cast<std::size_t>(y)] = std::all_of(row, row + s.w, [](auto c) { return c == 0; });
  }
  return empty;
}

// What the library draws instead of GDI for the listed exceptions: on the rows GDI's outline
// leaves empty, the middle column(s) in the pen (in the brush without one) and nothing else,
// and one pixel for a 1 x 1 box with a pen (GDI draws none).
Grid Expected(const Shape& s, const Grid* pen_only) {
  if (s.ellipse && s.w == 1 && s.h == 1 && s.pen) {
    Grid g{};
    g[kOrigin * kSize + kOrigin] = 1;
    return g;
  }
  if (!HasShortTips(s) || pen_only == nullptr) return s.gdi;
  const std::vector<bool> empty = EmptyOutlineRows(*pen_only, s);
  Grid g{};
  for (int y = kOrigin; y < kOrigin + s.h; ++y)
    for (int x = kOrigin; x < kOrigin + s.w; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * kSize + x);
      const bool middle = x - kOrigin == (s.w - 1) / 2 || x - kOrigin == s.w / 2;
      if (!empty[static_cast<std::size_t>(y - kOrigin)]) {
        g[at] = s.gdi[at];
      } else if (middle) {
        g[at] = s.pen ? 1 : 2;
      }
    }
  return g;
}

// Draws every shape of the table; returns how many are listed exceptions.
int CheckTable(const char* name, std::size_t count) {
  const std::vector<Shape> shapes = ReadTable(name);
  EXPECT_EQ(shapes.size(), count) << name;
  std::map<std::pair<int, int>, const Grid*> pen_only;  // ellipse box -> its pen-only drawing
  for (const Shape& s : shapes)
    if (s.ellipse && s.pen && !s.brush) pen_only[{s.w, s.h}] = &s.gdi;
  int exceptions = 0;
  for (const Shape& s : shapes) {
    const auto it = pen_only.find({s.w, s.h});
    const Grid want = Expected(s, it != pen_only.end() ? it->second : nullptr);
    if (want != s.gdi) {
      ++exceptions;
      // A listed exception that GDI's own picture would satisfy is listed wrongly.
      EXPECT_NE(Draw(s), s.gdi) << s.line;
    }
    const Grid got = Draw(s);
    if (got != want) {
      ADD_FAILURE() << name << ": " << s.line << Pictures(want, got);
      return exceptions;
    }
  }
  return exceptions;
}

TEST(GdiFills, EllipsesOfEveryBoxUpTo64) {
  // 3 styles x 64 x 64 boxes; exceptions: 218 boxes with short tips in each style, 1 x 1 twice.
  EXPECT_EQ(CheckTable("gdi_ellipses.txt", 3 * 64 * 64), 3 * 218 + 2);
}

TEST(GdiFills, PolygonsWithAlternateFilling) {
  // 371 polygons x 4 styles, every one as GDI draws it.
  EXPECT_EQ(CheckTable("gdi_polygons.txt", 4 * 371), 0);
}

// Boxes longer than the walk's limit (2^17) take each row's and column's nearest pixel
// instead; at the ends of a flat box, where the two agree, both sides of the limit draw alike.
TEST(GdiFills, EllipsesBeyondTheWalkAgreeAtTheirEnds) {
  for (const int h : {3, 20, 33, 64}) {
    std::array<Grid, 2> drawn{};
    for (int k = 0; k < 2; ++k) {
      TBitmap b(kSize, kSize);
      TCanvas& c = *b.Canvas();
      c.Pen()->SetColor(kPen);
      c.Brush()->SetColor(kBrush);
      c.Ellipse(kOrigin, kOrigin, kOrigin + (1 << 17) + 2 * k, kOrigin + h);
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
          const TColor p = c.Pixels(x, y);
          drawn[static_cast<std::size_t>(k)][static_cast<std::size_t>(y * kSize + x)] =
              p == kPen     ? 1
              : p == kBrush ? 2
                            : 0;
        }
    }
    EXPECT_EQ(drawn[0], drawn[1]) << "height " << h << Pictures(drawn[0], drawn[1]);
  }
}

// The diamond, drawn in a picture here so a change shows at a glance.
TEST(GdiFills, DiamondStaysInsideItsOutline) {
  TBitmap b(17, 17);
  TCanvas& c = *b.Canvas();
  c.Pen()->SetColor(kPen);
  c.Brush()->SetColor(kBrush);
  const std::array<TPoint, 4> diamond{{{8, 11}, {11, 14}, {14, 11}, {11, 8}}};
  c.Polygon(diamond);
  std::string rows;
  for (int y = 8; y <= 14; ++y) {
    for (int x = 8; x <= 14; ++x) {
      const TColor p = c.Pixels(x, y);
      rows += p == kPen ? '#' : p == kBrush ? 'o' : '.';
    }
    rows += '\n';
  }
  EXPECT_EQ(rows, "...#...\n..#o#..\n.#ooo#.\n#ooooo#\n.#ooo#.\n..#o#..\n...#...\n");
}

}  // namespace
}  // namespace krv
