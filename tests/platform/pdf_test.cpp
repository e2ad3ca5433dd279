#include "korvex/platform/pdf.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "platform/internal/pdf_geometry.h"
#include "test_support/page_compare.h"
#include "test_support/pdf_tools.h"
#include "test_support/png_read.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::TempDir;

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

TEST(TPdfDocument, PagesAreBitmapsOfTheFormat) {
  TPdfDocument doc(30, 20, 600);
  EXPECT_EQ(doc.ClassName(), u"TPdfDocument");
  EXPECT_EQ(doc.PageCount(), 1);
  EXPECT_EQ(doc.Canvas()->Font()->PixelsPerInch(), 600);
  EXPECT_EQ(doc.Canvas()->Font()->Size(), 8);
  doc.Canvas()->Pen()->SetColor(clRed);
  doc.Canvas()->MoveTo(2, 3);
  doc.Canvas()->LineTo(6, 3);
  EXPECT_EQ(doc.Canvas()->PenPos(), (TPoint{6, 3}));
  doc.NewPage();
  EXPECT_EQ(doc.Canvas()->PenPos(), (TPoint{0, 0}));
  EXPECT_EQ(doc.Canvas()->Pen()->Color(), clRed);  // the pen stays
  doc.Canvas()->SetPixels(1, 1, clBlue);
  ASSERT_EQ(doc.PageCount(), 2);
  EXPECT_EQ(doc.Page(0).Canvas()->Pixels(5, 3), clRed);
  EXPECT_EQ(doc.Page(0).Canvas()->Pixels(6, 3), clWhite);
  EXPECT_EQ(doc.Page(1).Canvas()->Pixels(1, 1), clBlue);
  EXPECT_EQ(doc.Page(1).Width(), 30);
  EXPECT_EQ(doc.Page(1).Height(), 20);
  EXPECT_EQ(PrinterError([&] { doc.Page(2); }), "Page index out of range");
  EXPECT_EQ(PrinterError([&] { doc.Page(-1); }), "Page index out of range");

  const TPdfDocument clamped(0, 70000, 9999);
  EXPECT_EQ(clamped.PageWidth(), 1);
  EXPECT_EQ(clamped.PageHeight(), kMaxBitmapSide);
  EXPECT_EQ(clamped.PixelsPerInch(), 4800);
  EXPECT_THROW(TPdfDocument(kMaxBitmapSide, kMaxBitmapSide, 72), EOutOfResources);
}

// Without kept bitmaps only the newest page is readable, and it is drawn on a white page.
TEST(TPdfDocument, DroppedPageBitmaps) {
  TPdfDocument doc(8, 8, 72);
  doc.Canvas()->SetPixels(1, 1, clRed);
  doc.NewPage();
  doc.SetKeepPageBitmaps(false);
  EXPECT_FALSE(doc.KeepPageBitmaps());
  EXPECT_EQ(PrinterError([&] { doc.Page(0); }), "Page index out of range");
  for (int page = 2; page < 5; ++page) {
    doc.NewPage();
    EXPECT_EQ(doc.Page(page).Canvas()->Pixels(1, 1), clWhite) << page;
    doc.Canvas()->SetPixels(1, 1, clBlue);
  }
  EXPECT_EQ(doc.PageCount(), 5);
  EXPECT_EQ(doc.Page(4).Canvas()->Pixels(1, 1), clBlue);
  EXPECT_EQ(PrinterError([&] { doc.Page(3); }), "Page index out of range");
  doc.SetKeepPageBitmaps(true);
  doc.NewPage();
  EXPECT_EQ(doc.Page(4).Canvas()->Pixels(1, 1), clBlue);  // kept again from here on
  EXPECT_EQ(doc.Page(5).Canvas()->Pixels(1, 1), clWhite);
  if (TPdfDocument::Available()) {
    EXPECT_EQ(testing::CountPdfPageObjects(doc.PdfBytes()), 6);
  }
}

TEST(PdfGeometry, SquarePenOutlines) {
  using detail::PointF;
  const auto same = [](const std::vector<PointF>& got, const std::vector<PointF>& want) {
    if (got.size() != want.size()) return false;
    for (std::size_t k = 0; k < got.size(); ++k)
      if (got[k].x != want[k].x || got[k].y != want[k].y) return false;
    return true;
  };
  // Level, width 3: pixels 10..19 of row 5, one pixel up and down, one left and right.
  EXPECT_TRUE(
      same(detail::SquarePenOutline({10, 5}, {20, 5}, 3), {{9, 4}, {21, 4}, {21, 7}, {9, 7}}));
  // Width 2 reaches one pixel further right and down than up and left: pixels 11..20 of row
  // 5 (10 left out) put their squares on columns 11..21 and rows 5 and 6.
  EXPECT_TRUE(
      same(detail::SquarePenOutline({20, 5}, {10, 5}, 2), {{11, 5}, {22, 5}, {22, 7}, {11, 7}}));
  // A diagonal sweeps its square into a hexagon from (0, 0)'s square to (3, 3)'s.
  EXPECT_TRUE(same(detail::SquarePenOutline({0, 0}, {4, 4}, 1),
                   {{0, 0}, {1, 0}, {4, 3}, {4, 4}, {3, 4}, {0, 1}}));
}

TEST(PdfGeometry, ClippingKeepsWhatIsInside) {
  using detail::PointF;
  const detail::BoxF box{0, 0, 10, 10};
  double t0 = 0, t1 = 0;
  ASSERT_TRUE(detail::ClipSegment({-10, 5}, {30, 5}, box, t0, t1));
  EXPECT_DOUBLE_EQ(t0, 0.25);
  EXPECT_DOUBLE_EQ(t1, 0.5);
  EXPECT_FALSE(detail::ClipSegment({-10, 11}, {30, 11}, box, t0, t1));
  EXPECT_FALSE(detail::ClipSegment({-5, -1}, {-1, -5}, box, t0, t1));
  // A triangle far larger than the box covers all of it; one beside it leaves nothing.
  const std::vector<PointF> big = {{-2e9, -2e9}, {2e9, -2e9}, {0, 2e9}};
  const std::vector<PointF> cut = detail::ClipPolygon(big, box);
  ASSERT_FALSE(cut.empty());
  for (const PointF p : cut) {
    EXPECT_GE(p.x, 0);
    EXPECT_LE(p.x, 10);
    EXPECT_GE(p.y, 0);
    EXPECT_LE(p.y, 10);
  }
  EXPECT_TRUE(detail::ClipPolygon(std::vector<PointF>{{20, 0}, {30, 0}, {25, 5}}, box).empty());
}

#ifdef _WIN32
TEST(TPdfDocument, WindowsBuildsWriteNoPdf) {
  EXPECT_FALSE(TPdfDocument::Available());
  const TPdfDocument doc(10, 10, 72);
  EXPECT_EQ(PrinterError([&] { doc.PdfBytes(); }), "This build cannot write PDF documents");
  TMemoryStream out;
  EXPECT_EQ(PrinterError([&] { doc.SaveToStream(out); }), "This build cannot write PDF documents");
  EXPECT_EQ(out.Size(), 0);
}
#else

TEST(TPdfDocument, PdfOfEveryPageSoFar) {
  ASSERT_TRUE(TPdfDocument::Available());
  const TempDir dir("korvex_pdf");
  TPdfDocument doc(600, 400, 100);
  doc.SetTitle(u"Korvex \u00e9t\u00e9");
  doc.Canvas()->Rectangle(10, 10, 50, 50);
  const std::string one = doc.PdfBytes();
  EXPECT_EQ(one.substr(0, 5), "%PDF-");
  EXPECT_EQ(testing::CountPdfPageObjects(one), 1);
  EXPECT_EQ(testing::CountPdfPageObjects(doc.PdfBytes()), 1);  // again
  doc.NewPage();
  doc.NewPage();
  TMemoryStream stream;
  doc.SaveToStream(stream);
  EXPECT_EQ(testing::CountPdfPageObjects(doc.PdfBytes()), 3);
  EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(doc.PdfBytes().size()));
  doc.SaveToFile(ToUtf16(dir.File("doc.pdf").string()));
  if (const auto info = testing::ReadPdfInfo(dir, "doc.pdf")) {
    EXPECT_EQ(info->pages, 3);
    EXPECT_NEAR(info->width_pt, 432, 0.01);  // 600 pixels at 100 per inch
    EXPECT_NEAR(info->height_pt, 288, 0.01);
    EXPECT_EQ(info->title, "Korvex \u00e9t\u00e9");
  }
  EXPECT_THROW(doc.SaveToFile(ToUtf16(dir.File("missing/doc.pdf").string())), EFOpenError);
}

// One shape drawn with its top-left corner moved by `at`.
struct ShapeCase {
  const char* name;
  std::function<void(TCanvas&, TPoint at)> draw;
  int tolerance;            // channel levels a rendered pixel may differ from the bitmap's
  double resemblance;       // least share of ink pixels within the tolerance
  bool shift_shows = true;  // whether moving it two pixels brings the share below that
};

// Each shape is drawn on a page of its own and the PDF rendered at the page's resolution by
// pdftoppm: anti-aliased edges differ from the bitmap's hard ones, so slanted and curved
// shapes get a larger tolerance; the same shape two pixels off must fall below the share.
void Line(TCanvas& c, TPoint o, TPoint p, TPoint q) {
  c.MoveTo(o.X + p.X, o.Y + p.Y);
  c.LineTo(o.X + q.X, o.Y + q.Y);
}

void Pen(TCanvas& c, TPenStyle style, std::int32_t width, TColor color) {
  c.Pen()->SetStyle(style);
  c.Pen()->SetWidth(width);
  c.Pen()->SetColor(color);
}

void Brush(TCanvas& c, TBrushStyle style, TColor color) {
  c.Brush()->SetStyle(style);
  c.Brush()->SetColor(color);
}

constexpr std::int32_t kFar = 2000000000;

const ShapeCase kShapes[] = {
    {"solid line",
     [](TCanvas& c, TPoint o) {
       Line(c, o, {10, 20}, {150, 20});
     },
     32, 0.95},
    {"dash-dot line",
     [](TCanvas& c, TPoint o) {
       Pen(c, psDashDot, 1, clBlue);
       Line(c, o, {30, 5}, {30, 110});
     },
     32, 0.95},
    {"dotted slanted line, gaps in the brush",
     [](TCanvas& c, TPoint o) {
       Pen(c, psDot, 1, clBlack);
       Brush(c, bsSolid, clRed);
       Line(c, o, {10, 10}, {170, 90});
     },
     160, 0.75},
    {"wide slanted line",
     [](TCanvas& c, TPoint o) {
       Pen(c, psSolid, 4, clNavy);
       Line(c, o, {20, 100}, {180, 30});
     },
     128, 0.9},
    {"rectangle",
     [](TCanvas& c, TPoint o) {
       Pen(c, psSolid, 3, clMaroon);
       Brush(c, bsSolid, clSilver);
       c.Rectangle(o.X + 20, o.Y + 15, o.X + 120, o.Y + 90);
     },
     32, 0.97},
    {"rectangle without pen",
     [](TCanvas& c, TPoint o) {
       Pen(c, psClear, 1, clBlack);
       Brush(c, bsSolid, clGreen);
       c.Rectangle(o.X + 20, o.Y + 15, o.X + 60, o.Y + 30);
     },
     32, 0.97},
    {"dashed rectangle",
     [](TCanvas& c, TPoint o) {
       Pen(c, psDash, 1, clBlack);
       Brush(c, bsClear, clWhite);
       c.Rectangle(o.X + 20, o.Y + 15, o.X + 170, o.Y + 100);
     },
     32, 0.95},
    {"ellipse",
     [](TCanvas& c, TPoint o) {
       Pen(c, psSolid, 2, clBlue);
       Brush(c, bsSolid, clRed);
       c.Ellipse(o.X + 20, o.Y + 10, o.X + 170, o.Y + 100);
     },
     128, 0.97},
    {"ellipse without pen",
     [](TCanvas& c, TPoint o) {
       Pen(c, psClear, 1, clBlack);
       Brush(c, bsSolid, clLime);
       c.Ellipse(o.X + 20, o.Y + 10, o.X + 60, o.Y + 40);
       c.Ellipse(o.X + 90, o.Y + 30, o.X + 190, o.Y + 45);
     },
     128, 0.97},
    {"dotted ellipse",
     [](TCanvas& c, TPoint o) {
       Pen(c, psDot, 1, clBlack);
       Brush(c, bsSolid, clWhite);
       c.Ellipse(o.X + 20, o.Y + 10, o.X + 170, o.Y + 100);
     },
     160, 0.65},
    {"star, even-odd",
     [](TCanvas& c, TPoint o) {
       Pen(c, psSolid, 1, clBlack);
       Brush(c, bsSolid, clGreen);
       const std::array<TPoint, 5> star = {TPoint{o.X + 100, o.Y + 5},
                                           {o.X + 140, o.Y + 115},
                                           {o.X + 40, o.Y + 45},
                                           {o.X + 160, o.Y + 45},
                                           {o.X + 60, o.Y + 115}};
       c.Polygon(star);
     },
     160, 0.95},
    {"dashed polygon",
     [](TCanvas& c, TPoint o) {
       Pen(c, psDash, 1, clBlack);
       Brush(c, bsSolid, static_cast<TColor>(0x00FFFF));
       const std::array<TPoint, 4> box = {TPoint{o.X + 10, o.Y + 10},
                                          {o.X + 110, o.Y + 10},
                                          {o.X + 110, o.Y + 70},
                                          {o.X + 10, o.Y + 70}};
       c.Polygon(box);
     },
     32, 0.97},
    {"pixels and a fill",
     [](TCanvas& c, TPoint o) {
       for (int k = 0; k < 30; ++k) c.SetPixels(o.X + 10 + 3 * k, o.Y + 10 + k, clRed);
       Brush(c, bsSolid, clGray);
       c.FillRect(TRect{o.X + 120, o.Y + 50, o.X + 190, o.Y + 110});
     },
     32, 0.97},
    {"bitmap, partly off the page",
     [](TCanvas& c, TPoint o) {
       TBitmap b(60, 40);
       for (int y = 0; y < 40; ++y)
         for (int x = 0; x < 60; ++x)
           b.Canvas()->SetPixels(x, y, static_cast<TColor>(x * 4 | (y * 6) << 8 | 0x300000));
       c.Draw(o.X - 20, o.Y + 30, b);
       c.Draw(o.X + 170, o.Y + 90, b);
     },
     32, 0.97},
    {"shapes far larger than the page",
     [](TCanvas& c, TPoint o) {
       Pen(c, psSolid, 3, clBlue);
       Brush(c, bsSolid, clSilver);
       c.Rectangle(-kFar, o.Y + 60, o.X + 100, kFar);
       Pen(c, psDash, 1, clBlack);
       Line(c, o, {-kFar, 10}, {kFar, 30});
       Pen(c, psSolid, 2, clRed);
       Brush(c, bsClear, clWhite);
       c.Ellipse(o.X + 150, o.Y + 20, o.X + kFar, o.Y + kFar);
     },
     160, 0.9, false},
};

TEST(TPdfDocument, ShapesRenderAsOnTheBitmap) {
  for (const ShapeCase& shape : kShapes) {
    const TempDir dir("korvex_pdf_shape");
    TPdfDocument doc(200, 120, 100);
    shape.draw(*doc.Canvas(), {0, 0});
    doc.SaveToFile(ToUtf16(dir.File("shape.pdf").string()));
    const auto got = testing::RenderPdfPage(dir, "shape.pdf", 1, 100);
    if (!got) GTEST_SKIP() << "pdftoppm is not installed";
    ASSERT_TRUE(got->ok) << got->error;
    const double same =
        testing::InkResemblance(*got, testing::PictureOf(doc.Page(0)), shape.tolerance);
    TBitmap moved(200, 120);
    shape.draw(*moved.Canvas(), {2, 2});
    const double off = testing::InkResemblance(*got, testing::PictureOf(moved), shape.tolerance);
    EXPECT_GE(same, shape.resemblance) << shape.name;
    if (shape.shift_shows) {
      EXPECT_LT(off, shape.resemblance) << shape.name;
    }
  }
}

#endif

}  // namespace
}  // namespace krv
