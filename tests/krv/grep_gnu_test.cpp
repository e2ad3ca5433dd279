// krv grep beside GNU grep: random patterns in the part of the dialect that reads the same
// as an extended regular expression, random options that both tools have, random files;
// standard output and exit status must be the same. The dialect's documented differences
// are left out: patterns that can match empty text (TGrep looks for no match after a line's
// last character), and -o or --color with a repetition before the last token (repetitions
// are tried shortest first). Skipped where GNU grep is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "test_support/process.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::RunProcess;
using testing::TempDir;

class Random {
 public:
  explicit Random(unsigned seed) : rng_(seed) {}
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Below(100) < percent; }
  char Of(std::string_view s) {
    return s[static_cast<std::size_t>(Below(static_cast<int>(s.size())))];
  }

 private:
  std::mt19937 rng_;
};

// A pattern both tools read alike. mark_last: marks only on the last atom (so -o agrees).
// Every pattern needs at least one character, so none matches empty text.
std::string Pattern(Random& r, bool mark_last) {
  std::string p = r.Chance(20) ? "^" : "";
  const int atoms = 1 + r.Below(4);
  bool needed = false, after_set = false;
  for (int i = 0; i < atoms; ++i) {
    const int kind = r.Below(10);
    const bool set_before = after_set;
    after_set = kind == 6 || kind == 7;
    if (kind < 5) {
      p += r.Of(set_before ? "abcab_ " : "abcab_- ");  // the dialect refuses - after a set
    } else if (kind < 6) {
      p += '.';
    } else if (kind < 8) {
      p += r.Chance(30) ? "[^" : "[";
      p += r.Of("abc");
      p += r.Chance(50) ? "-" + std::string(1, r.Of("cde")) : std::string(1, r.Of("b_ "));
      p += ']';
    } else {
      p += '(';
      for (int k = 1 + r.Below(2); k > 0; --k) p += r.Of("abc");
      p += ')';
    }
    const bool may_mark = !mark_last || i == atoms - 1;
    const int mark = may_mark && r.Chance(40) ? r.Below(3) : -1;
    if (mark >= 0) p += "*+?"[mark];
    needed = needed || mark < 0 || mark == 1;
  }
  if (!needed) return Pattern(r, mark_last);
  if (r.Chance(20)) p += '$';
  return p;
}

std::string Lines(Random& r) {
  std::string text;
  for (int n = r.Below(12); n > 0; --n) {
    for (int k = r.Below(14); k > 0; --k) text += r.Of("abcdeab _-xAB");
    text += '\n';
  }
  if (r.Chance(20)) text += "abc";  // no final line feed
  return text;
}

// Options of both tools, one set per case.
std::vector<std::string> Options(Random& r, bool& shows_matches) {
  std::vector<std::string> o;
  const auto maybe = [&](int percent, const char* opt) {
    if (r.Chance(percent)) o.emplace_back(opt);
  };
  maybe(25, "-i");
  maybe(20, "-v");
  maybe(15, "-w");
  maybe(10, "-x");
  maybe(30, "-n");
  maybe(15, "-b");
  maybe(15, "-H");
  const int shape = r.Below(10);
  if (shape == 0) o.emplace_back("-c");
  if (shape == 1) o.emplace_back("-l");
  if (shape == 2) o.emplace_back("-L");
  if (shape == 3) o.emplace_back("-q");
  if (shape == 4) o.emplace_back("-o");
  if (shape == 5) o.emplace_back("--color=always");
  if (shape == 6) o.push_back("-m" + std::to_string(r.Below(3)));
  if (shape == 7) o.push_back("-C" + std::to_string(r.Below(3)));
  if (shape == 8) o.push_back("-A1");
  if (shape == 9) o.push_back("-B" + std::to_string(1 + r.Below(2)));
  if (r.Chance(10)) o.push_back("-m1");
  shows_matches = shape == 4 || shape == 5;
  // -w and -x add a boundary after the pattern, so its last repetition is no longer last
  // (and GNU grep --color -x colours the line feed as part of the match).
  if (shows_matches) {
    o.erase(std::remove(o.begin(), o.end(), "-x"), o.end());
    o.erase(std::remove(o.begin(), o.end(), "-w"), o.end());
  }
  return o;
}

TEST(KrvGrepBesideGnuGrep, SameOutputAndStatus) {
  if (!testing::FindProgram("grep")) GTEST_SKIP() << "GNU grep is not installed";
  const testing::ScopedEnv c_locale("LC_ALL", std::string("C"));
  const testing::ScopedEnv no_colors("GREP_COLORS", std::nullopt);
  TempDir dir;
  Random r(20261209);
  int compared = 0;
  for (int round = 0; round < 400; ++round) {
    std::ofstream(dir.Path() / "a.txt", std::ios::binary) << Lines(r);
    std::ofstream(dir.Path() / "b.txt", std::ios::binary) << Lines(r);
    bool shows_matches = false;
    std::vector<std::string> args = Options(r, shows_matches);
    args.push_back("-e");
    args.push_back(Pattern(r, shows_matches));
    if (r.Chance(30)) {  // a second pattern
      args.push_back("-e");
      args.push_back(Pattern(r, shows_matches));
    }
    args.push_back("a.txt");
    if (r.Chance(40)) args.push_back("b.txt");
    std::vector<std::string> gnu = {"grep", "-E"};
    gnu.insert(gnu.end(), args.begin(), args.end());
    const auto want = RunProcess(gnu, testing::InDir(dir.Path()));
    const auto got = testing::RunKrvArgs(dir, [&] {
      std::vector<std::string> k = {"grep"};
      k.insert(k.end(), args.begin(), args.end());
      return k;
    }());
    std::string shown;
    for (const std::string& a : args) shown += " '" + a + "'";
    ASSERT_EQ(got.out, want.out) << "krv grep" << shown << "\n" << got.err;
    ASSERT_EQ(got.status, want.status) << "krv grep" << shown << "\n" << got.err;
    ++compared;
  }
  EXPECT_EQ(compared, 400);
}

// -F, -f, -r with --include and --exclude, -s: the options that take files or strings.
TEST(KrvGrepBesideGnuGrep, FilesAndFixedStrings) {
  if (!testing::FindProgram("grep")) GTEST_SKIP() << "GNU grep is not installed";
  const testing::ScopedEnv c_locale("LC_ALL", std::string("C"));
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "t" / "sub" / "deep");
  std::filesystem::create_directories(dir.Path() / "t" / ".hidden");
  const std::pair<const char*, const char*> files[] = {
      {"t/a.txt", "a(b\nx[y]z\n^start\nend$\n"}, {"t/b.log", "a(b again\nplain\n"},
      {"t/sub/c.txt", "deep a(b\n.*\n"},         {"t/sub/deep/d.txt", "x[y]z\n"},
      {"t/.hidden/e.txt", "a(b hidden\n"},       {"pats", "a(b\nx[y\n"},
  };
  for (const auto& [name, text] : files) std::ofstream(dir.Path() / name, std::ios::binary) << text;
  const std::vector<std::vector<std::string>> cases = {
      {"-F", "a(b", "t/a.txt", "t/b.log"},
      {"-F", "-x", ".*", "t/sub/c.txt"},
      {"-F", "-f", "pats", "t/a.txt", "t/sub/deep/d.txt"},
      {"-F", "-c", "-e", "x[y", "-e", "end$", "t/a.txt"},
      {"-r", "-F", "a(b", "t"},
      {"-r", "-n", "-F", "a(b", "--include=*.txt", "t"},
      {"-r", "-l", "-F", "a(b", "--exclude=*.log", "t"},
      {"-r", "-c", "-F", "x[y]z", "--exclude-dir=deep", "t"},
      {"-s", "-F", "plain", "missing", "t/b.log"},
      {"-q", "-F", "plain", "missing", "t/b.log"},
      {"-L", "-F", "plain", "t/a.txt", "t/b.log"},
  };
  for (const auto& args : cases) {
    std::vector<std::string> gnu = {"grep"};
    gnu.insert(gnu.end(), args.begin(), args.end());
    std::vector<std::string> k = {"grep"};
    k.insert(k.end(), args.begin(), args.end());
    const auto want = RunProcess(gnu, testing::InDir(dir.Path()));
    const auto got = testing::RunKrvArgs(dir, k);
    std::string shown;
    for (const std::string& a : args) shown += " " + a;
    // GNU grep -r lists a folder in the order the system gives; krv sorts the names.
    const auto sorted = [](std::string s) {
      std::vector<std::string> lines;
      for (std::size_t at = 0; at < s.size();) {
        const std::size_t nl = s.find('\n', at);
        lines.push_back(s.substr(at, nl - at));
        at = nl == std::string::npos ? s.size() : nl + 1;
      }
      std::sort(lines.begin(), lines.end());
      return lines;
    };
    EXPECT_EQ(sorted(got.out), sorted(want.out)) << "krv grep" << shown << "\n" << got.err;
    EXPECT_EQ(got.status, want.status) << "krv grep" << shown << "\n" << got.err;
    EXPECT_EQ(got.err.empty(), want.err.empty()) << "krv grep" << shown << "\n" << got.err;
  }
}

}  // namespace
}  // namespace krv
