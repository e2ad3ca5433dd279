// The test helpers that run krv without a shell: command lines taken apart, standard streams
// redirected, exit statuses and the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_support/process.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

TEST(ParseKrvCommand, WordsQuotesAndRedirections) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
    const char *in, *out;
    bool append;
  };
  const Case cases[] = {
      {"", {}, "", "", false},
      {"  sum  -c\tx ", {"sum", "-c", "x"}, "", "", false},
      {"a 'b c' \"d e\" f\\ g", {"a", "b c", "d e", "f g"}, "", "", false},
      {"'*.TXT' \"a\\\"b\\\\c\" 'x\"y'", {"*.TXT", "a\"b\\c", "x\"y"}, "", "", false},
      {"\"C:\\dir\\f\"", {"C:\\dir\\f"}, "", "", false},
      {"'' x", {"", "x"}, "", "", false},
      {"sum data > out", {"sum", "data"}, "", "out", false},
      {"sum data >> out", {"sum", "data"}, "", "out", true},
      {"rle decode -o data < data", {"rle", "decode", "-o", "data"}, "data", "", false},
      {"a <in >out", {"a"}, "in", "out", false},
      {"a '>' \">>\"", {"a", ">", ">>"}, "", "", false},
  };
  for (const Case& c : cases) {
    const std::optional<testing::KrvCommand> cmd = testing::ParseKrvCommand(c.line);
    ASSERT_TRUE(cmd) << c.line;
    EXPECT_EQ(cmd->args, c.args) << c.line;
    EXPECT_EQ(cmd->options.in_file.string(), c.in) << c.line;
    EXPECT_EQ(cmd->options.out_file.string(), c.out) << c.line;
    EXPECT_EQ(cmd->options.append, c.append) << c.line;
  }
  for (const char* shell : {"a | b", "a && b", "a; b", "a 2> err", "\"$KRV\"", "$X", "a *.txt",
                            "a >", "a > > b", "a << x", "'open", "\"open", "a `b`", "(a)"})
    EXPECT_FALSE(testing::ParseKrvCommand(shell)) << shell;
}

TEST(RunProcess, StreamsStatusAndWorkingFolder) {
  const TempDir dir("process_krv");
  dir.Write("data", std::string("a\0b\r\n", 5));
  // Binary standard input and output pass unchanged (rle round trip through both).
  const std::string bytes("\x00\x01\xA5\xA5\r\n\x1A\xFF", 8);
  const KrvRun enc = RunKrv(dir, "rle encode", bytes);
  ASSERT_EQ(enc.status, 0) << enc.err;
  EXPECT_EQ(RunKrv(dir, "rle decode", enc.out).out, bytes);
  // Relative names are taken in the working folder; standard output to a file or appended.
  EXPECT_EQ(RunKrv(dir, "rle encode data > out").status, 0);
  EXPECT_EQ(RunKrv(dir, "rle decode < out").out, dir.Read("data"));
  EXPECT_EQ(RunKrv(dir, "rle encode data >> out").status, 0);
  EXPECT_EQ(dir.Read("out").size(), 2 * RunKrv(dir, "rle encode data").out.size());
  // Exit status and standard error.
  const KrvRun bad = RunKrv(dir, "rle frob");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("krv rle"), std::string::npos) << bad.err;
  EXPECT_EQ(testing::RunProcess({(dir.Path() / "no-such-program").string()}).status, -1);
  // A program named relative to the test's own folder still runs in another working folder.
  // (With a folder part: a bare name would be looked up on PATH.)
  std::filesystem::path rel = std::filesystem::relative(testing::KrvPath());
  if (!rel.has_parent_path()) rel = "." / rel;
  const std::string relative = rel.string();
  const KrvRun version = testing::RunProcess({relative, "--version"}, testing::InDir(dir.Path()));
  EXPECT_EQ(version.status, 0) << relative << "\n" << version.err;
  EXPECT_EQ(testing::RunProcess({}).status, -1);
}

TEST(ScopedEnv, SetsRemovesAndRestores) {
  const char* name = "KORVEX_PROCESS_TEST_VAR";
  ASSERT_EQ(std::getenv(name), nullptr);
  {
    const testing::ScopedEnv set(name, "one");
    EXPECT_STREQ(std::getenv(name), "one");
    {
      const testing::ScopedEnv removed(name, std::nullopt);
      EXPECT_EQ(std::getenv(name), nullptr);
    }
    EXPECT_STREQ(std::getenv(name), "one");
    const TempDir dir("process_env");
    EXPECT_EQ(RunKrv(dir, "sys env korvex_process_test_var").out, "one\n");
  }
  EXPECT_EQ(std::getenv(name), nullptr);
}

TEST(FindProgram, FindsWhatIsOnThePath) {
  EXPECT_FALSE(testing::FindProgram("korvex-no-such-program"));
  const std::filesystem::path krv = testing::KrvPath();
  const testing::ScopedEnv path("PATH", krv.parent_path().string());
  // By its stem: the tool may be started through a wrapper (krv-emulated under qemu).
  const std::optional<std::filesystem::path> found = testing::FindProgram(krv.stem().string());
  ASSERT_TRUE(found);
  EXPECT_TRUE(std::filesystem::equivalent(*found, krv));
}

}  // namespace
}  // namespace krv
