#include "korvex/platform/printer.h"

#include <gtest/gtest.h>

#include "korvex/platform/exceptions.h"

namespace krv {
namespace {

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

TEST(TPrinter, OnePrinterPerProcess) {
  EXPECT_EQ(Printer(), Printer());
  EXPECT_EQ(Printer()->ClassName(), u"TPrinter");
}

}  // namespace
}  // namespace krv
