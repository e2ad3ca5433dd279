// Line selection on raw bytes for krv grep: whether a line of ASCII characters holds a match
// of any of a set of compiled TGrep patterns, decided by a lazily built deterministic
// automaton, without decoding the line or running the backtracking matcher.
//
// Why this gives TGrep's answer: TGrep tries every repetition count and every option before
// it gives up a start, so a start fails only when no way through the tokens exists. Whether
// a line is selected is therefore a question of membership in a regular language: is there
// a start p (1, or 2..L for a line of L characters) from which some prefix of the line's
// rest passes the tokens (with ^ passing only at 1 and $ only after the last character)?
// The automaton answers that question in one pass, a table lookup per byte. Which match
// TGrep reports (shortest-first repetitions) is not decided here; -o and --color still ask
// TGrep for positions, on the selected lines only.
//
// An ASCII character is the same byte in UTF-8 and Windows-1252, and every byte below 0x80
// is one; so on a line of ASCII bytes the decoded text is the bytes themselves. A byte of
// 0x80 or above makes the verdict kNotAscii, and the caller decodes the line as before.
//
// Cost: each byte costs one lookup in a table of states by byte classes (bytes no unit tells
// apart share a class). States are built on first use; when more than kMaxStates exist the
// table is dropped and built again from the state in hand, so memory stays bounded whatever
// the pattern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "korvex/stringl/grep.h"

namespace krv::tool {

class LineDfa {
 public:
  // Finds where the next match may start: a prefilter whose candidates are the first
  // character of every match.
  class StartFinder {
   public:
    virtual ~StartFinder() = default;
    // The offset in rest of the first place a match can start; npos when there is none.
    virtual std::size_t NextStart(std::string_view rest) const = 0;
    // How many bytes it needs to see a start: a start in the last Reach() - 1 bytes of a
    // piece may only be found with the bytes that follow.
    virtual std::size_t Reach() const = 0;
  };

  static constexpr std::size_t kMaxStates = 4096;

  enum class Verdict : std::uint8_t { kNo, kYes, kNotAscii };

  // patterns: the compiled tokens of each pattern (at least one token each; the empty
  // pattern and a lone x* select every line and are the caller's to handle). pad: a blank
  // stands before and after every line, as in krv's -w form of the patterns.
  LineDfa(const std::vector<std::vector<TGrepToken>>& patterns, bool ignore_case, bool pad);

  // The verdict for one line (its bytes without the line end). from: no match can start
  // before this offset (a prefilter's finding); 0 is the line's start. starts, when given,
  // finds where matches can start: whenever no match is under way the run jumps there.
  Verdict Test(std::string_view line, std::size_t from = 0, const StartFinder* starts = nullptr);

  // The same verdict for a line fed in pieces: Begin, Feed each piece (false once the
  // verdict is known: a match was found or a byte is not ASCII), then End.
  void Begin();
  bool Feed(std::string_view piece, const StartFinder* starts = nullptr);
  Verdict End();

 private:
  // An NFA state: at most one consuming edge (to `next` on the bytes of `unit`) and any
  // number of empty ones.
  struct Node {
    int unit = -1;  // index in units_, -1 for none
    int next = -1;
    std::vector<int> empty;
    int at_start = -1;        // an empty edge taken only at the subject's start (a ^)
    bool before_eol = false;  // reaching the subject's end here is a match (a $)
  };
  static constexpr std::int32_t kUnknown = -1, kNotAsciiState = -2, kAccept = -3;

  int AddNode();
  int AddUnit(const TGrepToken& t, int index);  // a one-character unit (index: 0 set, >0 char)
  void AddPattern(const std::vector<TGrepToken>& tokens);
  int AddRepeatable(const TGrepToken& t, int from, int loop_to);
  void MakeClasses(bool ignore_case);
  void Closure(std::vector<int>& set, bool at_start) const;
  std::int32_t Intern(std::vector<int> set);
  std::int32_t Step(std::int32_t state, int cls);
  std::int32_t Run(std::int32_t s, std::string_view bytes, bool piece, const StartFinder* starts);
  std::int32_t Compute(std::int32_t state, int cls);
  void Reset();
  Verdict Finish(std::int32_t state);

  std::vector<Node> nodes_;
  std::vector<std::vector<bool>> units_;  // membership of the ASCII codes, by unit
  std::vector<int> starts_;               // the first node of each pattern
  int accept_ = -1;
  std::vector<int> inject_;  // the closure of every start where ^ does not pass
  std::vector<int> first_;   // the closure of every start at the subject's start
  std::uint8_t class_of_[256]{};
  std::vector<std::uint8_t> representative_;  // a code of each class, as the units see it
  int classes_ = 0;
  bool pad_ = false;

  // The automaton built so far.
  std::vector<std::vector<int>> sets_;
  std::vector<bool> eol_ok_;
  std::unordered_map<std::string, std::int32_t> ids_;
  std::vector<std::int32_t> table_;
  std::int32_t line_start_ = 0, nothing_ = 0;
  std::int32_t state_ = 0;  // while fed in pieces
};

}  // namespace krv::tool
