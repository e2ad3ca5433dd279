// Text in the faces fontconfig matches: sizes, families, styles and qualities change the
// pixels; widths are FreeType's own advances and kernings; the picture survives PNG; huge
// heights, huge texts and two canvases stay safe. On Windows every name draws with the
// built-in font.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "korvex/platform/fonts.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"
#include "platform/internal/font_faces.h"
#include "test_support/png_read.h"
#include "test_support/temp_dir.h"

#ifndef _WIN32
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#endif

namespace krv {
namespace {

constexpr std::uint32_t kPaper = 0xFFFFFF, kInk = 0x000000;

// A white bitmap whose canvas draws black text in `family` with the given height and styles,
// on a clear brush.
struct Sample {
  Sample(const String& family, std::int32_t height, TFontStyles style = {}, int w = 320, int h = 80)
      : bmp(w, h) {
    TFont& f = *c().Font();
    f.SetName(family);
    f.SetHeight(height);
    f.SetStyle(style);
    f.SetColor(kInk);
    c().Brush()->SetStyle(bsClear);
  }
  TCanvas& c() { return *bmp.Canvas(); }
  std::uint32_t At(int x, int y) const { return bmp.ScanLine(y)[static_cast<std::size_t>(x)]; }
  std::vector<std::uint32_t> Pixels() const {
    std::vector<std::uint32_t> all;
    for (int y = 0; y < bmp.Height(); ++y)
      all.insert(all.end(), bmp.ScanLine(y).begin(), bmp.ScanLine(y).end());
    return all;
  }
  std::set<std::uint32_t> Colours() const {
    const std::vector<std::uint32_t> all = Pixels();
    return {all.begin(), all.end()};
  }
  TBitmap bmp;
};

// Skips the test unless fontconfig has the family itself (not a substitute).
#define REQUIRE_FAMILY(family)                                                           \
  do {                                                                                   \
    auto face = detail::MatchFace({family});                                             \
    if (face == nullptr || !face->SameFamily())                                          \
      GTEST_SKIP() << ToUtf8(String(family)) << " is not installed (fonts-dejavu-core)"; \
  } while (false)

const String kSentence = u"The quick brown fox, AVATAR: Wolf 0123";

TEST(FreeTypeText, PointSizesGiveGrowingExtents) {
  REQUIRE_FAMILY(u"DejaVu Sans");
  Sample s(u"DejaVu Sans", -11);
  std::vector<int> widths, heights;
  for (int points : {8, 10, 12}) {
    s.c().Font()->SetSize(points);
    widths.push_back(s.c().TextWidth(kSentence));
    heights.push_back(s.c().TextHeight(kSentence));
  }
  EXPECT_LT(widths[0], widths[1]);
  EXPECT_LT(widths[1], widths[2]);
  EXPECT_LT(heights[0], heights[2]);
  // A real face is not the built-in font scaled by whole factors.
  Sample builtin(kBuiltinFontName, -11);
  EXPECT_NE(widths[0], builtin.c().TextWidth(kSentence));
}

TEST(FreeTypeText, FamiliesAndStylesDrawDifferentGlyphs) {
  REQUIRE_FAMILY(u"DejaVu Sans");
  REQUIRE_FAMILY(u"DejaVu Serif");
  struct Case {
    const char16_t* family;
    TFontStyles style;
  };
  const Case cases[] = {{u"DejaVu Sans", {}},
                        {u"DejaVu Serif", {}},
                        {u"Liberation Serif", {}},
                        {u"DejaVu Serif", {fsBold}},
                        {u"DejaVu Serif", {fsItalic}},
                        {u"DejaVu Serif", {fsBold, fsItalic}},
                        // No bold or italic face of its own: emboldened and slanted.
                        {u"DejaVu Math TeX Gyre", {}},
                        {u"DejaVu Math TeX Gyre", {fsBold}},
                        {u"DejaVu Math TeX Gyre", {fsItalic}}};
  std::vector<std::vector<std::uint32_t>> seen;
  for (const Case& k : cases) {
    SCOPED_TRACE(ToUtf8(String(k.family)) + " style " + std::to_string(k.style.Bits()));
    Sample s(k.family, -16, k.style);
    s.c().TextOut(4, 4, u"Hamburgefonts");
    const std::vector<std::uint32_t> pixels = s.Pixels();
    EXPECT_GT(s.Colours().size(), 2u);
    for (const auto& other : seen) EXPECT_NE(pixels, other);
    seen.push_back(pixels);
  }
  const auto math = detail::MatchFace({u"DejaVu Math TeX Gyre", true, true});
  if (math != nullptr && math->SameFamily()) {
    EXPECT_TRUE(math->NeedsEmbolden());
    EXPECT_TRUE(math->NeedsOblique());
  }
}

TEST(FreeTypeText, NonAntialiasedQualitiesDrawTwoColours) {
  REQUIRE_FAMILY(u"DejaVu Sans");
  const std::pair<TFontQuality, bool> cases[] = {{fqNonAntialiased, true}, {fqDraft, true},
                                                 {fqDefault, false},       {fqAntialiased, false},
                                                 {fqClearType, false},     {fqProof, false}};
  for (auto [quality, two] : cases) {
    Sample s(u"DejaVu Sans", -13, {fsItalic});
    s.c().Font()->SetQuality(quality);
    s.c().Font()->SetColor(0x2040C0);
    s.c().TextOut(2, 2, kSentence);
    const std::set<std::uint32_t> colours = s.Colours();
    if (two)
      EXPECT_EQ(colours, (std::set<std::uint32_t>{kPaper, 0x2040C0})) << quality;
    else
      EXPECT_GT(colours.size(), 8u) << quality;
  }
}

TEST(FreeTypeText, DrawsInsideItsCellOnTheBrushWithLinesAcross) {
  REQUIRE_FAMILY(u"DejaVu Sans");
  Sample s(u"DejaVu Sans", -20, {fsUnderline, fsStrikeOut});
  s.c().Font()->SetQuality(fqNonAntialiased);
  s.c().Brush()->SetStyle(bsSolid);
  s.c().Brush()->SetColor(0x00FF00);
  const String text = u"HHxx";
  const int x = 7, y = 5, w = s.c().TextWidth(text), h = s.c().TextHeight(text);
  s.c().TextOut(x, y, text);
  EXPECT_EQ(s.c().PenPos(), (TPoint{x + w, y}));
  std::vector<int> ink_in_row(static_cast<std::size_t>(h), 0);
  for (int py = 0; py < s.bmp.Height(); ++py)
    for (int px = 0; px < s.bmp.Width(); ++px) {
      const bool inside = px >= x && px < x + w && py >= y && py < y + h;
      const std::uint32_t v = s.At(px, py);
      if (!inside) {
        ASSERT_EQ(v, kPaper) << px << "," << py;
      } else {
        ASSERT_TRUE(v == kInk || v == 0x00FF00) << px << "," << py;
        if (v == kInk) ++ink_in_row[static_cast<std::size_t>(py - y)];
      }
    }
  // Underline and strike-out run across the whole width: rows full of ink, one below the
  // baseline (where the capitals end) and one through the x-height.
  std::vector<int> full;
  for (int r = 0; r < h; ++r)
    if (ink_in_row[static_cast<std::size_t>(r)] == w) full.push_back(r);
  ASSERT_GE(full.size(), 2u);
  int h_bottom = -1;  // the glyphs' last row, on the baseline ("HHxx" has no descenders)
  for (int r = 0; r < h; ++r) {
    const int n = ink_in_row[static_cast<std::size_t>(r)];
    if (n > 0 && n < w) h_bottom = r;
  }
  EXPECT_GT(full.back(), h_bottom);
  EXPECT_LT(full.front(), h_bottom);
}

TEST(FreeTypeText, ClearBrushBlendsOverWhatIsThere) {
  REQUIRE_FAMILY(u"DejaVu Serif");
  Sample s(u"DejaVu Serif", -15);
  s.c().Brush()->SetStyle(bsSolid);
  s.c().Brush()->SetColor(0x0000FF);
  s.c().FillRect({0, 0, 320, 80});
  s.c().Brush()->SetStyle(bsClear);
  s.c().Font()->SetColor(0xFF0000);
  s.c().TextOut(3, 3, kSentence);
  // Every pixel is red, blue or between them: no white shows through.
  bool mixed = false;
  for (std::uint32_t v : s.Colours()) {
    EXPECT_EQ(v & 0x00FF00u, 0u) << std::hex << v;
    EXPECT_GE((v & 0xFF) + (v >> 16), 0xFEu) << std::hex << v;
    mixed = mixed || (v != 0x0000FF && v != 0xFF0000);
  }
  EXPECT_TRUE(mixed);
}

TEST(FreeTypeText, NamesAndFallbacks) {
  // The built-in font's name, in any case, draws the built-in font whatever is installed.
  Sample builtin(kBuiltinFontName, -11), shouted(u"KORVEX SANS", -11);
  EXPECT_EQ(builtin.c().TextWidth(kSentence), shouted.c().TextWidth(kSentence));
  EXPECT_EQ(builtin.c().TextHeight(u""), 13);
  const auto unknown = detail::MatchFace({u"No Such Family 4711"});
  if (unknown == nullptr) GTEST_SKIP() << "no fonts installed";
  // An unknown family takes fontconfig's substitute, which is not the family asked for.
  EXPECT_FALSE(unknown->SameFamily());
  Sample substitute(u"No Such Family 4711", -11);
  substitute.c().TextOut(1, 1, kSentence);
  EXPECT_GT(substitute.Colours().size(), 2u);
}

TEST(FreeTypeText, HugeHeightsEmptyAndLongTextsStaySafe) {
  REQUIRE_FAMILY(u"DejaVu Sans");
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const String long_text(2'000'000, u'W');
  const auto start = std::chrono::steady_clock::now();
  for (std::int32_t height : {kMin, kMax, -1, 1, 0, -3000}) {
    SCOPED_TRACE(height);
    Sample s(u"DejaVu Sans", height, {fsBold, fsItalic, fsUnderline}, 60, 40);
    EXPECT_EQ(s.c().TextWidth(u""), 0);
    const int h = s.c().TextHeight(u"");
    EXPECT_GT(h, 0);
    EXPECT_LT(h, 2048 * 2);  // the em size is clamped to 2048 pixels
    s.c().TextOut(-5, -5, u"");
    EXPECT_EQ(s.c().PenPos(), (TPoint{-5, -5}));
    for (auto [x, y] : {std::pair{kMin, kMin}, {kMax, kMax}, {kMin, 0}, {-40, -3}, {5, 5}}) {
      s.c().TextOut(x, y, long_text);
      EXPECT_EQ(s.c().PenPos().Y, y);
      EXPECT_GE(s.c().PenPos().X, x);
    }
    EXPECT_GT(s.c().TextWidth(long_text), 0);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(FreeTypeText, TwoCanvasesAndThreadsDrawAsOneAlone) {
  REQUIRE_FAMILY(u"DejaVu Serif");
  auto draw = [](TCanvas& c, int i) {
    c.Font()->SetHeight(-10 - i);
    c.Font()->SetStyle(i % 2 ? TFontStyles{fsItalic} : TFontStyles{});
    c.TextOut(2, 2, kSentence + String(1, static_cast<Char>(u'a' + i)));
  };
  std::vector<std::vector<std::uint32_t>> alone;
  for (int i = 0; i < 4; ++i) {
    Sample s(u"DejaVu Serif", -11);
    draw(s.c(), i);
    alone.push_back(s.Pixels());
  }
  // Two canvases drawing in turns, and four threads at once.
  Sample a(u"DejaVu Serif", -11), b(u"DejaVu Sans", -11);
  b.c().Font()->SetName(u"DejaVu Serif");
  draw(a.c(), 0);
  draw(b.c(), 1);
  EXPECT_EQ(a.Pixels(), alone[0]);
  EXPECT_EQ(b.Pixels(), alone[1]);
  std::vector<std::vector<std::uint32_t>> threaded(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] {
      for (int round = 0; round < 20; ++round) {
        Sample s(u"DejaVu Serif", -11);
        draw(s.c(), i);
        threaded[static_cast<std::size_t>(i)] = s.Pixels();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(threaded, alone);
}

TEST(FreeTypeText, PngOfASampleDecodesToTheSamePixels) {
  REQUIRE_FAMILY(u"DejaVu Serif");
  Sample s(u"DejaVu Serif", -18, {fsItalic});
  s.c().Font()->SetColor(0x1060A0);
  s.c().TextOut(5, 10, u"Quality g\u00E9om\u00E9trique");
  testing::TempDir dir("korvex_text_png");
  const std::filesystem::path file = dir.File("sample.png");
  s.bmp.SaveToPngFile(ToUtf16(file.string()));
  const testing::PngPicture pic = testing::DecodePng(dir.Read("sample.png"));
  ASSERT_TRUE(pic.ok) << pic.error;
  ASSERT_EQ(pic.width, 320u);
  ASSERT_EQ(pic.height, 80u);
  std::size_t inked = 0;
  for (std::uint32_t y = 0; y < pic.height; ++y)
    for (std::uint32_t x = 0; x < pic.width; ++x) {
      ASSERT_EQ(pic.At(x, y), s.At(static_cast<int>(x), static_cast<int>(y))) << x << "," << y;
      inked += pic.At(x, y) == 0x1060A0 ? 1 : 0;
    }
  EXPECT_GT(inked, 50u);
}

#ifndef _WIN32

TEST(FreeTypeText, EveryListedFamilyMatchesItself) {
  // The font list and the text draw from the same fontconfig data.
  int checked = 0;
  for (const TInstalledFont& f : Screen()->InstalledFonts()) {
    if (f.Name == kBuiltinFontName || f.Format == ffBitmap || checked == 60) continue;
    const auto face = detail::MatchFace({f.Name});
    ASSERT_NE(face, nullptr) << ToUtf8(f.Name);
    EXPECT_TRUE(face->SameFamily()) << ToUtf8(f.Name);
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "no outline fonts installed";
}

// The width FreeType itself gives the text in the face fontconfig matched: hinted advances
// and kerning at `pixels` per em, in 26.6.
std::int64_t FreeTypeWidth(const std::string& file, int index, int pixels, const String& text,
                           bool& kerned) {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  EXPECT_EQ(FT_Init_FreeType(&lib), 0);
  EXPECT_EQ(FT_New_Face(lib, file.c_str(), index, &face), 0);
  EXPECT_EQ(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)), 0);
  std::int64_t width = 0;
  FT_UInt previous = 0;
  for (char16_t ch : text) {  // the texts below are all in the BMP
    const FT_UInt glyph = FT_Get_Char_Index(face, ch);
    if (previous != 0 && FT_HAS_KERNING(face)) {
      FT_Vector k{0, 0};
      FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &k);
      width += k.x;
      kerned = kerned || k.x != 0;
    }
    EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT), 0);
    width += face->glyph->advance.x;
    previous = glyph;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return width;
}

TEST(FreeTypeText, WidthIsTheSumOfFreeTypesAdvancesAndKerning) {
  REQUIRE_FAMILY(u"DejaVu Sans");
  struct Case {
    const char16_t* family;
    int pixels;
    const char16_t* text;
  };
  const Case cases[] = {{u"DejaVu Sans", 11, u"AVATAR Wolf Tea"},
                        {u"DejaVu Sans", 16, u"LT AV Ty P."},
                        {u"DejaVu Serif", 13, u"AWAY, Yo! 1/7"},
                        {u"Liberation Serif", 20, u"AVA To"},
                        {u"DejaVu Sans Mono", 12, u"mono{}"}};
  bool kerned = false;
  for (const Case& k : cases) {
    SCOPED_TRACE(ToUtf8(String(k.family)) + " " + std::to_string(k.pixels));
    const auto face = detail::MatchFace({k.family, false, false, k.pixels});
    if (face == nullptr || !face->SameFamily()) continue;
    const std::int64_t want = FreeTypeWidth(face->File(), face->Index(), k.pixels, k.text, kerned);
    Sample s(k.family, -k.pixels);
    EXPECT_EQ(want % 64, 0);  // hinted advances are whole pixels
    EXPECT_EQ(s.c().TextWidth(k.text), want / 64);
    // The cell is the face's Windows ascent and descent at that size.
    FT_Library lib = nullptr;
    FT_Face ft = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    ASSERT_EQ(FT_New_Face(lib, face->File().c_str(), face->Index(), &ft), 0);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    ASSERT_NE(os2, nullptr);
    const double scale = static_cast<double>(k.pixels) / ft->units_per_EM;
    const int cell = static_cast<int>(std::lround(os2->usWinAscent * scale)) +
                     static_cast<int>(std::lround(os2->usWinDescent * scale));
    EXPECT_NEAR(s.c().TextHeight(k.text), cell, 1);
    FT_Done_Face(ft);
    FT_Done_FreeType(lib);
  }
  EXPECT_TRUE(kerned) << "no case met a kerned pair";
}

#else

TEST(FreeTypeText, WindowsDrawsEveryNameWithTheBuiltInFont) {
  Sample real(u"Arial", -11), builtin(kBuiltinFontName, -11);
  EXPECT_EQ(real.c().TextWidth(kSentence), builtin.c().TextWidth(kSentence));
  real.c().TextOut(1, 1, kSentence);
  builtin.c().TextOut(1, 1, kSentence);
  EXPECT_EQ(real.Pixels(), builtin.Pixels());
}

#endif

}  // namespace
}  // namespace krv
