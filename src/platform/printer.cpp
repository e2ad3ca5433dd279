// The current printer's jobs: each is a TPdfDocument of the page format, and the printer's
// canvas draws on its newest page (bitmap and vectors alike). EndDoc (and SendPdf, with a PDF
// made elsewhere) writes the PDF to the print file, or sends it to the chosen CUPS destination
// (printer_destinations.cpp).
//
// The canvas's font works at the printer's resolution. A new printer's font is 8 points at
// that resolution; SetPageFormat keeps the font's size in points when the resolution changes.
#include <algorithm>
#include <string>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "platform/internal/os_printers.h"

namespace krv {
namespace {

constexpr char kNotPrinting[] = "Printer is not currently printing";
constexpr char kInProgress[] = "Printing in progress";
constexpr char kNoDefault[] = "There is no default printer currently selected";
constexpr char16_t kUntitledJob[] = u"Korvex document";
constexpr std::int32_t kMaxPrinterPixelsPerInch = 4800;
constexpr std::int32_t kDefaultFontPoints = 8;

// The destination a listed name stands for: "queue" or "queue/instance" (CUPS allows no
// slash in either part).
detail::OsPrinter DestinationOf(const String& name) {
  const std::string utf8 = ToUtf8(name);
  const std::size_t slash = utf8.find('/');
  if (slash == std::string::npos) return {utf8, "", false};
  return {utf8.substr(0, slash), utf8.substr(slash + 1), false};
}

void WritePrintFile(const String& name, const std::string& pdf) {
  TFileStream file(name, fmCreate);
  file.WriteBuffer(pdf.data(), pdf.size());
  file.Flush();
}

// Sends the PDF to the named destination as one job named after the title.
void SendToDestination(const String& destination, const String& title, const std::string& pdf) {
  const String job = title.empty() ? String(kUntitledJob) : title;
  const std::string reason = detail::SubmitPdf(DestinationOf(destination), ToUtf8(job), pdf);
  if (!reason.empty()) throw EPrinter(("Printing failed: " + reason).c_str());
}

}  // namespace

// The canvas of the page being drawn; refuses to draw outside a print job.
class TPrinter::PageCanvas : public TCanvas {
 public:
  explicit PageCanvas(const TPrinter* printer) : printer_(printer) {}
  String ClassName() const override { return u"TPrinterCanvas"; }

 protected:
  detail::PixelSurface* Surface() const override {
    if (!printer_->Printing() || !printer_->document_) throw EPrinter(kNotPrinting);
    return SurfaceOf(*printer_->document_->Canvas());
  }
  detail::DrawingSink* Sink() const override { return printer_->PageSink(); }

 private:
  const TPrinter* printer_;
};

TPrinter::TPrinter() : canvas_(std::make_unique<PageCanvas>(this)) {
  canvas_->Font()->SetPixelsPerInch(pixels_per_inch_);
  canvas_->Font()->SetSize(kDefaultFontPoints);
}

TPrinter::~TPrinter() = default;

TCanvas* TPrinter::Canvas() {
  return canvas_.get();
}

detail::DrawingSink* TPrinter::PageSink() const {
  return printing_ && document_ ? document_->Sink() : nullptr;
}

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter(kInProgress);
  document_.reset();  // the last job's pages go before the next job's are made
  aborted_ = false;
  // May raise EOutOfResources; the printer then stays idle.
  document_ = std::make_unique<TPdfDocument>(page_width_, page_height_, pixels_per_inch_);
  printing_ = true;
  canvas_->SetPenPos({0, 0});
}

void TPrinter::NewPage() {
  if (!printing_) throw EPrinter(kNotPrinting);
  document_->NewPage();
  canvas_->SetPenPos({0, 0});
}

void TPrinter::EndDoc() {
  if (!printing_) throw EPrinter(kNotPrinting);
  printing_ = false;
  document_->SetTitle(title_);
  if (!file_name_.empty()) {
    document_->SaveToFile(file_name_);
    return;
  }
  const String name = PrinterName();
  if (name.empty()) {
    if (Printers().Count() == 0) return;  // no print system to send to: the pages stay
    throw EPrinter(kNoDefault);
  }
  SendToDestination(name, title_, document_->PdfBytes());
}

void TPrinter::SendPdf(const std::string& Pdf) {
  if (printing_) throw EPrinter(kInProgress);
  if (!file_name_.empty()) {
    WritePrintFile(file_name_, Pdf);
    return;
  }
  const String name = PrinterName();
  if (name.empty()) throw EPrinter(kNoDefault);  // there are no pages to keep instead
  SendToDestination(name, title_, Pdf);
}

void TPrinter::Abort() {
  if (!printing_) throw EPrinter(kNotPrinting);
  document_.reset();
  printing_ = false;
  aborted_ = true;
}

std::int32_t TPrinter::PageCount() const {
  return document_ ? document_->PageCount() : 0;
}

std::int32_t TPrinter::PageNumber() const {
  return printing_ ? PageCount() : 0;
}

void TPrinter::SetPageFormat(std::int32_t Width, std::int32_t Height, std::int32_t PixelsPerInch) {
  if (printing_) throw EPrinter(kInProgress);
  page_width_ = std::clamp(Width, 1, kMaxBitmapSide);
  page_height_ = std::clamp(Height, 1, kMaxBitmapSide);
  const std::int32_t ppi = std::clamp(PixelsPerInch, 1, kMaxPrinterPixelsPerInch);
  if (ppi != pixels_per_inch_) {
    TFont* font = canvas_->Font();
    const std::int32_t points = font->Size();
    font->SetPixelsPerInch(ppi);
    font->SetSize(points);
    pixels_per_inch_ = ppi;
  }
}

const TBitmap& TPrinter::Page(std::int32_t Index) const {
  if (!document_) throw EPrinter("Page index out of range");
  return document_->Page(Index);
}

String TPrinter::ClassName() const {
  return u"TPrinter";
}

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}

}  // namespace krv
