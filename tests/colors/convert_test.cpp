#include "korvex/colors/convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "korvex/platform/random.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | static_cast<TColor>(g) << 8 | static_cast<TColor>(b) << 16;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct BlendCase {
  TColor a, b, c;
  double fraction;
  TColor two, three;  // InterpolateColor(a, b, f) and Interpolate3Colors(a, b, c, f)
};

TEST(ColorBlendTest, InterpolateAndInterpolate3) {
  const TColor black = 0, white = 0xFFFFFF, red = 0x0000FF;
  const BlendCase cases[] = {
      {black, white, red, 0.0, black, black},
      {black, white, red, 1.0, white, red},
      {black, white, red, 2.0, white, red},  // clamped to 1
      {black, white, red, -1.0, black, black},
      {black, white, red, kNaN, white, red},  // compares with nothing: 1
      {black, white, red, 0.5, Rgb(127, 127, 127), white},
      {black, white, red, 0.75, Rgb(191, 191, 191), Rgb(255, 127, 127)},
      {black, white, red, 0.25, Rgb(63, 63, 63), Rgb(127, 127, 127)},
      {white, black, red, 0.5, Rgb(127, 127, 127), black},
      // In extended precision 200 - 100 * 0.1 lies just below 190 (in double it would round
      // to 190 exactly), so the channel truncates to 189; likewise 200 - 100 * 0.2.
      {Rgb(10, 200, 30), Rgb(20, 100, 30), 0, 0.1, Rgb(11, 189, 30), Rgb(12, 179, 30)},
      // High bytes are ignored, results have none.
      {0xFF000000, 0xFFFFFFFF, 0x12000000, 1.0, white, 0},
  };
  for (const BlendCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << c.a << " " << c.b << " " << c.c << " f " << c.fraction);
    EXPECT_EQ(InterpolateColor(c.a, c.b, c.fraction), c.two);
    EXPECT_EQ(Interpolate3Colors(c.a, c.b, c.c, c.fraction), c.three);
  }
  EXPECT_EQ(MeanColor(black, white), Rgb(127, 127, 127));
}

TEST(ColorBlendTest, BlendStaysBetweenEndsAndIsMonotone) {
  const TColor a = Rgb(3, 250, 128), b = Rgb(250, 3, 128);
  TColor previous = a;
  for (int i = 0; i <= 1000; ++i) {
    const TColor c = InterpolateColor(a, b, i / 1000.0);
    EXPECT_GE(c & 0xFF, previous & 0xFF);
    EXPECT_LE((c >> 8) & 0xFF, (previous >> 8) & 0xFF);
    EXPECT_EQ(c >> 16, 128u);
    previous = c;
  }
  EXPECT_EQ(previous, b);
}

TEST(ColorChannelsTest, InvertReverse) {
  EXPECT_EQ(InvertColor(0), 0xFFFFFFu);
  EXPECT_EQ(InvertColor(Rgb(1, 2, 3)), Rgb(254, 253, 252));
  EXPECT_EQ(InvertColor(0xFF00000F), Rgb(240, 255, 255));  // high byte dropped
  EXPECT_EQ(ReverseRGBColor(Rgb(1, 2, 3)), Rgb(3, 2, 1));
  EXPECT_EQ(ReverseRGBColor(0x7F0000FF), 0xFF0000u);
  for (TColor c = 0; c < 0x1000000; c += 0x10101 * 7 + 3) {
    EXPECT_EQ(InvertColor(InvertColor(c)), c);
    EXPECT_EQ(ReverseRGBColor(ReverseRGBColor(c)), c);
  }
}

TEST(ColorHexTest, ColorToHexStr) {
  EXPECT_EQ(ColorToHexStr(0), u"00000000");
  EXPECT_EQ(ColorToHexStr(0xFF0000), u"00FF0000");
  EXPECT_EQ(ColorToHexStr(0xFF00000F), u"FF00000F");
  EXPECT_EQ(ColorToHexStr(0x89ABCDEF), u"89ABCDEF");
}

TEST(ColorHexTest, HexStrToColor) {
  const struct {
    const char* text;
    TColor value;
  } cases[] = {
      {"  $00ff00 ", 65280},
      {"", 0},
      {"    ", 0},
      {"$", 0},
      {"$ ", 0},
      {"12G4", 18},
      {"123456789", 0x23456789},
      {"FFFFFFFFF", 0xFFFFFFFF},
      {"$0000FF", 0x0000FF},
      {"FF", 0x0000FF},
      {"FF0000", 0xFF0000},
      {"$  aBc", 0xABC},
      {"  12 34", 0x12},  // a blank after digits ends the number
      {"$$12", 0},        // only one prefix
      {"0x12", 0},
      {"-1", 0},
      {"zz", 0},
      {"\t12", 0},  // only character 32 counts as blank
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexStrToColor(ToUtf16(c.text)), c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(HexStrToColor(u"\u0661\u0662"), 0u);  // Arabic-Indic digits are not hex digits
}

TEST(ColorHexTest, RoundTripsThroughText) {
  for (std::uint64_t v = 0; v <= 0xFFFFFFFF; v += 0x10001 * 97 + 13) {
    const TColor c = static_cast<TColor>(v);
    const String hex = ColorToHexStr(c);
    ASSERT_EQ(hex.size(), 8u);
    EXPECT_EQ(HexStrToColor(hex), c);
    EXPECT_EQ(HexStrToColor(u" $" + hex + u"  "), c);
    String lower = hex;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](Char ch) { return ch >= u'A' && ch <= u'F' ? Char(ch + 32) : ch; });
    EXPECT_EQ(HexStrToColor(lower), c);
  }
}

TEST(ColorDistanceTest, AgainstDefinition) {
  EXPECT_EQ(RGBColorDistance(0, 0xFFFFFF), 1.0);
  EXPECT_EQ(RGBColorDistance(0xFFFFFF, 0), 1.0);
  EXPECT_EQ(RGBColorDistance(0x123456, 0xFF123456), 0.0);  // high bytes ignored
  EXPECT_DOUBLE_EQ(RGBColorDistance(0, 0xFF), 1.0 / std::sqrt(3.0));
  for (TColor a = 0; a < 0x1000000; a += 0x31F3B) {
    const TColor b = (a * 2654435761u) & 0xFFFFFF;
    double sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const double d = static_cast<double>((a >> shift) & 0xFF) - ((b >> shift) & 0xFF);
      sum += d * d;
    }
    EXPECT_NEAR(RGBColorDistance(a, b), std::sqrt(sum / (3.0 * 255 * 255)), 1e-15);
    EXPECT_EQ(RGBColorDistance(a, b), RGBColorDistance(b, a));
  }
}

}  // namespace
}  // namespace krv
