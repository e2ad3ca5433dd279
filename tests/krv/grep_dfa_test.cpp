// krv grep's byte automaton against TGrep itself: on random patterns of the dialect and
// random ASCII lines, a line is selected by the automaton exactly when TGrep finds a match
// in it (from the first position), with and without -i, for one pattern and for several,
// with the -w blanks around the line, fed whole or in pieces.
#include "grep_dfa_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace krv::tool {
namespace {

using testing::CompileForDfa;
using testing::FirstChar;

std::vector<TGrepToken> Compile(TGrep& g, const std::string& pattern, bool fold) {
  return CompileForDfa(g, pattern, fold);
}

bool TGrepSelects(TGrep& g, const std::string& line) {
  g.SetSearchStartPos(1);
  Integer pos = 0;
  return g.MatchString(String(line.begin(), line.end()), pos);
}

std::string Random(std::mt19937& rng, std::string_view alphabet, int max_length) {
  std::string s(std::uniform_int_distribution<int>(0, max_length)(rng), ' ');
  for (char& c : s)
    c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
  return s;
}

struct Case {
  const char* name;
  int patterns;  // how many patterns the automaton unites
  bool fold, pad, pieces;
  bool starts = false;  // jump to the first character of a pattern that begins with one
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class GrepDfaTest : public ::testing::TestWithParam<Case> {};

TEST_P(GrepDfaTest, SelectsWhatTGrepMatches) {
  const Case c = GetParam();
  std::mt19937 rng(20261209);
  int compared = 0;
  for (int round = 0; round < 6000; ++round) {
    std::vector<TGrep> greps(static_cast<std::size_t>(c.patterns));
    std::vector<std::vector<TGrepToken>> tokens;
    std::vector<std::string> shown;
    for (TGrep& g : greps) {
      shown.push_back(Random(rng, "abAB.[]^-$*+?()\\#2", 7));
      tokens.push_back(Compile(g, shown.back(), c.fold));
      if (tokens.back().empty()) break;
    }
    if (tokens.back().empty()) continue;
    LineDfa dfa(tokens, c.fold, c.pad);
    const std::optional<FirstChar> first =
        c.starts ? FirstChar::For(tokens[0], c.fold) : std::nullopt;
    const LineDfa::StartFinder* starts = first ? &*first : nullptr;
    for (int i = 0; i < 20; ++i) {
      const std::string line = Random(rng, "abAB-^( \t", 9);
      const std::string subject = c.pad ? " " + line + " " : line;
      bool want = false;
      for (TGrep& g : greps) want = want || TGrepSelects(g, subject);
      LineDfa::Verdict got;
      if (c.pieces) {
        dfa.Begin();
        for (std::size_t at = 0; at < line.size(); at += 2)
          if (!dfa.Feed(std::string_view(line).substr(at, 2), starts)) break;
        got = dfa.End();
      } else {
        got = dfa.Test(line, 0, starts);
      }
      ASSERT_EQ(got, want ? LineDfa::Verdict::kYes : LineDfa::Verdict::kNo)
          << "pattern '" << shown[0] << "'" << (c.patterns > 1 ? " and '" + shown[1] + "'" : "")
          << " line '" << line << "'";
      ++compared;
    }
  }
  EXPECT_GT(compared, 10000);
}

INSTANTIATE_TEST_SUITE_P(Shapes, GrepDfaTest,
                         ::testing::Values(Case{"one", 1, false, false, false},
                                           Case{"fold", 1, true, false, false},
                                           Case{"two", 2, false, false, false},
                                           Case{"padded", 1, false, true, false},
                                           Case{"pieces", 2, true, true, true},
                                           Case{"jumps", 1, false, false, false, true},
                                           Case{"jumps_in_pieces", 1, true, false, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A start that a prefilter has placed: no match can begin before it, so the verdict from
// there is the verdict of the whole line; bytes beyond ASCII end the run.
TEST(GrepDfa, StartsAndBytesBeyondAscii) {
  TGrep g;
  LineDfa dfa({Compile(g, "x[0-9]+", false)}, false, false);
  EXPECT_EQ(dfa.Test("abc x12", 4), LineDfa::Verdict::kYes);
  EXPECT_EQ(dfa.Test("abc x", 4), LineDfa::Verdict::kNo);
  EXPECT_EQ(dfa.Test("ab\xc3\xa9 x1"), LineDfa::Verdict::kNotAscii);
  EXPECT_EQ(dfa.Test("x1 \xc3\xa9"), LineDfa::Verdict::kYes);  // decided before the byte
}

// Patterns whose automaton has more states than the table keeps: the table is rebuilt and
// the verdicts stay TGrep's.
TEST(GrepDfa, ManyStates) {
  TGrep g;
  const std::string pattern = "a.............(b)";  // states: subsets of the last 13 places
  LineDfa dfa({Compile(g, pattern, false)}, false, false);
  std::mt19937 rng(7);
  for (int i = 0; i < 3000; ++i) {
    const std::string line = Random(rng, "aab", 200);
    ASSERT_EQ(dfa.Test(line) == LineDfa::Verdict::kYes, TGrepSelects(g, line)) << line;
  }
}

}  // namespace
}  // namespace krv::tool
