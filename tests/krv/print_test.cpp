// krv print: files become PDF jobs (text laid out on A4 pages, PNG pictures on one page, PDF
// files unchanged); -o writes the PDF; refused inputs and an unreachable CUPS are reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "korvex/platform/fonts.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/pdf.h"
#include "korvex/platform/text.h"
#include "test_support/pdf_tools.h"
#include "test_support/png_read.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

// The page of text in DejaVu Sans Mono 10 points, as the help page gives it.
constexpr int kLines = 64;
constexpr int kColumns = 85;

std::string Lines(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}

// Skips the test (after checking the refusal) where the build draws no PDF.
#define SKIP_WITHOUT_PDF(dir)                                                              \
  if (!TPdfDocument::Available()) {                                                        \
    (dir).Write("t.txt", "text\n");                                                        \
    EXPECT_EQ(RunKrv(dir, "print -o out.pdf t.txt").err,                                   \
              "krv print: t.txt: this build of krv cannot write PDF (it has no cairo)\n"); \
    GTEST_SKIP() << "this build writes no PDF";                                            \
  }

TEST(KrvPrint, TextPages) {
  const TempDir dir("korvex_krv_print_text");
  SKIP_WITHOUT_PDF(dir);
  const bool dejavu = Screen()->FontInstalled(u"DejaVu Sans Mono");
  const std::string full(kColumns, 'x');
  struct Case {
    std::string text;
    int pages;
    bool needs_dejavu;  // depends on the lines and columns of a page
  };
  const Case cases[] = {
      {"", 1, false},
      {"one line\n", 1, false},
      {"a\fb", 2, false},
      {"a\f", 1, false},  // a form feed at the end adds no blank page
      {"a\f\fb", 3, false},
      {"\fa", 2, false},
      {"a\r\n\f\r\nb\r\n", 2, false},
      {"caf\xe9 au lait\n", 1, false},  // Windows-1252
      {Lines(kLines), 1, true},
      {Lines(kLines + 1), 2, true},
      {Lines(kLines) + "\f", 1, true},
      {Lines(kLines) + "\fx", 2, true},
      {Lines(2 * kLines + 1), 3, true},
      {Lines(kLines - 1) + full + "\n", 1, true},
      {Lines(kLines - 1) + full + "x\n", 2, true},  // wrapped
      {Lines(kLines - 1) + std::string(kColumns / 8, '\t') + std::string(kColumns % 8, 'y'), 1,
       true},
      {Lines(kLines - 1) + std::string(kColumns / 8 + 1, '\t') + "z", 2, true},
  };
  int left_out = 0;
  for (const Case& c : cases) {
    if (c.needs_dejavu && !dejavu) {
      ++left_out;
      continue;
    }
    dir.Write("in.txt", c.text);
    const KrvRun r = RunKrv(dir, "print -o out.pdf in.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::optional<testing::PdfInfo> info = testing::ReadPdfInfo(dir, "out.pdf");
    if (!info) GTEST_SKIP() << "pdfinfo is absent";
    EXPECT_EQ(info->pages, c.pages) << c.text.substr(0, 40);
    EXPECT_NEAR(info->width_pt, 595.2, 0.01);  // A4: 2480 x 3508 pixels at 300 per inch
    EXPECT_NEAR(info->height_pt, 841.92, 0.01);
  }
  if (left_out > 0) GTEST_SKIP() << left_out << " rows need DejaVu Sans Mono";
}

// What the pages say, as pdftotext reads them back.
TEST(KrvPrint, TextContent) {
  const TempDir dir("korvex_krv_print_words");
  SKIP_WITHOUT_PDF(dir);
  if (!Screen()->FontInstalled(u"DejaVu Sans Mono")) GTEST_SKIP() << "no DejaVu Sans Mono";
  const std::string text = "Hello, world\n\tindented\nbell\x07 and del\x7f\ncaf\xc3\xa9\n";
  dir.Write("in.txt", text);
  ASSERT_EQ(RunKrv(dir, "print -o out.pdf in.txt").status, 0);
  const std::optional<std::string> words = testing::PdfText(dir, "out.pdf");
  if (!words) GTEST_SKIP() << "pdftotext is absent";
  for (const char* part : {"Hello, world", "indented", "bell^G and del^?", "caf\xc3\xa9"})
    EXPECT_NE(words->find(part), std::string::npos) << part << "\n" << *words;
}

// The title: -T, the file's name without its folder, or (stdin).
TEST(KrvPrint, Titles) {
  const TempDir dir("korvex_krv_print_title");
  SKIP_WITHOUT_PDF(dir);
  std::filesystem::create_directory(dir.File("sub"));
  dir.Write("sub/notes.txt", "notes\n");
  const struct {
    const char* args;
    const char* title;
  } cases[] = {
      {"print -o t.pdf sub/notes.txt", "notes.txt"},
      {"print -T 'Weekly report' -o t.pdf sub/notes.txt", "Weekly report"},
      {"print -o t.pdf - < sub/notes.txt", "(stdin)"},
      {"print --title=x --output t.pdf", "x"},
  };
  for (const auto& c : cases) {
    const KrvRun r = RunKrv(dir, c.args, "standard input\n");
    ASSERT_EQ(r.status, 0) << c.args << "\n" << r.err;
    const std::optional<testing::PdfInfo> info = testing::ReadPdfInfo(dir, "t.pdf");
    if (!info) GTEST_SKIP() << "pdfinfo is absent";
    EXPECT_EQ(info->title, c.title) << c.args;
  }
}

// A picture of w x h pixels, blue with a red frame.
void WritePicture(const TempDir& dir, const std::string& name, int w, int h) {
  TBitmap picture(w, h);
  TCanvas& canvas = *picture.Canvas();
  canvas.Brush()->SetColor(clBlue);
  canvas.Pen()->SetColor(clRed);
  canvas.Rectangle(0, 0, w, h);
  picture.SaveToPngFile(ToUtf16(dir.File(name).string()));
}

// A picture is centred on one A4 page at the lowest resolution (96 to 600) at which it fits
// within 10 mm margins, one picture pixel per page pixel.
TEST(KrvPrint, Pictures) {
  const TempDir dir("korvex_krv_print_png");
  SKIP_WITHOUT_PDF(dir);
  const struct {
    int w, h, ppi;
  } cases[] = {{200, 100, 96}, {718, 1, 96}, {719, 1, 97}, {1000, 1000, 134}, {10, 4000, 367}};
  for (const auto& c : cases) {
    WritePicture(dir, "p.png", c.w, c.h);
    const KrvRun r = RunKrv(dir, "print -o out.pdf p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::optional<testing::PdfInfo> info = testing::ReadPdfInfo(dir, "out.pdf");
    const std::optional<testing::PngPicture> page =
        testing::RenderPdfPage(dir, "out.pdf", 1, c.ppi);
    if (!info || !page) GTEST_SKIP() << "pdfinfo or pdftoppm is absent";
    EXPECT_EQ(info->pages, 1);
    EXPECT_NEAR(info->width_pt, 595.3, 0.5) << c.w;  // A4, rounded to whole pixels
    EXPECT_NEAR(info->height_pt, 841.9, 0.5) << c.w;
    ASSERT_TRUE(page->ok) << page->error;
    // The picture's box on the rendered page (pixels at least half covered by the picture:
    // green below 128, as it is 0 in the picture and 255 in the white page around it) has the
    // picture's size, centred. Where the page's size in points is no exact fraction, pdftoppm
    // may place the picture off the pixel grid and give it one more row or column.
    std::uint32_t left = page->width, top = page->height, right = 0, bottom = 0;
    for (std::uint32_t y = 0; y < page->height; ++y)
      for (std::uint32_t x = 0; x < page->width; ++x)
        if (((page->At(x, y) >> 8) & 0xFF) < 128) {
          left = std::min(left, x), top = std::min(top, y);
          right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
        }
    EXPECT_NEAR(right - left, c.w, 1) << c.w << " x " << c.h;
    EXPECT_NEAR(bottom - top, c.h, 1) << c.w << " x " << c.h;
    EXPECT_LE(std::abs(static_cast<int>(left + right) - static_cast<int>(page->width)), 3);
    EXPECT_LE(std::abs(static_cast<int>(top + bottom) - static_cast<int>(page->height)), 3);
    if (c.w > 2 && c.h > 2) {
      EXPECT_EQ(page->At((left + right) / 2, (top + bottom) / 2), clBlue);
    }
  }
}

// A PDF is sent as it is: the PDF written is the file itself.
TEST(KrvPrint, PdfPassesUnchanged) {
  const TempDir dir("korvex_krv_print_pdf");
  const std::string tiny =
      "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n"
      "startxref\n0\n%%EOF\n";
  dir.Write("tiny.pdf", tiny);
  for (const char* args : {"print -o out.pdf tiny.pdf", "print -o out.pdf - < tiny.pdf",
                           "print -o - tiny.pdf > out.pdf"}) {
    const KrvRun r = RunKrv(dir, args);
    ASSERT_EQ(r.status, 0) << args << "\n" << r.err;
    EXPECT_EQ(dir.Read("out.pdf"), tiny) << args;
  }
  if (!TPdfDocument::Available()) GTEST_SKIP() << "this build writes no PDF";
  dir.Write("a.txt", Lines(100));
  ASSERT_EQ(RunKrv(dir, "print -o a.pdf a.txt").status, 0);
  ASSERT_EQ(RunKrv(dir, "print -o b.pdf a.pdf").status, 0);
  EXPECT_EQ(dir.Read("b.pdf"), dir.Read("a.pdf"));
}

TEST(KrvPrint, RefusedInputs) {
  const TempDir dir("korvex_krv_print_bad");
  TBitmap picture(40, 30);
  TMemoryStream png;
  picture.SaveToPngStream(png);
  const std::string whole(reinterpret_cast<const char*>(png.Memory()),
                          static_cast<std::size_t>(png.Size()));
  dir.Write("cut.png", whole.substr(0, whole.size() - 20));
  dir.Write("head.png", whole.substr(0, 8));
  dir.Write("bare.pdf", "%PDF-");
  dir.Write("header.pdf", "%PDF-1.7\n");
  dir.Write("a.txt", "a\n");
  dir.Write("long.txt", std::string(64 * 500 + 1, '\n'));  // 64 lines a page
  WritePicture(dir, "wide.png", 4490, 2);
  const bool png_ok = TPdfDocument::Available();
  const struct {
    const char* args;
    const char* err;  // the start of the message
    bool needs_pdf;
  } cases[] = {
      {"print -o out.pdf missing.txt", "krv print: missing.txt: No such file or directory\n",
       false},
      {"print -o out.pdf .", "krv print: .: Is a directory\n", false},
      {"print -o out.pdf cut.png", "krv print: cut.png: not a readable PNG picture", true},
      {"print -o out.pdf head.png", "krv print: head.png: not a readable PNG picture", true},
      {"print -o out.pdf wide.png",
       "krv print: wide.png: the picture is 4490 x 2 pixels, larger than the 4489 x 6544 that "
       "fit on an A4 page within 10 mm margins at 600 pixels per inch\n",
       true},
      {"print -o out.pdf bare.pdf", "krv print: bare.pdf: not a PDF file: no version after %PDF-\n",
       false},
      {"print -o out.pdf header.pdf",
       "krv print: header.pdf: not a complete PDF file: no startxref and %%EOF at its end\n",
       false},
      {"print -o out.pdf - < header.pdf", "krv print: -: not a complete PDF file", false},
      {"print -o out.pdf long.txt",
       "krv print: long.txt: the text needs more than 500 pages, the most one job takes\n", true},
      {"print -o out.pdf a.txt a.txt", "krv print: -o writes the PDF of one FILE, not of several\n",
       false},
      {"print -o out.pdf -P office a.txt",
       "krv print: -o and -P exclude each other: -o writes the PDF instead of printing\n", false},
      {"print --bogus a.txt", "krv print: ", false},
      {"print -o '' a.txt", "krv print: '': No such file or directory\n", false},
  };
  for (const auto& c : cases) {
    if (c.needs_pdf && !png_ok) continue;
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.pdf"))) << c.args;
  }
}

// Without a reachable CUPS there is no default printer and no queue to choose; each file is
// reported and the others are still tried.
TEST(KrvPrint, WithoutAServer) {
  const TempDir dir("korvex_krv_print_cups");
  const testing::ScopedEnv server("CUPS_SERVER", dir.File("no-such.sock").string());
  const testing::ScopedEnv printer("PRINTER", std::nullopt);
  const testing::ScopedEnv lpdest("LPDEST", std::nullopt);
  const testing::ScopedEnv home("HOME", dir.Path().string());
  dir.Write("a.txt", "a\n");
  dir.Write("b.txt", "b\n");
  const std::string none = "There is no default printer currently selected\n";
  const struct {
    const char* args;
    std::string err;
  } cases[] = {
      {"print a.txt", "krv print: a.txt: " + none},
      {"print a.txt missing b.txt", "krv print: a.txt: " + none +
                                        "krv print: missing: No such file or directory\n" +
                                        "krv print: b.txt: " + none},
      {"print -P office a.txt", "krv print: office: Printer selected is not valid\n"},
  };
  for (const auto& c : cases) {
    if (!TPdfDocument::Available() && c.err.find(none) != std::string::npos) continue;
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
  }
}

}  // namespace
}  // namespace krv
