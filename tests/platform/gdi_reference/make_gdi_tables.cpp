// Writes the reference tables of tests/platform/data/gdi_*.txt: the pixels GDI (under Wine) puts
// down for Ellipse and for Polygon (ALTERNATE fill mode), which platform_gdi_fills_test
// compares TCanvas with.
//
// Every shape is drawn alone on a white 80 x 80 top-down 32-bit DIB section selected into a
// memory DC, with a one-pixel PS_SOLID pen in red (or the PS_NULL pen) and a solid green brush
// (or NULL_BRUSH):
// - gdi_ellipses.txt: Ellipse(8, 8, 8 + W, 8 + H) for every W and H in 1..64, with pen and
//   brush, brush only, pen only;
// - gdi_polygons.txt: the diamond (8,11) (11,14) (14,11) (11,8), the polygons of marks 14, 15,
//   29, 30, 34, 36, 41, 43, 45 and 47 centred on (20, 20), and 360 polygons of 3..8 points in
//   8..71 x 8..71 from a fixed seed (convex, star-shaped concave, and points in random order,
//   which crosses itself), each with pen and brush, brush only, pen only, neither.
//
// Table format, one shape a line ('#' starts a comment line):
//   E <style> <W> <H> : <x0> <y0> <sym> <row>...           an ellipse
//   P <style> <n> <x>,<y> ... (n points) : <x0> <y0> <sym> <row>...   a polygon
// style is PB (pen and brush), B (brush only), P (pen only) or N (neither). Row k of the list
// is pixel row y0 + k and starts at x = x0; it is a chain of run lengths, each one character
// c standing for c - '0' pixels (0..78), in the repeating colour order white, pen, brush; the
// row ends with its last run (the rest is white) and "." is an all-white row. sym is "-" when
// the rows are all given, or the symmetry that folds them: "v" (only the top ceil(n / 2) of n
// rows given, the bottom ones mirror them), "h" (each row gives only its left ceil(W / 2)
// pixels, the right ones mirror them about the box's centre) or "vh". Ellipse rows cover the
// box (x0 = 8, y0 = 8, H rows); polygon rows, and those of an ellipse with ink outside its
// box, cover the rows with ink, from x0 = 0.
//
// For tall boxes a few pixels wide GDI's outline stops short of the top and bottom rows and
// its fill of those rows is stray (at times outside the box, and not the same from one run to
// the next); the test lists those boxes as exceptions.
//
// Regenerate (needs the MinGW-w64 cross compiler and wine64):
//   tests/platform/gdi_reference/make_tables.sh
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 80;
constexpr int kOrigin = 8;
constexpr COLORREF kPen = RGB(255, 0, 0);
constexpr COLORREF kBrush = RGB(0, 255, 0);

struct Style {
  const char* name;
  bool pen, brush;
};
constexpr Style kStyles[] = {
    {"PB", true, true}, {"B", false, true}, {"P", true, false}, {"N", false, false}};

// The drawing surface: a DIB section in a memory DC, its pixels readable directly.
struct Surface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  std::uint32_t* bits = nullptr;

  Surface() {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    if (dc == nullptr || bitmap == nullptr || p == nullptr) {
      std::fprintf(stderr, "cannot create the DIB section\n");
      std::exit(1);
    }
    bits = static_cast<std::uint32_t*>(p);
    SelectObject(dc, bitmap);
    SetPolyFillMode(dc, ALTERNATE);
  }

  void Clear() {
    GdiFlush();
    for (int k = 0; k < kSize * kSize; ++k) bits[k] = 0xFFFFFF;
  }

  // 0 white, 1 pen, 2 brush.
  int At(int x, int y) const {
    const std::uint32_t v = bits[y * kSize + x] & 0xFFFFFF;
    if (v == 0xFFFFFF) return 0;
    if (v == 0xFF0000) return 1;
    if (v == 0x00FF00) return 2;
    std::fprintf(stderr, "unexpected colour %06x at %d,%d\n", static_cast<unsigned>(v), x, y);
    std::exit(1);
  }

  // Selects the style's pen and brush; returns the objects to delete afterwards.
  void Select(const Style& s, HPEN& pen, HBRUSH& brush) {
    pen = s.pen ? CreatePen(PS_SOLID, 1, kPen) : CreatePen(PS_NULL, 1, kPen);
    brush = s.brush ? CreateSolidBrush(kBrush) : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    SelectObject(dc, pen);
    SelectObject(dc, brush);
  }

  void Release(HPEN pen, HBRUSH brush, const Style& s) {
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    if (s.brush) DeleteObject(brush);
    GdiFlush();
  }
};

// Appends run length n in the table's one-character code; a run longer than the code holds
// continues after two empty runs of the other colours.
void PutRun(std::string& row, int n) {
  while (n > 78) {
    row += static_cast<char>('0' + 78);
    row += "00";
    n -= 78;
  }
  row += static_cast<char>('0' + n);
}

// Row y from x0 to x1 (excluded) as a chain of runs white, pen, brush, white, ...
std::string EncodeRow(const Surface& s, int y, int x0, int x1) {
  int end = x1;
  while (end > x0 && s.At(end - 1, y) == 0) --end;
  if (end == x0) return ".";
  std::string row;
  int colour = 0;  // colour of the run being counted
  int n = 0;
  for (int x = x0; x < end; ++x) {
    const int c = s.At(x, y);
    while (c != colour) {
      PutRun(row, n);
      n = 0;
      colour = (colour + 1) % 3;
    }
    ++n;
  }
  PutRun(row, n);
  return row;
}

// The rows of the box (x0, y0, w, h), folded by the symmetries the picture has.
std::string EncodeBox(const Surface& s, int x0, int y0, int w, int h) {
  bool v = true, hz = true;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      v = v && s.At(x, y) == s.At(x, 2 * y0 + h - 1 - y);
      hz = hz && s.At(x, y) == s.At(2 * x0 + w - 1 - x, y);
    }
  const int rows = v ? (h + 1) / 2 : h;
  const int cols = hz ? (w + 1) / 2 : w;
  std::string out = std::to_string(x0) + " " + std::to_string(y0) + " " +
                    (v && hz ? "vh"
                     : v     ? "v"
                     : hz    ? "h"
                             : "-");
  for (int y = y0; y < y0 + rows; ++y) out += " " + EncodeRow(s, y, x0, x0 + cols);
  return out;
}

// Whether every pixel outside the box (x0, y0, w, h) is white.
bool Inside(const Surface& s, int x0, int y0, int w, int h) {
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if ((x < x0 || x >= x0 + w || y < y0 || y >= y0 + h) && s.At(x, y) != 0) return false;
  return true;
}

// The rows from the first to the last one with ink, whole, from x0 = 0.
std::string EncodeInk(const Surface& s) {
  int top = kSize, bottom = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (s.At(x, y) != 0) top = top < y ? top : y, bottom = y + 1;
  if (top == kSize) top = bottom = 0;
  std::string out = "0 " + std::to_string(top) + " -";
  for (int y = top; y < bottom; ++y) out += " " + EncodeRow(s, y, 0, kSize);
  return out;
}

void WriteEllipses(Surface& s, std::FILE* out) {
  std::fprintf(out, "# Ellipse(8, 8, 8 + W, 8 + H) on GDI; see make_gdi_tables.cpp.\n");
  for (int k = 0; k < 3; ++k) {
    const Style& st = kStyles[k];
    for (int w = 1; w <= 64; ++w)
      for (int h = 1; h <= 64; ++h) {
        s.Clear();
        HPEN pen;
        HBRUSH brush;
        s.Select(st, pen, brush);
        Ellipse(s.dc, kOrigin, kOrigin, kOrigin + w, kOrigin + h);
        s.Release(pen, brush, st);
        // Ink outside the box (GDI has been seen to put some there) is kept as it is.
        const std::string rows =
            Inside(s, kOrigin, kOrigin, w, h) ? EncodeBox(s, kOrigin, kOrigin, w, h) : EncodeInk(s);
        std::fprintf(out, "E %s %d %d : %s\n", st.name, w, h, rows.c_str());
      }
  }
}

// A small fixed-seed generator (the 64-bit LCG of Knuth's MMIX), so the tables stay the same.
struct Lcg {
  std::uint64_t state;
  int Below(int n) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(n));
  }
};

std::vector<POINT> RandomPolygon(Lcg& rng, int kind) {
  const int n = 3 + rng.Below(6);
  std::vector<POINT> pts;
  if (kind == 2) {  // any order: usually crosses itself
    for (int k = 0; k < n; ++k) pts.push_back({8 + rng.Below(64), 8 + rng.Below(64)});
    return pts;
  }
  // Points around a centre in angle order: radius fixed (convex, up to rounding) or random
  // (star-shaped, concave).
  const double cx = 20 + rng.Below(40), cy = 20 + rng.Below(40);
  const double r = 3 + rng.Below(26);
  std::vector<double> angles;
  for (int k = 0; k < n; ++k) angles.push_back(rng.Below(3600) * 3.14159265358979 / 1800);
  for (std::size_t a = 0; a < angles.size(); ++a)
    for (std::size_t b = a + 1; b < angles.size(); ++b)
      if (angles[b] < angles[a]) std::swap(angles[a], angles[b]);
  for (const double a : angles) {
    const double rr = kind == 0 ? r : 1 + rng.Below(static_cast<int>(r) + 1);
    int x = static_cast<int>(cx + rr * __builtin_cos(a) + 0.5);
    int y = static_cast<int>(cy + rr * __builtin_sin(a) + 0.5);
    x = x < 8 ? 8 : x > 71 ? 71 : x;
    y = y < 8 ? 8 : y > 71 ? 71 : y;
    pts.push_back({x, y});
  }
  return pts;
}

// The polygons of the marks drawn centred on (20, 20).
std::vector<std::vector<POINT>> MarkPolygons() {
  const int x = 20, y = 20;
  return {
      {{x - 2, y}, {x, y + 2}, {x + 2, y}, {x, y - 2}},  // 14
      {{x - 3, y}, {x, y + 3}, {x + 3, y}, {x, y - 3}},  // 15
      {{x - 2, y}, {x, y + 2}, {x + 2, y}},              // 29
      {{x - 3, y}, {x, y + 3}, {x + 3, y}},              // 30
      {{x - 4, y - 3}, {x, y + 4}, {x + 4, y - 3}},      // 34
      {{x - 4, y + 3}, {x, y - 4}, {x + 4, y + 3}},      // 36
      {{x + 3, y - 2}, {x - 2, y}, {x + 3, y + 2}},      // 41
      {{x + 4, y - 3}, {x - 3, y}, {x + 4, y + 3}},      // 43
      {{x - 3, y - 2}, {x + 2, y}, {x - 3, y + 2}},      // 45
      {{x - 4, y - 3}, {x + 3, y}, {x - 4, y + 3}},      // 47
  };
}

void WritePolygon(Surface& s, std::FILE* out, const std::vector<POINT>& pts) {
  for (const Style& st : kStyles) {
    s.Clear();
    HPEN pen;
    HBRUSH brush;
    s.Select(st, pen, brush);
    Polygon(s.dc, pts.data(), static_cast<int>(pts.size()));
    s.Release(pen, brush, st);
    std::string line = std::string("P ") + st.name + " " + std::to_string(pts.size());
    for (const POINT& p : pts) line += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    std::fprintf(out, "%s : %s\n", line.c_str(), EncodeInk(s).c_str());
  }
}

void WritePolygons(Surface& s, std::FILE* out) {
  std::fprintf(out, "# Polygon with ALTERNATE filling on GDI; see make_gdi_tables.cpp.\n");
  WritePolygon(s, out, {{8, 11}, {11, 14}, {14, 11}, {11, 8}});
  for (const auto& pts : MarkPolygons()) WritePolygon(s, out, pts);
  Lcg rng{20240611};
  for (int k = 0; k < 360; ++k) WritePolygon(s, out, RandomPolygon(rng, k % 3));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_gdi_tables ELLIPSES.txt POLYGONS.txt\n");
    return 2;
  }
  Surface s;
  std::FILE* e = std::fopen(argv[1], "wb");
  std::FILE* p = std::fopen(argv[2], "wb");
  if (e == nullptr || p == nullptr) {
    std::fprintf(stderr, "cannot create the tables\n");
    return 1;
  }
  WriteEllipses(s, e);
  WritePolygons(s, p);
  return std::fclose(e) == 0 && std::fclose(p) == 0 ? 0 : 1;
}
