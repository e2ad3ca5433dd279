// krv grep: selection, -o, the options grep users reach for, binary lines, errors and their
// exit status, a broken pipe, the progress line and the help page. The pattern dialect itself
// is tested with the library (tests/stringl/grep_test.cpp).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

const std::string kA =
    "first line ab12x\n"
    "Second LINE\r\n"
    "ab x and ab7x and AB99X\n"
    "caf\xc3\xa9 ab3x\n"        // UTF-8
    "caf\xe9 \xe9\xe9 ab4x\n";  // Windows-1252
const std::string kB = "nothing here\nab5x\n";

struct Case {
  const char* args;  // after "krv grep", in shell syntax
  std::string input;
  int status;
  std::string out;
  const char* err;  // the start of standard error
};

// clang-format off
const Case kCases[] = {
    {"-n 'ab[0-9]+x' a.txt", "", 0, "1:first line ab12x\n3:ab x and ab7x and AB99X\n"
                                    "4:caf\xc3\xa9 ab3x\n5:caf\xe9 \xe9\xe9 ab4x\n", ""},
    {"--count --ignore-case 'line$' a.txt", "", 0, "1\n", ""},  // CR LF ends line 2
    {"-vc ab a.txt", "", 0, "1\n", ""},
    {"-c ab5 a.txt b.txt", "", 0, "a.txt:0\nb.txt:1\n", ""},
    {"-h ab5 a.txt b.txt", "", 0, "ab5x\n", ""},
    {"-H ab12 a.txt", "", 0, "a.txt:first line ab12x\n", ""},
    {"zzz a.txt", "", 1, "", ""},
    {"-n 'o+' -", "foo\nbar\nboo\n", 0, "1:foo\n3:boo\n", ""},
    // -o: the matched text only, in whole characters, as the line's bytes.
    {"-o -i --positions 'ab[0-9]+x' a.txt", "", 0,
     "12-16:ab12x\n10-13:ab7x\n19-23:AB99X\n6-9:ab3x\n9-12:ab4x\n", ""},
    {"-on '\\#e9+' a.txt", "", 0, "4:\xc3\xa9\n5:\xe9\n5:\xe9\xe9\n", ""},
    {"-o 'a*'", "xyz\nxaay\n", 0, "aa\n", ""},
    {"-o --positions .", "\xf0\x9f\x98\x80x\xf0\x9f\x98\x81\n", 0,
     "1-2:\xf0\x9f\x98\x80\n3-3:x\n4-5:\xf0\x9f\x98\x81\n", ""},
    {"-c ''", "a\n\nb\n", 0, "3\n", ""},
    {"-o ''", "a\n", 0, "", ""},
    {"'b*$'", "abc\n", 1, "", ""},  // no empty match after the last character
    // The options grep users reach for; '--' ends them.
    {"-e ab5 -e first a.txt b.txt", "", 0, "a.txt:first line ab12x\nb.txt:ab5x\n", ""},
    {"-l ab a.txt b.txt -", "ab\n", 0, "a.txt\nb.txt\n(standard input)\n", ""},
    {"-q ab a.txt", "", 0, "", ""},
    {"--quiet zzz a.txt", "", 1, "", ""},
    {"-w ab", "ab x\nabc\nx_ab\n(ab)\n", 0, "ab x\n(ab)\n", ""},
    {"-ow --positions 'fo+'", "fo foo xfoo foo_ foo\n", 0, "1-2:fo\n4-6:foo\n18-20:foo\n", ""},
    {"-x 'ab?'", "a\nab\nabb\n", 0, "a\nab\n", ""},
    // A set or group left open and a lone final back slash are refused, with the place.
    {"-x 'a[b'", "ab\n", 2, "", "krv grep: pattern 'a[b': the set opened by '[' at character 2 "
                                "is not closed by ']'\n"},
    {"'\\#28a'", "a\n", 2, "", "krv grep: pattern '\\#28a': the group opened by '(' at character 1"},
    {"'a\\'", "a\\\n", 2, "", "krv grep: pattern 'a\\': the back slash at character 2 escapes"},
    {"'()' -", "a\n\n", 0, "a\n\n", ""},  // an empty group is closed: it matches everywhere
    {"-F 'a[b\\' -", "a[b\\\nab\n", 0, "a[b\\\n", ""},
    // -i with a negated set: the set's capitals are its small letters.
    {"-iw '[^a]'", "b\nA\nab\n", 0, "b\n", ""},
    {"-ix '[^b]'", "a\nB\n", 0, "a\n", ""},
    {"-q ab missing a.txt", "", 0, "", "krv grep: missing: No such file or directory\n"},
    // 64 tokens, one more with -w: the limit for -w is named.
    {"-w '^[a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a"
     "][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a"
     "][a][a][a][a][a][a][a]'", "", 2, "",
     "krv grep: pattern '^[a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a"
     "][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a][a"
     "][a][a][a][a][a][a][a]': too many tokens for -w (at most 63; it adds 1)\n"},
    {"-- -x", "a-x\n", 0, "a-x\n", ""},
    {"-e -x", "-x\n", 0, "-x\n", ""},
    {"'[a,]'", "b,\n", 0, "b,\n", ""},
    {"--frob x", "", 2, "", "krv grep: unknown option '--frob'\nTry 'krv grep --help'.\n"},
    // A selected line holding NUL bytes.
    {"a", std::string("a\0b\na\n", 6), 0, "Binary file (standard input) matches\n", ""},
    {"-a a", std::string("a\0b\n", 4), 0, std::string("a\0b\n", 4), ""},
    {"-c a", std::string("a\0b\na\n", 6), 0, "2\n", ""},
    // Errors: one message form, exit status 2, the other files still searched.
    {"'[]' a.txt", "", 2, "", "krv grep: pattern '[]': empty set\n"},
    {"", "", 2, "", "krv grep: no PATTERN given"},
    {"ab5 missing b.txt", "", 2, "b.txt:ab5x\n", "krv grep: missing: No such file or directory\n"},
    {"x .", "", 2, "", "krv grep: .: Is a directory\n"},
    {"x < .", "", 2, "", "krv grep: -: Is a directory\n"},
    {"ab a.txt >> a.txt", "", 2, "", "krv grep: a.txt and standard output are the same file\n"},
    {"ab a.txt > /dev/full", "", 2, "", "krv grep: write error: No space left on device\n"},
    {"-c ab a.txt > /dev/full", "", 2, "", "krv grep: write error: No space left on device\n"},
    {"x > /dev/full", "x\n", 2, "", "krv grep: write error: No space left on device\n"},
    // Lines picked by a literal or set found in the raw bytes; the lines skipped still count.
    {"-n include", "a\nb include\nc\n\nd include\ne", 0, "2:b include\n5:d include\n", ""},
    {"-c -i INCLUDE", "Include\nINCLUDE\nincl\nx inCLUDE\n", 0, "3\n", ""},
    {"-i 'a-b'", "A-B\na-c\nxa-b\n", 0, "A-B\nxa-b\n", ""},
    {"-c '[0-9]+'", "a\r\nb1\r\n\r\n2\n", 0, "2\n", ""},
    {"-n '[\\#0D]'", "a\r\nb\rc\n", 0, "2:b\rc\n", ""},  // not the CR of a line end
    {"-n include", std::string("x\ninclude\0\n", 11), 0, "Binary file (standard input) matches\n", ""},
    {"-o -n inc", "include inc\nx\ninc", 0, "1:inc\n1:inc\n3:inc\n", ""},
    {"-c '\\#e9'", "caf\xc3\xa9\ncaf\xe9\ncafe\n", 0, "2\n", ""},
};
// clang-format on

TEST(KrvGrep, TableOfCases) {
  const TempDir dir("krv_grep");
  int left_out = 0;
  for (const Case& c : kCases) {
    if (testing::LacksPosixDevice(c.args)) {
      ++left_out;
      continue;
    }
    dir.Write("a.txt", kA);
    dir.Write("b.txt", kB);
    const KrvRun r = RunKrv(dir, std::string("grep ") + c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
    EXPECT_EQ(dir.Read("a.txt"), kA) << c.args;
  }
  if (left_out > 0) GTEST_SKIP() << left_out << " rows need /dev files or a folder as input";
}

// Random text of the bytes the patterns below look at, with CR LF and bare CR, UTF-8 and
// Windows-1252 letters and NULs; long_lines gives some lines longer than a read block.
std::string RandomText(std::mt19937& rng, bool long_lines) {
  static const std::string kBytes[] = {"a",
                                       "b",
                                       "c",
                                       "A",
                                       "B",
                                       "-",
                                       "1",
                                       "7",
                                       " ",
                                       "\r",
                                       "\xc3\xa9",
                                       "\xe9",
                                       std::string(1, '\0'),
                                       "include"};
  std::string text;
  while (text.size() < 400000) {
    std::size_t length = rng() % 40;
    if (long_lines && rng() % 8 == 0) length = rng() % 40000;
    for (std::size_t i = 0; i < length; ++i) text += kBytes[rng() % std::size(kBytes)];
    text += rng() % 10 == 0 ? "\r\n" : "\n";
  }
  if (rng() % 2 == 0) text += "ab1c";  // a last line without its LF
  return text;
}

// krv runs several times slower under AddressSanitizer: there the comparison below takes
// every other pattern, which still covers each output path (the dev build takes them all).
#ifdef __SANITIZE_ADDRESS__
constexpr std::size_t kPatternStep = 2;
#else
constexpr std::size_t kPatternStep = 1;
#endif

// The lines found through raw bytes are those found by matching every decoded line, with
// the same numbers, matches and exit status.
TEST(KrvGrep, CandidateLinesSameAsEveryLine) {
  const TempDir dir("krv_grep_same");
  std::mt19937 rng(20261208);
  std::vector<std::string> files = {"short.txt", "long.txt"};
  dir.Write(files[0], RandomText(rng, false));
  dir.Write(files[1], RandomText(rng, true));
  for (const auto& e : std::filesystem::directory_iterator(KORVEX_SOURCE_DIR "/samples"))
    files.push_back(e.path().string());
  const char* patterns[] = {"ab",   "AB",    "a-b",      "include", "[0-9]+", "b[0-9]+",
                            "ab?c", "(ab)+", "[a\\#e9]", "\\#e9",   "x*",     "^ab",
                            "c$",   "[^a]b", "a.b",      "[\\#0D]", "e"};
  // One option set per output path (plain lines, matches, counts, names, whole lines,
  // inverted, binary lines printed): each run costs a process start, slow under sanitizers.
  const char* options[] = {"-n", "-in", "-on", "-wc", "-x", "-l", "-vc", "-a"};
  // All files in one run per pattern and option set, so the test spawns few processes.
  std::string operands;
  for (const std::string& file : files) operands += " '" + file + "'";
  for (std::size_t p = 0; p < std::size(patterns); p += kPatternStep) {
    const char* pattern = patterns[p];
    for (const char* option : options) {
      const std::string args = std::string("grep ") + option + " '" + pattern + "'" + operands;
      const KrvRun fast = RunKrv(dir, args);
      const testing::ScopedEnv every_line("KRV_GREP_EVERY_LINE", "1");
      const KrvRun every = RunKrv(dir, args);
      ASSERT_EQ(fast.status, every.status) << args << "\n" << fast.err;
      ASSERT_EQ(fast.out, every.out) << args;
    }
  }
}

// Lines are written with their own bytes (CR LF, Ctrl-Z), after names beyond ASCII.
// -r on several threads: the files in walk order (names sorted in each folder), each file's
// lines together, the same in every run; links are followed with -R only, and a link back to
// a folder above is reported, not followed for ever. Long lines streamed past the window.
TEST(KrvGrep, TreeSearchInStableOrder) {
  const TempDir dir("krv_grep_tree");
  std::string want;
  for (int a = 0; a < 6; ++a) {
    std::filesystem::create_directories(dir.Path() / "t" / ("d" + std::to_string(a)));
    for (int f = 0; f < 40; ++f) {
      const std::string name = "t/d" + std::to_string(a) + "/f" + std::to_string(100 + f);
      std::string text;
      for (int line = 0; line < 3; ++line) text += "x" + std::to_string(line) + "\n";
      dir.Write(name, text);
      for (int line = 0; line < 3; ++line)
        want += name + ":" + std::to_string(line + 1) + ":x" + std::to_string(line) + "\n";
    }
  }
  for (int run = 0; run < 3; ++run) {
    const KrvRun r = RunKrv(dir, "grep -rn x t");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out, want);
  }
#ifndef _WIN32
  std::filesystem::create_directory_symlink("..", dir.Path() / "t" / "d0" / "up");
  const KrvRun plain = RunKrv(dir, "grep -rc x0 t/d0");
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.out.find("up"), std::string::npos) << plain.out;
  const KrvRun follow = RunKrv(dir, "grep -Rl x0 t/d0");
  EXPECT_EQ(follow.status, 0);  // as in GNU grep, a warning
  EXPECT_NE(follow.err.find("t/d0/up/d0: warning: recursive directory loop"), std::string::npos)
      << follow.err;
  EXPECT_NE(follow.out.find("t/d0/up/d1/f100\n"), std::string::npos);
#endif
  // A line longer than the 32 MiB window: decided as it streams, printed by reading it again.
  std::string line(40 << 20, 'a');
  line += " needle";
  dir.Write("long.txt", "a\n" + line + "\nb\n");
  const KrvRun counted = RunKrv(dir, "grep -nc needle long.txt");
  EXPECT_EQ(counted.out, "1\n");
  const KrvRun printed = RunKrv(dir, "grep -n needle long.txt");
  EXPECT_EQ(printed.out.size(), line.size() + 3);
  EXPECT_EQ(printed.out.substr(0, 2), "2:");
  const KrvRun redirected = RunKrv(dir, "grep -c needle - < long.txt");  // a file all the same
  EXPECT_EQ(redirected.out, "1\n");
}

TEST(KrvGrep, OutputKeepsLineBytesAndNames) {
  const TempDir dir("krv_grep_bytes");
  std::ofstream(dir.Path() / u8"données_Ω.txt", std::ios::binary) << "one\r\ntwo x\r\n\x1a x\n";
  dir.Write("plain", "x\n");
  const KrvRun r = RunKrv(dir, "grep -n x données_Ω.txt plain");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "données_Ω.txt:2:two x\r\ndonnées_Ω.txt:3:\x1a x\nplain:1:x\n");
}

// FIFOs are read; files that cannot be opened give the operating system's reason.
TEST(KrvGrep, FifosAndUnreadableFiles) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has neither FIFOs nor read permission bits";
#else
  const TempDir dir("krv_grep_fifo");
  const std::string path = dir.File("fifo").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(path, std::ios::binary) << "x\ny\nx\n"; });
  const KrvRun fifo = RunKrv(dir, "grep -c x fifo");
  const int unblock = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);  // if krv never opened it
  writer.join();
  if (unblock >= 0) ::close(unblock);
  EXPECT_EQ(fifo.status, 0) << fifo.err;
  EXPECT_EQ(fifo.out, "2\n");
  if (testing::RunsAsRoot()) GTEST_SKIP() << "root reads files without read permission";
  dir.Write("locked", "x\n");
  std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::none);
  const KrvRun locked = RunKrv(dir, "grep x locked");
  EXPECT_EQ(locked.status, 2);
  EXPECT_EQ(locked.err, "krv grep: locked: Permission denied\n");
#endif
}

// With SIGPIPE ignored, grep stops at the first failed write instead of reading on: an
// endless input would otherwise run into the timeout.
TEST(KrvGrep, BrokenPipeEndsTheSearch) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no SIGPIPE to ignore";
#else
  // A shell builds the pipeline: an endless writer, krv, and a reader that leaves early.
  const TempDir dir("krv_grep_pipe");
  const KrvRun r = testing::RunProcess(
      {"sh", "-c",
       "trap '' PIPE && yes abc | { timeout 60 \"$0\" grep b 2> err; echo $? > status; } | "
       "head -n 1",
       testing::KrvPath()},
      testing::InDir(dir.Path()));
  EXPECT_EQ(r.out, "abc\n");
  EXPECT_EQ(dir.Read("status"), "2\n");
  EXPECT_EQ(dir.Read("err"), "krv grep: write error: Broken pipe\n");
#endif
}

// A progress line on a terminal (a pseudo-terminal made by script), none in a pipe or with -q.
TEST(KrvGrep, ProgressLineOnlyOnATerminal) {
  // script(1) gives the tool a pseudo-terminal and the slow input comes through a shell pipe:
  // neither exists on Windows.
  const std::optional<std::filesystem::path> script = testing::FindProgram("script");
  if (!script) GTEST_SKIP() << "script is absent: no pseudo-terminal to show progress on";
  const TempDir dir("krv_grep_progress");
  const std::string slow = "(printf 'abc\\n'; sleep 1; printf 'def\\n') | ";
  const testing::ProcessOptions in_dir = testing::InDir(dir.Path());
  auto on_terminal = [&](const std::string& options) {
    const std::string command = slow + "'" + testing::KrvPath() + "' grep " + options;
    return testing::RunProcess({script->string(), "-qec", command, "/dev/null"}, in_dir);
  };
  const KrvRun tty = on_terminal("-c b");
  EXPECT_NE(tty.out.find("\rkrv grep: -  8 B  "), std::string::npos) << tty.out;
  EXPECT_NE(tty.out.find("\r\033[K1"), std::string::npos) << tty.out;  // cleared first
  const KrvRun quiet = on_terminal("-q b");
  EXPECT_EQ(quiet.out.find("krv grep:"), std::string::npos) << quiet.out;
  const KrvRun pipe =
      testing::RunProcess({"sh", "-c", slow + "\"$0\" grep -c b", testing::KrvPath()}, in_dir);
  EXPECT_EQ(pipe.out, "1\n");
  EXPECT_EQ(pipe.err, "");
}

TEST(KrvGrep, HelpPage) {
  const TempDir dir("krv_grep_help");
  const KrvRun help = RunKrv(dir, "help grep");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(RunKrv(dir, "grep --help").out, help.out);
  EXPECT_EQ(help.out.rfind("usage: krv grep ", 0), 0u) << help.out;
  for (const char* part : {"\nEXIT STATUS\n  0  ", "\n  1  no line", "\nEXAMPLES\n  krv grep ",
                           "'b*$'", "empty pattern", "-w, --word-regexp", "Binary file NAME"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  if (testing::LacksPosixDevice("/dev/full")) GTEST_SKIP() << "no /dev/full to refuse writes";
  EXPECT_EQ(RunKrv(dir, "help grep > /dev/full").status, 2);
}

}  // namespace
}  // namespace krv
