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

// Textbook HSV in plain double arithmetic, looking for the maximum in the opposite order
// (blue, green, red), with the hue in degrees; a grey has hue -1, black hue 0.
void ReferenceHsv(int r, int g, int b, double& hue, double& sat, double& val) {
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const double chroma = mx - mn;
  val = mx / 255.0;
  sat = mx == 0 ? 0.0 : chroma / mx;
  if (chroma == 0) {
    hue = mx == 0 ? 0.0 : -1.0;
    return;
  }
  double sector;
  if (b == mx) {
    sector = (r - g) / chroma + 4;
  } else if (g == mx) {
    sector = (b - r) / chroma + 2;
  } else {
    sector = std::fmod((g - b) / chroma + 6, 6.0);
  }
  hue = 60 * sector;
  if (hue >= 360) hue -= 360;
}

TEST(ColorHsiTest, EdgeCases) {
  const struct {
    int r, g, b;
    double hue, sat, intensity;
  } cases[] = {
      {0, 0, 0, 0, 0, 0},
      {128, 128, 128, -1, 0, 128 / 255.0},
      {255, 255, 255, -1, 0, 1},
      {255, 255, 0, 60, 1, 1},  // red wins the tie with green
      {0, 255, 255, 180, 1, 1},
      {255, 0, 255, 300, 1, 1},
      {255, 0, 0, 0, 1, 1},
      {255, 0, 1, 360 - 60.0 / 255, 1, 1},
      {0, 0, 255, 240, 1, 1},
      {100, 50, 0, 30, 1, 100 / 255.0},
      // Channels are not clamped; extreme values must not overflow.
      {std::numeric_limits<Integer>::max(), std::numeric_limits<Integer>::min(), 0,
       360 - 60 * 2147483648.0 / 4294967295, (2.0 * 2147483647 + 1) / 2147483647,
       2147483647 / 255.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
    double hue, sat, intensity;
    RGBtoHSI(c.r, c.g, c.b, hue, sat, intensity);
    EXPECT_DOUBLE_EQ(hue, c.hue);
    EXPECT_DOUBLE_EQ(sat, c.sat);
    EXPECT_DOUBLE_EQ(intensity, c.intensity);
  }
}

TEST(ColorHsiTest, HsiToRgbEdgeCases) {
  const struct {
    double hue, sat, intensity;
    Integer r, g, b;
  } cases[] = {
      {360, 1, 1, 255, 0, 0},  // hue 360 counts as 0
      {-10, 1, 1, 255, 0, 0},       {kNaN, 1, 1, 255, 0, 0},  {1e300, 1, 1, 255, 0, 0},
      {77, 0, 0.5, 128, 128, 128},  // 127.5 goes to the even neighbour
      {77, -3, 2, 255, 255, 255},   // clamped
      {77, kNaN, kNaN, 0, 0, 0},    {60, 1, 1, 255, 255, 0},  {120, 1, 1, 0, 255, 0},
      {180, 0.5, 1, 128, 255, 255},  // 127.5 -> 128 (even)
      {240, 1, 0.5, 0, 0, 128},     {300, 1, 1, 255, 0, 255}, {359.99999999999994, 1, 1, 255, 0, 0},
      {30, 1, 1, 255, 128, 0},      {90, 1, 1, 128, 255, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hue << " " << c.sat << " " << c.intensity);
    Integer r = -1, g = -1, b = -1;
    HSItoRGB(c.hue, c.sat, c.intensity, r, g, b);
    EXPECT_EQ(r, c.r);
    EXPECT_EQ(g, c.g);
    EXPECT_EQ(b, c.b);
  }
}

// RGBtoHSI against the textbook reference, and HSItoRGB(RGBtoHSI(c)) == c, for every colour
// (the round trip is exact for all of them, greys and black included).
TEST(ColorHsiTest, AllColoursAgainstReferenceAndRoundTrip) {
  long mismatches = 0, round_trip_failures = 0, checked = 0;
  for (TColor c = 0; c < 0x1000000; ++c) {
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = c >> 16;
    double hue, sat, intensity, ref_hue, ref_sat, ref_val;
    RGBtoHSI(r, g, b, hue, sat, intensity);
    ReferenceHsv(r, g, b, ref_hue, ref_sat, ref_val);
    ++checked;
    if (std::abs(hue - ref_hue) > 1e-9 || std::abs(sat - ref_sat) > 1e-15 ||
        std::abs(intensity - ref_val) > 1e-15 || !(hue == -1 || (hue >= 0 && hue < 360))) {
      if (++mismatches <= 5) ADD_FAILURE() << "HSI of " << r << "," << g << "," << b;
    }
    Integer r2, g2, b2;
    HSItoRGB(hue, sat, intensity, r2, g2, b2);
    if (r2 != r || g2 != g || b2 != b) {
      if (++round_trip_failures <= 5)
        ADD_FAILURE() << "round trip of " << r << "," << g << "," << b;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(round_trip_failures, 0);
  EXPECT_EQ(checked, 0x1000000);
}

TEST(ColorGrayTest, AgainstExactWeights) {
  EXPECT_EQ(RGBtoGray(255, 255, 255), 255);
  EXPECT_EQ(RGBtoGray(255, 0, 0), 76);  // 76.5 -> 76
  EXPECT_EQ(RGBtoGray(0, 255, 0), 150);
  EXPECT_EQ(RGBtoGray(0, 0, 255), 28);
  EXPECT_EQ(RGBtoGrayColor(255, 0, 0), Rgb(76, 76, 76));
  EXPECT_EQ(RGBtoGrayColor(1000, 0, 0), Rgb(44, 44, 44));  // 300 modulo 256
  EXPECT_EQ(ColorToGray(0xFF0000FF), 76);
  EXPECT_EQ(ColorToGrayColor(0x00FF00), Rgb(150, 150, 150));
  // 0.3 r + 0.59 g + 0.11 b = (30 r + 59 g + 11 b) / 100 exactly; away from the halfway
  // points the result is that value rounded, on them one of its two neighbours.
  long failures = 0;
  for (TColor c = 0; c < 0x1000000; ++c) {
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = c >> 16;
    const int hundredths = 30 * r + 59 * g + 11 * b;
    const Integer gray = ColorToGray(c);
    const bool ok = hundredths % 100 == 50
                        ? gray == hundredths / 100 || gray == hundredths / 100 + 1
                        : gray == (hundredths + 50) / 100;
    if (!ok && ++failures <= 5) ADD_FAILURE() << r << "," << g << "," << b << " -> " << gray;
    if (ColorToGrayColor(c) != Rgb(gray, gray, gray) && ++failures <= 5) ADD_FAILURE() << c;
  }
  EXPECT_EQ(failures, 0);
}

TEST(ColorCmyTest, Conversions) {
  double c, m, y, k;
  RGBtoCMY(255, 0, 51, c, m, y);
  EXPECT_EQ(c, 0.0);
  EXPECT_EQ(m, 1.0);
  EXPECT_DOUBLE_EQ(y, 0.8);
  Byte r, g, b;
  CMYtoRGB(c, m, y, r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 51);
  CMYtoRGB(-1, 2, kNaN, r, g, b);  // clamped; NaN counts as 0
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 255);
  CMYtoRGB(0.5, 1, 1, r, g, b);  // 127.5 goes to the even neighbour
  EXPECT_EQ(r, 128);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 0);
  for (int v = 0; v < 256; ++v) {  // RGB -> CMY -> RGB is exact
    RGBtoCMY(static_cast<Byte>(v), static_cast<Byte>(255 - v), 7, c, m, y);
    CMYtoRGB(c, m, y, r, g, b);
    EXPECT_EQ(r, v);
    EXPECT_EQ(g, 255 - v);
    EXPECT_EQ(b, 7);
  }

  c = 0.2, m = 0.5, y = 0.7;
  CMYtoCMYK(c, m, y, k);
  EXPECT_DOUBLE_EQ(k, 0.2);
  EXPECT_DOUBLE_EQ(c, 0.0);
  EXPECT_DOUBLE_EQ(m, 0.3);
  EXPECT_DOUBLE_EQ(y, 0.5);
  CMYKtoCMY(c, m, y, k);
  EXPECT_DOUBLE_EQ(c, 0.2);
  EXPECT_DOUBLE_EQ(m, 0.5);
  EXPECT_DOUBLE_EQ(y, 0.7);

  c = 1.5, m = -0.5, y = kNaN;  // clamped first: black 0
  CMYtoCMYK(c, m, y, k);
  EXPECT_EQ(k, 0.0);
  EXPECT_EQ(c, 1.0);
  EXPECT_EQ(m, 0.0);
  EXPECT_EQ(y, 0.0);
  c = 0.9, m = 0.1, y = 0.95;
  CMYKtoCMY(c, m, y, 0.3);  // sums clamped to [0, 1]
  EXPECT_EQ(c, 1.0);
  EXPECT_DOUBLE_EQ(m, 0.4);
  EXPECT_EQ(y, 1.0);
  CMYKtoCMY(c, m, y, -2);
  EXPECT_EQ(c, 0.0);
  EXPECT_EQ(m, 0.0);
  EXPECT_EQ(y, 0.0);
}

TEST(ColorWavelengthTest, EdgeCases) {
  const struct {
    Integer nm;
    double gamma;
    TColor color;
  } cases[] = {
      {644, 1, Rgb(255, 4, 0)},  // green 1/65 of the way
      {645, 1, Rgb(255, 0, 0)},
      {700, 1, Rgb(255, 0, 0)},  // factor still 1
      {701, 1, Rgb(253, 0, 0)},  // factor 0.99125
      {779, 1, Rgb(79, 0, 0)},   // factor 0.30875
      {780, 1, 0},
      {379, 1, 0},
      {380, 1, Rgb(76, 0, 76)},  // factor 0.3 (just below 0.3 as a double): 76.49...
      {420, 1, Rgb(85, 0, 255)},
      {440, 1, Rgb(0, 0, 255)},
      {490, 1, Rgb(0, 255, 255)},
      {510, 1, Rgb(0, 255, 0)},
      {580, 1, Rgb(255, 255, 0)},
      {420, 0.5, Rgb(147, 0, 255)},
      {420, 0, Rgb(255, 0, 255)},
      {std::numeric_limits<Integer>::min(), 1, 0},
      {std::numeric_limits<Integer>::max(), 1, 0},
      {600, kNaN, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WavelengthToColor(c.nm, c.gamma), c.color) << c.nm << " nm, gamma " << c.gamma;
  }
}

TEST(ColorRandomTest, DrawsBlueGreenRedWithinBounds) {
  RandSeed = 12345;
  TRandomSequence seq(12345);
  const Integer b = seq.Next(256), g = seq.Next(256), r = seq.Next(256);
  EXPECT_EQ(RandomColor(), Rgb(r, g, b));
  for (int i = 0; i < 2000; ++i) {
    const TColor c = RandomColor(10, 20, 200, 255, 0, 0);
    EXPECT_GE(c & 0xFF, 10u);
    EXPECT_LE(c & 0xFF, 20u);
    EXPECT_GE((c >> 8) & 0xFF, 200u);
    EXPECT_EQ(c >> 16, 0u);
  }
  // All 256 values are reachable with the full range; a low bound above the high bound
  // gives the low bound.
  bool seen[256] = {};
  for (int i = 0; i < 20000; ++i) seen[RandomColor(0, 255, 0, 255, 0, 255) & 0xFF] = true;
  EXPECT_EQ(std::count(std::begin(seen), std::end(seen), true), 256);
  EXPECT_EQ(RandomColor(30, 20, 7, 7, 255, 0), Rgb(30, 7, 255));
}

}  // namespace
}  // namespace krv
