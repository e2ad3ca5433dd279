// krv text: each mode on files and standard input; tail beside coreutils tail; lines longer
// than the 64 MiB a mode holds. The library routines type and asc use are tested with the
// library (tests/filesys/textfiles_test.cpp); the shared conventions in conventions_test.cpp.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

TEST(KrvText, Modes) {
  const TempDir dir("krv_text");
  dir.Write("mac", "one\rtwo\r\nthree\n\xE4pfel\r");
  dir.Write("utf8", "\xEF\xBB\xBFx");
  dir.Write("ok.asc", "Scan 7\r\n12\r\n-3\r\ntrue FALSE\tTRUE\r\n1 2 3\r\n");
  dir.Write("bad.asc", "Scan 7\r\n12\r\n-3\r\nTRUE MAYBE\r\n");
  struct Case {
    std::string args, input;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"type utf8", "", 0, "tftUTF8\n", ""},
      {"type", "\xFF\xFE", 0, "tftUnicode_le\n", ""},
      {"lines mac", "", 0, "3\n", ""},
      {"lines -", "a\nb", 0, "2\n", ""},
      {"tail -n 2 mac", "", 0, "three\n\xE4pfel\r", ""},
      {"tail --lines 9 mac", "", 0, "one\rtwo\r\nthree\n\xE4pfel\r", ""},
      {"tail -n 0 mac", "", 0, "", ""},
      {"tail -n 1 -o out -", "a\r\nb\r\n", 0, "", ""},
      {"tail", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n", 0, "2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n", ""},
      {"find -i THREE mac", "", 0, "1:three\n", ""},
      {"find \xC4PFEL -i mac", "", 0, "1:\xE4pfel\r\n", ""},
      {"find two", "one\ntwo\n", 0, "1:two\n", ""},
      {"find four mac", "", 1, "", ""},
      {"find '' mac", "", 0, "1:one\rtwo\n", ""},
      {"find ''", "\nx\n", 0, "1:\n", ""},
      {"find ''", "", 1, "", ""},
      {"find 'o\nt' mac", "", 1, "", ""},
      {"crlf mac", "", 0, "one\r\ntwo\r\nthree\r\n\xE4pfel\r\n", ""},
      {"crlf -", "\n\r\r\n\n\rx", 0, "\r\n\r\n\r\n\r\n\r\nx", ""},
      {"crlf -o - -", "a\nb\r", 0, "a\r\nb\r\n", ""},
      {"crlf mac one -o two", "", 2, "", "krv text: OUT and -o name two outputs"},
      {"lines -o - mac", "", 0, "3\n", ""},
      {"asc ok.asc", "", 0,
       "title: Scan 7\nfirst number: 12\nsecond number: -3\nflags: TRUE FALSE TRUE FALSE\n", ""},
      {"asc bad.asc", "", 2, "",
       "krv text: bad.asc: line 4: a flag word is neither TRUE nor FALSE (status -3)\n"},
      {"asc mac", "", 2, "", "krv text: mac: line 2 is not a number (status -1)\n"},
      {"lines missing", "", 2, "", "krv text: missing: No such file or directory\n"},
      {"tail -n -1 mac", "", 2, "", "krv text tail: --lines: '-1' is not a whole number"},
      {"", "", 2, "", "krv text: no mode given"},
  };
  int left_out = 0;
  for (const Case& c : cases) {
#ifdef _WIN32
    // Windows passes arguments as UTF-16, so a lone Windows-1252 byte cannot be one.
    if (c.args.find('\xC4') != std::string::npos) {
      ++left_out;
      continue;
    }
#endif
    const KrvRun r = RunKrv(dir, "text " + c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
  }
  EXPECT_EQ(dir.Read("out"), "b\r\n");  // from tail -o
  for (const std::string args :
       {"text crlf - out", "text crlf -o out -", "text crlf --output=out -"}) {
    const KrvRun to_file = RunKrv(dir, args, "a\rb\n");
    EXPECT_EQ(to_file.status, 0) << args << to_file.err;
    EXPECT_EQ(to_file.out + to_file.err, "") << args;
    EXPECT_EQ(dir.Read("out"), "a\r\nb\r\n") << args;
  }
  if (left_out > 0) GTEST_SKIP() << left_out << " rows pass bytes that are not UTF-8 as arguments";
}

TEST(KrvText, ModePagesAndOutputInPlace) {
  const TempDir dir("krv_text_pages");
  for (const std::string mode : {"type", "lines", "tail", "find", "crlf", "asc"}) {
    const KrvRun help = RunKrv(dir, "help text " + mode);
    EXPECT_EQ(help.status, 0) << mode;
    EXPECT_EQ(help.out, RunKrv(dir, "text " + mode + " --help").out) << mode;
    EXPECT_EQ(help.out.rfind("usage: krv text " + mode, 0), 0u) << help.out;
  }
  // The output replaces its file only when the conversion finished.
  dir.Write("out", "old");
  EXPECT_EQ(RunKrv(dir, "text crlf missing out").status, 2);
  EXPECT_EQ(RunKrv(dir, "text crlf -o out missing").status, 2);
  EXPECT_EQ(dir.Read("out"), "old");
  dir.Write("in", "x\n");
  EXPECT_EQ(RunKrv(dir, "text crlf -o in in").status, 2);
  EXPECT_EQ(dir.Read("in"), "x\n");
}

#ifndef _WIN32
// What a command prints, run through sh (for pipes) in dir.
KrvRun Shell(const TempDir& dir, const std::string& script, std::vector<std::string> args) {
  args.insert(args.begin(), {"sh", "-c", script, testing::KrvPath()});
  return testing::RunProcess(args, testing::InDir(dir.Path()));
}

// Lines of "line N" up to about `bytes` bytes, so that they cross the 1 MiB reading blocks.
std::string ShortLines(std::size_t bytes) {
  std::string s;
  for (int i = 0; s.size() < bytes; ++i) s += "line " + std::to_string(i) + "\n";
  return s;
}
#endif

// tail reads a file from its end, a pipe through: both print what coreutils tail prints.
TEST(KrvText, TailMatchesCoreutils) {
#ifdef _WIN32
  GTEST_SKIP() << "coreutils tail and sh are POSIX tools";
#else
  if (testing::RunProcess({"tail", "-n", "1", "/dev/null"}).status != 0) GTEST_SKIP() << "no tail";
  const TempDir dir("krv_text_tail");
  const std::string long_line(5 << 20, 'x');
  const std::vector<std::string> inputs = {
      "",
      "one\ntwo\nthree",
      "a\r\nb\r\n\r\nc\r\n",
      "a\rb\rc\n",
      "\xEF\xBB\xBF"
      "first\nsecond\n",
      std::string("\xFF\xFE"
                  "a\0\r\0\n\0b\0\r\0\n\0",
                  14),
      long_line,
      long_line + "\nshort\n",
      ShortLines(3 << 20),
  };
  const char* counts[] = {"0", "1", "3", "2147483647"};
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string name = "in" + std::to_string(i);
    dir.Write(name, inputs[i]);
    for (const std::string n : counts) {
      const KrvRun tail = testing::RunProcess({"tail", "-n", n, name}, testing::InDir(dir.Path()));
      ASSERT_EQ(tail.status, 0) << tail.err;
      const KrvRun runs[] = {
          RunKrv(dir, "text tail -n " + n + " " + name),
          RunKrv(dir, "text tail -n " + n + " - < " + name),
          Shell(dir, "cat \"$1\" | \"$0\" text tail -n \"$2\"", {name, n}),
      };
      for (const KrvRun& r : runs) {
        EXPECT_EQ(r.status, 0) << name << " -n " << n << ": " << r.err;
        EXPECT_TRUE(r.out == tail.out) << name << " -n " << n << ": " << r.out.size()
                                       << " bytes, tail printed " << tail.out.size();
      }
    }
  }
#endif
}

// Lines longer than the 64 MiB window: tail through a pipe keeps them in temporary files; find
// reads a named file again to print the line, and fails naming the limit on a pipe.
TEST(KrvText, LinesLongerThanTheWindow) {
#ifdef _WIN32
  GTEST_SKIP() << "pipes are made with sh";
#else
  const TempDir dir("krv_text_long", testing::FastTempBase());
  // The first line is spilled to a temporary file and dropped again by tail; the second is
  // longer than the window.
  constexpr std::size_t kShort = 8 << 20, kLong = 65 << 20;
  const std::string text = std::string(kShort, 'x') + "\n" + std::string(kLong, 'y') + "END\r\nz\n";
  dir.Write("long", text);
  const KrvRun tail = Shell(dir, "cat long | \"$0\" text tail -n 2", {});
  EXPECT_EQ(tail.status, 0) << tail.err;
  EXPECT_TRUE(tail.out == text.substr(kShort + 1)) << tail.out.size() << " bytes";
  const std::string y_line = std::string(kLong, 'y') + "END\n";
  const std::string limit = "krv text: -: the line that holds TEXT is longer than the 64 MiB";
  struct Case {
    std::string command;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"\"$0\" text find END long", 0, std::to_string(kLong + 1) + ":" + y_line, ""},
      {"\"$0\" text find -i yEnD long", 0, std::to_string(kLong) + ":" + y_line, ""},
      {"\"$0\" text find z long", 0, "1:z\n", ""},
      {"cat long | \"$0\" text find END", 2, "", limit},
      {"\"$0\" text find END - < long", 2, "", limit},
  };
  for (const Case& c : cases) {
    const KrvRun r = Shell(dir, c.command, {});
    EXPECT_EQ(r.status, c.status) << c.command << ": " << r.err;
    EXPECT_TRUE(r.out == c.out) << c.command << ": " << r.out.size() << " bytes";
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.command;
  }
#endif
}

// find searches across the 1 MiB reading blocks, with and without -i.
TEST(KrvText, FindAcrossBlocks) {
  const TempDir dir("krv_text_find");
  constexpr std::size_t kBlock = 1 << 20;
  std::string line(3 * kBlock, 'a');
  const std::size_t at = kBlock - 2 - 6;  // "short\n" comes first: the match crosses the block end
  line.replace(at, 6, "Needle");
  dir.Write("one", "short\n" + line + "\r\nlast\n");
  const std::string found = std::to_string(at + 1) + ":" + line + "\n";
  struct Case {
    std::string args, input, out;
  };
  const Case cases[] = {
      {"text find Needle one", "", found},
      {"text find -i nEEDLE one", "", found},
      {"text find -i nEEDLE -", "short\n" + line, found},
      {"text find Needlea one", "", std::to_string(at + 1) + ":" + line + "\n"},
      {"text find Needleb one", "", ""},
      {"text find '' one", "", "1:short\n"},
      {"text find last one", "", "1:last\n"},
  };
  for (const Case& c : cases) {
    const KrvRun r = RunKrv(dir, c.args, c.input);
    EXPECT_EQ(r.status, c.out.empty() ? 1 : 0) << c.args << ": " << r.err;
    EXPECT_TRUE(r.out == c.out) << c.args << ": " << r.out.substr(0, 40);
  }
}

}  // namespace
}  // namespace krv
