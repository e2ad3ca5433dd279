// krv sum: the lines it writes, names escaped as sha1sum escapes them, --check, the progress
// line. The checksums themselves are tested with the library (tests/dstruct/crc_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

// SHA-1 of "x" and of "y" (sha1sum).
const std::string kShaX = "11F6AD8EC52A2984ABAAFD7C3B516503785C2072";
const std::string kShaY = "95CB0BFD2977C761298D9624E4B4D4C72A39974A";

// Files named with a line feed, a backslash and a carriage return; false where the system
// forbids such names (Windows).
bool WriteAwkwardFiles(const TempDir& dir) {
#ifdef _WIN32
  (void)dir;
  return false;
#else
  dir.Write("new\nline", "x");
  dir.Write("back\\slash", "y");
  dir.Write("cr\rx", "x");
  return true;
#endif
}

// Whether a row of the table needs those files.
bool NeedsAwkwardFiles(std::string_view args) {
  return args.find("line") != std::string_view::npos ||
         args.find("good.sums") != std::string_view::npos;
}

struct Case {
  const char* args;
  const char* input;  // standard input
  int status;
  std::string out;
};

TEST(KrvSum, TableOfCases) {
  const TempDir dir("krv_sum");
  dir.Write("digits", "123456789");
  dir.Write("x", "x");
  dir.Write("[x,digits]", "x");  // one operand, not the list x, digits
  const bool awkward = WriteAwkwardFiles(dir);
  dir.Write("good.sums", "CBF43926  digits\n" + kShaX + " *x\n\\" + kShaX + "  new\\nline\n");
  dir.Write("bad.sums", "CBF43926  digits\n" + kShaY + "  x\n");
  dir.Write("odd.sums", "CBF43926  digits\nnot a checksum line\n");
  const Case cases[] = {
      {"sum digits", "", 0, "CBF43926  digits\n"},
      {"sum --sha1 '[x,digits]'", "", 0, kShaX + "  [x,digits]\n"},
      {"sum --sha1 --crc16=ccitt --crc16 --crc32 --sha1 digits", "", 0,
       "F7C3BC1D808E04732ADF679965CCC34CA7AE3441 29B1 31C3 CBF43926  digits\n"},
      {"sum --sha1", "abc", 0, "A9993E364706816ABA3E25717850C26C9CD0D89D  -\n"},
      {"sum --crc16 - digits", "abc", 0, "9DD6  -\n31C3  digits\n"},
      {"sum missing digits", "", 2, "CBF43926  digits\n"},  // the others are still summed
      {"sum --crc16=kermit digits", "", 2, ""},
      // Names with a line feed, a backslash or a carriage return, as sha1sum writes them.
      {"sum --sha1 'new\nline' 'back\\slash' 'cr\rx'", "", 0,
       "\\" + kShaX + "  new\\nline\n\\" + kShaY + "  back\\\\slash\n\\" + kShaX + "  cr\\rx\n"},
      // --check: krv's and sha1sum's lines (text and binary), OK / FAILED, exit 1 on a failure.
      {"sum -c good.sums", "", 0, "digits: OK\nx: OK\n\\new\\nline: OK\n"},
      {"sum --check bad.sums", "", 1, "digits: OK\nx: FAILED\n"},
      {"sum -c", "CBF43926  missing\n", 2, "missing: FAILED open or read\n"},
      {"sum -c odd.sums", "", 2, "digits: OK\n"},
      {"sum -c", "", 2, ""},                                            // no checksum lines at all
      {"sum -c --sha1 good.sums", "", 2, "x: OK\n\\new\\nline: OK\n"},  // digits: no SHA-1
      {"sum -c --crc16=ccitt", "29B1  digits\n", 0, "digits: OK\n"},
  };
  int left_out = 0;
  for (const Case& c : cases) {
    if (!awkward && NeedsAwkwardFiles(c.args)) {
      ++left_out;
      continue;
    }
    const KrvRun r = RunKrv(dir, c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
  EXPECT_EQ(RunKrv(dir, "sum missing").err, "krv sum: missing: No such file or directory\n");
  EXPECT_EQ(RunKrv(dir, "sum -c odd.sums").err,
            "krv sum: odd.sums:2: improperly formatted checksum line\n");
  if (left_out > 0)
    GTEST_SKIP() << left_out << " rows need names with LF, CR or '\\', which Windows forbids";
}

// The escaped lines move both ways between krv sum and sha1sum.
TEST(KrvSum, Sha1sumReadsKrvLinesAndKrvReadsSha1sumLines) {
  const std::optional<std::filesystem::path> sha1sum = testing::FindProgram("sha1sum");
  if (!sha1sum) GTEST_SKIP() << "sha1sum is absent";
  const TempDir dir("krv_sum_sha1sum");
  if (!WriteAwkwardFiles(dir)) GTEST_SKIP() << "names with LF, CR or '\\' are forbidden here";
  dir.Write("plain name", "x");
  const std::vector<std::string> names = {"new\nline", "back\\slash", "cr\rx", "plain name"};
  std::vector<std::string> args = {"sum", "--sha1"};
  args.insert(args.end(), names.begin(), names.end());
  const KrvRun written = testing::RunKrvArgs(dir, args);
  ASSERT_EQ(written.status, 0) << written.err;
  dir.Write("krv.sums", written.out);
  const testing::ProcessOptions in_dir = testing::InDir(dir.Path());
  const KrvRun ours = testing::RunProcess({sha1sum->string(), "-c", "krv.sums"}, in_dir);
  EXPECT_EQ(ours.status, 0) << ours.out << ours.err;
  args = {sha1sum->string()};
  args.insert(args.end(), names.begin(), names.end());
  const KrvRun theirs = testing::RunProcess(args, in_dir);
  ASSERT_EQ(theirs.status, 0) << theirs.err;
  dir.Write("sha.sums", theirs.out);
  const KrvRun checked = RunKrv(dir, "sum -c sha.sums");
  EXPECT_EQ(checked.status, 0) << checked.err;
  EXPECT_EQ(checked.out, "\\new\\nline: OK\n\\back\\\\slash: OK\n\\cr\\rx: OK\nplain name: OK\n");
}

// Names beyond ASCII are taken and written as UTF-8 on every system.
TEST(KrvSum, NamesBeyondAscii) {
  const TempDir dir("krv_sum_names");
  std::ofstream(dir.Path() / u8"café_Ω.txt", std::ios::binary) << "abc";
  const KrvRun r = RunKrv(dir, "sum --sha1 café_Ω.txt ñ.txt");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "A9993E364706816ABA3E25717850C26C9CD0D89D  café_Ω.txt\n");
  EXPECT_EQ(r.err, "krv sum: ñ.txt: No such file or directory\n");
}

// A progress line on a terminal (a pseudo-terminal made by script), none in a pipe or with -q.
TEST(KrvSum, ProgressLineOnlyOnATerminal) {
  // script(1) gives the tool a pseudo-terminal and the slow input comes through a shell pipe:
  // neither exists on Windows.
  const std::optional<std::filesystem::path> script = testing::FindProgram("script");
  if (!script) GTEST_SKIP() << "script is absent: no pseudo-terminal to show progress on";
  const TempDir dir("krv_sum_progress");
  const std::string slow = "(printf abc; sleep 1; printf def) | ";
  const testing::ProcessOptions in_dir = testing::InDir(dir.Path());
  auto on_terminal = [&](const std::string& options) {
    const std::string command = slow + "'" + testing::KrvPath() + "' sum " + options;
    return testing::RunProcess({script->string(), "-qec", command, "/dev/null"}, in_dir);
  };
  const KrvRun tty = on_terminal("");
  EXPECT_NE(tty.out.find("\rkrv sum: -  6 B  "), std::string::npos) << tty.out;
  EXPECT_NE(tty.out.find(" B/s\033[K"), std::string::npos) << tty.out;
  EXPECT_NE(tty.out.find("\r\033[K4B8E39EF  -"), std::string::npos) << tty.out;  // cleared
  EXPECT_EQ(on_terminal("-q").out.find("krv sum:"), std::string::npos);
  const KrvRun pipe =
      testing::RunProcess({"sh", "-c", slow + "\"$0\" sum", testing::KrvPath()}, in_dir);
  EXPECT_EQ(pipe.out, "4B8E39EF  -\n");
  EXPECT_EQ(pipe.err, "");
}

}  // namespace
}  // namespace krv
