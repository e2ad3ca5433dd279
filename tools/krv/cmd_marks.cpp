// krv marks: every data-point mark type 0..255 in a labelled 16 x 16 grid, as a PNG picture.
#include <algorithm>
#include <memory>
#include <string>

#include "cli.h"
#include "color_arg.h"
#include "io.h"
#include "korvex/base/canvas_draw.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"
#include "png_output.h"

namespace krv::tool {
namespace {

constexpr std::int32_t kGridSide = 16;
constexpr std::int32_t kMaxSize = 64;  // keeps the picture below 2400 x 2600 pixels
constexpr std::int32_t kPadding = 4;   // around each cell's content
constexpr std::int32_t kLabelGap = 2;  // between a mark and its number
constexpr TColor kGridColor = clSilver;

struct Options {
  std::int32_t size = 4;
  std::string color = "Black";
  std::string output = "-";
};

// The grid: cell (type mod 16, type div 16) holds the mark's bitmap centred above its number.
std::unique_ptr<TBitmap> MarksPicture(std::int32_t size, TColor color) {
  const std::int32_t edge = 2 * size + 7;
  TBitmap probe;  // measures the labels in the canvas's default font
  const std::int32_t label_w = probe.Canvas()->TextWidth(u"255");
  const std::int32_t label_h = probe.Canvas()->TextHeight(u"0");
  const std::int32_t cell_w = std::max(edge, label_w) + 2 * kPadding;
  const std::int32_t cell_h = edge + kLabelGap + label_h + 2 * kPadding;
  auto picture = std::make_unique<TBitmap>(kGridSide * cell_w + 1, kGridSide * cell_h + 1);
  TCanvas& canvas = *picture->Canvas();
  canvas.Pen()->SetColor(kGridColor);
  for (std::int32_t i = 0; i <= kGridSide; ++i) {
    canvas.MoveTo(i * cell_w, 0);
    canvas.LineTo(i * cell_w, picture->Height());
    canvas.MoveTo(0, i * cell_h);
    canvas.LineTo(picture->Width(), i * cell_h);
  }
  canvas.Brush()->SetStyle(bsClear);
  canvas.Font()->SetColor(clBlack);
  for (std::int32_t type = 0; type < kGridSide * kGridSide; ++type) {
    const std::int32_t left = (type % kGridSide) * cell_w;
    const std::int32_t top = (type / kGridSide) * cell_h;
    const auto mark = CreateMarkAsBitmap(static_cast<Byte>(type), color, clWhite, size);
    canvas.Draw(left + (cell_w - edge) / 2, top + kPadding, *mark);
    const String label = ToUtf16(std::to_string(type));
    canvas.TextOut(left + (cell_w - canvas.TextWidth(label)) / 2, top + kPadding + edge + kLabelGap,
                   label);
  }
  return picture;
}

int Run(const Options& o) {
  const TColor color = ParseColor(o.color);
  Output out(o.output);
  if (out.ToTerminal())
    throw Failure{"",
                  "the PNG picture is not written to a terminal: name a file with -o, or "
                  "redirect standard output"};
  WritePng(*MarksPicture(o.size, color), out);
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  app.add_option("--size", o->size, "margin around each mark, 0 to 64 (default 4)")
      ->transform(WholeNumber(0, kMaxSize))
      ->option_text(" N");
  app.add_option("--color", o->color, "the marks' colour (default Black)")->option_text(" C");
  AddOutputOption(app, o->output);
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "marks",
     .summary = "draw every data-point mark type in a labelled grid (PNG)",
     .usage = "krv marks [--size N] [--color C] [-o FILE.png]",
     .description =
         "Draws the 256 mark types of the library's canvas drawing in a grid of 16 by 16\n"
         "cells, type 0 at the top left and 255 at the bottom right, each row holding 16\n"
         "consecutive types. Each cell shows the mark as the library renders it into a\n"
         "bitmap of 2 * N + 7 pixels square (white background, the mark centred; N only\n"
         "widens the margin, the marks keep their size) with its type number beneath.\n"
         "Types 0 to 51 are shapes, 52 to 255 characters (200 to 209 the digits 0 to 9).\n"
         "\n"
         "The picture is written as PNG to FILE, which is replaced only when the command\n"
         "succeeds, or to standard output without -o or with '-o -'; a terminal is\n"
         "refused, as compressors refuse to write binary data to one. C is a colour as\n"
         "'krv color show' takes it: a name (Red, 'Navy Blue'), $BBGGRR, #RRGGBB or r,g,b.",
     .exit_status = "0  the picture was written\n"
                    "2  a bad size or colour, an output that could not be written or is a\n"
                    "   terminal, or a usage error",
     .examples = "krv marks -o marks.png\n"
                 "krv marks --size 8 --color Red -o red-marks.png\n"
                 "krv marks --color '#0000FF' | pngcheck -"},
    &Setup};

}  // namespace
}  // namespace krv::tool
