#include "korvex/base/canvas_draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/fonts.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

// A picture of the canvas area (x0, y0, w, h), one line per row: '.' for white, the legend's
// letter for its colours, '#' for any other colour. Failures print it as ASCII art.
std::string Art(const TCanvas& c, int x0, int y0, int w, int h,
                const std::map<TColor, char>& legend = {}) {
  std::string art = "\n";
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) {
      const TColor p = c.Pixels(x, y);
      const auto it = legend.find(p);
      art += it != legend.end() ? it->second : p == clWhite ? '.' : '#';
    }
    art += '\n';
  }
  return art;
}

std::string Lines(std::initializer_list<const char*> rows) {
  std::string art = "\n";
  for (const char* r : rows) art += std::string(r) + "\n";
  return art;
}

// The box holding every non-white pixel: {left, top, right, bottom}, or all -1 when none.
TRect InkBox(const TBitmap& b) {
  TRect box{-1, -1, -1, -1};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Canvas()->Pixels(x, y) != clWhite) {
        if (box.Left < 0 || x < box.Left) box.Left = x;
        if (box.Top < 0) box.Top = y;
        box.Right = std::max(box.Right, x);
        box.Bottom = y;
      }
  return box;
}

TEST(DrawFrame, EveryStyle) {
  constexpr TColor c1 = 0x000001, c2 = 0x000002, c3 = 0x000003, c4 = 0x000004, c5 = 0x000005;
  const std::map<TColor, char> legend{{c1, '1'}, {c2, '2'}, {c3, '3'}, {c4, '4'}, {c5, '5'}};
  // The rims of (1, 1)-(8, 6) with A..D standing for the style's four colours.
  const std::string rims = Lines({"..........", ".AAAAAAAA.", ".ACCCCCCB.", ".AC....DB.",
                                  ".AC....DB.", ".ADDDDDDB.", ".BBBBBBBB.", ".........."});
  struct Case {
    TFrameStyle style;
    std::string abcd;  // colours of A, B, C, D
  };
  const Case cases[] = {
      {fsRaised, "1423"}, {fsLowered, "3142"}, {fsEmbossed, "1331"}, {fsEngraved, "3113"}};
  for (const Case& k : cases) {
    TBitmap b(10, 8);
    DrawFrame(*b.Canvas(), k.style, 1, 1, 8, 6, c1, c2, c3, c4, c5);
    std::string want = rims;
    for (char& ch : want)
      if (ch >= 'A' && ch <= 'D') ch = k.abcd[static_cast<std::size_t>(ch - 'A')];
    EXPECT_EQ(Art(*b.Canvas(), 0, 0, 10, 8, legend), want) << "style " << int{k.style};
    EXPECT_EQ(b.Canvas()->Pen()->Color(), static_cast<TColor>(k.abcd[3] - '0'));
  }
  TBitmap simple(10, 8);
  DrawFrame(*simple.Canvas(), fsSimple, 1, 1, 8, 6, c1, c2, c3, c4, c5);
  EXPECT_EQ(Art(*simple.Canvas(), 0, 0, 10, 8, legend),
            Lines({"..........", ".55555555.", ".5......5.", ".5......5.", ".5......5.",
                   ".5......5.", ".55555555.", ".........."}));
  TBitmap none(10, 8);
  none.Canvas()->Pen()->SetColor(c2);
  DrawFrame(*none.Canvas(), fsNone, 1, 1, 8, 6, c1, c2, c3, c4, c5);
  EXPECT_EQ(InkBox(none).Left, -1);
  EXPECT_EQ(none.Canvas()->Pen()->Color(), c2);
}

TEST(DrawMarkOnCanvas, ScreenPatterns) {
  const std::map<int, std::string> patterns{
      {1, Lines({".......", ".......", "...#...", "..###..", "...#...", ".......", "......."})},
      {2, Lines({".......", "...#...", "...#...", ".#####.", "...#...", "...#...", "......."})},
      {3, Lines({"...#...", "...#...", "...#...", "#######", "...#...", "...#...", "...#..."})},
      {4, Lines({".......", ".......", "..#.#..", "...#...", "..#.#..", ".......", "......."})},
      {5, Lines({".......", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "......."})},
      {6, Lines({"#.....#", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "#.....#"})},
      {18, Lines({"#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#"})},
  };
  for (const auto& [type, want] : patterns) {
    TBitmap b(11, 11);
    b.Canvas()->Pen()->SetColor(clBlack);
    DrawMarkOnCanvas(*b.Canvas(), static_cast<Byte>(type), 5, 5);
    EXPECT_EQ(Art(*b.Canvas(), 2, 2, 7, 7), want) << "type " << type;
    const TRect box = InkBox(b);
    EXPECT_TRUE(box.Left >= 2 && box.Right <= 8 && box.Top >= 2 && box.Bottom <= 8);
  }
}

TEST(CreateMarkAsBitmap, SquareAndSizes) {
  const auto m = CreateMarkAsBitmap(8, clRed, clWhite, 0);
  ASSERT_EQ(m->Width(), 7);
  ASSERT_EQ(m->Height(), 7);
  EXPECT_EQ(Art(*m->Canvas(), 0, 0, 7, 7, {{clRed, 'r'}}),
            Lines({".......", ".rrrrr.", ".rrrrr.", ".rrrrr.", ".rrrrr.", ".rrrrr.", "......."}));
  struct Case {
    std::int32_t size, edge;
  };
  for (const Case k : {Case{300, 517}, Case{255, 517}, Case{-4, 7}, Case{10, 27}}) {
    const auto b = CreateMarkAsBitmap(0, clBlue, clGreen, k.size);
    EXPECT_EQ(b->Width(), k.edge) << k.size;
    EXPECT_EQ(b->Height(), k.edge) << k.size;
    const int centre = k.edge / 2;
    EXPECT_EQ(b->Canvas()->Pixels(centre, centre), clBlue) << k.size;
    EXPECT_EQ(b->Canvas()->Pixels(0, k.edge - 1), clGreen) << k.size;
    EXPECT_EQ(b->Canvas()->Pixels(centre + 1, centre), clGreen) << k.size;
  }
}

TEST(DrawMarkOnCanvas, ShapesKeepBrushColourAndStayNearCentre) {
  for (int type = 0; type <= 51; ++type) {
    TBitmap b(40, 40);
    TCanvas& c = *b.Canvas();
    c.Brush()->SetColor(clLime);
    c.Pen()->SetColor(clRed);
    DrawMarkOnCanvas(c, static_cast<Byte>(type), 20, 20);
    EXPECT_EQ(c.Brush()->Color(), clLime) << "type " << type;
    const TRect box = InkBox(b);
    // The largest shapes reach 4 pixels out (mark 37 draws 7 up).
    EXPECT_TRUE(box.Left >= 16 && box.Top >= 13 && box.Right <= 24 && box.Bottom <= 24)
        << "type " << type << Art(c, 10, 10, 20, 20);
    EXPECT_GE(box.Left, 0) << "type " << type << " draws nothing";
  }
}

// Offsets from points at the ends of the coordinate range wrap around as 32-bit integers do
// (the sanitizer builds check that no arithmetic overflows).
TEST(DrawMarkOnCanvas, ExtremeCoordinates) {
  constexpr std::int32_t kMax = INT32_MAX, kMin = INT32_MIN;
  TBitmap b(8, 8);
  for (int type = 0; type <= 255; ++type) {
    DrawMarkOnCanvas(*b.Canvas(), static_cast<Byte>(type), kMax, kMax);
    DrawMarkOnCanvas(*b.Canvas(), static_cast<Byte>(type), kMin, kMin);
  }
  DrawFrame(*b.Canvas(), fsRaised, kMin, kMin, kMax, kMax, 1, 2, 3, 4, 5);
  EXPECT_EQ(b.Canvas()->PenPos(), (TPoint{kMin, kMax - 1}));
}

// Draws text as a character mark does, on a fresh canvas: the reference for marks 52..255.
void ReferenceText(TBitmap& b, const String& text, int x, int y) {
  TCanvas& c = *b.Canvas();
  c.Font()->SetColor(clRed);
  c.Brush()->SetStyle(bsClear);
  c.TextOut(x - c.TextWidth(text) / 2, y - c.TextHeight(text) / 2, text);
}

TEST(DrawMarkOnCanvas, Characters) {
  const std::map<int, String> named{{200, u"0"}, {209, u"9"}, {65, u"A"}, {52, u"4"}};
  for (const auto& [type, text] : named) {
    TBitmap mark(40, 40), want(40, 40);
    mark.Canvas()->Pen()->SetColor(clRed);
    DrawMarkOnCanvas(*mark.Canvas(), static_cast<Byte>(type), 20, 20);
    ReferenceText(want, text, 20, 20);
    EXPECT_EQ(Art(*mark.Canvas(), 0, 0, 40, 40), Art(*want.Canvas(), 0, 0, 40, 40)) << type;
    EXPECT_GE(InkBox(mark).Left, 0) << type;
    EXPECT_EQ(mark.Canvas()->Font()->Color(), clRed);
    EXPECT_EQ(mark.Canvas()->Brush()->Style(), bsClear);
  }
  // Every character mark is its character centred on the point, and close to it.
  for (int type = 52; type <= 255; ++type) {
    TBitmap mark(64, 64), want(64, 64);
    mark.Canvas()->Pen()->SetColor(clRed);
    DrawMarkOnCanvas(*mark.Canvas(), static_cast<Byte>(type), 32, 32);
    const String text(1, type >= 200 && type <= 209 ? static_cast<Char>(u'0' + type - 200)
                                                    : AnsiToChar(static_cast<unsigned char>(type)));
    ReferenceText(want, text, 32, 32);
    ASSERT_EQ(Art(*mark.Canvas(), 0, 0, 64, 64), Art(*want.Canvas(), 0, 0, 64, 64)) << type;
    const TRect box = InkBox(mark);
    const int w = want.Canvas()->TextWidth(text), h = want.Canvas()->TextHeight(text);
    EXPECT_EQ(box.Left < 0, type == 0xA0) << type;  // only the no-break space is blank
    if (box.Left >= 0) {
      EXPECT_TRUE(box.Left >= 32 - w && box.Right <= 32 + w && box.Top >= 32 - h &&
                  box.Bottom <= 32 + h)
          << type;
    }
  }
}

// Ends the printer's job however the test leaves.
struct PrintJob {
  explicit PrintJob(int side) {
    Printer()->SetPageFormat(side, side, 300);
    Printer()->BeginDoc();
  }
  // Dropped, never sent: these pages must not reach a real printer.
  ~PrintJob() { Printer()->Abort(); }
};

TEST(DrawMarkOnCanvas, PrinterVariantsDrawLines) {
  const std::map<int, std::string> printer_patterns{
      {1, Lines({".........", ".........", "....#....", "....#....", "..####...", "....#....",
                 ".........", ".........", "........."})},
      {3, Lines({"....#....", "....#....", "....#....", "....#....", "########.", "....#....",
                 "....#....", "....#....", "........."})},
      {4, Lines({".........", ".........", "..#......", "...#.#...", "....#....", "...#.#...",
                 "..#......", ".........", "........."})},
  };
  const PrintJob job(20);
  TCanvas& c = *Printer()->Canvas();
  for (const auto& [type, want] : printer_patterns) {
    c.Brush()->SetColor(clWhite);
    c.Rectangle(-1, -1, 21, 21);
    c.Pen()->SetColor(clBlack);
    DrawMarkOnCanvas(c, static_cast<Byte>(type), 10, 10);
    EXPECT_EQ(Art(c, 6, 6, 9, 9), want) << "type " << type;
  }
  // Mark 18 as lines: one-pixel pen gives the checkerboard, a wider pen more than its 25 dots.
  for (int width : {1, 3}) {
    c.Pen()->SetColor(clWhite);
    c.Brush()->SetColor(clWhite);
    c.Rectangle(-1, -1, 21, 21);
    c.Pen()->SetColor(clBlack);
    c.Pen()->SetWidth(width);
    DrawMarkOnCanvas(c, 18, 10, 10);
    int dots = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) dots += c.Pixels(x, y) == clBlack;
    if (width == 1)
      EXPECT_EQ(Art(c, 7, 7, 7, 7), Lines({"#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#",
                                           ".#.#.#.", "#.#.#.#"}));
    else
      EXPECT_GT(dots, 25) << Art(c, 0, 0, 20, 20);
  }
  c.Pen()->SetWidth(1);
  // Mark 25 ends its lines one pixel sooner on the printer.
  TBitmap screen(20, 20);
  DrawMarkOnCanvas(*screen.Canvas(), 25, 10, 10);
  c.Pen()->SetColor(clWhite);
  c.Rectangle(-1, -1, 21, 21);
  c.Pen()->SetColor(clBlack);
  DrawMarkOnCanvas(c, 25, 10, 10);
  EXPECT_EQ(screen.Canvas()->Pixels(13, 13), clBlack);
  EXPECT_EQ(c.Pixels(13, 13), clWhite) << Art(c, 5, 5, 11, 11);
  EXPECT_EQ(c.Pixels(12, 12), clBlack) << Art(c, 5, 5, 11, 11);
}

TEST(PrintBitmap, CopiesPixelsDuringAJob) {
  TBitmap b(3, 2);
  b.Canvas()->SetPixels(0, 0, clRed);
  b.Canvas()->SetPixels(2, 1, clBlue);
  EXPECT_THROW(PrintBitmap(b, 0, 0), EPrinter);
  const PrintJob job(10);
  PrintBitmap(b, 5, 6);
  EXPECT_EQ(Art(*Printer()->Canvas(), 4, 5, 5, 4, {{clRed, 'r'}, {clBlue, 'b'}}),
            Lines({".....", ".r...", "...b.", "....."}));
}

TEST(FontIsTrueType, InstalledAndMissingFonts) {
  if (Screen()->FontInstalled(u"DejaVu Sans")) {
    EXPECT_TRUE(FontIsTrueType(u"DejaVu Sans"));
  }
  try {
    FontIsTrueType(u"No Such Font Qx17");
    FAIL() << "no exception";
  } catch (const EKRVError& e) {
    EXPECT_NE(std::string(e.what()).find("No Such Font Qx17"), std::string::npos) << e.what();
  }
}

TEST(SetCanvasFontSizeScaled, HeightAtScreenResolution) {
  TBitmap b(1, 1);
  TFont& f = *b.Canvas()->Font();
  const std::int32_t screen_ppi = Screen()->PixelsPerInch();
  for (std::int32_t points : {8, 10, 12, 36}) {
    for (std::int32_t ppi : {screen_ppi, 300}) {
      f.SetPixelsPerInch(ppi);
      SetCanvasFontSizeScaled(*b.Canvas(), points);
      TFont screen_font;
      screen_font.SetPixelsPerInch(screen_ppi);
      screen_font.SetSize(points);
      EXPECT_EQ(f.Height(), screen_font.Height()) << points << " at " << ppi;
      EXPECT_EQ(f.PixelsPerInch(), ppi);
    }
  }
}

}  // namespace
}  // namespace krv
