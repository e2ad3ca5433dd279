// krv label show: every setting of a label read from a file or standard input, the "no"
// answer for a missing identifier, errors for unreadable, cut and non-label input, and the
// input read as a stream without a copy. The reader itself is tested with the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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
  const std::string kNotLabels =
      "krv label: -: not a label file: no <custtextlbl sig=\"KorvexLib\"> element\n";
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
      // Input without any label element is no label file: malformed, whatever --id says.
      {"-", "\x80\xFF\x01\x1A random bytes\r\n", 2, "", kNotLabels},
      {"", "", 2, "", kNotLabels},
      {"-", "<a><b>", 2, "", kNotLabels},
      {"--id x -", "<a><b>", 2, "", kNotLabels},
      {"--id x -", "<custtextlbl id=\"x\">\n</custtextlbl>\n", 2, "", kNotLabels},
      {"cut.xml", "", 2, "", "krv label: cut.xml: the label element ends before </custtextlbl>\n"},
      {"missing.xml", "", 2, "", "krv label: missing.xml: No such file or directory\n"},
      {"--id", "", 2, "", "krv label show: option '--id' needs a value\n"},
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

// The input is read as a stream, without a copy in the temporary folder (for krv, a folder
// that does not exist), and no further than the element: a 1 GiB sparse file costs nothing.
TEST(KrvLabel, ReadsTheInputOnceWithoutACopy) {
  const std::optional<std::filesystem::path> env = testing::FindProgram("env");
#ifdef _WIN32
  if (!env) GTEST_SKIP() << "env is absent: krv's temporary folder cannot be set apart";
#endif
  ASSERT_TRUE(env) << "env is not installed";
  const TempDir dir("krv_label_stream");
  const std::string element =
      "<custtextlbl sig=KorvexLib id=\"big\">\r\n<layer val=7 />\r\n</custtextlbl>\r\n";
  dir.Write("big.xml", element);
  std::filesystem::resize_file(dir.File("big.xml"), std::uintmax_t{1} << 30);
  const std::string tmpdir = "TMPDIR=" + dir.File("missing").string();
  const struct {
    std::vector<std::string> args;
    std::string input;
  } cases[] = {{{"big.xml"}, ""}, {{"--id", "BIG", "big.xml"}, ""}, {{"-"}, element + "more"}};
  for (const auto& c : cases) {
    std::vector<std::string> argv = {env->string(), tmpdir, testing::KrvPath(), "label", "show"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    testing::ProcessOptions options = testing::InDir(dir.Path());
    options.input = c.input;
    const KrvRun r = testing::RunProcess(argv, options);
    EXPECT_EQ(r.status, 0) << c.args.back() << "\n" << r.err;
    EXPECT_NE(r.out.find("layer        7\n"), std::string::npos) << c.args.back();
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

}  // namespace
}  // namespace krv
