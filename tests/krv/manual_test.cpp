// The man page: docs/krv.1 is what `krv help --man` prints, byte for byte; it has a section
// with exit status and examples for every command and help text for every option; groff reads
// it without a warning and man shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

const char kManPage[] = KORVEX_SOURCE_DIR "/docs/krv.1";

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Where the host's groff and man cannot be run from the test: the Windows and 32-bit x86
// builds are cross builds whose tests run under an emulator.
std::optional<std::string> NoHostTools() {
#if defined(_WIN32) || defined(__i386__)
  return "a cross build (Windows or 32-bit x86) runs under an emulator, without the host's "
         "groff and man; the native build checks the page";
#else
  return std::nullopt;
#endif
}

TEST(KrvManual, DocsPageIsTheGeneratedOne) {
  const TempDir dir("krv_manual");
  const KrvRun r = RunKrv(dir, "help --man");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string committed = ReadFile(kManPage);
  if (committed == r.out) return;
  const std::vector<std::string> want = SplitLines(r.out), have = SplitLines(committed);
  std::size_t line = 0;
  while (line < want.size() && line < have.size() && want[line] == have[line]) ++line;
  ADD_FAILURE() << "docs/krv.1 is not what `krv help --man` prints (first difference at line "
                << line + 1 << ":\n  docs/krv.1: " << (line < have.size() ? have[line] : "(end)")
                << "\n  krv:        " << (line < want.size() ? want[line] : "(end)")
                << ")\nRegenerate it from the build folder:\n"
                   "  tools/krv/krv help --man > "
                << kManPage;
}

// Every command has a section; every command and mode has its exit status and examples;
// every tagged paragraph (option, exit status) has its text.
TEST(KrvManual, EveryCommandAndOptionIsDescribed) {
  const TempDir dir("krv_manual_parts");
  const std::vector<std::string> lines = SplitLines(RunKrv(dir, "help --man").out);
  std::vector<std::string> commands;  // from the list under "Commands:" in `krv --help`
  bool listed = false;
  for (const std::string& line : SplitLines(RunKrv(dir, "--help").out)) {
    if (listed && line.empty()) break;
    if (listed) commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    listed = listed || line == "Commands:";
  }
  ASSERT_GE(commands.size(), 10u);
  for (const std::string& cmd : commands)
    EXPECT_NE(std::find(lines.begin(), lines.end(), ".SH \"krv " + cmd + "\""), lines.end())
        << "no section for " << cmd;
  std::size_t sections = 0, exit_lists = 0, example_lists = 0;
  for (std::size_t i = 0; i + 4 < lines.size(); ++i) {
    const std::string& l = lines[i];
    sections += l.rfind(".SH \"krv ", 0) == 0 || l.rfind(".SS \"krv ", 0) == 0;
    // A command's headings are subsections, a mode's bold paragraphs.
    if (l == ".SS Exit status" || l == "\\fBExit status\\fR") {
      ++exit_lists;
      EXPECT_EQ(lines[i + 1], ".TP") << "an empty exit status list at line " << i + 1;
    }
    if (l == ".SS Examples" || l == "\\fBExamples\\fR") {
      ++example_lists;
      EXPECT_NE(lines[i + 4], ".RE") << "no examples at line " << i + 1;
    }
    if (l == ".TP") {
      EXPECT_FALSE(lines[i + 2].empty() || lines[i + 2][0] == '.')
          << "no text for " << lines[i + 1];
    }
  }
  EXPECT_EQ(exit_lists, sections);
  EXPECT_EQ(example_lists, sections);
}

TEST(KrvManual, GroffReadsThePageWithoutWarnings) {
  if (const auto reason = NoHostTools()) GTEST_SKIP() << *reason;
  const std::optional<std::filesystem::path> groff = testing::FindProgram("groff");
  if (!groff) GTEST_SKIP() << "groff is absent (Debian package groff-base)";
  const testing::ProcessResult r =
      testing::RunProcess({groff->string(), "-ww", "-man", "-Tutf8", "-z", kManPage});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(KrvManual, ManShowsThePage) {
  if (const auto reason = NoHostTools()) GTEST_SKIP() << *reason;
  const std::optional<std::filesystem::path> man = testing::FindProgram("man");
  if (!man) GTEST_SKIP() << "man is absent (Debian package man-db)";
  const testing::ScopedEnv width("MANWIDTH", "80"), pager("MANPAGER", "cat");
  const testing::ScopedEnv locale("LC_ALL", "C.UTF-8");
  const testing::ProcessResult r = testing::RunProcess({man->string(), "-l", kManPage});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("krv - the Korvex command-line tool"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nEXIT STATUS\n"), std::string::npos) << r.out;
  for (const std::string& line : SplitLines(r.out))
    EXPECT_LE(line.size(), 80u * 3) << line;  // UTF-8 bytes of at most 80 columns
}

}  // namespace
}  // namespace krv
