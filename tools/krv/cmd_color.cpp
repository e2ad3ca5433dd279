// krv color: one colour in every model the library converts to, colour-scale files in the
// library's colour-table format, and the dictionary of named colours.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "color_arg.h"
#include "io.h"
#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"
#include "os.h"
#include "picture_output.h"
#include "progress.h"

namespace krv::tool {
namespace {

struct Options {
  std::string value;
  std::string palette = "rainbow";
  std::int32_t size = 1000;
  std::int32_t levels = 0;
  std::string output = "-";
};

struct Palette {
  std::string_view name;
  std::span<const TColor> colors;
};

// Scale pictures: at most this many columns, each this many pixels high.
constexpr std::int32_t kMaxPictureColumns = 4096;
constexpr std::int32_t kPictureBand = 48;

const Palette kPalettes[] = {
    {"rainbow", ColorArray_Rainbow},   {"geo1", ColorArray_Geo1},
    {"geo2", ColorArray_Geo2},         {"geo3", ColorArray_Geo3},
    {"circle", ColorArray_Circle},     {"morgenstemning", ColorArray_MorgenStemning},
    {"contrast", ColorArray_Contrast},
};

std::string Number(double x) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", x);
  return std::string(buf) == "-0" ? "0" : buf;
}

std::string Hex2(unsigned v) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
  return buf;
}

int Show(const Options& o) {
  const TColor c = ParseColor(o.value);
  const auto r = static_cast<Byte>(c & 0xFF), g = static_cast<Byte>((c >> 8) & 0xFF),
             b = static_cast<Byte>((c >> 16) & 0xFF);
  double hue, sat, inten, cyan, magenta, yellow;
  RGBtoHSI(r, g, b, hue, sat, inten);
  RGBtoCMY(r, g, b, cyan, magenta, yellow);
  double kc = cyan, km = magenta, ky = yellow, black = 0;
  CMYtoCMYK(kc, km, ky, black);
  const Integer grey = ColorToGray(c);

  std::string text;
  text += "hex   " + ToUtf8(ColorToHexStr(c)) + "  ($" + Hex2(b) + Hex2(g) + Hex2(r) + ", #" +
          Hex2(r) + Hex2(g) + Hex2(b) + ")\n";
  text += "name  " + ToUtf8(ObtainColorName(c)) + "\n";
  text += "RGB   " + std::to_string(r) + ", " + std::to_string(g) + ", " + std::to_string(b) + "\n";
  text += "HSI   hue " + (hue < 0 ? std::string("undefined (-1)") : Number(hue)) + ", saturation " +
          Number(sat) + ", intensity " + Number(inten) + "\n";
  text += "CMY   " + Number(cyan) + ", " + Number(magenta) + ", " + Number(yellow) + "\n";
  text +=
      "CMYK  " + Number(kc) + ", " + Number(km) + ", " + Number(ky) + ", " + Number(black) + "\n";
  text +=
      "grey  " + std::to_string(grey) + "  (" + ToUtf8(ColorToHexStr(ColorToGrayColor(c))) + ")\n";
  Output out("-");
  out.Write(text);
  out.Commit();
  return kExitOk;
}

int Names() {
  std::size_t width = 0;
  for (const std::u16string_view name : AllKRVColorNames) width = std::max(width, name.size());
  std::string text;
  for (long i = AllKRVColors.kFirst; i <= AllKRVColors.kLast; ++i) {
    char index[8];
    std::snprintf(index, sizeof index, "%3ld", i);
    std::string name = ToUtf8(AllKRVColorNames[i]);
    name.resize(width, ' ');
    text += std::string(index) + "  " + name + "  " + ToUtf8(ColorToHexStr(AllKRVColors[i])) + "\n";
  }
  Output out("-");
  out.Write(text);
  out.Commit();
  return kExitOk;
}

// ---- Scales -------------------------------------------------------------------------------

const Palette& FindPalette(const std::string& name) {
  for (const Palette& p : kPalettes)
    if (p.name == name) return p;
  throw Failure{"", "unknown palette '" + name + "'"};  // the option check comes first
}

// The scale as a picture: one column per colour (evenly sampled, first and last included,
// when there are more than kMaxPictureColumns) kPictureBand pixels high, framed in black.
std::int32_t PictureColumns(const TColorArray& scale) {
  return std::min(scale.Size(), kMaxPictureColumns);
}

void DrawScale(TCanvas& canvas, const TColorArray& scale) {
  const std::int32_t n = scale.Size();
  const std::int32_t w = PictureColumns(scale);
  canvas.Pen()->SetColor(clBlack);
  canvas.Brush()->SetStyle(bsClear);
  canvas.Rectangle(0, 0, w + 2, kPictureBand + 2);
  for (std::int32_t i = 0; i < w; ++i) {
    const std::int64_t elem = w == 1 ? 1 : 1 + std::int64_t{i} * (n - 1) / (w - 1);
    canvas.Pen()->SetColor(scale.GetColorElem(static_cast<std::int32_t>(elem)));
    canvas.MoveTo(i + 1, 1);
    canvas.LineTo(i + 1, kPictureBand + 1);
  }
}

// Writes the scale as a PNG or PDF picture, as the output's name asks.
void WriteScalePicture(const TColorArray& scale, Output& out) {
  const std::int32_t width = PictureColumns(scale) + 2, height = kPictureBand + 2;
  if (IsPdfName(out.Name())) {
    WritePdf(
        width, height, [&](TCanvas& canvas) { DrawScale(canvas, scale); }, out);
  } else {
    TBitmap picture(width, height);
    DrawScale(*picture.Canvas(), scale);
    WritePng(picture, out);
  }
  out.Commit();
}

int Scale(const Options& o) {
  const Palette& palette = FindPalette(o.palette);
  if (IsPdfName(o.output)) RequirePdf(o.output);
  Output out(o.output);
  TColorArray scale;
  scale.SetSize(o.size);
  scale.FillByInterpolation(o.levels, palette.colors);
  if (IsPngName(o.output) || IsPdfName(o.output)) {
    WriteScalePicture(scale, out);
    return kExitOk;
  }
  const ScratchFile file("color");
  if (!scale.StoreOnFile(1, scale.Size(), file.Path()))
    throw Failure{"", "cannot write a temporary file"};
  os::FileInfo info;
  Progress progress(out.Name(), os::StatFd(file.Fd(), info) ? info.size : -1);
  std::string block(1 << 16, '\0');
  for (std::int64_t at = 0;;) {
    const std::ptrdiff_t n = os::ReadAt(file.Fd(), block.data(), block.size(), at);
    if (n < 0) throw Failure{"", "cannot read a temporary file: " + ErrnoText(errno)};
    if (n == 0) break;
    out.Write(block.data(), static_cast<std::size_t>(n));
    at += n;
    progress.Update(at);
  }
  out.Commit();
  return kExitOk;
}

// ---- Command line -------------------------------------------------------------------------

CLI::App* AddShow(CLI::App& app, Options& o) {
  CLI::App* show = AddMode(
      app, {.name = "show",
            .summary = "print one colour in every model",
            .usage = "krv color show VALUE",
            .description =
                "Prints the colour VALUE as the library's 8-digit hexadecimal text, its name\n"
                "(or the hexadecimal text when the dictionary has none), its red, green and\n"
                "blue channels, its hue (degrees; undefined for greys), saturation and\n"
                "intensity, its cyan, magenta and yellow parts, the same with black taken out,\n"
                "and its grey level.\n"
                "\n"
                "VALUE is one of:\n"
                "  NAME      a name of the dictionary ('krv color names'), in any case, blanks\n"
                "            ignored: Red, navyblue, 'Alice Blue'\n"
                "  $BBGGRR   1 to 6 hexadecimal digits in the library's byte order: $0000FF\n"
                "            and $FF are red\n"
                "  #RRGGBB   6 hexadecimal digits in web order: #FF0000 is red\n"
                "  r,g,b     three numbers 0 to 255: 255,0,0 is red",
            .exit_status = "0  the colour was shown\n"
                           "2  VALUE is no colour, standard output could not be written, or a\n"
                           "   usage error",
            .examples = "krv color show SkyBlue\n"
                        "krv color show '#87CEEB'\n"
                        "krv color show '$EBCE87'\n"
                        "krv color show 135,206,235"});
  show->add_option("VALUE", o.value, "the colour")->required();
  return show;
}

CLI::App* AddScale(CLI::App& app, Options& o) {
  CLI::App* scale = AddMode(
      app, {.name = "scale",
            .summary = "write a colour-scale file or picture",
            .usage = "krv color scale [--palette NAME] [--size N] [--levels L] [-o FILE] [-q]",
            .description =
                "Blends a palette's key colours into a scale of N colours and writes it in the\n"
                "library's colour-table format: a line \"1 N\", then one line per colour with its\n"
                "value as 8 hexadecimal digits (red in the last two), lines ending in CR LF.\n"
                "With L discrete levels (L > 0) the scale shows at most L + 1 steps; with 0 it\n"
                "blends smoothly. The file goes to standard output or to FILE, which is replaced\n"
                "only when the command succeeds.\n"
                "\n"
                "Palettes: rainbow (the default), geo1, geo2, geo3, circle (closed: red to red),\n"
                "morgenstemning, contrast. N is 1 to 33554432, the most a colour table may ask\n"
                "for when it is read; the default is 1000.\n"
                "\n"
                "When FILE ends in .png (any case) the scale is written as a PNG picture\n"
                "instead: one column of 48 pixels per colour, left to right from colour 1, in a\n"
                "1-pixel black frame, so the picture is N + 2 by 50 pixels. Scales of more than\n"
                "4096 colours are sampled evenly to 4096 columns (the first and last colour\n"
                "included). When FILE ends in .pdf (any case) the same picture is written as a\n"
                "one-page PDF at 96 pixels per inch (0.75 points per pixel), its frame and\n"
                "columns drawn as vector lines; a build without PDF support (the Windows\n"
                "build) refuses a .pdf output.",
            .exit_status = "0  the scale was written\n"
                           "2  the output could not be written, a .pdf output where the build\n"
                           "   writes no PDF, or a usage error",
            .examples = "krv color scale -o rainbow.txt\n"
                        "krv color scale --palette geo1 --size 256 --levels 8 -o geo1.txt\n"
                        "krv color scale --palette circle --size 12 | head -3\n"
                        "krv color scale --palette geo2 --size 256 -o geo2.png\n"
                        "krv color scale --palette geo3 --size 512 -o geo3.pdf"});
  std::vector<std::string> names;
  for (const Palette& p : kPalettes) names.emplace_back(p.name);
  scale->add_option("--palette", o.palette, "the key colours (default rainbow)")
      ->transform(OneOf(names, true))
      ->option_text(" NAME");
  scale->add_option("--size", o.size, "the number of colours (default 1000)")
      ->transform(WholeNumber(1, kColorArrayMaxLoadElems))
      ->option_text(" N");
  scale->add_option("--levels", o.levels, "discrete levels; 0 blends smoothly (default)")
      ->transform(WholeNumber(0, INT32_MAX))
      ->option_text(" L");
  AddOutputOption(*scale, o.output);
  AddQuietFlag(*scale);
  return scale;
}

void AddNames(CLI::App& app) {
  AddMode(app, {.name = "names",
                .summary = "list the named colours",
                .usage = "krv color names",
                .description = "Lists the dictionary of named colours: index, name and value as\n"
                               "8 hexadecimal digits (red in the last two).",
                .exit_status = "0  the list was printed\n"
                               "2  standard output could not be written, or a usage error",
                .examples = "krv color names\n"
                            "krv color names | grep -i blue"});
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* show = AddShow(app, *o);
  CLI::App* scale = AddScale(app, *o);
  AddNames(app);
  return [o, show, scale] {
    if (show->parsed()) return Show(*o);
    if (scale->parsed()) return Scale(*o);
    return Names();  // the parse requires a mode, and names is the one left
  };
}

const KrvCommand reg{
    {.name = "color",
     .summary = "show a colour in every model, write colour scales, list named colours",
     .usage = "krv color show VALUE\n"
              "krv color scale [--palette NAME] [--size N] [--levels L] [-o FILE]\n"
              "krv color names",
     .description =
         "Works with the library's colours: 'show' prints one colour as hexadecimal text, name,\n"
         "RGB, HSI, CMY, CMYK and grey level; 'scale' writes a colour-scale file (or a PNG\n"
         "or PDF picture of it) blended from one of the library's palettes; 'names' lists the\n"
         "dictionary of named colours.\n"
         "Run 'krv help color MODE' for a mode's page.",
     .exit_status = "0  success\n"
                    "2  a value that is no colour, an output that could not be written, or a\n"
                    "   usage error",
     .examples = "krv color show Navy\n"
                 "krv color scale --palette geo2 --levels 10 -o geo2.txt\n"
                 "krv color names"},
    &Setup};

}  // namespace
}  // namespace krv::tool
