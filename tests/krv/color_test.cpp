// krv color: colour values in every model, scale files the library reads back, the named
// colours; values that are no colour are errors naming the value.
#include <gtest/gtest.h>

#include <span>
#include <sstream>
#include <string>

#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/pdf.h"
#include "korvex/platform/text.h"
#include "test_support/pdf_tools.h"
#include "test_support/png_read.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using Ran = testing::KrvRun;

class KrvColor : public ::testing::Test {
 protected:
  Ran Color(const std::string& args) { return testing::RunKrv(dir_, "color " + args); }
  testing::TempDir dir_{"korvex_krv_color"};
};

TEST_F(KrvColor, ShowReadsEveryFormOfValue) {
  const std::string red =
      "hex   000000FF  ($0000FF, #FF0000)\n"
      "name  Red\n"
      "RGB   255, 0, 0\n"
      "HSI   hue 0, saturation 1, intensity 1\n"
      "CMY   0, 1, 1\n"
      "CMYK  0, 1, 1, 0\n"
      "grey  76  (004C4C4C)\n";
  for (const char* value :
       {"Red", "rED", "'$0000FF'", "'$ff'", "'#FF0000'", "255,0,0", "' 255, 0 ,0'"})
    EXPECT_EQ(Color(std::string("show ") + value).out, red) << value;
  struct Case {
    const char* value;
    const char* part;  // a line of the output
  };
  const Case cases[] = {
      {"navyblue", "name  Navy\n"},  // the first name of a value
      {"'alice blue'", "RGB   240, 248, 255\n"},
      {"'#87ceeb'", "name  SkyBlue1\n"},
      {"128,128,128", "HSI   hue undefined (-1), saturation 0, intensity 0.501961\n"},
      {"18,52,86", "name  00563412\n"},  // no name: the hexadecimal text
      {"0,0,255", "CMYK  1, 1, 0, 0\n"},
      {"255,255,0", "HSI   hue 60, saturation 1, intensity 1\n"},
  };
  for (const Case& c : cases) {
    const Ran r = Color(std::string("show ") + c.value);
    EXPECT_EQ(r.status, 0) << c.value;
    EXPECT_NE(r.out.find(c.part), std::string::npos) << c.value << "\n" << r.out;
  }
}

TEST_F(KrvColor, ValuesThatAreNoColour) {
  const char* const bad[][2] = {
      {"'$'", "$: expected 1 to 6 hexadecimal digits after '$' ($BBGGRR)"},
      {"'$1234567'", "$1234567: expected 1 to 6 hexadecimal digits after '$' ($BBGGRR)"},
      {"'$12G'", "$12G: expected 1 to 6 hexadecimal digits after '$' ($BBGGRR)"},
      {"'#FFF'", "#FFF: expected 6 hexadecimal digits after '#' (#RRGGBB)"},
      {"1,2", "1,2: expected three numbers 0 to 255 (r,g,b)"},
      {"1,2,3,4", "1,2,3,4: expected three numbers 0 to 255 (r,g,b)"},
      {"256,0,0", "256,0,0: expected three numbers 0 to 255 (r,g,b)"},
      {"-- -1,0,0", "-1,0,0: expected three numbers 0 to 255 (r,g,b)"},
      {"1,,3", "1,,3: expected three numbers 0 to 255 (r,g,b)"},
      {"Rouge", "Rouge: unknown colour name (see 'krv color names')"},
      {"''", "empty colour value"},
  };
  for (const auto& b : bad) {
    const Ran r = Color(std::string("show ") + b[0]);
    EXPECT_EQ(r.status, 2) << b[0];
    EXPECT_EQ(r.out, "") << b[0];
    EXPECT_EQ(r.err, std::string("krv color: ") + b[1] + "\n");
  }
  // Usage errors name the mode and point to its page.
  const char* const usage[][2] = {
      {"", "krv color: no mode given (choose show, scale or names)\nTry 'krv color --help'.\n"},
      {"paint",
       "krv color: unknown mode 'paint' (choose show, scale or names)\n"
       "Try 'krv color --help'.\n"},
      {"show", "krv color show: missing VALUE operand\nTry 'krv color show --help'.\n"},
      {"scale --size 0",
       "krv color scale: --size: '0' is not a whole number from 1 to 33554432\n"
       "Try 'krv color scale --help'.\n"},
      {"scale --palette ocean",
       "krv color scale: --palette: invalid value 'ocean' (choose "
       "rainbow, geo1, geo2, geo3, circle, morgenstemning or contrast)\n"
       "Try 'krv color scale --help'.\n"},
      {"scale --levels -1",
       "krv color scale: --levels: '-1' is not a whole number from 0 to "
       "2147483647\nTry 'krv color scale --help'.\n"},
      {"names extra", "krv color names: extra operand 'extra'\nTry 'krv color names --help'.\n"},
  };
  for (const auto& u : usage) {
    const Ran r = Color(u[0]);
    EXPECT_EQ(r.status, 2) << u[0];
    EXPECT_EQ(r.err, u[1]) << u[0];
  }
}

// A scale file holds what TColorArray makes of the same palette, size and levels.
TEST_F(KrvColor, ScaleWritesAColourTable) {
  struct Case {
    const char* args;
    std::span<const TColor> palette;
    std::int32_t size, levels;
  };
  const Case cases[] = {
      {"", ColorArray_Rainbow, 1000, 0},
      {"--palette GEO1 --size 256 --levels 8", ColorArray_Geo1, 256, 8},
      {"--palette=circle --size=7", ColorArray_Circle, 7, 0},
      {"--palette contrast --size 3 --levels 2", ColorArray_Contrast, 3, 2},
      {"--palette morgenstemning --size 1", ColorArray_MorgenStemning, 1, 0},
  };
  for (const Case& c : cases) {
    const Ran r = Color(std::string("scale -o out.txt ") + c.args);
    EXPECT_EQ(r.status, 0) << c.args << r.err;
    TColorArray want, got;
    want.SetSize(c.size);
    want.FillByInterpolation(c.levels, c.palette);
    EXPECT_TRUE(got.LoadFromFile(ToUtf16(dir_.File("out.txt").string()), true)) << c.args;
    EXPECT_TRUE(got.IsEqual(&want)) << c.args;
    EXPECT_EQ(Color(std::string("scale ") + c.args).out, dir_.Read("out.txt"));
  }
  EXPECT_EQ(Color("scale --palette circle --size 2").out, "1 2\r\n0000FFFF\r\n00FF0000\r\n");
}

// A .png output is the scale as columns in a black frame; long scales are sampled evenly.
TEST_F(KrvColor, ScaleAsPicture) {
  struct Case {
    const char* args;
    std::int32_t size;
    std::uint32_t columns;
  };
  for (const Case c : {Case{"--size 1 -o s.png", 1, 1}, Case{"--size 300 -o s.PNG", 300, 300},
                       Case{"--size 10000 -o s.Png", 10000, 4096}}) {
    const Ran r = Color(std::string("scale --palette geo1 ") + c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string file = c.args + std::string(c.args).rfind(' ') + 1;
    const testing::PngPicture pic = testing::DecodePng(dir_.Read(file));
    ASSERT_TRUE(pic.ok) << pic.error;
    ASSERT_EQ(pic.width, c.columns + 2) << c.args;
    ASSERT_EQ(pic.height, 50u) << c.args;
    TColorArray scale;
    scale.SetSize(c.size);
    scale.FillByInterpolation(0, ColorArray_Geo1);
    for (std::uint32_t x = 0; x < pic.width; ++x) {
      EXPECT_EQ(pic.At(x, 0), clBlack);
      EXPECT_EQ(pic.At(x, 49), clBlack);
    }
    for (std::uint32_t y = 0; y < pic.height; ++y) EXPECT_EQ(pic.At(pic.width - 1, y), clBlack);
    const TColor first = scale.GetColorElem(1), last = scale.GetColorElem(c.size);
    EXPECT_EQ(pic.At(1, 1), first) << c.args;
    EXPECT_EQ(pic.At(1, 48), first) << c.args;
    EXPECT_EQ(pic.At(c.columns, 24), last) << c.args;
    if (c.size == 300) {
      EXPECT_EQ(pic.At(151, 10), scale.GetColorElem(151));
    }
  }
}

// A .pdf output is the same picture on one page, 0.75 points per pixel: rendered at 96 pixels
// per inch, 99% of its ink lies within 16 levels of the PNG's, within one pixel.
TEST_F(KrvColor, ScaleAsPdf) {
  if (!TPdfDocument::Available()) {
    const Ran r = Color("scale -o s.pdf");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "krv color: s.pdf: this build of krv cannot write PDF (it has no cairo)\n");
    GTEST_SKIP() << "this build writes no PDF";
  }
  int skipped = 0;
  for (const char* args : {"--size 1", "--palette geo1 --size 300", "--size 5000 --levels 7"}) {
    ASSERT_EQ(Color(std::string("scale ") + args + " -o s.png").status, 0);
    const Ran r = Color(std::string("scale ") + args + " -o s.Pdf");
    ASSERT_EQ(r.status, 0) << r.err;
    skipped += !testing::ExpectPdfLikePng(dir_, "s.Pdf", "s.png", 16, 0.99);
  }
  if (skipped > 0) GTEST_SKIP() << "pdfinfo or pdftoppm is absent";
}

TEST_F(KrvColor, NamesListsTheDictionary) {
  const Ran r = Color("names");
  EXPECT_EQ(r.status, 0);
  std::istringstream lines(r.out);
  std::string line;
  long count = 0;
  while (std::getline(lines, line)) {
    ++count;
    std::istringstream fields(line);
    long index = 0;
    std::string name, hex;
    fields >> index >> name >> hex;
    EXPECT_EQ(index, count);
    EXPECT_EQ(name, ToUtf8(String(AllKRVColorNames[count])));
    EXPECT_EQ(hex, ToUtf8(ColorToHexStr(AllKRVColors[count])));
  }
  EXPECT_EQ(count, kNumKRVColors);
}

}  // namespace
}  // namespace krv
