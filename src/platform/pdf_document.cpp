// TPdfDocument: page bitmaps and, where the build writes PDF, the same calls recorded as
// vectors (platform/internal/pdf_sink.h) on pages replayed into a PDF on demand.
#include <algorithm>
#include <memory>
#include <utility>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/pdf.h"
#include "korvex/platform/text.h"
#include "platform/internal/pdf_sink.h"
#include "platform/internal/pdf_vectors.h"

namespace krv {
namespace {

constexpr std::int32_t kMaxPixelsPerInch = 4800;
constexpr std::int32_t kDefaultFontPoints = 8;
constexpr char kNoPdf[] = "This build cannot write PDF documents";

}  // namespace

// The vector pages and the sink that draws on them.
class TPdfDocument::Recorder {
 public:
  Recorder(std::unique_ptr<detail::PdfVectors> pages, std::int32_t width, std::int32_t height)
      : pages_(std::move(pages)), sink_(*pages_, width, height) {}
  detail::PdfVectors& Pages() { return *pages_; }
  detail::DrawingSink* Sink() { return &sink_; }

 private:
  std::unique_ptr<detail::PdfVectors> pages_;
  detail::PdfSink sink_;
};

// Draws on the newest page's bitmap and passes every call on to the vector pages.
class TPdfDocument::PageCanvas : public TCanvas {
 public:
  explicit PageCanvas(const TPdfDocument* document) : document_(document) {}
  String ClassName() const override { return u"TPdfCanvas"; }

 protected:
  detail::PixelSurface* Surface() const override {
    return SurfaceOf(*document_->pages_.back()->Canvas());
  }
  detail::DrawingSink* Sink() const override { return document_->Sink(); }

 private:
  const TPdfDocument* document_;
};

TPdfDocument::TPdfDocument(std::int32_t PageWidth, std::int32_t PageHeight,
                           std::int32_t PixelsPerInch)
    : width_(std::clamp(PageWidth, 1, kMaxBitmapSide)),
      height_(std::clamp(PageHeight, 1, kMaxBitmapSide)),
      pixels_per_inch_(std::clamp(PixelsPerInch, 1, kMaxPixelsPerInch)),
      canvas_(std::make_unique<PageCanvas>(this)) {
  canvas_->Font()->SetPixelsPerInch(pixels_per_inch_);
  canvas_->Font()->SetSize(kDefaultFontPoints);
  if (auto pages = detail::MakePdfVectors(width_, height_, pixels_per_inch_))
    recorder_ = std::make_unique<Recorder>(std::move(pages), width_, height_);
  NewPage();
}

TPdfDocument::~TPdfDocument() = default;

bool TPdfDocument::Available() {
  return detail::PdfVectorsAvailable();
}

detail::DrawingSink* TPdfDocument::Sink() const {
  return recorder_ ? recorder_->Sink() : nullptr;
}

TCanvas* TPdfDocument::Canvas() {
  return canvas_.get();
}

void TPdfDocument::NewPage() {
  auto page = std::make_unique<TBitmap>(width_, height_);  // EOutOfResources when too big
  if (!keep_pages_) pages_.clear();
  pages_.push_back(std::move(page));
  ++page_count_;
  if (recorder_) recorder_->Pages().AddPage();
  canvas_->SetPenPos({0, 0});
}

std::int32_t TPdfDocument::PageCount() const {
  return page_count_;
}

void TPdfDocument::SetKeepPageBitmaps(bool Keep) {
  keep_pages_ = Keep;
  if (!Keep && pages_.size() > 1) pages_.erase(pages_.begin(), pages_.end() - 1);
}

const TBitmap& TPdfDocument::Page(std::int32_t Index) const {
  // The kept bitmaps are those of the last pages_.size() pages.
  const std::int32_t first_kept = page_count_ - static_cast<std::int32_t>(pages_.size());
  if (Index < first_kept || Index >= page_count_) throw EPrinter("Page index out of range");
  return *pages_[static_cast<std::size_t>(Index - first_kept)];
}

std::string TPdfDocument::PdfBytes() const {
  if (!recorder_) throw EPrinter(kNoPdf);
  return recorder_->Pages().Pdf(ToUtf8(title_));
}

void TPdfDocument::SaveToStream(TStream& Stream) const {
  const std::string bytes = PdfBytes();
  Stream.WriteBuffer(bytes.data(), bytes.size());
}

void TPdfDocument::SaveToFile(const String& FileName) const {
  const std::string bytes = PdfBytes();  // before the file is made, so a refusal leaves none
  TFileStream file(FileName, fmCreate);
  file.WriteBuffer(bytes.data(), bytes.size());
  file.Flush();
}

String TPdfDocument::ClassName() const {
  return u"TPdfDocument";
}

}  // namespace krv
