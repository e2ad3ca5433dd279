// The matcher's own form of a compiled TGrep pattern, and the search over it.
//
// The result of a search is defined by a recursive backtracking search: Match(p, k) tries
// token k at subject position p and then the rest, repetitions shortest first; the first
// start from which it succeeds gives the match. The search reaches that very result in two
// stages.
//
// 1. Backtracking on a budget (grep_match.cpp). Quick checks first rule out subjects that
//    cannot match: too short, a final $ whose fixed-width tokens do not end the subject, a
//    literal every match contains that does not occur. Candidate starts are found by block
//    scans, and each is tried by plain backtracking in the order of the definition, with a
//    frame per token (at most 64) instead of recursion; a repetition of any character jumps
//    straight to the next place where the rest can pass. Each token test, each eight literal
//    characters compared and each 16 characters scanned cost one unit of a budget of one unit
//    per subject position from the search start (plus a constant), so this stage costs at most
//    a fixed multiple of the subject length. Ordinary patterns end here.
// 2. The liveness pass (grep_live.cpp), when the budget runs out, from the start being tried.
//    Match(p, k) depends on nothing but p and k, so it can be computed for every state at
//    once, backwards from the end of the subject: one bit per token and position, 64
//    positions to a word, each token's word from the next token's and its own (a repetition
//    by carry propagation through the word). The units at each position (sets and characters
//    from a table, literals from one automaton over all of them) are looked up once per
//    position and transposed into words. So the pass costs a fixed amount per position plus
//    one per token and 64 positions, whatever the pattern; no state is visited twice. A
//    forward walk then follows the backtracking order from the first live start, taking at
//    each choice the first option that is live, which gives the match, its end and where each
//    token passed exactly as the recursive search would. The walk only moves forwards; as the
//    pass keeps one segment of its words at a time, the walk may compute each segment once
//    more.
//
// Together: time at most proportional to the subject length times (1 + tokens / 64), and
// working memory of about (1 + tokens / 64) bits per position, in the second stage only.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "korvex/stringl/grep.h"
#include "stringl/internal/grep_engine.h"
#include "stringl/internal/grep_scan.h"

namespace krv::detail {

// What one unit of a token is.
enum class GrepUnit : std::uint8_t { kNone, kAny, kSet, kString };

struct GrepOp {
  TGrepTokenAct kind = taNormal;
  GrepUnit unit = GrepUnit::kNone;
  std::int32_t width = 0;  // characters one unit takes (0 for an empty literal)
  std::int32_t lit = 0;    // start of the literal in GrepProgram::literals
  std::int32_t rare = 0;   // index in the literal of its least frequent character
  GrepScanSet set;         // kSet: the members, applied to the subject's own characters
  int unit_id = -1;        // the distinct unit this token repeats or tests; -1 for none
};

// An Aho-Corasick automaton over the reversed literals of two or more characters. Fed the
// subject backwards, its state after the character at p tells which literals start at p.
// States are numbered breadth first. Characters map to classes (one per character the
// literals hold, 0 for every other). The transitions of the first states, as many as
// kMaxDense table entries allow (the root and the states near it, where a search spends most
// of its steps), are precomputed in a table; from a deeper state a step follows failure links
// (a node has at most 64 children, sorted) until it reaches a state with a row in the table.
class GrepLiteralAutomaton {
 public:
  static constexpr std::size_t kMaxDense = std::size_t{1} << 20;

  bool Empty() const { return nodes_.size() <= 1; }
  std::size_t States() const { return nodes_.size(); }
  std::size_t DenseStates() const { return dense_states_; }
  // Adds literal (read backwards) with the unit bits out. Then Finish() before any Step().
  void Add(std::u16string_view literal, std::uint64_t out);
  // With ignore_case, the subject characters fed to Step count as folded.
  void Finish(bool ignore_case);

  // The state after feeding c in state.
  std::int32_t Step(std::int32_t state, Char c) const {
    const std::uint32_t k = ClassOf(c);
    if (static_cast<std::size_t>(state) < dense_states_) {
      return table_[static_cast<std::size_t>(state) * classes_ + k];
    }
    return StepSparse(state, c, k);
  }
  // Unit bits of every literal that ends at state (starts at the last character fed).
  std::uint64_t Out(std::int32_t state) const {
    return nodes_[static_cast<std::size_t>(state)].out;
  }

 private:
  struct Node {
    std::int32_t first = 0;  // children: edges first .. first + count - 1, sorted by character
    std::int32_t count = 0;
    std::int32_t fail = 0;  // the longest proper suffix that is also a node
    std::uint64_t out = 0;
  };

  std::uint32_t ClassOf(Char c) const {
    if (c < 256) return class_of_[c];
    return wide_class_of_.empty() ? 0 : wide_class_of_[c];
  }
  std::int32_t Child(std::int32_t v, Char c) const;
  std::int32_t StepSparse(std::int32_t state, Char c, std::uint32_t k) const;
  void NumberBreadthFirst();
  void LinkFailures();
  void BuildTable(bool ignore_case);

  std::vector<Node> nodes_;  // node 0 is the root
  std::vector<Char> edge_char_;
  std::vector<std::int32_t> edge_to_;
  std::vector<std::vector<std::pair<Char, std::int32_t>>> build_;
  bool fold_ = false;
  // The class of each character below 256 (a capital's is its small letter's when folding)
  // and, only when the literals hold characters above 255, of every character.
  std::array<std::uint16_t, 256> class_of_{};
  std::vector<std::uint16_t> wide_class_of_;
  std::size_t classes_ = 1;
  std::size_t dense_states_ = 0;
  std::vector<std::uint16_t> table_;  // dense_states_ rows of classes_ entries
};

// The distinct units of a program (at most 64), each with one bit in a unit word.
struct GrepUnitTable {
  int count = 0;
  std::array<std::uint64_t, 256> by_char{};  // units a character below 256 is (folding applied)
  std::uint64_t any = 0;                     // units every character is
  std::vector<std::pair<Char, std::uint64_t>> wide_chars;  // one-character units above 255, sorted
  GrepLiteralAutomaton literals;                           // units of two or more characters

  // The one-character units c is.
  std::uint64_t OfChar(Char c) const {
    if (c < 256) return by_char[c];
    if (wide_chars.empty()) return any;
    const auto it = std::lower_bound(wide_chars.begin(), wide_chars.end(),
                                     std::pair<Char, std::uint64_t>(c, 0));
    return (it != wide_chars.end() && it->first == c) ? any | it->second : any;
  }
};

struct GrepProgram {
  int count = 0;
  bool ignore_case = false;  // the subject is folded to lower case (ASCII) while matching
  std::array<GrepOp, kGrepMaxTokens> ops{};
  String literals;              // every literal unit, one after the other
  int required = -1;            // an unmarked literal token (not the first) every match contains
  std::int32_t min_length = 0;  // characters every match takes at least
  // With a final $: the fixed-width tokens right before it, which must end the subject.
  int suffix_first = -1;
  std::int32_t suffix_width = 0;
  GrepUnitTable units;
};

// Subjects must be shorter than this, so that every position fits a 32-bit Integer.
inline constexpr std::int64_t kGrepMaxSubject = 2147483647;

// Builds the program from the first count compiled tokens.
void BuildGrepProgram(const TRegExp& tokens, int count, bool ignore_case, GrepProgram& prog);

// Buffers a search reuses from one call to the next: the liveness pass's rows for one segment
// of the subject, row 0 for all of it, and a checkpoint per segment.
struct GrepScratch {
  std::vector<std::uint64_t> rows;
  std::vector<std::uint64_t> first_row;
  std::vector<std::uint64_t> saved;
  std::vector<std::int32_t> saved_state;
};

struct GrepResult {
  std::int32_t start = 0;                               // 1-based first position
  std::int32_t end = 0;                                 // 1-based last position
  std::array<std::int32_t, kGrepMaxTokens> valid_from;  // 1-based, per token (set on success)
};

// Searches s from the 1-based position start (1 <= start <= s.size() + 1, s.size() below
// 2^31 - 1, prog.count >= 1) and fills r on success.
bool GrepSearch(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
                std::int32_t start, GrepResult& r);

// The liveness pass and forward walk alone: the first match whose 0-based start lies in
// first..last (first <= last <= max(first, s.size() - 1)), when every start before first is
// known to fail or lies before the search start. Fills r on success.
bool GrepLiveSearch(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
                    std::int32_t first, std::int32_t last, GrepResult& r);

}  // namespace krv::detail
