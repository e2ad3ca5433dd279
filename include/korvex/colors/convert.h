// Stateless colour conversions and colour arithmetic: blending, inversion, channel reversal,
// hexadecimal text, the HSI (hue, saturation, intensity), CMY and CMYK models, grey values, a
// normalised distance, random colours and the colour of a visible wavelength.
//
// A colour (TColor) holds red in the lowest byte, then green, then blue. Every function here
// reads only the three low bytes of a colour it takes apart, and every colour it builds has a
// high byte of 0 with each channel taken modulo 256. "Rounded" below means to the nearest
// integer with ties to the even neighbour (RoundHalfEven); "truncated" means toward zero.
// Intermediate arithmetic runs in extended precision (long double); values documented as
// doubles are rounded to double where they are stored.
//
// None of these functions raises. Out-of-range inputs are clamped where stated; a NaN where a
// value is clamped counts as 0 (except the blending fraction, where it counts as 1).
#pragma once

#include <string_view>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The blend of a and b: fraction is clamped to [0, 1] (NaN becomes 1), and each channel is
// truncated a + (b - a) * fraction. Fraction 0 gives a, 1 gives b.
TColor InterpolateColor(TColor a, TColor b, double fraction);

// Blend through three colours: fraction (clamped as above) 0 gives a, 0.5 gives b exactly,
// 1 gives c; each half blends linearly with truncated channels.
TColor Interpolate3Colors(TColor a, TColor b, TColor c, double fraction);

// InterpolateColor(a, b, 0.5).
TColor MeanColor(TColor a, TColor b);

// The colour with red and blue exchanged.
TColor ReverseRGBColor(TColor color);

// Each channel c replaced by 255 - c.
TColor InvertColor(TColor color);

// All 32 bits as exactly 8 upper-case hexadecimal digits, most significant first, no prefix:
// blue gives "00FF0000"; a system colour keeps its high byte.
String ColorToHexStr(TColor color);

// The colour written as hexadecimal text in colour byte order ("$0000FF" and "FF" are red,
// "FF0000" is blue). Blanks around the text are ignored, as are a leading "$" and blanks after
// it; digits of either case are read up to the first other character and only the last 8
// count. Text without leading digits gives 0.
TColor HexStrToColor(std::u16string_view text);

// Hue in degrees, saturation and intensity in [0, 1] (clamped) to channels 0..255. A hue
// outside [0, 360) counts as 0; saturation 0 gives the grey of the intensity.
void HSItoRGB(double hue, double saturation, double intensity, Integer& red, Integer& green,
              Integer& blue);

// Channels (0..255 expected, not clamped) to hue in degrees [0, 360), saturation and
// intensity in [0, 1]. Black gives hue 0, any other grey hue -1. Where two channels share the
// maximum, red is preferred over green and green over blue.
void RGBtoHSI(Integer red, Integer green, Integer blue, double& hue, double& saturation,
              double& intensity);

// Cyan, magenta and yellow (clamped to [0, 1]) to channels: red = rnd((1 - cyan) * 255) ...
void CMYtoRGB(double cyan, double magenta, double yellow, Byte& red, Byte& green, Byte& blue);

// Channels to cyan = 1 - red / 255, magenta = 1 - green / 255, yellow = 1 - blue / 255.
void RGBtoCMY(Byte red, Byte green, Byte blue, double& cyan, double& magenta, double& yellow);

// Adds black to cyan, magenta and yellow, then clamps each to [0, 1].
void CMYKtoCMY(double& cyan, double& magenta, double& yellow, double black);

// Clamps cyan, magenta and yellow to [0, 1], moves their smallest value into black and
// subtracts it from each.
void CMYtoCMYK(double& cyan, double& magenta, double& yellow, double& black);

// rnd(0.3 * red + 0.59 * green + 0.11 * blue).
Integer RGBtoGray(Integer red, Integer green, Integer blue);
// The colour whose three channels are RGBtoGray of the channels (modulo 256).
TColor RGBtoGrayColor(Integer red, Integer green, Integer blue);
// RGBtoGray of the channels of color.
Integer ColorToGray(TColor color);
// RGBtoGrayColor of the channels of color.
TColor ColorToGrayColor(TColor color);

// sqrt((dR^2 + dG^2 + dB^2) / (3 * 255^2)): 0 for equal channels, 1 for black and white.
double RGBColorDistance(TColor a, TColor b);

// A colour of three uniform channels from the process-wide generator (random.h), drawn in
// the order blue, green, red.
TColor RandomColor();
// Each channel low + Random(high - low + 1) modulo 256, drawn blue, green, red. A channel
// whose low bound exceeds its high bound gets its low bound (the draw then gives 0).
TColor RandomColor(Byte red_lo, Byte red_hi, Byte green_lo, Byte green_hi, Byte blue_lo,
                   Byte blue_hi);

// The colour of light of the given wavelength in nanometres (380..779 visible, black
// elsewhere), dimmed toward both ends of the range, each channel raised to the power gamma.
TColor WavelengthToColor(Integer wavelength, double gamma);

}  // namespace krv
KORVEX_API_END
