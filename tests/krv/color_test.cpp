// krv color: colour values in every model, scale files the library reads back, the named
// colours; values that are no colour are errors naming the value.
#include <gtest/gtest.h>

#include <span>
#include <sstream>
#include <string>

#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/text.h"
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
  for (const char* args : {"", "show", "paint", "scale --size 0", "scale --palette ocean",
                           "scale --levels -1", "names extra"})
    EXPECT_EQ(Color(args).status, 2) << args;
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
