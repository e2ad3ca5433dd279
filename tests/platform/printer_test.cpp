#include "korvex/platform/printer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "test_support/page_compare.h"
#include "test_support/pdf_tools.h"
#include "test_support/png_read.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::TempDir;

// No test here reaches a real print system: CUPS is pointed at a socket that does not exist,
// so it lists no destination.
const TempDir kNoCupsDir("korvex_no_cups");
const testing::ScopedEnv kNoCups("CUPS_SERVER", (kNoCupsDir.Path() / "none.sock").string());

// Runs f and returns the EPrinter message it raised ("" when none).
template <typename F>
std::string PrinterError(F f) {
  try {
    f();
  } catch (const EPrinter& e) {
    return e.what();
  }
  return "";
}

TEST(TPrinter, JobLifeCycleAndRefusals) {
  TPrinter p;
  EXPECT_EQ(p.PageWidth(), 2480);
  EXPECT_EQ(p.PageHeight(), 3508);
  EXPECT_EQ(p.Canvas()->Font()->PixelsPerInch(), 300);
  EXPECT_EQ(p.Canvas()->Font()->Size(), 8);
  const std::string idle = "Printer is not currently printing";
  EXPECT_EQ(PrinterError([&] { p.Canvas()->SetPixels(0, 0, clRed); }), idle);
  EXPECT_EQ(PrinterError([&] { p.NewPage(); }), idle);
  EXPECT_EQ(PrinterError([&] { p.EndDoc(); }), idle);
  EXPECT_EQ(PrinterError([&] { p.Abort(); }), idle);
  EXPECT_EQ(p.PageNumber(), 0);

  p.SetPageFormat(30, 20, 600);
  EXPECT_EQ(p.Canvas()->Font()->PixelsPerInch(), 600);
  EXPECT_EQ(p.Canvas()->Font()->Size(), 8);  // the size in points stays
  p.BeginDoc();
  EXPECT_EQ(PrinterError([&] { p.BeginDoc(); }), "Printing in progress");
  EXPECT_EQ(PrinterError([&] { p.SetPageFormat(1, 1, 1); }), "Printing in progress");
  EXPECT_TRUE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 1);
  EXPECT_EQ(p.Canvas()->Width(), 30);
  EXPECT_EQ(p.Canvas()->Pixels(29, 19), clWhite);
  p.Canvas()->SetPixels(1, 2, clRed);
  p.NewPage();
  p.Canvas()->SetPixels(3, 4, clBlue);
  EXPECT_EQ(p.PageNumber(), 2);
  p.EndDoc();
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 0);

  // The pages stay after the job, each with its own drawing.
  ASSERT_EQ(p.PageCount(), 2);
  EXPECT_EQ(p.Page(0).Width(), 30);
  EXPECT_EQ(p.Page(0).Height(), 20);
  EXPECT_EQ(p.Page(0).Canvas()->Pixels(1, 2), clRed);
  EXPECT_EQ(p.Page(0).Canvas()->Pixels(3, 4), clWhite);
  EXPECT_EQ(p.Page(1).Canvas()->Pixels(3, 4), clBlue);
  EXPECT_EQ(PrinterError([&] { p.Page(2); }), "Page index out of range");
  EXPECT_EQ(PrinterError([&] { p.Page(-1); }), "Page index out of range");

  p.BeginDoc();  // a new job drops the old pages
  EXPECT_EQ(p.PageCount(), 1);
  EXPECT_EQ(p.Page(0).Canvas()->Pixels(1, 2), clWhite);
  p.Abort();
  EXPECT_TRUE(p.Aborted());
  EXPECT_EQ(p.PageCount(), 0);
}

TEST(TPrinter, PageFormatClamps) {
  TPrinter p;
  p.SetPageFormat(0, 70000, 9999);
  EXPECT_EQ(p.PageWidth(), 1);
  EXPECT_EQ(p.PageHeight(), kMaxBitmapSide);
  EXPECT_EQ(p.PixelsPerInch(), 4800);
  p.SetPageFormat(-5, 5, -5);
  EXPECT_EQ(p.PageWidth(), 1);
  EXPECT_EQ(p.PixelsPerInch(), 1);
}

TEST(TPrinter, DestinationsWithoutCups) {
  TPrinter p;
  EXPECT_EQ(p.Printers().Count(), 0);
  EXPECT_EQ(p.PrinterIndex(), -1);
  EXPECT_EQ(p.PrinterName(), u"");
  const std::string invalid = "Printer selected is not valid";
  const std::string busy = "Printing in progress";
  struct Case {
    const char* what;
    std::function<void()> call;
    std::string idle, printing;
  };
  const Case cases[] = {
      {"index -1", [&] { p.SetPrinterIndex(-1); }, "", busy},
      {"index 0", [&] { p.SetPrinterIndex(0); }, invalid, busy},
      {"index -2", [&] { p.SetPrinterIndex(-2); }, invalid, busy},
      {"a name", [&] { p.SetPrinterName(u"korvex-test"); }, invalid, busy},
      {"no name", [&] { p.SetPrinterName(u""); }, invalid, busy},
  };
  p.SetPageFormat(10, 10, 72);
  for (const Case& c : cases) EXPECT_EQ(PrinterError(c.call), c.idle) << c.what;
  p.BeginDoc();
  for (const Case& c : cases) EXPECT_EQ(PrinterError(c.call), c.printing) << c.what;
  EXPECT_EQ(PrinterError([&] { p.SendPdf("%PDF-1.4"); }), busy);
  p.EndDoc();  // nowhere to send it: the pages stay
  EXPECT_EQ(p.PageCount(), 1);
  EXPECT_EQ(PrinterError([&] { p.SendPdf("%PDF-1.4"); }),
            "There is no default printer currently selected");
  p.Refresh();
  EXPECT_EQ(p.Printers().Count(), 0);
  EXPECT_EQ(p.PrinterIndex(), -1);
}

TEST(TPrinter, PrintToFile) {
  const TempDir dir("korvex_print_file");
  TPrinter p;
  p.SetPageFormat(120, 80, 100);
  p.SetTitle(u"Three pages");
  p.SetFileName(ToUtf16(dir.File("job.pdf").string()));
  p.BeginDoc();
  p.Canvas()->Rectangle(10, 10, 60, 40);
  p.NewPage();
  p.Canvas()->SetPixels(5, 5, clRed);
  p.NewPage();
  if (!TPdfDocument::Available()) {
    EXPECT_EQ(PrinterError([&] { p.EndDoc(); }), "This build cannot write PDF documents");
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(p.PageCount(), 3);
    EXPECT_FALSE(std::filesystem::exists(dir.File("job.pdf")));
    return;
  }
  p.EndDoc();
  EXPECT_FALSE(p.Printing());
  ASSERT_EQ(p.PageCount(), 3);  // the pages stay readable
  EXPECT_EQ(p.Page(1).Canvas()->Pixels(5, 5), clRed);
  const std::string pdf = dir.Read("job.pdf");
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  if (const auto info = testing::ReadPdfInfo(dir, "job.pdf")) {
    EXPECT_EQ(info->pages, 3);
    EXPECT_EQ(info->title, "Three pages");
    EXPECT_NEAR(info->width_pt, 86.4, 0.01);  // 120 pixels at 100 per inch
  } else {
    EXPECT_EQ(testing::CountPdfPageObjects(pdf), 3);
  }
  // A finished PDF goes to the print file as it is.
  p.SetFileName(ToUtf16(dir.File("sent.pdf").string()));
  p.SendPdf(pdf);
  EXPECT_EQ(dir.Read("sent.pdf"), pdf);
  // A print file that cannot be made fails the job; its pages stay.
  p.SetFileName(ToUtf16(dir.File("missing/job.pdf").string()));
  p.BeginDoc();
  p.Canvas()->SetPixels(1, 1, clBlue);
  EXPECT_THROW(p.EndDoc(), EFOpenError);
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.Page(0).Canvas()->Pixels(1, 1), clBlue);
}

TEST(TPrinter, PdfAvailableWhereTheBuildHasCairo) {
#ifdef _WIN32
  EXPECT_FALSE(TPdfDocument::Available());
#else
  EXPECT_TRUE(TPdfDocument::Available());
#endif
}

TEST(TPrinter, OnePrinterPerProcess) {
  EXPECT_EQ(Printer(), Printer());
  EXPECT_EQ(Printer()->ClassName(), u"TPrinter");
}

}  // namespace
}  // namespace krv
