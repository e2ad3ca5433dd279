// One pattern of krv grep: the pattern compiled for TGrep (wrapped for -w and -x, taken
// literally for -F), the bytes every line it selects must hold, and its strict reading.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "byte_scan.h"
#include "grep_dfa.h"
#include "korvex/stringl/grep.h"

namespace krv::tool {

// Where a match must lie in the line.
enum class Fit { kAnywhere, kWord, kLine };

// Letters, digits and '_' up to U+00FF; -w treats those beyond as word characters too,
// since a set of the dialect cannot name them.
bool IsWordChar(unsigned c);

// What every line a pattern selects holds as raw bytes: a literal (ASCII letters in either
// case with -i) or one byte of a class. An ASCII character is the same byte whether a line
// is read as UTF-8 or as Windows-1252, and no other byte stands for it, so lines without are
// skipped undecoded.
class Prefilter : public LineDfa::StartFinder {
 public:
  // From the tokens of one pattern: the longest literal run a match needs, else the smallest
  // set it needs. None when no token is needed by every match.
  static std::optional<Prefilter> From(const std::vector<TGrepToken>& tokens, bool ignore_case,
                                       bool anywhere);
  // The offset in text of the first byte of a candidate (npos when there is none).
  std::size_t Find(std::string_view text) const;
  // True when holding the literal or a byte of the class is the same as matching.
  bool exact() const { return exact_; }
  // True when no match starts before a candidate (the candidate is the first token's).
  bool starts_match() const { return starts_match_; }
  std::size_t NextStart(std::string_view rest) const override { return Find(rest); }
  std::size_t Reach() const override { return class_ ? 1 : literal_.size(); }

 private:
  Prefilter() = default;
  static int ClassOf(const TGrepToken& t, bool ignore_case, std::array<bool, 256>& set,
                     bool& plain);
  void TakeRuns(const TGrepToken& t, bool first);

  std::string literal_;  // lower case with -i (the compiled pattern is folded so)
  bool literal_whole_ = false, literal_first_ = false;
  std::optional<ByteClass> class_;
  std::optional<std::array<bool, 256>> follow_;  // the bytes that may follow the literal
  bool fold_ = false, exact_ = false, starts_match_ = false;
};

// How the pattern text is read.
struct PatternReading {
  bool ignore_case = false;
  bool fixed = false;  // -F: every character is itself
  Fit fit = Fit::kAnywhere;
};

// A compiled pattern and the line it is applied to.
class Matcher {
 public:
  // Compiles the pattern (bytes as given); throws Failure naming it on an error, also for a
  // set or group left open and a final lone back slash, which the dialect itself accepts.
  Matcher(std::string_view pattern, const PatternReading& reading);

  // What the raw bytes of every line this pattern selects hold, if known.
  const Prefilter* filter() const { return filter_ ? &*filter_ : nullptr; }
  // The tokens lines are matched with (wrapped for -w and -x); none when every line is
  // selected (the empty pattern, a lone repetition).
  const std::vector<TGrepToken>& tokens() const { return tokens_; }
  bool SelectsEveryLine() const { return everything_ || lone_; }
  // -w: blanks stand before and after the line (each false when the pattern anchors there).
  bool padded_left() const { return left_; }
  bool padded_right() const { return right_; }

  // Sets the line the next calls look at (UTF-16, without its line end).
  void SetLine(std::u16string_view line);
  // True when the line holds a match.
  bool Selects();
  // The first match that starts at `from` or later: its first and last positions in the
  // line (1-based; last < first for an empty match). False when there is none.
  bool Find(Integer from, Integer& first, Integer& last);

 private:
  void Compile(TGrep& g, const String& text, bool ignore_case);
  void Wrap(const std::vector<TGrepToken>& tokens, bool ignore_case, Fit fit);
  void CheckEnding(const String& text) const;

  std::string shown_;
  std::optional<Prefilter> filter_;
  TGrep grep_, only_;
  std::vector<TGrepToken> tokens_;
  bool everything_ = false, lone_ = false;
  bool left_ = false, right_ = false;
  Integer length_ = 0;
  String padded_;
  std::u16string_view subject_;
};

}  // namespace krv::tool
