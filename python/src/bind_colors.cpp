// Colours: the conversions between colour models (tuples in and out) and the dictionary of
// named colours; ColorArray lives in colors_array.cpp.
#include <cstdint>
#include <string>
#include <string_view>

#include "bind.h"
#include "colors_args.h"
#include "colors_parts.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/graphics.h"

namespace korvex_py {
namespace {

std::uint8_t Channel(long long v) {
  if (v < 0 || v > 255) throw py::value_error("colour channels are ints 0..255");
  return static_cast<std::uint8_t>(v);
}

py::tuple Channels(krv::TColor c) {
  return py::make_tuple(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void BindConversions(py::module_& m) {
  m.def(
      "rgb",
      [](long long r, long long g, long long b) {
        return krv::TColor{Channel(r)} | (krv::TColor{Channel(g)} << 8) |
               (krv::TColor{Channel(b)} << 16);
      },
      py::arg("red"), py::arg("green"), py::arg("blue"),
      "The colour value (red in the low byte) of three channels 0..255.");
  m.def(
      "to_rgb", [](const py::object& c) { return Channels(krv::ColorToRGB(ColorArg(c))); },
      py::arg("color"),
      "(red, green, blue) of a colour; system colours are resolved to the classic palette.");
  m.def(
      "parse_color", [](const py::object& c) { return ColorArg(c); }, py::arg("value"),
      "The colour value of an int, an (r, g, b) tuple, a dictionary name (any case, blanks "
      "ignored), '#RRGGBB' or '$BBGGRR'.");
  m.def(
      "interpolate_color",
      [](const py::object& a, const py::object& b, double fraction) {
        return krv::InterpolateColor(ColorArg(a), ColorArg(b), fraction);
      },
      py::arg("a"), py::arg("b"), py::arg("fraction"),
      "The blend of a and b: fraction (clamped to [0, 1], NaN counts as 1) 0 gives a, 1 gives "
      "b; each channel truncated a + (b - a) * fraction.");
  m.def(
      "interpolate_3_colors",
      [](const py::object& a, const py::object& b, const py::object& c, double fraction) {
        return krv::Interpolate3Colors(ColorArg(a), ColorArg(b), ColorArg(c), fraction);
      },
      py::arg("a"), py::arg("b"), py::arg("c"), py::arg("fraction"),
      "Blend through three colours: fraction 0 gives a, 0.5 gives b exactly, 1 gives c.");
  m.def(
      "mean_color",
      [](const py::object& a, const py::object& b) {
        return krv::MeanColor(ColorArg(a), ColorArg(b));
      },
      py::arg("a"), py::arg("b"), "interpolate_color(a, b, 0.5).");
  m.def(
      "reverse_rgb", [](const py::object& c) { return krv::ReverseRGBColor(ColorArg(c)); },
      py::arg("color"), "The colour with red and blue exchanged.");
  m.def(
      "invert_color", [](const py::object& c) { return krv::InvertColor(ColorArg(c)); },
      py::arg("color"), "Each channel c replaced by 255 - c.");
  m.def(
      "color_to_hex", [](const py::object& c) { return krv::ColorToHexStr(ColorArg(c)); },
      py::arg("color"),
      "All 32 bits as 8 upper-case hexadecimal digits, most significant first: blue gives "
      "'00FF0000'.");
  m.def("hex_to_color", &krv::HexStrToColor, py::arg("text"),
        "The colour written as hexadecimal text in colour byte order ('$0000FF' and 'FF' are "
        "red); blanks and a leading '$' are ignored, only the last 8 digits count, text without "
        "digits gives 0.");
}

void BindModels(py::module_& m) {
  m.def(
      "hsi_to_rgb",
      [](double h, double s, double i) {
        krv::Integer r, g, b;
        krv::HSItoRGB(h, s, i, r, g, b);
        return py::make_tuple(r, g, b);
      },
      py::arg("hue"), py::arg("saturation"), py::arg("intensity"),
      "(red, green, blue) 0..255 of hue in degrees, saturation and intensity in [0, 1] "
      "(clamped); a hue outside [0, 360) counts as 0.");
  m.def(
      "rgb_to_hsi",
      [](krv::Integer r, krv::Integer g, krv::Integer b) {
        double h, s, i;
        krv::RGBtoHSI(r, g, b, h, s, i);
        return py::make_tuple(h, s, i);
      },
      py::arg("red"), py::arg("green"), py::arg("blue"),
      "(hue, saturation, intensity): hue in degrees [0, 360), the others in [0, 1]; black "
      "gives hue 0, any other grey hue -1.");
  m.def(
      "cmy_to_rgb",
      [](double c, double mg, double y) {
        krv::Byte r, g, b;
        krv::CMYtoRGB(c, mg, y, r, g, b);
        return py::make_tuple(r, g, b);
      },
      py::arg("cyan"), py::arg("magenta"), py::arg("yellow"),
      "(red, green, blue) of cyan, magenta and yellow in [0, 1] (clamped): red = "
      "round((1 - cyan) * 255) ...");
  m.def(
      "rgb_to_cmy",
      [](long long r, long long g, long long b) {
        double c, mg, y;
        krv::RGBtoCMY(Channel(r), Channel(g), Channel(b), c, mg, y);
        return py::make_tuple(c, mg, y);
      },
      py::arg("red"), py::arg("green"), py::arg("blue"),
      "(cyan, magenta, yellow): cyan = 1 - red / 255 ...");
  m.def(
      "cmyk_to_cmy",
      [](double c, double mg, double y, double k) {
        krv::CMYKtoCMY(c, mg, y, k);
        return py::make_tuple(c, mg, y);
      },
      py::arg("cyan"), py::arg("magenta"), py::arg("yellow"), py::arg("black"),
      "(cyan, magenta, yellow) with black added to each, clamped to [0, 1].");
  m.def(
      "cmy_to_cmyk",
      [](double c, double mg, double y) {
        double k;
        krv::CMYtoCMYK(c, mg, y, k);
        return py::make_tuple(c, mg, y, k);
      },
      py::arg("cyan"), py::arg("magenta"), py::arg("yellow"),
      "(cyan, magenta, yellow, black): the three clamped to [0, 1], their smallest moved into "
      "black.");
}

void BindGreys(py::module_& m) {
  m.def("rgb_to_gray", &krv::RGBtoGray, py::arg("red"), py::arg("green"), py::arg("blue"),
        "round(0.3 * red + 0.59 * green + 0.11 * blue).");
  m.def("rgb_to_gray_color", &krv::RGBtoGrayColor, py::arg("red"), py::arg("green"),
        py::arg("blue"), "The colour whose three channels are rgb_to_gray of the channels.");
  m.def(
      "color_to_gray", [](const py::object& c) { return krv::ColorToGray(ColorArg(c)); },
      py::arg("color"), "rgb_to_gray of the colour's channels.");
  m.def(
      "color_to_gray_color", [](const py::object& c) { return krv::ColorToGrayColor(ColorArg(c)); },
      py::arg("color"), "rgb_to_gray_color of the colour's channels.");
  m.def(
      "color_distance",
      [](const py::object& a, const py::object& b) {
        return krv::RGBColorDistance(ColorArg(a), ColorArg(b));
      },
      py::arg("a"), py::arg("b"),
      "sqrt((dR^2 + dG^2 + dB^2) / (3 * 255^2)): 0 for equal channels, 1 for black and white.");
  m.def(
      "random_color",
      [](const py::object& red, const py::object& green, const py::object& blue) {
        if (red.is_none() && green.is_none() && blue.is_none()) return krv::RandomColor();
        const auto bounds = [](const py::object& o) {
          if (o.is_none()) return std::pair<std::uint8_t, std::uint8_t>(0, 255);
          const auto [lo, hi] = o.cast<std::pair<long long, long long>>();
          return std::pair(Channel(lo), Channel(hi));
        };
        const auto r = bounds(red), g = bounds(green), b = bounds(blue);
        return krv::RandomColor(r.first, r.second, g.first, g.second, b.first, b.second);
      },
      py::kw_only(), py::arg("red") = py::none(), py::arg("green") = py::none(),
      py::arg("blue") = py::none(),
      "A colour from the library's process-wide generator; each of red, green and blue may be "
      "bounded by a (low, high) pair of 0..255.");
  m.def("wavelength_to_color", &krv::WavelengthToColor, py::arg("nanometres"),
        py::arg("gamma") = 0.8,
        "The colour of light of the wavelength (380..779 nm visible, black elsewhere), dimmed "
        "toward both ends, each channel raised to the power gamma.");
}

void BindNames(py::module_& m) {
  m.def(
      "color_names",
      [] {
        py::list names;
        for (const std::u16string_view n : krv::AllKRVColorNames) names.append(py::cast(n));
        return names;
      },
      "The 466 names of the colour dictionary in its order.");
  m.def(
      "named_colors",
      [] {
        py::dict d;
        for (long i = krv::AllKRVColors.kFirst; i <= krv::AllKRVColors.kLast; ++i)
          d[py::cast(krv::AllKRVColorNames[i])] = krv::AllKRVColors[i];
        return d;
      },
      "The colour dictionary as {name: value}, in its order.");
  m.def(
      "color_by_name",
      [](const krv::String& name) {
        const long i = FindColorName(name);
        if (i == 0) throw py::key_error(py::repr(py::cast(name)).cast<std::string>());
        return krv::AllKRVColors[i];
      },
      py::arg("name"),
      "The value of a dictionary name compared ignoring ASCII case and blanks ('navy blue' is "
      "NavyBlue); KeyError when none matches.");
  m.def(
      "color_name", [](const py::object& c) { return krv::ObtainColorName(ColorArg(c)); },
      py::arg("color"),
      "The first dictionary name of the colour (all 32 bits equal), or its color_to_hex text.");
  const auto tuple_of = [](const auto& table) {
    py::list l;
    for (const krv::TColor c : table) l.append(c);
    return py::tuple(l);
  };
  m.attr("X11_COLORS") = tuple_of(krv::X11Colors);
  m.attr("PREDEFINED_COLORS") = tuple_of(krv::PredefinedColors);
}

}  // namespace

void BindColors(py::module_& m) {
  BindConversions(m);
  BindModels(m);
  BindGreys(m);
  BindNames(m);
  BindColorArray(m);
}

}  // namespace korvex_py
