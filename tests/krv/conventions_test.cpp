// The conventions every krv command shares: the same-file refusal, checked standard output,
// the operating system's reasons in one message form, exit status 2 for every error, output
// files left untouched by a failure, and help pages with EXIT STATUS and EXAMPLES.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

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
    {"sum data >> data", 2, "krv sum: data and standard output are the same file\n"},
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
    {"rle squash data", 2, "krv rle: MODE: squash not in {encode,decode}\n"},
    {"sum -- -dash", 0, ""},
    {"rle encode -o - -- -dash", 0, ""},
    {"files copy data link", 2, "krv files: data and link are the same file\n"},
    {"files copy --windows-names data DATA", 2, "krv files: data and DATA are the same file\n"},
    {"files count 'd*' > /dev/full", 2, "krv files: write error: No space left on device\n"},
    {"files list 'd*' > /dev/full", 2, "krv files: write error: No space left on device\n"},
    {"files copy missing keep", 2, "krv files: missing: No such file or directory\n"},
    {"files copy data keep/x", 2, "krv files: keep/x: Not a directory\n"},
    {"files count nodir/x", 2, "krv files: nodir/x: No such file or directory\n"},
    {"files count --frob x", 2, "krv files: unknown option '--frob'\n"},
    {"frob", 2, "krv: unknown command 'frob'"},
    {"", 2, "krv: no command given"},
    {"color show Red > /dev/full", 2, "krv color: write error: No space left on device\n"},
    {"color scale -o /dev/full", 2, "krv color: /dev/full: write error: No space left"},
    {"color scale -o nodir/out", 2, "krv color: nodir/out: No such file or directory\n"},
    {"color scale --size 0 -o keep", 2, "krv color: --size: Value 0 not in range"},
    {"color show '#12'", 2, "krv color: #12: expected 6 hexadecimal digits after '#'"},
    {"color scale --bogus", 2, "krv color: unknown option '--bogus'\nTry 'krv color --help'.\n"},
    {"cpu -d 1 > /dev/full", 2, "krv cpu: write error: No space left on device\n"},
    {"cpu -d 1 -o .", 2, "krv cpu: .: Is a directory\n"},
    {"cpu --frob", 2, "krv cpu: unknown option '--frob'\n"},
    {"password -c 3 > /dev/full", 2, "krv password: write error: No space left on device\n"},
    {"password -o /dev/full", 2, "krv password: /dev/full: write error: No space left"},
    {"password -c 2 -o nodir/out", 2, "krv password: nodir/out: No such file or directory\n"},
    {"password -c 0 -o keep", 2, "krv password: "},
    {"text crlf data link", 2, "krv text: data and link are the same file\n"},
    {"text find x data >> data", 2, "krv text: data and standard output are the same file\n"},
    {"text lines data > /dev/full", 2, "krv text: write error: No space left on device\n"},
    {"text crlf data /dev/full", 2, "krv text: /dev/full: write error: No space left"},
    {"text tail < .", 2, "krv text: -: Is a directory\n"},
    {"text crlf missing keep", 2, "krv text: missing: No such file or directory\n"},
    {"text asc data", 2, "krv text: data: line 2 is not a number (status -1)\n"},
    {"text find --bogus x data", 2, "krv text: unknown option '--bogus'\n"},
    {"sys drives > /dev/full", 2, "krv sys: write error: No space left on device\n"},
    {"sys dirs -o /dev/full", 2, "krv sys: /dev/full: write error: No space left"},
    {"sys env HOME -o nodir/out", 2, "krv sys: nodir/out: No such file or directory\n"},
    {"sys free -o .", 2, "krv sys: .: Is a directory\n"},
    {"sys dirs --frob", 2, "krv sys: unknown option '--frob'\n"},
    {"html fill data -o data", 2, "krv html: data and data are the same file\n"},
    {"html fill --values keep data -o keep", 2, "krv html: keep and keep are the same file\n"},
    {"html fill data >> data", 2, "krv html: data and standard output are the same file\n"},
    {"html words data > /dev/full", 2, "krv html: write error: No space left on device\n"},
    {"html fill data -o /dev/full", 2, "krv html: /dev/full: write error: No space left"},
    {"html words .", 2, "krv html: .: Is a directory\n"},
    {"html fill --frob data", 2, "krv html: unknown option '--frob'\n"},
    {"url encode x > /dev/full", 2, "krv url: write error: No space left on device\n"},
    {"url decode - < .", 2, "krv url: -: Is a directory\n"},
    {"url encode --frob x", 2, "krv url: unknown option '--frob'\n"},
    {"marks -o /dev/full", 2, "krv marks: /dev/full: write error: No space left"},
    {"marks -o - > /dev/full", 2, "krv marks: write error: No space left on device\n"},
    {"marks -o nodir/m.png", 2, "krv marks: nodir/m.png: No such file or directory\n"},
    {"marks --size 65 -o keep", 2, "krv marks: --size: Value 65 not in range"},
    {"marks --frob -o keep", 2, "krv marks: unknown option '--frob'\n"},
    {"color scale -o nodir/s.png", 2, "krv color: nodir/s.png: No such file or directory\n"},
    {"label show " KORVEX_SOURCE_DIR "/samples/chart-labels.xml > /dev/full", 2, "krv label: write error: No space left on device\n"},
    {"label show .", 2, "krv label: .: Is a directory\n"},
    {"label show - < .", 2, "krv label: -: Is a directory\n"},
    {"label show data", 1, "krv label: data: no label element\n"},
    {"label show --frob data", 2, "krv label: unknown option '--frob'\n"},
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
