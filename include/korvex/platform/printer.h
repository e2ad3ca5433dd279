// The current printer: one of the CUPS destinations, or a file. A job is drawn through a
// TPdfDocument: each page is a bitmap at the printer's resolution and a PDF page drawn from
// the same canvas calls. EndDoc sends the PDF to the chosen destination (the default one when
// none was chosen), or writes it to the print file when one is set. The pages of the last
// job stay available as bitmaps (and can be saved) until the next BeginDoc.
//
// Failures raise EPrinter: "There is no default printer currently selected" when nothing is
// chosen and CUPS has no default, "Printer selected is not valid" for an index or name that
// is no destination, and for a job CUPS refuses "Printing failed: " and CUPS's reason. The
// job's pages stay readable after a failed EndDoc. Where CUPS lists no destination at all (or
// the build has no CUPS) and no print file is set, EndDoc ends the job with its pages kept as
// bitmaps only, as a printer without a print system always did.
//
// BeginDoc starts a job with one empty (white) page, NewPage adds the next, EndDoc finishes
// the job and Abort drops it. The canvas draws on the current page; outside a job drawing on
// it raises EPrinter "Printer is not currently printing", as does NewPage or EndDoc.
// BeginDoc during a job raises EPrinter "Printing in progress".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/pdf.h"
#include "korvex/platform/stringlist.h"

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
  // Sends a finished PDF (a file's bytes, say) as one job titled Title() to the chosen
  // destination, or writes it to the print file; outside a job only ("Printing in progress"
  // during one). Raises as EndDoc does.
  void SendPdf(const std::string& Pdf);
  void Abort();
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  // 1-based number of the page being drawn (0 outside a job).
  std::int32_t PageNumber() const;
  const String& Title() const { return title_; }
  void SetTitle(const String& v) { title_ = v; }

  // The CUPS destinations (queue names, instances as "name/instance"), read on first use and
  // again by Refresh; empty where CUPS has none or the build has no CUPS.
  const TStringList& Printers() const;
  void Refresh();
  // The chosen destination: an index into Printers(), or -1 for CUPS's default one.
  // SetPrinterIndex outside -1..count-1 and SetPrinterName with a name not listed (compared
  // without regard to ASCII case) raise EPrinter "Printer selected is not valid"; during a
  // job both raise "Printing in progress".
  std::int32_t PrinterIndex() const { return printer_index_; }
  void SetPrinterIndex(std::int32_t Index);
  void SetPrinterName(const String& Name);
  // The name of the destination a job goes to: the chosen one, or the default ("" when there
  // is none).
  String PrinterName() const;
  // Print to file: when set, EndDoc writes the job's PDF to this file instead of sending it.
  // "" (the default) prints to the destination.
  const String& FileName() const { return file_name_; }
  void SetFileName(const String& v) { file_name_ = v; }

  // Page size in pixels and resolution; default A4 at 300 pixels per inch (2480 x 3508).
  // Changing them during a job raises EPrinter "Printing in progress"; sides are clamped
  // to 1..kMaxBitmapSide and the resolution to 1..4800.
  std::int32_t PageWidth() const { return page_width_; }
  std::int32_t PageHeight() const { return page_height_; }
  std::int32_t PixelsPerInch() const { return pixels_per_inch_; }
  void SetPageFormat(std::int32_t Width, std::int32_t Height, std::int32_t PixelsPerInch);

  // Pages of the current or last job (finished ones and the one being drawn).
  std::int32_t PageCount() const;
  // Page Index (0-based); raises EPrinter "Page index out of range" when there is none.
  const TBitmap& Page(std::int32_t Index) const;
  String ClassName() const override;

 private:
  class PageCanvas;
  void LoadPrinters() const;
  detail::DrawingSink* PageSink() const;
  std::unique_ptr<TPdfDocument> document_;  // the current or last job
  std::unique_ptr<PageCanvas> canvas_;
  mutable std::unique_ptr<TStringList> printers_;
  mutable std::int32_t default_index_ = -1;  // CUPS's default among printers_, or -1
  String title_;
  String file_name_;
  std::int32_t printer_index_ = -1;
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
