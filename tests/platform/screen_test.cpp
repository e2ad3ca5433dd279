// The screen object's font list, read from fontconfig.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "korvex/platform/casefold.h"
#include "korvex/platform/fonts.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

String Lower(String s) {
  for (Char& c : s) c = AsciiLower(c);
  return s;
}

TEST(Screen, IsOneObjectEvenWhenFirstUsedFromSeveralThreads) {
  std::vector<const TScreen*> seen(4);
  std::vector<std::thread> threads;
  for (auto& s : seen) threads.emplace_back([&s] { s = Screen(); });
  for (auto& t : threads) t.join();
  for (const TScreen* s : seen) EXPECT_EQ(s, seen[0]);
  EXPECT_EQ(Screen()->PixelsPerInch(), 96);
}

TEST(Screen, ListsTheBuiltInFontAsBitmapWhateverTheCase) {
  const TScreen& screen = *Screen();
  for (const String name : {u"Korvex Sans", u"korvex sans", u"KORVEX SANS"}) {
    EXPECT_TRUE(screen.FontInstalled(name));
    EXPECT_EQ(screen.FontFormat(name), ffBitmap);
  }
  EXPECT_NE(screen.Fonts().IndexOf(kBuiltinFontName), -1);
  EXPECT_FALSE(screen.FontInstalled(u"Korvex Sans "));
  EXPECT_FALSE(screen.FontInstalled(u""));
  EXPECT_EQ(screen.FontFormat(u"No Such Font Family 1234"), ffOther);
}

TEST(Screen, FontsAreSortedUniqueAndKeepTheBestFormat) {
  const TScreen& screen = *Screen();
  const TStringList& fonts = screen.Fonts();
  ASSERT_EQ(static_cast<std::size_t>(fonts.Count()), screen.InstalledFonts().size());
  for (int i = 0; i < fonts.Count(); ++i) {
    EXPECT_EQ(fonts[i], screen.InstalledFonts()[static_cast<std::size_t>(i)].Name);
    if (i == 0) continue;
    EXPECT_LT(Lower(fonts[i - 1]), Lower(fonts[i])) << ToUtf8(fonts[i]);
  }
  // Every family fontconfig lists is there, with its own format or a better one.
  for (const TInstalledFont& f : detail::QueryInstalledFonts()) {
    if (f.Name.empty()) continue;
    EXPECT_TRUE(screen.FontInstalled(f.Name));
    EXPECT_LE(screen.FontFormat(f.Name), f.Format);
  }
}

TEST(Screen, FindsDejaVuSansAsTrueType) {
  bool listed = false;
  for (const TInstalledFont& f : detail::QueryInstalledFonts())
    listed = listed || Lower(f.Name) == u"dejavu sans";
  if (!listed) GTEST_SKIP() << "fontconfig does not list DejaVu Sans (fonts-dejavu-core)";
  EXPECT_EQ(Screen()->FontFormat(u"DejaVu Sans"), ffTrueType);
  EXPECT_EQ(Screen()->FontFormat(u"dejavu SANS"), ffTrueType);
}

}  // namespace
}  // namespace krv
