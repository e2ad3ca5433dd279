// krv label show: every setting of a label read from a file or standard input, the "no"
// answer for a missing identifier and errors for unreadable or cut files. The reader itself
// is tested with the library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

const char kNote[] =
    "position     x 1523.75, y -0.003\n"
    "layer        3\n"
    "caption      \"Valve opened\\nat 12:04\"\n"
    "colours      border $000000, background $C0C0C0, shadow $404040\n"
    "shadow       dx 2, dy 2\n"
    "transparent  yes\n"
    "visible      yes\n"
    "alignment    taCenter, vaBottom\n"
    "attach mode  tlamBoth\n"
    "font         \"DejaVu Sans\", size 9, colour $0000C0, styles fsItalic fsUnderline\n"
    "mode         tlShadow\n";

TEST(KrvLabel, Show) {
  const TempDir dir("krv_label");
  std::filesystem::copy_file(std::filesystem::path(KORVEX_SOURCE_DIR) / "samples/chart-labels.xml",
                             dir.File("labels.xml"));
  const std::string element = "<custtextlbl sig=KorvexLib id=\"x\">\r\n";
  dir.Write("odd.xml", element +
                           "<caption>a\"b\tc\x01</caption>\r\n<colors brd=$1ABCDEF0 />\r\n"
                           "</custtextlbl>\r\n");
  dir.Write("cut.xml", element + "<posxy x=1 />\r\n<caption>ab");
  struct Case {
    std::string args, input;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"--id NOTE labels.xml", "", 0, kNote, ""},
      {"--id note -", dir.Read("labels.xml"), 0, kNote, ""},
      {"labels.xml", "", 0, "position     x 0.5, y 98.25\nlayer        1\n", ""},
      {"odd.xml", "", 0,
       "position     x 100, y 10\nlayer        1\ncaption      \"a\\\"b\\tc\\x01\"\n"
       "colours      border $1ABCDEF0, background $000000, shadow $000000\n",
       ""},
      {"--id nope labels.xml", "", 1, "",
       "krv label: labels.xml: no label element with id \"nope\"\n"},
      {"cut.xml", "", 2, "", "krv label: cut.xml: the label element ends before </custtextlbl>\n"},
      {"missing.xml", "", 2, "", "krv label: missing.xml: No such file or directory\n"},
      {"--id", "", 2, "", "krv label: --id: 1 required"},
  };
  for (const Case& c : cases) {
    const KrvRun r = RunKrv(dir, "label show " + c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
    if (c.status != 0) {
      EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
  }
}

}  // namespace
}  // namespace krv
