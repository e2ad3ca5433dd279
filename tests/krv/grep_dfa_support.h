// What the test and the fuzz target of krv grep's automaton share: patterns compiled into
// the tokens the automaton takes, and a start finder for patterns that begin with a literal.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "../../tools/krv/grep_dfa.h"
#include "korvex/stringl/grep.h"

namespace krv::tool::testing {

// The tokens of pattern; none when it does not compile, is empty, or is a lone x* (those
// select every line before the automaton is asked).
inline std::vector<TGrepToken> CompileForDfa(TGrep& g, std::string_view pattern, bool fold) {
  g.SetStopOnError(false);
  g.SetIgnoreCase(fold);
  g.SetRegExp(String(pattern.begin(), pattern.end()));
  std::vector<TGrepToken> tokens;
  if (g.LastError() != 0) return tokens;
  for (Integer k = 1; k <= g.NrOfRegExpTokens(); ++k) tokens.push_back(g.GetRegExpToken(k));
  if (tokens.size() == 1 && tokens[0].Action == taMult0) tokens.clear();
  return tokens;
}

// Where a match can start: at the first character of the pattern's first (literal) token.
class FirstChar : public LineDfa::StartFinder {
 public:
  explicit FirstChar(char c) : c_(c) {}
  std::size_t NextStart(std::string_view rest) const override { return rest.find(c_); }
  std::size_t Reach() const override { return 1; }

  // The finder for tokens whose first token is a literal beginning with an ASCII character
  // (with fold, not a letter, which the subject may hold in either case).
  static std::optional<FirstChar> For(const std::vector<TGrepToken>& tokens, bool fold) {
    if (tokens.empty()) return std::nullopt;
    const TGrepToken& t = tokens.front();
    const Char c = t.NumChars > 0 ? t.Params[1] : 0;
    if (t.Action != taNormal || c == 0 || c >= 128 || (fold && c >= u'a' && c <= u'z'))
      return std::nullopt;
    return FirstChar(static_cast<char>(c));
  }

 private:
  char c_;
};

}  // namespace krv::tool::testing
