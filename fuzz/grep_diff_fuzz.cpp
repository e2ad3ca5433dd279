// Differential fuzzing of TGrep's search: patterns of the dialect built from the input are
// searched in short subjects, and the result (match or not, MatchStartPos, MatchEndPos and
// every token's ValidFrom) must equal that of the slow reference written from the recursive
// definition.
//
// Input: a flag byte (bit 0 IgnoreCase, bits 1-3 the start position, bits 4-5 the search
// stage, bits 6-7 the scan path), then one byte per pattern piece up to a zero byte (at most 6
// pieces), then the subject over a small alphabet.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../src/stringl/internal/grep_engine.h"
#include "../tests/stringl/grep_reference.h"
#include "korvex/stringl/grep.h"

namespace {

// Atoms, marks and anchors of the dialect, with a few deliberate errors mixed in.
const char* const kAtoms[] = {"a",    "b",     "c",   "A",     ".",    "[ab]", "[^a]", "[a-c]",
                              "(ab)", "(a)",   "\\.", "\\#61", "(ba)", "[b]",  "x",    "(",
                              "[a",   "[^-a]", ")",   "a$",    "$",    "^",    "()",   "ab"};
const char* const kMarks[] = {"", "", "*", "+", "?"};

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  std::size_t i = 1;
  std::string pattern;
  if (i < size && data[i] == '^') pattern += '^', ++i;
  int pieces = 0;
  for (; i < size && data[i] != 0 && pieces < 6; ++i, ++pieces) {
    const std::uint8_t b = data[i];
    pattern += kAtoms[b % std::size(kAtoms)];
    pattern += kMarks[(b / std::size(kAtoms)) % std::size(kMarks)];
  }
  if (i < size) ++i;  // the zero byte
  // Patterns of up to three pieces get subjects of long runs (each byte a character and a
  // repeat count), so that repetitions cross whole blocks; longer patterns get at most nine
  // characters, which keeps the exponential reference quick.
  static const char16_t kSubject[] = u"aabbc.A\u4E00";
  const bool runs = pieces <= 3;
  const std::size_t limit = runs ? 200 : 9;
  krv::String subject;
  for (; i < size && subject.size() < limit; ++i) {
    const std::size_t repeat = runs ? 1 + ((data[i] >> 3) & 31) * 3 : 1;
    subject.append(std::min(repeat, limit - subject.size()), kSubject[data[i] % 8]);
  }

  static constexpr krv::detail::GrepEngine kEngines[] = {
      krv::detail::GrepEngine::kAuto, krv::detail::GrepEngine::kSmallBudget,
      krv::detail::GrepEngine::kLivenessOnly, krv::detail::GrepEngine::kLivenessOnly};
  static constexpr krv::detail::GrepScanPath kPaths[] = {
      krv::detail::GrepScanPath::kBest, krv::detail::GrepScanPath::kSse2,
      krv::detail::GrepScanPath::kPortable, krv::detail::GrepScanPath::kBest};
  krv::detail::SetGrepEngine(kEngines[(flags >> 4) & 3]);
  krv::detail::SetGrepScanPath(kPaths[(flags >> 6) & 3]);

  krv::TGrep g;
  g.SetStopOnError(false);
  g.SetIgnoreCase(flags & 1);
  g.SetRegExp(krv::String(pattern.begin(), pattern.end()));
  const int from = static_cast<int>((flags >> 1) & 7);  // 0..7

  krv::grep_reference::Matcher ref(krv::grep_reference::TokensOf(g), flags & 1);
  const krv::grep_reference::Result want = ref.Search(subject, from);
  g.SetSearchStartPos(from);
  krv::Integer pos = 0;
  const bool found = g.MatchString(subject, pos);
  Check(found == want.found);
  if (found) {
    Check(g.MatchStartPos() == want.start && pos == want.start);
    Check(g.MatchEndPos() == want.end);
    for (int k = 1; k <= g.NrOfRegExpTokens(); ++k) {
      Check(g.GetRegExpToken(k).ValidFrom == want.valid_from[static_cast<std::size_t>(k - 1)]);
    }
  }
  return 0;
}
