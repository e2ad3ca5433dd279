// TPdfDocument: pages drawn through a canvas, kept as bitmaps and drawn again as a PDF.
//
// Every canvas call on a page is drawn twice: on the page's bitmap, exactly as any canvas
// draws, and by cairo on the page of a PDF, as vectors where the call was a vector one
// (lines, rectangles, ellipses, polygons, text in its real font) and as an image where it
// copied pixels. A page of W x H pixels at R pixels per inch is W * 72 / R by H * 72 / R
// points. The printer draws its jobs with one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/stream.h"

KORVEX_API_BEGIN
namespace krv {

class TPdfDocument : public TObject {
 public:
  // A document with one white page. Sides are clamped to 1..kMaxBitmapSide and the resolution
  // to 1..4800; the canvas's font works at that resolution (8 points to start with). A page
  // too large for memory raises EOutOfResources.
  TPdfDocument(std::int32_t PageWidth, std::int32_t PageHeight, std::int32_t PixelsPerInch);
  ~TPdfDocument() override;
  TPdfDocument(const TPdfDocument&) = delete;
  TPdfDocument& operator=(const TPdfDocument&) = delete;

  // Whether this build writes PDF (false where it was built without cairo); without it the
  // pages are still drawn as bitmaps and the Save calls raise EPrinter.
  static bool Available();

  // Draws on the newest page.
  TCanvas* Canvas();
  // Starts the next white page; the canvas keeps its pen, brush and font, the pen position
  // goes back to (0, 0).
  void NewPage();
  std::int32_t PageCount() const;
  // Page Index (0-based) as a bitmap; raises EPrinter "Page index out of range" outside, and
  // for a finished page whose bitmap was not kept.
  const TBitmap& Page(std::int32_t Index) const;
  // Whether finished pages keep their bitmaps (the default). Without, NewPage draws the next
  // page on a fresh bitmap and drops the finished one, so a long document holds one page of
  // pixels whatever its length; its vectors are all kept. Turning it off drops the bitmaps of
  // the finished pages at once.
  bool KeepPageBitmaps() const { return keep_pages_; }
  void SetKeepPageBitmaps(bool Keep);
  std::int32_t PageWidth() const { return width_; }
  std::int32_t PageHeight() const { return height_; }
  std::int32_t PixelsPerInch() const { return pixels_per_inch_; }
  // The title written into the PDF's information.
  const String& Title() const { return title_; }
  void SetTitle(const String& v) { title_ = v; }

  // The PDF of every page drawn so far; the document can go on afterwards.
  std::string PdfBytes() const;
  void SaveToStream(TStream& Stream) const;
  // Through a TFileStream (fmCreate): its errors when the file cannot be made or written.
  void SaveToFile(const String& FileName) const;
  String ClassName() const override;

 private:
  class PageCanvas;
  class Recorder;
  friend class TPrinter;  // the printer's canvas draws on the newest page through this sink
  detail::DrawingSink* Sink() const;
  std::int32_t width_, height_, pixels_per_inch_;
  String title_;
  // The bitmaps kept: every page's, or only the newest one's (index page_count_ - 1).
  std::vector<std::unique_ptr<TBitmap>> pages_;
  std::int32_t page_count_ = 0;
  bool keep_pages_ = true;
  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<PageCanvas> canvas_;
};

}  // namespace krv
KORVEX_API_END
