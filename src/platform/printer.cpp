// The current printer: every page of a job is a white TBitmap of the page format, and the
// printer's canvas draws on the newest one.
//
// The canvas's font works at the printer's resolution. A new printer's font is 8 points at
// that resolution; SetPageFormat keeps the font's size in points when the resolution changes.
#include "korvex/platform/printer.h"

#include <algorithm>

#include "korvex/platform/exceptions.h"

namespace krv {
namespace {

constexpr char kNotPrinting[] = "Printer is not currently printing";
constexpr char kInProgress[] = "Printing in progress";
constexpr std::int32_t kMaxPrinterPixelsPerInch = 4800;
constexpr std::int32_t kDefaultFontPoints = 8;

}  // namespace

// The canvas of the page being drawn; refuses to draw outside a print job.
class TPrinter::PageCanvas : public TCanvas {
 public:
  explicit PageCanvas(const TPrinter* printer) : printer_(printer) {}
  String ClassName() const override { return u"TPrinterCanvas"; }

 protected:
  detail::PixelSurface* Surface() const override {
    if (!printer_->Printing() || printer_->pages_.empty()) throw EPrinter(kNotPrinting);
    return SurfaceOf(*printer_->pages_.back()->Canvas());
  }

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

void TPrinter::AddPage() {
  pages_.push_back(std::make_unique<TBitmap>(page_width_, page_height_));
}

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter(kInProgress);
  pages_.clear();
  aborted_ = false;
  AddPage();  // may raise EOutOfResources; the printer then stays idle
  printing_ = true;
  canvas_->SetPenPos({0, 0});
}

void TPrinter::NewPage() {
  if (!printing_) throw EPrinter(kNotPrinting);
  AddPage();
  canvas_->SetPenPos({0, 0});
}

void TPrinter::EndDoc() {
  if (!printing_) throw EPrinter(kNotPrinting);
  printing_ = false;
}

void TPrinter::Abort() {
  if (!printing_) throw EPrinter(kNotPrinting);
  pages_.clear();
  printing_ = false;
  aborted_ = true;
}

std::int32_t TPrinter::PageCount() const {
  return static_cast<std::int32_t>(pages_.size());
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
  if (Index < 0 || Index >= PageCount()) throw EPrinter("Page index out of range");
  return *pages_[static_cast<std::size_t>(Index)];
}

String TPrinter::ClassName() const {
  return u"TPrinter";
}

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}

}  // namespace krv
