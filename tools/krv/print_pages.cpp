// The pages krv print draws: pictures and text on A4 pages.
#include "print_pages.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "cli.h"
#include "encoding.h"
#include "korvex/platform/fonts.h"
#include "korvex/platform/pdf.h"
#include "picture_output.h"
#include "png_input.h"
#include "text_pages.h"

namespace krv::tool {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kA4WidthMm = 210, kA4HeightMm = 297;
constexpr double kPictureMarginMm = 10, kTextMarginMm = 15;
constexpr std::size_t kPdfTail = 1024;  // where readers look for the end of a PDF

std::int32_t Pixels(double mm, std::int32_t pixels_per_inch) {
  return static_cast<std::int32_t>(std::lround(mm * pixels_per_inch / kMmPerInch));
}

// The A4 page at a resolution and the area within its margins.
struct PageBox {
  std::int32_t width, height, margin;
  PageBox(std::int32_t pixels_per_inch, double margin_mm)
      : width(Pixels(kA4WidthMm, pixels_per_inch)),
        height(Pixels(kA4HeightMm, pixels_per_inch)),
        margin(Pixels(margin_mm, pixels_per_inch)) {}
  std::int32_t AreaWidth() const { return width - 2 * margin; }
  std::int32_t AreaHeight() const { return height - 2 * margin; }
};

std::string PicturePdf(const std::string& bytes, const std::string& name, const String& title) {
  const PageBox largest(kMaxPicturePixelsPerInch, kPictureMarginMm);
  const PngLimits limits{static_cast<std::uint32_t>(largest.AreaWidth()),
                         static_cast<std::uint32_t>(largest.AreaHeight()),
                         "that fit on an A4 page within 10 mm margins at 600 pixels per inch"};
  std::string error;
  const std::unique_ptr<TBitmap> picture = ReadPng(bytes, limits, error);
  if (!picture) throw Failure{name, error};
  RequirePdf(name);
  std::int32_t ppi = kMinPicturePixelsPerInch;
  while (ppi < kMaxPicturePixelsPerInch &&
         (picture->Width() > PageBox(ppi, kPictureMarginMm).AreaWidth() ||
          picture->Height() > PageBox(ppi, kPictureMarginMm).AreaHeight()))
    ++ppi;
  const PageBox page(ppi, kPictureMarginMm);
  TPdfDocument document(page.width, page.height, ppi);
  document.SetTitle(title);
  document.Canvas()->Draw((page.width - picture->Width()) / 2,
                          (page.height - picture->Height()) / 2, *picture);
  return document.PdfBytes();
}

// The text of a file's bytes, as the other text commands of krv read it.
String TextOf(const std::string& bytes) {
  bool utf8 = false;
  String text = DecodeText(bytes, utf8);
  if (utf8 && !text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

String Utf16Of(char32_t c) {
  if (c < 0x10000) return String(1, static_cast<Char>(c));
  c -= 0x10000;
  return {static_cast<Char>(0xD800 + (c >> 10)), static_cast<Char>(0xDC00 + (c & 0x3FF))};
}

void DrawTextPages(TPdfDocument& document, const std::vector<TextPage>& pages, const PageBox& box,
                   std::int32_t advance, std::int32_t line_height) {
  TCanvas& canvas = *document.Canvas();
  for (std::size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) document.NewPage();
    for (std::size_t l = 0; l < pages[p].size(); ++l) {
      const std::u32string& line = pages[p][l];
      const auto y = static_cast<std::int32_t>(box.margin + l * line_height);
      for (std::size_t c = 0; c < line.size(); ++c)
        if (line[c] != U' ')
          canvas.TextOut(static_cast<std::int32_t>(box.margin + c * advance), y, Utf16Of(line[c]));
    }
  }
}

std::string TextPdf(const std::string& bytes, const std::string& name, const String& title) {
  RequirePdf(name);
  const PageBox box(kTextPixelsPerInch, kTextMarginMm);
  TPdfDocument document(box.width, box.height, kTextPixelsPerInch);
  document.SetKeepPageBitmaps(false);  // only the PDF is wanted
  document.SetTitle(title);
  TCanvas& canvas = *document.Canvas();
  const bool installed = Screen()->FontInstalled(kTextFontName);
  canvas.Font()->SetName(installed ? String(kTextFontName) : String(kBuiltinFontName));
  canvas.Font()->SetSize(kTextFontPoints);
  canvas.Font()->SetColor(clBlack);
  canvas.Brush()->SetStyle(bsClear);
  const std::int32_t advance = std::max({canvas.TextWidth(u"M"), canvas.TextWidth(u"W"), 1});
  const std::int32_t line_height = std::max(canvas.TextHeight(u"Mg"), 1);
  const TextLayout layout =
      LayOutText(TextOf(bytes), static_cast<std::size_t>(box.AreaWidth() / advance),
                 static_cast<std::size_t>(box.AreaHeight() / line_height), kMaxTextPages);
  if (layout.too_long)
    throw Failure{name, "the text needs more than " + std::to_string(kMaxTextPages) +
                            " pages, the most one job takes"};
  DrawTextPages(document, layout.pages, box, advance, line_height);
  return document.PdfBytes();
}

}  // namespace

PrintKind KindOf(std::string_view bytes) {
  if (bytes.rfind("%PDF-", 0) == 0) return PrintKind::kPdf;
  if (HasPngSignature(bytes)) return PrintKind::kPng;
  return PrintKind::kText;
}

std::string PdfProblem(std::string_view bytes) {
  const auto digit = [&](std::size_t i) {
    return i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9';
  };
  if (!digit(5) || bytes.size() < 8 || bytes[6] != '.' || !digit(7))
    return "not a PDF file: no version after %PDF-";
  const std::string_view tail = bytes.substr(bytes.size() - std::min(bytes.size(), kPdfTail));
  if (tail.find("%%EOF") == std::string_view::npos ||
      tail.find("startxref") == std::string_view::npos)
    return "not a complete PDF file: no startxref and %%EOF at its end";
  return "";
}

std::string PrintablePdf(const std::string& bytes, const std::string& name, const String& title) {
  switch (KindOf(bytes)) {
    case PrintKind::kPdf: {
      const std::string problem = PdfProblem(bytes);
      if (!problem.empty()) throw Failure{name, problem};
      return bytes;
    }
    case PrintKind::kPng:
      return PicturePdf(bytes, name, title);
    case PrintKind::kText:
      break;
  }
  return TextPdf(bytes, name, title);
}

}  // namespace krv::tool
