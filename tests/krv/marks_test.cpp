// krv marks: the grid of every mark type is a PNG holding exactly the marks the library draws.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "korvex/base/canvas_draw.h"
#include "korvex/platform/pdf.h"
#include "test_support/pdf_tools.h"
#include "test_support/png_read.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;

// Pixels of colour c in the picture.
long Count(const testing::PngPicture& pic, TColor c) {
  long n = 0;
  for (std::uint32_t y = 0; y < pic.height; ++y)
    for (std::uint32_t x = 0; x < pic.width; ++x) n += pic.At(x, y) == c;
  return n;
}

TEST(KrvMarks, PictureHoldsEveryMark) {
  const testing::TempDir dir("korvex_krv_marks");
  // The marks' pixels in the picture are those of the 256 bitmaps the library makes.
  for (const int size : {0, 4, 9}) {
    const std::string args = "marks --color '#FF0000' --size " + std::to_string(size);
    const auto r = RunKrv(dir, args + " -o m.PNG");
    ASSERT_EQ(r.status, 0) << r.err;
    const testing::PngPicture pic = testing::DecodePng(dir.Read("m.PNG"));
    ASSERT_TRUE(pic.ok) << pic.error;
    EXPECT_GE(pic.width, 16u * (2 * size + 7));
    long want = 0;
    for (int type = 0; type < 256; ++type) {
      const auto mark = CreateMarkAsBitmap(static_cast<Byte>(type), clRed, clWhite, size);
      for (int y = 0; y < mark->Height(); ++y)
        for (int x = 0; x < mark->Width(); ++x) want += mark->Canvas()->Pixels(x, y) == clRed;
    }
    EXPECT_EQ(Count(pic, clRed), want) << size;
    EXPECT_EQ(RunKrv(dir, args + " -o -").out, dir.Read("m.PNG"));
  }
  // Without -o the picture goes to standard output, as the page says.
  const KrvRun plain = RunKrv(dir, "marks");
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, RunKrv(dir, "marks -o -").out);
  const testing::PngPicture black = testing::DecodePng(plain.out);
  ASSERT_TRUE(black.ok);
  EXPECT_EQ(Count(black, clRed), 0);
  ASSERT_EQ(RunKrv(dir, "marks -o p.png").status, 0);
  const std::optional<std::filesystem::path> pngcheck = testing::FindProgram("pngcheck");
#ifdef _WIN32
  if (!pngcheck) GTEST_SKIP() << "pngcheck is absent";
#else
  ASSERT_TRUE(pngcheck) << "pngcheck is not installed";
#endif
  EXPECT_EQ(
      testing::RunProcess({pngcheck->string(), "-q", "p.png"}, testing::InDir(dir.Path())).status,
      0);
}

// A .pdf output is the same grid on one page, 0.75 points per pixel, drawn as vectors: rendered
// at 96 pixels per inch it has the picture's size and nearly the picture's ink. The vector
// text and marks are anti-aliased where the picture's are not, so 95% of the ink (the rest
// is edge pixels of glyphs) must lie within 64 levels of the other's within one pixel.
TEST(KrvMarks, PdfIsTheSamePicture) {
  const testing::TempDir dir("korvex_krv_marks_pdf");
  if (!TPdfDocument::Available()) {
    const KrvRun r = RunKrv(dir, "marks -o m.pdf");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "krv marks: m.pdf: this build of krv cannot write PDF (it has no cairo)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.pdf")));
    GTEST_SKIP() << "this build writes no PDF";
  }
  int skipped = 0;
  for (const char* options : {"", "--size 9 --color Red"}) {
    for (const char* pdf : {"m.pdf", "m.PDF"}) {
      const std::string args = std::string("marks ") + options;
      ASSERT_EQ(RunKrv(dir, args + " -o m.png").status, 0);
      const KrvRun r = RunKrv(dir, args + " -o " + pdf);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(dir.Read(pdf).rfind("%PDF-", 0), 0u);
      skipped += !testing::ExpectPdfLikePng(dir, pdf, "m.png", 64, 0.95);
    }
  }
  if (skipped > 0) GTEST_SKIP() << "pdfinfo or pdftoppm is absent";
}

TEST(KrvMarks, BadArguments) {
  const testing::TempDir dir("korvex_krv_marks_bad");
  struct Case {
    const char* args;
    const char* err;
  };
  const Case cases[] = {
      {"marks --size 65 -o m.png", "krv marks: --size: '65' is not a whole number from 0 to 64\n"},
      {"marks --size -1 -o m.png", "krv marks: --size: '-1' is not a whole number from 0 to 64\n"},
      {"marks --size x -o m.png", "krv marks: --size"},
      {"marks --color Rouge -o m.png", "krv marks: Rouge: unknown colour name"},
      {"marks -o ''", "krv marks: '': No such file or directory\n"},
  };
  for (const Case& c : cases) {
    const auto r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.png"))) << c.args;
  }
}

// Standard output on a terminal is refused (script(1) gives krv one), with or without -o -.
TEST(KrvMarks, RefusesATerminal) {
  const std::optional<std::filesystem::path> script = testing::FindProgram("script");
  if (!script) GTEST_SKIP() << "script is absent: no terminal can be given to krv";
  const testing::TempDir dir("korvex_krv_marks_tty");
  for (const std::string args : {"marks", "marks -o -", "marks --size 2"}) {
    const KrvRun r = testing::RunProcess(
        {script->string(), "-qec", testing::KrvPath() + " " + args, "/dev/null"},
        testing::InDir(dir.Path()));
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.out.find("krv marks: the PNG picture is not written to a terminal"),
              std::string::npos)
        << args << "\n"
        << r.out;
    EXPECT_EQ(r.out.find("PNG\r\n"), std::string::npos) << args;
  }
}

}  // namespace
}  // namespace krv
