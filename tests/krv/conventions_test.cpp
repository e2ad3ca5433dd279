// The conventions every krv command shares: the same-file refusal, checked standard output,
// the operating system's reasons in one message form, exit status 2 for every error, output
// files left untouched by a failure, and help pages with EXIT STATUS and EXAMPLES.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

const char kData[] = "some bytes\nthat must survive\n";
const char kKeep[] = "a good old output\n";

struct Case {
  const char* args;  // after "krv", in shell syntax
  int status;
  const char* err;  // the start of standard error
};

// clang-format off
const Case kCases[] = {
    // An output that is an input is refused before anything is written.
    {"sum data >> data", 0, "krv sum: data: skipped: it is the output\n"},
    {"rle encode data -o data", 2, "krv rle: data and data are the same file\n"},
    {"rle decode -o data < data", 2, "krv rle: standard input and data are the same file\n"},
    {"ascii85 encode data -o link", 2, "krv ascii85: data and link are the same file\n"},
    {"ascii85 decode -o keep keep", 2, "krv ascii85: keep and keep are the same file\n"},
    // Every write is checked, help pages and the version included.
    {"sum data > /dev/full", 2, "krv sum: write error: No space left on device\n"},
    {"sum -c sums > /dev/full", 2, "krv sum: write error: No space left on device\n"},
    {"rle encode data > /dev/full", 2, "krv rle: write error: No space left on device\n"},
    {"rle encode data -o /dev/full", 2, "krv rle: /dev/full: write error: No space left"},
    {"ascii85 encode data > /dev/full", 2, "krv ascii85: write error: No space left"},
    {"ascii85 encode --adobe data > /dev/full", 2, "krv ascii85: write error: No space left"},
    {"tables months > /dev/full", 2, "krv tables: write error: No space left on device\n"},
    {"--version > /dev/full", 2, "krv: write error: No space left on device\n"},
    {"--help > /dev/full", 2, "krv: write error: No space left on device\n"},
    {"help sum > /dev/full", 2, "krv: write error: No space left on device\n"},
    {"rle --help > /dev/full", 2, "krv rle: write error: No space left on device\n"},
    {"ascii85 encode data -o /dev/null", 0, ""},
    // Inputs: the operating system's reason, one message form, exit status 2.
    {"sum .", 2, "krv sum: .: Is a directory\n"},
    {"sum < .", 2, "krv sum: -: Is a directory\n"},
    {"rle encode . -o keep", 2, "krv rle: .: Is a directory\n"},
    {"ascii85 decode missing -o keep", 2, "krv ascii85: missing: No such file or directory\n"},
    {"rle encode data -o nodir/out", 2, "krv rle: nodir/out: No such file or directory\n"},
    {"rle encode data -o .", 2, "krv rle: .: Is a directory\n"},
    // A failure leaves an output file as it was.
    {"rle decode cut -o keep", 2, "krv rle: cut: the input ends inside a run (0xA5 n v)\n"},
    {"ascii85 decode data -o keep", 2, "krv ascii85: data: malformed ASCII85 text"},
    // Options: named when unknown, '--' ends them, the output goes after -o.
    {"sum --md5 data", 2, "krv sum: unknown option '--md5'\nTry 'krv sum --help'.\n"},
    {"tables -x", 2, "krv tables: unknown option '-x'\n"},
    {"rle encode data keep", 2, "krv rle: one input only; name the output with -o FILE\n"},
    {"rle squash data", 2, "krv rle: MODE: invalid value 'squash' (choose encode or decode)\n"},
    {"sum -- -dash", 0, ""},
    {"rle encode -o - -- -dash", 0, ""},
    {"files copy data link", 2, "krv files: data and link are the same file\n"},
    {"files copy --windows-names data DATA", 2, "krv files: data and DATA are the same file\n"},
    {"files count 'd*' > /dev/full", 2, "krv files: write error: No space left on device\n"},
    {"files list 'd*' > /dev/full", 2, "krv files: write error: No space left on device\n"},
    {"files copy missing keep", 2, "krv files: missing: No such file or directory\n"},
    {"files copy data keep/x", 2, "krv files: keep/x: Not a directory\n"},
    {"files count nodir/x", 2, "krv files: nodir/x: No such file or directory\n"},
    {"files count --frob x", 2, "krv files count: unknown option '--frob'\n"},
    {"frob", 2, "krv: unknown command 'frob'"},
    {"", 2, "krv: no command given"},
    {"color show Red > /dev/full", 2, "krv color: write error: No space left on device\n"},
    {"color scale -o /dev/full", 2, "krv color: /dev/full: write error: No space left"},
    {"color scale -o nodir/out", 2, "krv color: nodir/out: No such file or directory\n"},
    {"color scale --size 0 -o keep", 2, "krv color scale: --size: '0' is not a whole number"},
    {"color show '#12'", 2, "krv color: #12: expected 6 hexadecimal digits after '#'"},
    {"color scale --bogus", 2, "krv color scale: unknown option '--bogus'\n"
                               "Try 'krv color scale --help'.\n"},
    {"cpu -d 1 > /dev/full", 2, "krv cpu: write error: No space left on device\n"},
    {"cpu -d 1 -o .", 2, "krv cpu: .: Is a directory\n"},
    {"cpu --frob", 2, "krv cpu: unknown option '--frob'\n"},
    {"password -c 3 > /dev/full", 2, "krv password: write error: No space left on device\n"},
    {"password -o /dev/full", 2, "krv password: /dev/full: write error: No space left"},
    {"password -c 2 -o nodir/out", 2, "krv password: nodir/out: No such file or directory\n"},
    {"password -c 0 -o keep", 2, "krv password: --count: '0' is not a whole number from 1 to "
                                 "10000000\nTry 'krv password --help'.\n"},
    {"text crlf data link", 2, "krv text: data and link are the same file\n"},
    {"text find x data >> data", 2, "krv text: data and standard output are the same file\n"},
    {"text lines data > /dev/full", 2, "krv text: write error: No space left on device\n"},
    {"text crlf data /dev/full", 2, "krv text: /dev/full: write error: No space left"},
    {"text tail < .", 2, "krv text: -: Is a directory\n"},
    {"text crlf missing keep", 2, "krv text: missing: No such file or directory\n"},
    {"text asc data", 2, "krv text: data: line 2 is not a number (status -1)\n"},
    {"text find --bogus x data", 2, "krv text find: unknown option '--bogus'\n"},
    {"sys drives > /dev/full", 2, "krv sys: write error: No space left on device\n"},
    {"sys dirs -o /dev/full", 2, "krv sys: /dev/full: write error: No space left"},
    {"sys env HOME -o nodir/out", 2, "krv sys: nodir/out: No such file or directory\n"},
    {"sys free -o .", 2, "krv sys: .: Is a directory\n"},
    {"sys dirs --frob", 2, "krv sys dirs: unknown option '--frob'\n"},
    {"html fill data -o data", 2, "krv html: data and data are the same file\n"},
    {"html fill --values keep data -o keep", 2, "krv html: keep and keep are the same file\n"},
    {"html fill data >> data", 2, "krv html: data and standard output are the same file\n"},
    {"html words data > /dev/full", 2, "krv html: write error: No space left on device\n"},
    {"html fill data -o /dev/full", 2, "krv html: /dev/full: write error: No space left"},
    {"html words .", 2, "krv html: .: Is a directory\n"},
    {"html fill --frob data", 2, "krv html fill: unknown option '--frob'\n"},
    {"url encode x > /dev/full", 2, "krv url: write error: No space left on device\n"},
    {"url decode - < .", 2, "krv url: -: Is a directory\n"},
    {"url encode --frob x", 2, "krv url encode: unknown option '--frob'\n"},
    {"marks -o /dev/full", 2, "krv marks: /dev/full: write error: No space left"},
    {"marks -o - > /dev/full", 2, "krv marks: write error: No space left on device\n"},
    {"marks -o nodir/m.png", 2, "krv marks: nodir/m.png: No such file or directory\n"},
    {"marks --size 65 -o keep", 2, "krv marks: --size: '65' is not a whole number from 0 to 64\n"},
    {"marks --frob -o keep", 2, "krv marks: unknown option '--frob'\n"},
    {"color scale -o nodir/s.png", 2, "krv color: nodir/s.png: No such file or directory\n"},
    {"label show " KORVEX_SOURCE_DIR "/samples/chart-labels.xml > /dev/full", 2, "krv label: write error: No space left on device\n"},
    {"label show .", 2, "krv label: .: Is a directory\n"},
    {"label show - < .", 2, "krv label: -: Is a directory\n"},
    {"label show data", 2, "krv label: data: not a label file"},
    {"label show --frob data", 2, "krv label show: unknown option '--frob'\n"},
};
// clang-format on

TEST(KrvConventions, TableOfCases) {
  const TempDir dir("krv_conventions");
  int left_out = 0;
  for (const Case& c : kCases) {
    if (testing::LacksPosixDevice(c.args)) {
      ++left_out;
      continue;
    }
    dir.Write("data", kData);
    dir.Write("keep", kKeep);
    dir.Write("cut", std::string("\x01\xA5", 2));
    dir.Write("-dash", "x");
    dir.Write("sums", "CBF43926  data\n");
    std::filesystem::remove(dir.File("link"));
    std::error_code no_link;  // Windows makes symbolic links only with a privilege
    std::filesystem::create_symlink("data", dir.File("link"), no_link);
    if (no_link && std::string_view(c.args).find("link") != std::string_view::npos) {
      ++left_out;
      continue;
    }
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.substr(0, std::string(c.err).size()), c.err) << c.args;
    EXPECT_EQ(dir.Read("data"), kData) << c.args;
    EXPECT_EQ(dir.Read("keep"), kKeep) << c.args;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      EXPECT_EQ(entry.path().filename().string().find(".krv-"), std::string::npos)
          << c.args << ": a temporary file was left: " << entry.path();
  }
  if (left_out > 0)
    GTEST_SKIP() << left_out << " rows need /dev files, a folder as input or a symbolic link";
}

// With SIGPIPE ignored, a command stops at the first failed write instead of reading on.
TEST(KrvConventions, BrokenPipeEndsTheCommand) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no SIGPIPE to ignore";
#else
  // A shell builds the pipeline: krv on an endless input and a reader that leaves early.
  const TempDir dir("krv_conventions_pipe");
  const std::string cmd =
      "trap '' PIPE && { \"$0\" rle encode /dev/zero 2> err; echo $? > status; } | head -c 1";
  ASSERT_EQ(
      testing::RunProcess({"sh", "-c", cmd, testing::KrvPath()}, testing::InDir(dir.Path())).status,
      0);
  EXPECT_EQ(dir.Read("status"), "2\n");
  EXPECT_EQ(dir.Read("err"), "krv rle: write error: Broken pipe\n");
#endif
}

// Usage errors in krv's own words: "krv CMD [MODE]: reason", then the line that points to the
// page of the command or mode, exit status 2. One row per kind of failed parse.
// clang-format off
const Case kUsageCases[] = {
    // Whole numbers: the option, the value as given and the range, written as a person would.
    {"color scale --levels -1", 2, "krv color scale: --levels: '-1' is not a whole number from 0 to 2147483647\nTry 'krv color scale --help'.\n"},
    {"color scale --levels 3000000000", 2, "krv color scale: --levels: '3000000000' is not a whole number from 0 to 2147483647\n"},
    {"color scale --levels abc", 2, "krv color scale: --levels: 'abc' is not a whole number from 0 to 2147483647\n"},
    {"color scale --size 1e3", 2, "krv color scale: --size: '1e3' is not a whole number from 1 to 33554432\n"},
    {"cpu -d 0x10", 2, "krv cpu: --delay: '0x10' is not a whole number from 1 to 60000\nTry 'krv cpu --help'.\n"},
    {"cpu --delay=", 2, "krv cpu: option '--delay' needs a value\n"},
    {"ascii85 encode -w -1", 2, "krv ascii85: --wrap: '-1' is not a whole number from 0 to 1073741824\n"},
    {"features show --rows 1.5", 2, "krv features show: --rows: '1.5' is not a whole number of 0 or more\n"},
    {"text tail -n -1", 2, "krv text tail: --lines: '-1' is not a whole number from 0 to 2147483647\nTry 'krv text tail --help'.\n"},
    // An option without its value, or given twice; a flag given a value.
    {"color scale --levels", 2, "krv color scale: option '--levels' needs a value\nTry 'krv color scale --help'.\n"},
    {"ascii85 encode -w", 2, "krv ascii85: option '--wrap' needs a value\n"},
    {"color scale -o", 2, "krv color scale: option '--output' needs a value\n"},
    {"color scale --palette geo1 --palette geo2", 2, "krv color scale: option '--palette' may be given only once\n"},
    {"color scale --quiet=abc", 2, "krv color scale: option '--quiet' takes no value\n"},
    // Choices.
    {"color scale --palette ocean", 2, "krv color scale: --palette: invalid value 'ocean' (choose rainbow, geo1, geo2, geo3, circle, morgenstemning or contrast)\n"},
    {"sum --crc16=kermit data", 2, "krv sum: --crc16: invalid value 'kermit' (choose xmodem or ccitt)\nTry 'krv sum --help'.\n"},
    {"html words --encoding=latin1 data", 2, "krv html words: --encoding: invalid value 'latin1' (choose auto, utf-8 or windows-1252)\n"},
    {"ascii85 squash data", 2, "krv ascii85: MODE: invalid value 'squash' (choose encode or decode)\nTry 'krv ascii85 --help'.\n"},
    // Operands and modes.
    {"rle", 2, "krv rle: missing MODE operand\nTry 'krv rle --help'.\n"},
    {"files copy data", 2, "krv files copy: missing DEST operand after 'data'\nTry 'krv files copy --help'.\n"},
    {"files copy data keep more", 2, "krv files copy: extra operand 'more'\n"},
    {"files copy data keep -- -dash", 2, "krv files copy: extra operand '-dash'\n"},
    {"color", 2, "krv color: no mode given (choose show, scale or names)\nTry 'krv color --help'.\n"},
    {"color paint", 2, "krv color: unknown mode 'paint' (choose show, scale or names)\nTry 'krv color --help'.\n"},
    {"color --frob", 2, "krv color: unknown option '--frob'\nTry 'krv color --help'.\n"},
    // What the checks accept: decimal with a sign and leading zeros, choices in any case
    // where the option says so.
    {"password -c 010 -o /dev/null", 0, ""},
    {"password -c +3 -n 007 -o /dev/null", 0, ""},
    {"color scale --palette GEO1 --size 2 -o /dev/null", 0, ""},
};
// clang-format on

TEST(KrvConventions, UsageErrorsInKrvsWords) {
  const TempDir dir("krv_conventions_usage");
  dir.Write("data", kData);
  dir.Write("keep", kKeep);
  for (const Case& c : kUsageCases) {
    if (testing::LacksPosixDevice(c.args)) continue;
    const KrvRun r = RunKrv(dir, c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.substr(0, std::string(c.err).size()), c.err) << c.args;
    if (c.status == 0) {
      EXPECT_EQ(r.err, "") << c.args;
    }
  }
  // "010" is ten, not eight.
  const std::string ten = RunKrv(dir, "password -c 010").out;
  EXPECT_EQ(std::count(ten.begin(), ten.end(), '\n'), 10);
}

// Bad command lines of every kind, for every command: exit status 2, one message of krv's
// and the line that points to the page, none of CLI11's words.
std::vector<std::string> BadCommandLines() {
  std::vector<std::string> lines;
  const char* const numbers[] = {
      "color scale --levels", "color scale --size", "cpu --delay",
      "password --count",     "password --length",  "features show --rows",
      "text tail -n",         "ascii85 encode -w",  "marks --size"};
  for (const std::string n : numbers) {
    for (const char* value : {"-1", "99999999999999999999", "abc", "1e3", "0x10", "''", "1.5"})
      lines.push_back(n + " " + value);
    lines.push_back(n);                                              // no value
    lines.push_back(n + " 1 " + n.substr(n.rfind(' ') + 1) + " 1");  // given twice
  }
  for (const char* choice : {"color scale --palette", "features from-csv --encoding",
                             "html words --encoding", "rle", "ascii85"}) {
    lines.push_back(std::string(choice) + " bogus");
    lines.push_back(std::string(choice) + " ''");
  }
  lines.push_back("sum --crc16=bogus");
  for (const char* command :
       {"color", "features", "files", "text", "html", "sys", "url", "label"}) {
    lines.push_back(command);  // no mode
    lines.push_back(std::string(command) + " frob");
    lines.push_back(std::string(command) + " --frob");
  }
  for (const char* command :
       {"sum", "grep x", "rle encode", "ascii85 decode", "tables", "cpu", "password", "marks",
        "color scale", "files copy", "text tail", "features show", "sys dirs", "html fill",
        "url decode x", "label show"})
    lines.push_back(std::string(command) + " --frob");
  for (const char* missing : {"color show", "files copy", "files copy a", "files count",
                              "files deltree", "files trash", "sys env", "text crlf"})
    lines.push_back(missing);
  for (const char* extra : {"files copy a b c", "features show a b", "color show a b",
                            "color names x", "files deltree a b"})
    lines.push_back(extra);
  for (const char* flag :
       {"color scale --quiet=abc", "files count --recursive=x y", "features show --strict=maybe"})
    lines.push_back(flag);
  return lines;
}

TEST(KrvConventions, NoTextOfCli11Survives) {
  const TempDir dir("krv_conventions_cli11");
  const char* const cli11[] = {"could not convert",
                               "Could not convert",
                               "not in range",
                               "required",
                               "A subcommand",
                               "Value ",
                               "[",
                               "INT",
                               "TEXT",
                               "FLOAT",
                               "Expected",
                               "At Most",
                               "following argument",
                               "{"};
  for (const std::string& line : BadCommandLines()) {
    const KrvRun r = RunKrv(dir, line);
    EXPECT_EQ(r.status, 2) << line << "\n" << r.err;
    for (const char* phrase : cli11)
      EXPECT_EQ(r.err.find(phrase), std::string::npos) << line << "\n" << r.err;
    // "krv WORDS: reason\nTry 'krv WORDS --help'.\n", the same WORDS in both lines.
    const std::size_t colon = r.err.find(": ");
    const std::size_t eol = r.err.find('\n');
    ASSERT_TRUE(colon != std::string::npos && eol != std::string::npos && colon < eol)
        << line << "\n"
        << r.err;
    const std::string words = r.err.substr(0, colon);
    EXPECT_EQ(words.rfind("krv ", 0), 0u) << line;
    EXPECT_EQ(r.err.substr(eol + 1), "Try '" + words + " --help'.\n") << line << "\n" << r.err;
    EXPECT_EQ(line.rfind(words.substr(4), 0), 0u) << line << "\n" << r.err;  // the mode named
  }
}

// `krv help CMD` and `krv CMD --help` print the same page, with EXIT STATUS and EXAMPLES.
TEST(KrvConventions, HelpPages) {
  const TempDir dir("krv_conventions_help");
  for (const std::string cmd :
       {"sum", "ascii85", "rle", "tables", "grep", "features", "color", "cpu", "password", "files",
        "text", "sys", "html", "url", "marks", "label"}) {
    const KrvRun help = RunKrv(dir, "help " + cmd);
    const KrvRun option = RunKrv(dir, cmd + " --help");
    EXPECT_EQ(help.status, 0) << cmd;
    EXPECT_EQ(option.status, 0) << cmd;
    EXPECT_EQ(help.out, option.out) << cmd;
    EXPECT_EQ(help.out.rfind("usage: krv " + cmd, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\nEXIT STATUS\n  0  "), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("\nEXAMPLES\n  krv " + cmd), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find(" \n"), std::string::npos) << help.out;  // no line ends in a blank
    EXPECT_NE(RunKrv(dir, "--help").out.find("\n  " + cmd + " "), std::string::npos) << cmd;
  }
}

}  // namespace
}  // namespace krv
