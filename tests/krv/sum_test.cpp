// krv sum: the lines it writes, names escaped as sha1sum escapes them, --check beside
// sha1sum -c, an input that is the output, the progress line. The checksums themselves are
// tested with the library (tests/dstruct/crc_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
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
const std::string kShaXLower = "11f6ad8ec52a2984abaafd7c3b516503785c2072";

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
      {"sum -c", "CBF43926  missing\n", 1, "missing: FAILED open or read\n"},
      {"sum -c odd.sums", "", 0, "digits: OK\n"},  // only warned about, as sha1sum does
      {"sum -c", "", 1, ""},                       // no checksum lines at all
      {"sum -c --sha1 good.sums", "", 0, "x: OK\n\\new\\nline: OK\n"},  // digits: no SHA-1
      {"sum -c --crc16=ccitt", "29B1  digits\n", 0, "digits: OK\n"},
      // Tagged lines, one per value; the tag gives the kind when no option does.
      {"sum --tag --crc16=ccitt --crc32 digits", "", 0,
       "CRC-16/IBM-3740 (digits) = 29B1\nCRC-32/ISO-HDLC (digits) = CBF43926\n"},
      {"sum -c", "CRC-16/XMODEM (digits) = 31c3\n", 0, "digits: OK\n"},
      {"sum -c --crc32", "CRC-16/XMODEM (digits) = 31C3\n", 1, ""},  // not a CRC-32 line
      {"sum --tag -c good.sums", "", 2, ""},
      {"sum --status digits", "", 2, ""},
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
            "krv sum: WARNING: 1 line is improperly formatted\n");
  EXPECT_EQ(RunKrv(dir, "sum --status digits").err,
            "krv sum: --status: meaningful only with -c\nTry 'krv sum --help'.\n");
  if (left_out > 0)
    GTEST_SKIP() << left_out << " rows need names with LF, CR or '\\', which Windows forbids";
}

// The escaped lines, plain and tagged, move both ways between krv sum and sha1sum.
TEST(KrvSum, Sha1sumReadsKrvLinesAndKrvReadsSha1sumLines) {
  const std::optional<std::filesystem::path> sha1sum = testing::FindProgram("sha1sum");
  if (!sha1sum) GTEST_SKIP() << "sha1sum is absent";
  const TempDir dir("krv_sum_sha1sum");
  if (!WriteAwkwardFiles(dir)) GTEST_SKIP() << "names with LF, CR or '\\' are forbidden here";
  dir.Write("plain name", "x");
  const std::vector<std::string> names = {"new\nline", "back\\slash", "cr\rx", "plain name"};
  const testing::ProcessOptions in_dir = testing::InDir(dir.Path());
  const std::vector<std::vector<std::string>> forms = {{}, {"--tag"}};
  for (const std::vector<std::string>& form : forms) {
    std::vector<std::string> args = {"sum", "--sha1"};
    args.insert(args.end(), form.begin(), form.end());
    args.insert(args.end(), names.begin(), names.end());
    const KrvRun written = testing::RunKrvArgs(dir, args);
    ASSERT_EQ(written.status, 0) << written.err;
    dir.Write("krv.sums", written.out);
    const KrvRun ours = testing::RunProcess({sha1sum->string(), "-c", "krv.sums"}, in_dir);
    EXPECT_EQ(ours.status, 0) << ours.out << ours.err;
    args = {sha1sum->string()};
    args.insert(args.end(), form.begin(), form.end());
    args.insert(args.end(), names.begin(), names.end());
    const KrvRun theirs = testing::RunProcess(args, in_dir);
    ASSERT_EQ(theirs.status, 0) << theirs.err;
    dir.Write("sha.sums", theirs.out);
    const KrvRun checked = RunKrv(dir, "sum -c sha.sums");
    EXPECT_EQ(checked.status, 0) << checked.err;
    // Only a name with a line feed is escaped in the results, as sha1sum -c prints them.
    EXPECT_EQ(checked.out, "\\new\\nline: OK\nback\\slash: OK\ncr\rx: OK\nplain name: OK\n");
  }
}

// Messages of `program` with its prefix ("PROGRAM: ") made "krv sum: ".
std::string AsKrvMessages(const std::string& err, const std::string& program) {
  const std::string prefix = program + ": ";
  std::string out;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) == 0) line.replace(0, prefix.size(), "krv sum: ");
    out += line + "\n";
  }
  return out;
}

struct CheckCase {
  const char* options;  // between "--check" and the checksum file, a blank apart
  std::string lines;    // the checksum file
};

// `krv sum --sha1 -c` prints what sha1sum -c prints and exits as it does, for every form of
// line, sound or not, and every option of -c. The messages differ only in their prefix: the
// names in them need no quoting, which sha1sum would add and krv does not.
TEST(KrvSum, CheckAsSha1sumChecks) {
  const std::optional<std::filesystem::path> sha1sum = testing::FindProgram("sha1sum");
  if (!sha1sum) GTEST_SKIP() << "sha1sum is absent";
  const TempDir dir("krv_sum_check");
  if (!WriteAwkwardFiles(dir)) GTEST_SKIP() << "names with LF, CR or '\\' are forbidden here";
  dir.Write("x", "x");
  dir.Write("y", "y");
  dir.Write(" x", "x");  // names that start as a reversed line's name would
  dir.Write("*x", "x");
  const testing::ScopedEnv c_locale("LC_ALL", "C");  // sha1sum's messages untranslated
  const std::string x = kShaX + "  x\n", bad = "garbage\n", missing = kShaX + "  missing\n";
  const std::string wrong = kShaX + "  y\n", mixed = x + bad + missing + wrong;
  const CheckCase cases[] = {
      {"", "\n\r\n#comment\n" + x + "   \n\t\n"},  // blank-only lines are improperly formatted
      {"--strict", x + "\r\n"},
      {"", bad + "\r\r\n"},
      {"", ""},
      {"", kShaXLower + " *x\r\n" + wrong + wrong},
      {"",
       " \t" + x + "SHA1 (y) = " + kShaY + "\nSHA1(x)=" + kShaXLower + "\nSHA1 (x)\t=\t" + kShaY},
      {"--warn", "SHA1  (x) = " + kShaX + "\nSHA1 (x) = " + kShaX + " \nSHA1 (x = " + kShaX +
                     "\nsha1 (x) = " + kShaX + "\nMD5 (x) = " + kShaX + "\n" + kShaX + "0  x\n"},
      {"", "\\" + kShaX + "  new\\nline\n\\SHA1 (back\\\\slash) = " + kShaY + "\n\\" + kShaX +
               "  cr\\rx\n" + kShaY + "  back\\slash\n\\" + kShaX + "  a\\qb\n"},
      {"", "\\" + kShaY + "  new\\nline\n\\" + kShaX + "  x\\\n" + kShaX + "  cr\rx\n"},
      {"", kShaX + " x\n" + x + kShaX + " *x\n"},  // "HEX NAME" first: then " x" is a name
      {"--warn", x + kShaX + " x\n" + kShaX + "\tx\n"},
      {"", mixed},
      {"--quiet", mixed},
      {"--status", mixed},
      {"--warn", mixed},
      {"--warn --quiet", mixed},
      {"--status --warn", mixed},
      {"--strict", x + bad},
      {"--status --strict", x + bad},
      {"--ignore-missing", missing + x + bad},
      {"--ignore-missing", missing},
  };
  const testing::ProcessOptions in_dir = testing::InDir(dir.Path());
  for (const CheckCase& c : cases) {
    dir.Write("chk", c.lines);
    std::vector<std::string> theirs_args = {sha1sum->string(), "-c"},
                             ours_args = {"sum", "--sha1", "--check"};
    std::istringstream words(c.options + std::string(" chk"));
    for (std::string w; words >> w;) {
      theirs_args.push_back(w);
      ours_args.push_back(w);
    }
    const KrvRun theirs = testing::RunProcess(theirs_args, in_dir);
    const KrvRun ours = testing::RunKrvArgs(dir, ours_args);
    EXPECT_EQ(ours.status, theirs.status) << c.options << "\n" << c.lines;
    EXPECT_EQ(ours.out, theirs.out) << c.options << "\n" << c.lines;
    EXPECT_EQ(ours.err, AsKrvMessages(theirs.err, sha1sum->string())) << c.options << "\n"
                                                                      << c.lines;
  }
}

// Tagged lines of every kind come back through --check, which picks the lines of the kinds
// named, if any.
TEST(KrvSum, TaggedLinesRoundTrip) {
  const TempDir dir("krv_sum_tag");
  dir.Write("digits", "123456789");
  dir.Write("x", "x");
  const KrvRun written = RunKrv(dir, "sum --tag --crc16 --crc16=ccitt --crc32 --sha1 digits x");
  ASSERT_EQ(written.status, 0) << written.err;
  dir.Write("tagged.sums", written.out);
  const KrvRun all = RunKrv(dir, "sum -c tagged.sums");
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out,
            "digits: OK\ndigits: OK\ndigits: OK\ndigits: OK\nx: OK\nx: OK\nx: OK\nx: OK\n");
  const KrvRun crc32 = RunKrv(dir, "sum -c --crc32 tagged.sums");
  EXPECT_EQ(crc32.status, 0) << crc32.err;
  EXPECT_EQ(crc32.out, "digits: OK\nx: OK\n");
  EXPECT_EQ(crc32.err, "krv sum: WARNING: 6 lines are improperly formatted\n");
}

struct OutputCase {
  const char* args;
  int status;
  const char* err;
  bool appended;  // the sums (when it succeeds) go after what SUMS held
};

// `krv sum * > SUMS`: the input that is the output itself is skipped before it is read.
TEST(KrvSum, InputThatIsTheOutputIsSkipped) {
  const TempDir dir("krv_sum_output");
  const std::string lines = kShaX + "  x\n" + kShaY + "  y\n";
  const OutputCase cases[] = {
      {"sum --sha1 SUMS x y > SUMS", 0, "krv sum: SUMS: skipped: it is the output\n", false},
      {"sum --sha1 x SUMS y >> SUMS", 0, "krv sum: SUMS: skipped: it is the output\n", true},
      {"sum --sha1 - x y < SUMS >> SUMS", 0, "krv sum: -: skipped: it is the output\n", true},
      {"sum -c SUMS >> SUMS", 1, "krv sum: SUMS: skipped: it is the output\n", true},
  };
  for (const OutputCase& c : cases) {
    const std::string old = "old sums\n";
    dir.Write("x", "x");
    dir.Write("y", "y");
    dir.Write("SUMS", old);
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(dir.Read("SUMS"), (c.appended ? old : "") + (c.status == 0 ? lines : "")) << c.args;
  }
  dir.Write("SUMS", lines);  // as the first row wrote it
  EXPECT_EQ(RunKrv(dir, "sum --sha1 -c SUMS").out, "x: OK\ny: OK\n");
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
  dir.Write("sums", "4B8E39EF  -\n");  // standard input, checked silently
  EXPECT_EQ(on_terminal("-c --status sums").out.find("krv sum:"), std::string::npos);
  const KrvRun pipe =
      testing::RunProcess({"sh", "-c", slow + "\"$0\" sum", testing::KrvPath()}, in_dir);
  EXPECT_EQ(pipe.out, "4B8E39EF  -\n");
  EXPECT_EQ(pipe.err, "");
}

}  // namespace
}  // namespace krv
