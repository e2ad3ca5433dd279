// The matcher's own form of a compiled TGrep pattern, and the search over it.
//
// The result of a search is defined by a recursive backtracking search: Match(p, k) tries
// token k at subject position p and then the rest, repetitions shortest first. Match(p, k)
// depends on nothing but p and k, so a state that failed once fails again: the search keeps
// one bit per (token, position) and never explores a failed state twice. Repetitions are
// walked as a loop (one stack frame per token), so the stack never holds more than 64
// frames. Literal units longer than kShortLiteral characters switch to a precomputed
// occurrence map once comparing them has cost more than a few passes over the subject.
// Together: time at most proportional to subject length times tokens, whatever the input.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "korvex/stringl/grep.h"

namespace krv::detail {

// What one unit of a token is.
enum class GrepUnit : std::uint8_t { kNone, kAny, kSet, kString };

struct GrepOp {
  TGrepTokenAct kind = taNormal;
  GrepUnit unit = GrepUnit::kNone;
  std::int32_t width = 0;              // characters one unit takes (0 for an empty literal)
  std::int32_t lit = 0;                // start of the literal in GrepProgram::literals
  std::int32_t rare = 0;               // index in the literal of its least frequent character
  std::array<std::uint64_t, 4> set{};  // members 0..255, one bit each
};

struct GrepProgram {
  int count = 0;
  bool ignore_case = false;  // the subject is folded to lower case (ASCII) while matching
  std::array<GrepOp, kGrepMaxTokens> ops{};
  String literals;                   // every literal unit, one after the other
  std::vector<std::int32_t> prefix;  // KMP prefix function, parallel to literals
  int required = -1;  // an unmarked literal token (not the first) every match contains
};

// Subjects must be shorter than this, so that every position fits a 32-bit Integer.
inline constexpr std::int64_t kGrepMaxSubject = 2147483647;

// Builds the program from the first count compiled tokens.
void BuildGrepProgram(const TRegExp& tokens, int count, bool ignore_case, GrepProgram& prog);

// Buffers a search reuses from one call to the next.
struct GrepScratch {
  std::vector<std::uint64_t> memo;          // failed states; all zero between searches
  std::vector<std::uint32_t> memo_touched;  // words of memo that became non-zero
  std::array<std::vector<std::uint64_t>, kGrepMaxTokens> occurs;  // literal occurrence maps
};

struct GrepResult {
  std::int32_t start = 0;                                 // 1-based first position
  std::int32_t end = 0;                                   // 1-based last position
  std::array<std::int32_t, kGrepMaxTokens> valid_from{};  // 1-based, per token
};

// Searches s from the 1-based position start (1 <= start <= s.size() + 1, s.size() below
// 2^31 - 1, prog.count >= 1) and fills r on success.
bool GrepSearch(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
                std::int32_t start, GrepResult& r);

// Index of the first c in s at or after from, or npos. Folding compares ASCII letters
// without regard to case (c must then be lower case).
std::size_t GrepFindChar(std::u16string_view s, std::size_t from, Char c, bool fold);

}  // namespace krv::detail
