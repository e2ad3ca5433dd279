// The current printer. Printing renders each page into a bitmap at the printer's resolution;
// the pages of the last print job stay available (and can be saved) until the next BeginDoc.
//
// BeginDoc starts a job with one empty (white) page, NewPage adds the next, EndDoc finishes
// the job and Abort drops it. The canvas draws on the current page; outside a job drawing on
// it raises EPrinter "Printer is not currently printing", as does NewPage or EndDoc.
// BeginDoc during a job raises EPrinter "Printing in progress".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/graphics.h"

KORVEX_API_BEGIN
namespace krv {

class TPrinter : public TObject {
 public:
  TPrinter();
  ~TPrinter() override;
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // The page canvas; its font's resolution is the printer's.
  TCanvas* Canvas();
  void BeginDoc();
  void NewPage();
  void EndDoc();
  void Abort();
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  // 1-based number of the page being drawn (0 outside a job).
  std::int32_t PageNumber() const;
  const String& Title() const { return title_; }
  void SetTitle(const String& v) { title_ = v; }

  // Page size in pixels and resolution; default A4 at 300 pixels per inch (2480 x 3508).
  // Changing them during a job raises EPrinter "Printing in progress"; sides are clamped
  // to 1..kMaxBitmapSide and the resolution to 1..4800.
  std::int32_t PageWidth() const { return page_width_; }
  std::int32_t PageHeight() const { return page_height_; }
  std::int32_t PixelsPerInch() const { return pixels_per_inch_; }
  void SetPageFormat(std::int32_t Width, std::int32_t Height, std::int32_t PixelsPerInch);

  // Pages of the current or last job (finished ones and the one being drawn).
  std::int32_t PageCount() const { return static_cast<std::int32_t>(pages_.size()); }
  // Page Index (0-based); raises EPrinter "Page index out of range" when there is none.
  const TBitmap& Page(std::int32_t Index) const;
  String ClassName() const override;

 private:
  class PageCanvas;
  void AddPage();
  std::vector<std::unique_ptr<TBitmap>> pages_;
  std::unique_ptr<PageCanvas> canvas_;
  String title_;
  std::int32_t page_width_ = 2480;
  std::int32_t page_height_ = 3508;
  std::int32_t pixels_per_inch_ = 300;
  bool printing_ = false;
  bool aborted_ = false;
};

// The process-wide current printer (created on first use, not thread-safe, like the rest
// of the drawing layer).
TPrinter* Printer();

}  // namespace krv
KORVEX_API_END
