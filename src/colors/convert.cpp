// Colour conversions and arithmetic. Intermediate values are long double (the original ran on
// the x87 unit in extended precision); values the interface keeps as double are rounded to
// double where they are stored, so results match to the last bit.
#include "korvex/colors/convert.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "korvex/platform/random.h"
#include "korvex/platform/rounding.h"

namespace krv {
namespace {

constexpr Integer RedOf(TColor c) {
  return static_cast<Integer>(c & 0xFF);
}
constexpr Integer GreenOf(TColor c) {
  return static_cast<Integer>((c >> 8) & 0xFF);
}
constexpr Integer BlueOf(TColor c) {
  return static_cast<Integer>((c >> 16) & 0xFF);
}

// The colour of three channels, each taken modulo 256; the high byte is 0.
constexpr TColor MakeColor(std::int64_t r, std::int64_t g, std::int64_t b) {
  return static_cast<TColor>(r & 0xFF) | (static_cast<TColor>(g & 0xFF) << 8) |
         (static_cast<TColor>(b & 0xFF) << 16);
}

// x clamped to [0, 1]; NaN gives 0.
double Clamp01(double x) {
  if (!(x >= 0.0)) return 0.0;
  return x > 1.0 ? 1.0 : x;
}

// A blending fraction clamped to [0, 1]; NaN compares with nothing and gives 1.
double ClampFraction(double f) {
  if (f < 0.0) return 0.0;
  if (!(f <= 1.0)) return 1.0;
  return f;
}

// trunc(from + (to - from) * t), a channel value in 0..255 for t in [0, 1].
std::int64_t Blend(Integer from, Integer to, Extended t) {
  return static_cast<std::int64_t>(std::trunc(from + static_cast<Extended>(to - from) * t));
}

Integer RoundToInteger(Extended x) {
  return static_cast<Integer>(RoundHalfEven(x));
}

}  // namespace

TColor InterpolateColor(TColor a, TColor b, double fraction) {
  const Extended t = ClampFraction(fraction);
  return MakeColor(Blend(RedOf(a), RedOf(b), t), Blend(GreenOf(a), GreenOf(b), t),
                   Blend(BlueOf(a), BlueOf(b), t));
}

TColor Interpolate3Colors(TColor a, TColor b, TColor c, double fraction) {
  const double f = ClampFraction(fraction);
  if (f > 0.5) {
    const Extended t = (f - 0.5) * 2.0;
    return MakeColor(Blend(RedOf(b), RedOf(c), t), Blend(GreenOf(b), GreenOf(c), t),
                     Blend(BlueOf(b), BlueOf(c), t));
  }
  const Extended t = 2.0 * f;
  return MakeColor(Blend(RedOf(a), RedOf(b), t), Blend(GreenOf(a), GreenOf(b), t),
                   Blend(BlueOf(a), BlueOf(b), t));
}

TColor MeanColor(TColor a, TColor b) {
  return InterpolateColor(a, b, 0.5);
}

TColor ReverseRGBColor(TColor color) {
  return MakeColor(BlueOf(color), GreenOf(color), RedOf(color));
}

TColor InvertColor(TColor color) {
  return MakeColor(255 - RedOf(color), 255 - GreenOf(color), 255 - BlueOf(color));
}

String ColorToHexStr(TColor color) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String out(8, u'0');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = kDigits[color & 0xF];
    color >>= 4;
  }
  return out;
}

namespace {

// Value of a hexadecimal digit of either case, or -1.
int HexDigit(char16_t ch) {
  if (ch >= u'0' && ch <= u'9') return ch - u'0';
  if (ch >= u'a' && ch <= u'f') return ch - u'a' + 10;
  if (ch >= u'A' && ch <= u'F') return ch - u'A' + 10;
  return -1;
}

}  // namespace

TColor HexStrToColor(std::u16string_view text) {
  // Blanks (character 32 only) around the text do not count.
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return 0;
  text = text.substr(first, text.find_last_not_of(u' ') - first + 1);

  std::size_t pos = text.front() == u'$' ? 1 : 0;
  // Blanks after the prefix; the last character is never skipped.
  while (pos + 1 < text.size() && text[pos] == u' ') ++pos;
  TColor value = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = HexDigit(text[pos]);
    if (digit < 0) break;
    value = value * 16 + static_cast<TColor>(digit);  // wraps: only the last 8 digits count
  }
  return value;
}

void HSItoRGB(double hue, double saturation, double intensity, Integer& red, Integer& green,
              Integer& blue) {
  const double s = Clamp01(saturation);
  const double v = Clamp01(intensity);
  if (!(hue >= 0.0 && hue < 360.0)) hue = 0.0;
  if (s == 0.0) {
    red = green = blue = RoundToInteger(255.0L * v);
    return;
  }
  const double h = static_cast<double>(static_cast<Extended>(hue) / 60.0L);
  const int k = static_cast<int>(std::trunc(h));  // 0..5, as h < 6
  const double f = h - k;
  const double p = static_cast<double>((1.0L - s) * v);
  const double q = static_cast<double>((1.0L - static_cast<Extended>(s) * f) * v);
  const double t = static_cast<double>((1.0L - (1.0L - f) * s) * v);
  // (red, green, blue) for each sixth of the hue circle.
  const double sextant[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  const double* rgb = sextant[k >= 0 && k < 6 ? k : 0];
  red = RoundToInteger(255.0L * rgb[0]);
  green = RoundToInteger(255.0L * rgb[1]);
  blue = RoundToInteger(255.0L * rgb[2]);
}

void RGBtoHSI(Integer red, Integer green, Integer blue, double& hue, double& saturation,
              double& intensity) {
  // 64-bit differences: channels are not clamped, so any 32-bit values must work.
  const std::int64_t r = red, g = green, b = blue;
  enum { kRed, kGreen, kBlue } max_channel = kRed;
  std::int64_t max = r;
  if (g > max) {  // ties keep red
    max = g;
    max_channel = kGreen;
  }
  if (b > max) {  // ties keep red or green
    max = b;
    max_channel = kBlue;
  }
  const std::int64_t min = std::min({r, g, b});
  const std::int64_t delta = max - min;

  intensity = static_cast<double>(static_cast<Extended>(max) / 255.0L);
  if (max == 0) {
    saturation = 0.0;
    hue = 0.0;
    return;
  }
  saturation = static_cast<double>(static_cast<Extended>(delta) / max);
  if (saturation == 0.0) {
    hue = -1.0;
    return;
  }
  const Extended d = static_cast<Extended>(delta);
  switch (max_channel) {
    case kRed:
      hue = static_cast<double>((g - b) / d);
      break;
    case kGreen:
      hue = static_cast<double>((b - r) / d + 2.0L);
      break;
    case kBlue:
      hue = static_cast<double>((r - g) / d + 4.0L);
      break;
  }
  hue = static_cast<double>(hue * 60.0L);
  if (hue < 0.0) hue = static_cast<double>(hue + 360.0L);
}

void CMYtoRGB(double cyan, double magenta, double yellow, Byte& red, Byte& green, Byte& blue) {
  red = static_cast<Byte>(RoundHalfEven((1.0L - Clamp01(cyan)) * 255.0L));
  green = static_cast<Byte>(RoundHalfEven((1.0L - Clamp01(magenta)) * 255.0L));
  blue = static_cast<Byte>(RoundHalfEven((1.0L - Clamp01(yellow)) * 255.0L));
}

void RGBtoCMY(Byte red, Byte green, Byte blue, double& cyan, double& magenta, double& yellow) {
  cyan = static_cast<double>(1.0L - red / 255.0L);
  magenta = static_cast<double>(1.0L - green / 255.0L);
  yellow = static_cast<double>(1.0L - blue / 255.0L);
}

void CMYKtoCMY(double& cyan, double& magenta, double& yellow, double black) {
  cyan = Clamp01(static_cast<double>(static_cast<Extended>(cyan) + black));
  magenta = Clamp01(static_cast<double>(static_cast<Extended>(magenta) + black));
  yellow = Clamp01(static_cast<double>(static_cast<Extended>(yellow) + black));
}

void CMYtoCMYK(double& cyan, double& magenta, double& yellow, double& black) {
  cyan = Clamp01(cyan);
  magenta = Clamp01(magenta);
  yellow = Clamp01(yellow);
  black = cyan;
  if (magenta < black) black = magenta;
  if (yellow < black) black = yellow;
  cyan -= black;
  magenta -= black;
  yellow -= black;
}

Integer RGBtoGray(Integer red, Integer green, Integer blue) {
  constexpr Extended kRed = 0.3L, kGreen = 0.59L, kBlue = 0.11L;
  return RoundToInteger(kRed * red + kGreen * green + kBlue * blue);
}

TColor RGBtoGrayColor(Integer red, Integer green, Integer blue) {
  const Integer gray = RGBtoGray(red, green, blue);
  return MakeColor(gray, gray, gray);
}

Integer ColorToGray(TColor color) {
  return RGBtoGray(RedOf(color), GreenOf(color), BlueOf(color));
}

TColor ColorToGrayColor(TColor color) {
  return RGBtoGrayColor(RedOf(color), GreenOf(color), BlueOf(color));
}

double RGBColorDistance(TColor a, TColor b) {
  const Integer dr = RedOf(a) - RedOf(b);
  const Integer dg = GreenOf(a) - GreenOf(b);
  const Integer db = BlueOf(a) - BlueOf(b);
  const Extended sum = static_cast<Extended>(dr * dr + dg * dg + db * db);
  return static_cast<double>(std::sqrt(sum / 195075.0L));  // 195075 = 3 * 255^2
}

TColor RandomColor() {
  const Integer b = Random(256);
  const Integer g = Random(256);
  const Integer r = Random(256);
  return MakeColor(r, g, b);
}

TColor RandomColor(Byte red_lo, Byte red_hi, Byte green_lo, Byte green_hi, Byte blue_lo,
                   Byte blue_hi) {
  const Integer b = blue_lo + Random(blue_hi - blue_lo + 1);
  const Integer g = green_lo + Random(green_hi - green_lo + 1);
  const Integer r = red_lo + Random(red_hi - red_lo + 1);
  return MakeColor(r, g, b);
}

namespace {

// 255 * (channel * factor)^gamma, rounded; 0 for a zero channel or factor.
std::int64_t WavelengthChannel(double channel, double factor, double gamma) {
  if (channel == 0.0 || factor == 0.0) return 0;
  const Extended x = static_cast<Extended>(channel) * factor;
  return RoundHalfEven(255.0L * std::exp(gamma * std::log(x)));
}

}  // namespace

TColor WavelengthToColor(Integer wavelength, double gamma) {
  // Arithmetic on the wavelength in floating point, so extreme integers cannot overflow.
  const Extended w = wavelength;
  double r = 0.0, g = 0.0, b = 0.0;
  if (wavelength >= 380 && wavelength < 440) {
    r = static_cast<double>((440.0L - w) / 60.0L), b = 1.0;
  } else if (wavelength >= 440 && wavelength < 490) {
    g = static_cast<double>((w - 440.0L) / 50.0L), b = 1.0;
  } else if (wavelength >= 490 && wavelength < 510) {
    g = 1.0, b = static_cast<double>((510.0L - w) / 20.0L);
  } else if (wavelength >= 510 && wavelength < 580) {
    r = static_cast<double>((w - 510.0L) / 70.0L), g = 1.0;
  } else if (wavelength >= 580 && wavelength < 645) {
    r = 1.0, g = static_cast<double>((645.0L - w) / 65.0L);
  } else if (wavelength >= 645 && wavelength < 780) {
    r = 1.0;
  }
  double factor;
  if (wavelength > 700) {
    factor = static_cast<double>(0.3L + 0.7L * (780.0L - w) / 80.0L);
  } else if (wavelength >= 420) {
    factor = 1.0;
  } else {
    factor = static_cast<double>(0.3L + 0.7L * (w - 380.0L) / 40.0L);
  }
  if (factor < 0.0) factor = 0.0;
  return MakeColor(WavelengthChannel(r, factor, gamma), WavelengthChannel(g, factor, gamma),
                   WavelengthChannel(b, factor, gamma));
}

}  // namespace krv
