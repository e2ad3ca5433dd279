// The built-in font's glyph data and the canvas's text extent and drawing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"
#include "platform/internal/builtin_font.h"

namespace krv {
namespace {

using detail::BuiltinFontCovers;
using detail::BuiltinFontGlyph;
using detail::BuiltinGlyph;
using detail::kFontCellHeight;

constexpr std::uint32_t kWhite = 0xFFFFFF, kInk = 0x123456, kPaper = 0x00FF00;

bool SameGlyph(const BuiltinGlyph& a, const BuiltinGlyph& b) {
  return a.width == b.width && a.advance == b.advance && a.rows == b.rows;
}

std::vector<char32_t> Covered() {
  std::vector<char32_t> codes;
  for (char32_t c = 0x20; c <= 0x7E; ++c) codes.push_back(c);
  for (char32_t c = 0xA0; c <= 0xFF; ++c) codes.push_back(c);
  // The characters of Windows-1252 0x80..0x9F.
  for (std::uint8_t b = 0x80; b <= 0x9F; ++b)
    if (AnsiToChar(b) >= 0x100) codes.push_back(AnsiToChar(b));
  EXPECT_EQ(codes.size(), 95u + 96u + 27u);
  return codes;
}

TEST(BuiltinFont, EveryGlyphLiesInsideItsCellAndAdvance) {
  for (char32_t c : Covered()) {
    SCOPED_TRACE(static_cast<int>(c));
    ASSERT_TRUE(BuiltinFontCovers(c));
    const BuiltinGlyph& g = BuiltinFontGlyph(c);
    EXPECT_GE(g.width, 1);
    EXPECT_EQ(g.advance, g.width + 1);
    bool ink = false;
    for (std::uint16_t row : g.rows) {
      EXPECT_EQ(row >> g.width, 0);
      ink = ink || row != 0;
    }
    EXPECT_EQ(ink, c != 0x20 && c != 0xA0);
  }
}

TEST(BuiltinFont, NoTwoCharactersLookAlikeExceptTheirAliases) {
  // No-break space draws as space, the soft hyphen as a hyphen.
  const std::set<std::pair<char32_t, char32_t>> aliases = {{0x20, 0xA0}, {0x2D, 0xAD}};
  const std::vector<char32_t> codes = Covered();
  for (std::size_t i = 0; i < codes.size(); ++i) {
    EXPECT_FALSE(SameGlyph(BuiltinFontGlyph(codes[i]), detail::BuiltinFontReplacement()));
    for (std::size_t j = i + 1; j < codes.size(); ++j) {
      if (aliases.contains({codes[i], codes[j]})) continue;
      EXPECT_FALSE(SameGlyph(BuiltinFontGlyph(codes[i]), BuiltinFontGlyph(codes[j])))
          << std::hex << static_cast<int>(codes[i]) << " " << static_cast<int>(codes[j]);
    }
  }
}

TEST(BuiltinFont, AccentedCapitalsKeepTheirBaseLetter) {
  const std::pair<char32_t, char32_t> cases[] = {{0xC0, 'A'},  {0xC5, 'A'}, {0xC9, 'E'},
                                                 {0xD1, 'N'},  {0xD6, 'O'}, {0xDD, 'Y'},
                                                 {0x160, 'S'}, {0x178, 'Y'}};
  for (auto [accented, base] : cases) {
    const BuiltinGlyph &a = BuiltinFontGlyph(accented), &b = BuiltinFontGlyph(base);
    for (int r = 3; r < kFontCellHeight; ++r) EXPECT_EQ(a.rows[r], b.rows[r]) << r;
    EXPECT_NE(a.rows[0] | a.rows[1], 0);
  }
}

TEST(BuiltinFont, UncoveredCodePointsDrawTheEmptyBox) {
  for (char32_t c : {0x00u, 0x09u, 0x1Fu, 0x7Fu, 0x80u, 0x9Fu, 0x100u, 0x151u, 0x20ADu, 0x2123u,
                     0xD800u, 0xDFFFu, 0xFFFDu, 0x1F600u, 0x10FFFFu, 0xFFFFFFFFu}) {
    EXPECT_FALSE(BuiltinFontCovers(c));
    EXPECT_TRUE(SameGlyph(BuiltinFontGlyph(c), detail::BuiltinFontReplacement()));
  }
  const BuiltinGlyph& box = detail::BuiltinFontReplacement();
  // A closed outline with nothing inside.
  int top = 0, bottom = kFontCellHeight - 1;
  while (box.rows[top] == 0) ++top;
  while (box.rows[bottom] == 0) --bottom;
  const std::uint16_t full = static_cast<std::uint16_t>((1u << box.width) - 1);
  const std::uint16_t sides = static_cast<std::uint16_t>(1u | (1u << (box.width - 1)));
  EXPECT_EQ(box.rows[top], full);
  EXPECT_EQ(box.rows[bottom], full);
  for (int r = top + 1; r < bottom; ++r) EXPECT_EQ(box.rows[r], sides);
}

// Sets up a white bitmap whose canvas draws text in kInk on kPaper.
struct Page {
  explicit Page(int w = 120, int h = 60) : bmp(w, h) {
    bmp.Canvas()->Font()->SetColor(kInk);
    bmp.Canvas()->Brush()->SetColor(kPaper);
  }
  TCanvas& c() { return *bmp.Canvas(); }
  std::uint32_t At(int x, int y) const { return bmp.ScanLine(y)[static_cast<std::size_t>(x)]; }
  TBitmap bmp;
};

// Slow reference: the glyphs' pixels set one by one, each glyph pixel a scale x scale block,
// bold as a second copy one glyph pixel to the right.
void ReferenceText(TCanvas& c, int x, int y, const String& text, int scale, bool bold) {
  for (char16_t ch : text) {
    const BuiltinGlyph& g = BuiltinFontGlyph(ch);
    for (int r = 0; r < kFontCellHeight; ++r)
      for (int col = 0; col <= g.width; ++col) {
        const bool on = (g.rows[r] >> col) & 1 || (bold && col > 0 && (g.rows[r] >> (col - 1)) & 1);
        if (!on) continue;
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx)
            c.SetPixels(x + col * scale + dx, y + r * scale + dy, kInk);
      }
    x += (g.advance + (bold ? 1 : 0)) * scale;
  }
}

TEST(CanvasText, MatchesTheSlowReferenceAtEveryScaleAndClip) {
  struct Case {
    int x, y;
    const char16_t* text;
    std::int32_t height;
    bool bold;
  };
  const Case cases[] = {
      {2, 3, u"Hello, World!", -11, false},
      {0, 0, u"\u00C9t\u00E9 \u00E0 \u00D8resund \u00DF\u00FF", 0, true},
      {-7, -5, u"Clipped left and top", 13, false},
      {100, 50, u"gjpqy at the bottom right", -11, true},
      {-30, 20, u"AWM x2", -22, false},
      {5, -10, u"|{}@#", 26, true},
      {1, 1, u"x3", -33, false},
      {10, 10, u"\u0001\xD800\u20AD", -11, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.x) + "," + std::to_string(k.y) + " h" + std::to_string(k.height));
    Page got, want;
    got.c().Brush()->SetStyle(bsClear);
    got.c().Font()->SetHeight(k.height);
    if (k.bold) got.c().Font()->SetStyle({fsBold});
    got.c().TextOut(k.x, k.y, k.text);
    const int scale = got.c().TextHeight(k.text) / kFontCellHeight;
    ReferenceText(want.c(), k.x, k.y, k.text, scale, k.bold);
    for (int y = 0; y < got.bmp.Height(); ++y)
      for (int x = 0; x < got.bmp.Width(); ++x)
        ASSERT_EQ(got.At(x, y), want.At(x, y)) << x << "," << y;
  }
}

TEST(CanvasText, HeightFollowsTheFontSize) {
  struct Case {
    std::int32_t height, expected;
  };
  const Case cases[] = {{0, 13},   {-11, 13}, {13, 13},  {19, 13},  {20, 26},
                        {-16, 13}, {-17, 26}, {-22, 26}, {-33, 39}, {1, 13}};
  TBitmap b(1, 1);
  for (const Case& k : cases) {
    b.Canvas()->Font()->SetHeight(k.height);
    EXPECT_EQ(b.Canvas()->TextHeight(u"Ag"), k.expected) << k.height;
    EXPECT_EQ(b.Canvas()->TextHeight(u""), k.expected) << k.height;
  }
  TFont& f = *b.Canvas()->Font();
  f.SetSize(8);  // the default font
  EXPECT_EQ(b.Canvas()->TextHeight(u"x"), 13);
  f.SetSize(16);
  EXPECT_EQ(b.Canvas()->TextHeight(u"x"), 26);
  f.SetHeight(std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(b.Canvas()->TextHeight(u"x"), std::numeric_limits<std::int32_t>::max());
}

TEST(CanvasText, WidthAddsUpOverStrings) {
  const String parts[] = {u"",       u"a", u"Korvex", u" \u00E9\u00DF\u00FF", u"\xD83D\xDE00",
                          u"\xDC00!"};
  const TFontStyles styles[] = {{}, {fsBold}, {fsItalic}, {fsBold, fsItalic, fsUnderline}};
  TBitmap b(1, 1);
  TCanvas& c = *b.Canvas();
  for (std::int32_t height : {-11, -22}) {
    c.Font()->SetHeight(height);
    const int scale = c.TextHeight(u"") / kFontCellHeight;
    for (TFontStyles style : styles) {
      c.Font()->SetStyle(style);
      // Italic text reaches beyond its last advance by a fixed overhang, counted once.
      const int overhang = c.TextWidth(u"i") - c.TextWidth(u"ii") + c.TextWidth(u"i");
      EXPECT_EQ(overhang, style.Contains(fsItalic) ? 3 * scale : 0);
      for (const String& a : parts)
        for (const String& z : parts) {
          const int joined = c.TextWidth(a + z);
          const int sum = c.TextWidth(a) + c.TextWidth(z);
          EXPECT_EQ(joined, a.empty() || z.empty() ? sum : sum - overhang);
        }
    }
  }
  c.Font()->SetStyle({});
  c.Font()->SetHeight(-11);
  // A surrogate pair is one character (one box), a lone surrogate one box too.
  const int box = detail::BuiltinFontReplacement().advance;
  EXPECT_EQ(c.TextWidth(u"\xD83D\xDE00"), box);
  EXPECT_EQ(c.TextWidth(u"\xD83D"), box);
  EXPECT_EQ(c.TextWidth(u"\xDE00\xD83D"), 2 * box);
  EXPECT_EQ(c.TextWidth(u"Wi"), BuiltinFontGlyph('W').advance + BuiltinFontGlyph('i').advance);
}

// Draws the text and checks that it changed nothing outside its extent and drew only in the
// font and brush colours; returns the extent's ink pixels.
std::set<std::pair<int, int>> DrawAndCheck(Page& p, int x, int y, const String& text) {
  const int w = p.c().TextWidth(text), h = p.c().TextHeight(text);
  const bool opaque = p.c().Brush()->Style() == bsSolid;
  p.c().TextOut(x, y, text);
  EXPECT_EQ(p.c().PenPos(), (TPoint{x + w, y}));
  std::set<std::pair<int, int>> ink;
  for (int py = 0; py < p.bmp.Height(); ++py)
    for (int px = 0; px < p.bmp.Width(); ++px) {
      const std::uint32_t v = p.At(px, py);
      const bool inside = px >= x && px < x + w && py >= y && py < y + h;
      if (!inside) {
        EXPECT_EQ(v, kWhite) << px << "," << py;
      } else if (v == kInk) {
        ink.insert({px - x, py - y});
      } else {
        EXPECT_EQ(v, opaque ? kPaper : kWhite) << px << "," << py;
      }
    }
  return ink;
}

TEST(CanvasText, StylesStayInsideTheExtentInTheirColours) {
  const TFontStyles styles[] = {{},
                                {fsBold},
                                {fsItalic},
                                {fsUnderline},
                                {fsStrikeOut},
                                {fsBold, fsItalic, fsUnderline, fsStrikeOut}};
  const String text = u"\u00C5gWi\u00E7|";
  for (std::int32_t height : {-11, -22}) {
    std::set<std::pair<int, int>> plain;
    for (TFontStyles style : styles) {
      std::set<std::pair<int, int>> ink[2];
      int w = 0;
      for (TBrushStyle brush : {bsSolid, bsClear}) {
        Page p(160, 40);
        p.c().Font()->SetHeight(height);
        p.c().Font()->SetStyle(style);
        p.c().Brush()->SetStyle(brush);
        w = p.c().TextWidth(text);
        ink[brush] = DrawAndCheck(p, 3, 4, text);
      }
      EXPECT_EQ(ink[bsSolid], ink[bsClear]);
      EXPECT_FALSE(ink[bsSolid].empty());
      if (style.Empty()) plain = ink[bsSolid];
      const int scale = -height / 11, advance_end = w - (style.Contains(fsItalic) ? 3 * scale : 0);
      // Lines run under / through the whole text.
      for (int x = 0; x < advance_end; ++x) {
        EXPECT_TRUE(!style.Contains(fsUnderline) || ink[0].contains({x, 11 * scale}));
        EXPECT_TRUE(!style.Contains(fsStrikeOut) || ink[0].contains({x, 6 * scale}));
      }
      if (style == TFontStyles{fsItalic}) {
        // The shear keeps the baseline row and moves the top of the capitals to the right.
        for (int dy = 0; dy < scale; ++dy)
          for (int x = 0; x < w; ++x)
            EXPECT_EQ(ink[0].contains({x, 9 * scale + dy}), plain.contains({x, 9 * scale + dy}));
        EXPECT_NE(ink[0], plain);
      }
    }
  }
}

TEST(CanvasText, HugeCoordinatesAndLongTextsStayQuickAndInBounds) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const String long_text(2'000'000, u'W');
  const auto start = std::chrono::steady_clock::now();
  for (std::int32_t height : {-11, 1000, kMin, kMax}) {
    Page p(50, 30);
    p.c().Font()->SetHeight(height);
    p.c().Font()->SetStyle({fsItalic, fsBold, fsUnderline});
    for (auto [x, y] : {std::pair{kMin, kMin}, {kMax, kMax}, {kMin, 0}, {0, kMin}, {-40, -3}}) {
      p.c().TextOut(x, y, long_text);
      EXPECT_EQ(p.c().PenPos().Y, y);
      EXPECT_GE(p.c().PenPos().X, x);
    }
    const bool huge = height == kMin || height == kMax;
    EXPECT_EQ(p.c().TextWidth(long_text) == kMax, huge);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  // One pixel of a huge font covers the whole surface.
  Page p(20, 20);
  p.c().Font()->SetHeight(kMin);
  p.c().TextOut(-1000, -1000, u"\u2588");
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) EXPECT_EQ(p.At(x, y), p.At(0, 0));
  EXPECT_TRUE(p.At(0, 0) == kPaper || p.At(0, 0) == kInk);
  TCanvas no_surface;
  no_surface.TextOut(7, 8, u"abc");
  EXPECT_EQ(no_surface.PenPos(), (TPoint{7 + no_surface.TextWidth(u"abc"), 8}));
}

}  // namespace
}  // namespace krv
