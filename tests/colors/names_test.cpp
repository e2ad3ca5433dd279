#include "korvex/colors/names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "korvex/colors/convert.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

// Names are compared without regard to case and blanks, as X11 does.
std::string Key(std::string_view name) {
  std::string key;
  for (char ch : name) {
    if (ch != ' ') key += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  return key;
}

std::string NameAt(long i) {
  return ToUtf8(AllKRVColorNames[i]);
}

// The colours whose values do not come from the X11 database: the basic and platform
// colours, the two sky blues the library defines differently, and its own names.
const std::map<std::string, TColor>& FixedColours() {
  static const std::map<std::string, TColor> fixed = {
      {"Black", 0x000000},    {"Maroon", 0x000080},        {"Green", 0x008000},
      {"Olive", 0x008080},    {"Navy", 0x800000},          {"Purple", 0x800080},
      {"Teal", 0x808000},     {"Gray", 0x808080},          {"Silver", 0xC0C0C0},
      {"Red", 0x0000FF},      {"Lime", 0x00FF00},          {"Yellow", 0x00FFFF},
      {"Blue", 0xFF0000},     {"Fuchsia", 0xFF00FF},       {"Aqua", 0xFFFF00},
      {"White", 0xFFFFFF},    {"MoneyGreen", 0xC0DCC0},    {"Cream", 0xF0FBFF},
      {"MedGray", 0xA4A0A0},  {"SkyBlue", 0xF0CAA6},       {"SkyBlue1", 0xEBCE87},
      {"Bronze", 0x778899},   {"Carbon", 0x222222},        {"Crimson", 0x3C14DC},
      {"Indigo", 0x82004B},   {"RebeccaPurple", 0x993366}, {"WebGray", 0x808080},
      {"WebGreen", 0x008000}, {"WebMaroon", 0x000080},     {"WebPurple", 0x800080},
  };
  return fixed;
}

TEST(ColorNamesTest, EveryNameAgainstRgbTxt) {
  std::ifstream in("/usr/share/X11/rgb.txt");
  if (!in) GTEST_SKIP() << "/usr/share/X11/rgb.txt is absent (Debian package x11-common)";
  std::map<std::string, TColor> x11;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '!') continue;
    std::istringstream fields(line);
    int r, g, b;
    std::string word, name;
    if (!(fields >> r >> g >> b)) continue;
    while (fields >> word) name += word;
    x11.emplace(Key(name), static_cast<TColor>(r | g << 8 | b << 16));  // first one wins
  }
  ASSERT_GT(x11.size(), 500u);

  int from_x11 = 0;
  for (long i = 1; i <= kNumKRVColors; ++i) {
    const std::string name = NameAt(i);
    const auto fixed = FixedColours().find(name);
    if (fixed != FixedColours().end()) {
      EXPECT_EQ(AllKRVColors[i], fixed->second) << name;
      continue;
    }
    const auto it = x11.find(Key(name));
    ASSERT_NE(it, x11.end()) << name << " is neither fixed nor an X11 colour";
    EXPECT_EQ(AllKRVColors[i], it->second) << name;
    ++from_x11;
  }
  EXPECT_EQ(from_x11, kNumKRVColors - static_cast<int>(FixedColours().size()));
  // The basic colours that X11 defines differently keep the basic values.
  for (const char* name : {"Maroon", "Green", "Purple", "Gray"}) {
    EXPECT_NE(x11.at(Key(name)), FixedColours().at(name)) << name;
  }
}

TEST(ColorNamesTest, DictionaryShape) {
  const struct {
    long index;
    const char* name;
    TColor value;
  } spots[] = {
      {1, "Black", 0x000000},    {15, "Aqua", 0xFFFF00},         {16, "White", 0xFFFFFF},
      {19, "MedGray", 0xA4A0A0}, {20, "AliceBlue", 0xFFF8F0},    {30, "Aquamarine4", 0x748B45},
      {87, "Cyan", 0xFFFF00},    {466, "YellowGreen", 0x32CD9A},
  };
  for (const auto& s : spots) {
    EXPECT_EQ(NameAt(s.index), s.name);
    EXPECT_EQ(AllKRVColors[s.index], s.value) << s.name;
  }
  std::set<std::u16string_view> names(AllKRVColorNames.begin(), AllKRVColorNames.end());
  EXPECT_EQ(names.size(), 466u);
  std::map<TColor, int> uses;
  int numbered = 0;
  for (long i = 1; i <= kNumKRVColors; ++i) {
    ++uses[AllKRVColors[i]];
    EXPECT_EQ(AllKRVColors[i] >> 24, 0u);
    const char last = NameAt(i).back();
    numbered += last >= '1' && last <= '4';
  }
  EXPECT_EQ(std::count_if(uses.begin(), uses.end(), [](auto& u) { return u.second > 1; }), 47);
  EXPECT_EQ(numbered, 312);
  // After the 19 basic and platform colours the names run in alphabetical order, ignoring
  // case, each base name before its numbered shades.
  for (long i = 21; i <= kNumKRVColors; ++i) {
    EXPECT_LT(Key(NameAt(i - 1)), Key(NameAt(i))) << NameAt(i);
  }
}

TEST(ColorNamesTest, ObtainColorName) {
  const struct {
    TColor color;
    const char16_t* name;
  } cases[] = {
      {0xFFFF00, u"Aqua"},       {0xFF00FF, u"Fuchsia"},
      {0x000000, u"Black"},      {0x800000, u"Navy"},  // not NavyBlue
      {0xF0CAA6, u"SkyBlue"},    {0x0000FF, u"Red"},
      {0x32CD9A, u"OliveDrab3"},  // also YellowGreen, further on
      {0x123456, u"00123456"},   {0xFF00000F, u"FF00000F"},
      {0x01000000, u"01000000"},  // black with a high byte is no dictionary colour
  };
  for (const auto& c : cases) EXPECT_EQ(ObtainColorName(c.color), c.name);
  // Every name leads back to the first entry of its value.
  for (long i = 1; i <= kNumKRVColors; ++i) {
    const String name = ObtainColorName(AllKRVColors[i]);
    long first = 1;
    while (AllKRVColors[first] != AllKRVColors[i]) ++first;
    EXPECT_EQ(name, String(AllKRVColorNames[first]));
  }
}

TEST(ColorNamesTest, X11Set) {
  // The X11 set in order, blank-separated.
  std::istringstream list(
      "AliceBlue AntiqueWhite Aqua Aquamarine Azure Beige Bisque Black BlanchedAlmond Blue "
      "BlueViolet Brown BurlyWood CadetBlue Chartreuse Chocolate Coral CornflowerBlue CornSilk "
      "Crimson Cyan DarkBlue DarkCyan DarkGoldenRod DarkGray DarkGreen DarkKhaki DarkMagenta "
      "DarkOliveGreen DarkOrange DarkOrchid DarkRed DarkSalmon DarkSeaGreen DarkSlateBlue "
      "DarkSlateGray DarkTurquoise DarkViolet DeepPink DeepSkyBlue DimGray DodgerBlue "
      "FireBrick FloralWhite ForestGreen Fuchsia Gainsboro GhostWhite Gold GoldenRod Gray "
      "Green GreenYellow HoneyDew HotPink IndianRed Indigo Ivory Khaki Lavender LavenderBlush "
      "LawnGreen LemonChiffon LightBlue LightCoral LightCyan LightGoldenRod LightGray "
      "LightGreen LightPink LightSalmon LightSeaGreen LightSkyBlue LightSlateBlue "
      "LightSlateGray LightSteelBlue LightYellow Lime LimeGreen Linen Magenta Maroon "
      "MediumAquamarine MediumBlue MediumOrchid MediumPurple MediumSeaGreen MediumSlateBlue "
      "MediumSpringGreen MediumTurquoise MediumVioletRed MidnightBlue MintCream MistyRose "
      "Moccasin NavajoWhite Navy OldLace Olive OliveDrab Orange OrangeRed Orchid PaleGoldenRod "
      "PaleGreen PaleTurquoise PaleVioletRed PapayaWhip PeachPuff Peru Pink Plum PowderBlue "
      "Purple RebeccaPurple Red RosyBrown RoyalBlue SaddleBrown Salmon SandyBrown SeaGreen "
      "SeaShell Sienna Silver SkyBlue SlateBlue SlateGray Snow SpringGreen SteelBlue Tan "
      "Thistle Tomato Turquoise Violet WebGray WebGreen WebMaroon WebPurple Wheat White "
      "WhiteSmoke Yellow YellowGreen ");
  std::vector<std::string> names{std::istream_iterator<std::string>(list), {}};
  ASSERT_EQ(names.size(), X11Colors.size());
  for (long j = 1; j <= 145; ++j) {
    const std::string& name = names[static_cast<std::size_t>(j - 1)];
    const auto it = std::find(AllKRVColorNames.begin(), AllKRVColorNames.end(), ToUtf16(name));
    ASSERT_NE(it, AllKRVColorNames.end()) << name;
    EXPECT_EQ(X11Colors[j], AllKRVColors[1 + (it - AllKRVColorNames.begin())]) << name;
  }
  EXPECT_EQ(std::count(X11Colors.begin(), X11Colors.end(), 0xFFFF00u), 2);
  EXPECT_EQ(std::count(X11Colors.begin(), X11Colors.end(), 0xFF00FFu), 2);
  EXPECT_EQ(X11Colors[126], 0xF0CAA6u);  // SkyBlue
}

TEST(ColorNamesTest, PredefinedColorsAndKeyColourLists) {
  for (long i = 1; i <= 16; ++i) EXPECT_EQ(PredefinedColors[i], AllKRVColors[i]);
  EXPECT_EQ(ObtainColorName(PredefinedColors[17]), u"MoneyGreen");
  EXPECT_EQ(ObtainColorName(PredefinedColors[18]), u"SkyBlue");
  EXPECT_EQ(ObtainColorName(PredefinedColors[19]), u"Cream");
  EXPECT_EQ(ObtainColorName(PredefinedColors[20]), u"MedGray");
  // The rest are system colours and special values, none of them a dictionary colour.
  std::set<TColor> special(PredefinedColors.begin() + 20, PredefinedColors.end());
  EXPECT_EQ(special.size(), 27u);
  for (TColor c : special) {
    EXPECT_TRUE(c >> 24 == 0xFF || c == 0x1FFFFFFF || c == 0x20000000) << std::hex << c;
  }
  EXPECT_EQ(ColorArray_Rainbow.front(), 0x400020u);
  EXPECT_EQ(ColorArray_Rainbow.back(), 0x000040u);
  EXPECT_EQ(ColorArray_Circle.front(), ColorArray_Circle.back());
  EXPECT_EQ(ColorArray_Contrast.size(), 16u);
  EXPECT_EQ(std::set<TColor>(ColorArray_Contrast.begin(), ColorArray_Contrast.end()).size(), 16u);
  for (const auto* list :
       {&ColorArray_Geo1, &ColorArray_Geo2, &ColorArray_Geo3, &ColorArray_Rainbow}) {
    EXPECT_EQ(list->size(), 11u);
    for (TColor c : *list) EXPECT_EQ(c >> 24, 0u);
  }
}

}  // namespace
}  // namespace krv
