// krv marks: every data-point mark type 0..255 in a labelled 16 x 16 grid, as a PNG picture or
// a PDF page.
#include <algorithm>
#include <memory>
#include <string>

#include "cli.h"
#include "color_arg.h"
#include "io.h"
#include "korvex/base/canvas_draw.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/text.h"
#include "picture_output.h"

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

// The grid's geometry for a margin of `size` around each mark.
struct Grid {
  std::int32_t edge;    // side of a mark's square, 2 * size + 7
  std::int32_t cell_w;  // a cell, its content padded by kPadding
  std::int32_t cell_h;
  std::int32_t Width() const { return kGridSide * cell_w + 1; }
  std::int32_t Height() const { return kGridSide * cell_h + 1; }
};

Grid GridFor(std::int32_t size) {
  const std::int32_t edge = 2 * size + 7;
  TBitmap probe;  // measures the labels in the canvas's default font
  const std::int32_t label_w = probe.Canvas()->TextWidth(u"255");
  const std::int32_t label_h = probe.Canvas()->TextHeight(u"0");
  return {edge, std::max(edge, label_w) + 2 * kPadding, edge + kLabelGap + label_h + 2 * kPadding};
}

// Draws the grid: cell (type mod 16, type div 16) holds the mark centred in a white square of
// grid.edge pixels above its number. With as_bitmaps each mark is copied from the bitmap the
// library makes of it (CreateMarkAsBitmap); otherwise it is drawn on the canvas itself over
// the white square, the same pixels as calls a PDF page keeps as vectors.
void DrawMarks(TCanvas& canvas, const Grid& grid, std::int32_t size, TColor color,
               bool as_bitmaps) {
  canvas.Pen()->SetColor(kGridColor);
  for (std::int32_t i = 0; i <= kGridSide; ++i) {
    canvas.MoveTo(i * grid.cell_w, 0);
    canvas.LineTo(i * grid.cell_w, grid.Height());
    canvas.MoveTo(0, i * grid.cell_h);
    canvas.LineTo(grid.Width(), i * grid.cell_h);
  }
  canvas.Font()->SetColor(clBlack);
  TFont label_font;  // character marks draw in a font of their own
  label_font.SetPixelsPerInch(canvas.Font()->PixelsPerInch());
  label_font.Assign(canvas.Font());
  for (std::int32_t type = 0; type < kGridSide * kGridSide; ++type) {
    const std::int32_t left = (type % kGridSide) * grid.cell_w;
    const std::int32_t top = (type / kGridSide) * grid.cell_h;
    const std::int32_t x = left + (grid.cell_w - grid.edge) / 2, y = top + kPadding;
    if (as_bitmaps) {
      canvas.Draw(x, y, *CreateMarkAsBitmap(static_cast<Byte>(type), color, clWhite, size));
    } else {  // as CreateMarkAsBitmap draws into its bitmap
      canvas.Pen()->SetColor(clWhite);
      canvas.Brush()->SetColor(clWhite);
      canvas.Brush()->SetStyle(bsSolid);
      canvas.Rectangle(x, y, x + grid.edge, y + grid.edge);
      canvas.Pen()->SetColor(color);
      DrawMarkOnCanvas(canvas, static_cast<Byte>(type), x + size + 3, y + size + 3);
      canvas.Font()->Assign(&label_font);
    }
    canvas.Brush()->SetStyle(bsClear);
    const String label = ToUtf16(std::to_string(type));
    canvas.TextOut(left + (grid.cell_w - canvas.TextWidth(label)) / 2, y + grid.edge + kLabelGap,
                   label);
  }
}

int Run(const Options& o) {
  const TColor color = ParseColor(o.color);
  const bool pdf = IsPdfName(o.output);
  if (pdf) RequirePdf(o.output);
  Output out(o.output);
  if (out.ToTerminal())
    throw Failure{"",
                  "the PNG picture is not written to a terminal: name a file with -o, or "
                  "redirect standard output"};
  const Grid grid = GridFor(o.size);
  if (pdf) {
    WritePdf(
        grid.Width(), grid.Height(),
        [&](TCanvas& canvas) { DrawMarks(canvas, grid, o.size, color, false); }, out);
  } else {
    TBitmap picture(grid.Width(), grid.Height());
    DrawMarks(*picture.Canvas(), grid, o.size, color, true);
    WritePng(picture, out);
  }
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
     .summary = "draw every data-point mark type in a labelled grid (PNG or PDF)",
     .usage = "krv marks [--size N] [--color C] [-o FILE.png|FILE.pdf]",
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
         "'krv color show' takes it: a name (Red, 'Navy Blue'), $BBGGRR, #RRGGBB or r,g,b.\n"
         "\n"
         "When FILE ends in .pdf (any case) the grid is written as a one-page PDF instead:\n"
         "the same picture at 96 pixels per inch (a page of 0.75 points per pixel), its\n"
         "grid lines, marks and numbers drawn as vectors (each mark drawn straight on the\n"
         "page over its white square rather than copied as a bitmap). A build without PDF\n"
         "support (the Windows build) refuses a .pdf output.",
     .exit_status = "0  the picture was written\n"
                    "2  a bad size or colour, an output that could not be written or is a\n"
                    "   terminal, a .pdf output where the build writes no PDF, or a usage error",
     .examples = "krv marks -o marks.png\n"
                 "krv marks --size 8 --color Red -o red-marks.png\n"
                 "krv marks -o marks.pdf\n"
                 "krv marks --color '#0000FF' | pngcheck -"},
    &Setup};

}  // namespace
}  // namespace krv::tool
