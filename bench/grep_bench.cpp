// TGrep beside std::regex (ECMAScript) and PCRE2 (interpreter, no JIT), each searching the
// same 4 MiB of text line by line. The text is generated: English-like words in lines of 30 to
// 120 characters, with planted lines for each pattern. Every engine gets its lines in its own
// form (UTF-16 for TGrep, bytes for the others), prepared outside the timed loop, and the
// number of matching lines is reported so that the engines can be seen to agree.
//
// The pathological case (a)*(a)*(a)*(a)*b runs against runs of a followed by "cb": a
// backtracking search tries every split of the run among the four repetitions at every start
// position. TGrep is measured on 4 MiB of it; the backtracking engines on single short runs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "korvex/platform/text.h"
#include "korvex/stringl/grep.h"

#if defined(KORVEX_HAVE_PCRE2)
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif

namespace {

constexpr std::size_t kTextBytes = std::size_t{4} << 20;
constexpr const char* kLiteral = "quartzvigil";
constexpr const char* kDigits = "ab[0-9]+x";
constexpr const char* kAnchored = "^foo.*bar$";
constexpr const char* kPathological = "(a)*(a)*(a)*(a)*b";

struct Corpus {
  std::vector<std::string> bytes;
  std::vector<std::u16string> wide;
};

std::uint32_t Next(std::uint64_t& state) {
  state = state * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<std::uint32_t>(state >> 33);
}

const Corpus& Text() {
  static const Corpus corpus = [] {
    static const char* const kWords[] = {
        "the",        "of",      "and",    "to",       "in",          "a",           "is",
        "that",       "for",     "it",     "as",       "was",         "with",        "be",
        "by",         "on",      "not",    "he",       "this",        "are",         "or",
        "his",        "from",    "at",     "which",    "but",         "have",        "an",
        "had",        "they",    "you",    "were",     "their",       "one",         "all",
        "we",         "can",     "her",    "has",      "there",       "been",        "if",
        "more",       "when",    "will",   "would",    "who",         "so",          "about",
        "sample",     "data",    "value",  "flow",     "sensor",      "bench",       "about",
        "abbey",      "absent",  "cabin",  "tab",      "lab",         "fable",       "foot",
        "food",       "barrel",  "embark", "rebar",    "number",      "42",          "1013",
        "2024",       "0.25",    "Alpha",  "Beta",     "Report",      "Summary",     "March",
        "shaft",      "valve",   "pump",   "pressure", "temperature", "calibration", "measurement",
        "laboratory", "analysis"};
    Corpus c;
    std::uint64_t state = 12345;
    std::size_t total = 0;
    long line_no = 0;
    while (total < kTextBytes) {
      std::string line;
      ++line_no;
      if (line_no == 30011) {
        line = "an entry that mentions the quartzvigil once and only once";
      } else if (line_no % 499 == 0) {
        line = "batch ab" + std::to_string(Next(state) % 100000) + "x passed the check";
      } else if (line_no % 307 == 0) {
        line = "foo line with words in the middle and the final bar";
      } else if (line_no % 211 == 0) {
        line = "food for thought, no closing word here";
      } else {
        const std::size_t target = 30 + Next(state) % 91;
        while (line.size() < target) {
          if (!line.empty()) line += ' ';
          line += kWords[Next(state) % std::size(kWords)];
        }
      }
      total += line.size() + 1;
      c.bytes.push_back(line);
      c.wide.push_back(krv::ToUtf16(line));
    }
    return c;
  }();
  return corpus;
}

// Lines of `run` times a, then "cb", making up about 4 MiB (or one line of 4 MiB).
Corpus Runs(std::size_t run, std::size_t total) {
  Corpus c;
  for (std::size_t sum = 0; sum < total; sum += run + 3) {
    std::string line(run, 'a');
    line += "cb";
    c.bytes.push_back(line);
    c.wide.push_back(krv::ToUtf16(line));
  }
  return c;
}

void Report(benchmark::State& state, std::size_t bytes, long matched) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
  state.counters["matched_lines"] = static_cast<double>(matched);
}

std::size_t SizeOf(const Corpus& c) {
  std::size_t n = 0;
  for (const auto& l : c.bytes) n += l.size() + 1;
  return n;
}

long RunTGrep(krv::TGrep& g, const Corpus& c) {
  long matched = 0;
  krv::Integer pos = 0;
  for (const auto& line : c.wide) matched += g.MatchString(line, pos);
  return matched;
}

void TGrepOn(benchmark::State& state, const char* pattern, const Corpus& c) {
  krv::TGrep g;
  g.SetRegExp(krv::ToUtf16(pattern));
  long matched = 0;
  for (auto _ : state) {
    matched = RunTGrep(g, c);
    benchmark::DoNotOptimize(matched);
  }
  Report(state, SizeOf(c), matched);
  // Seconds per MiB of text (shown with an SI prefix: 1.5m is 1.5 ms).
  state.counters["s_per_MiB"] = benchmark::Counter(
      static_cast<double>(SizeOf(c)) / (1 << 20),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void StdRegexOn(benchmark::State& state, const char* pattern, const Corpus& c) {
  const std::regex re(pattern);
  long matched = 0;
  for (auto _ : state) {
    matched = 0;
    for (const auto& line : c.bytes) matched += std::regex_search(line, re);
    benchmark::DoNotOptimize(matched);
  }
  Report(state, SizeOf(c), matched);
}

#if defined(KORVEX_HAVE_PCRE2)
void Pcre2On(benchmark::State& state, const char* pattern, const Corpus& c) {
  int err = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, 0,
                                 &err, &offset, nullptr);
  pcre2_match_data* md = pcre2_match_data_create_from_pattern(re, nullptr);
  long matched = 0;
  long limit_hits = 0;
  for (auto _ : state) {
    matched = 0;
    limit_hits = 0;
    for (const auto& line : c.bytes) {
      const int rc = pcre2_match(re, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, 0,
                                 md, nullptr);
      matched += rc > 0;
      limit_hits += rc == PCRE2_ERROR_MATCHLIMIT;
    }
    benchmark::DoNotOptimize(matched);
  }
  Report(state, SizeOf(c), matched);
  if (limit_hits > 0) state.counters["match_limit_hits"] = static_cast<double>(limit_hits);
  pcre2_match_data_free(md);
  pcre2_code_free(re);
}
#endif

// The ordinary patterns on the 4 MiB text.
void BM_Literal_TGrep(benchmark::State& s) {
  TGrepOn(s, kLiteral, Text());
}
void BM_Literal_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kLiteral, Text());
}
void BM_Digits_TGrep(benchmark::State& s) {
  TGrepOn(s, kDigits, Text());
}
void BM_Digits_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kDigits, Text());
}
void BM_Anchored_TGrep(benchmark::State& s) {
  TGrepOn(s, kAnchored, Text());
}
void BM_Anchored_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kAnchored, Text());
}
BENCHMARK(BM_Literal_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Literal_StdRegex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_StdRegex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_StdRegex)->Unit(benchmark::kMillisecond);
#if defined(KORVEX_HAVE_PCRE2)
void BM_Literal_Pcre2(benchmark::State& s) {
  Pcre2On(s, kLiteral, Text());
}
void BM_Digits_Pcre2(benchmark::State& s) {
  Pcre2On(s, kDigits, Text());
}
void BM_Anchored_Pcre2(benchmark::State& s) {
  Pcre2On(s, kAnchored, Text());
}
BENCHMARK(BM_Literal_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_Pcre2)->Unit(benchmark::kMillisecond);
#endif

// The pathological pattern: TGrep on 4 MiB in lines of the given run length.
void BM_Pathological_TGrep_4MiB(benchmark::State& s) {
  static std::vector<Corpus> cache(2);
  const std::size_t run = static_cast<std::size_t>(s.range(0));
  Corpus& c = cache[run == 4096 ? 0 : 1];
  if (c.wide.empty()) c = Runs(run, kTextBytes);
  TGrepOn(s, kPathological, c);
}
BENCHMARK(BM_Pathological_TGrep_4MiB)
    ->Arg(4096)
    ->Arg(kTextBytes - 3)
    ->Unit(benchmark::kMillisecond);

// All three on one line with a short run, to show how the backtracking engines grow.
void BM_Pathological_TGrep(benchmark::State& s) {
  TGrepOn(s, kPathological, Runs(static_cast<std::size_t>(s.range(0)), 1));
}
void BM_Pathological_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kPathological, Runs(static_cast<std::size_t>(s.range(0)), 1));
}
BENCHMARK(BM_Pathological_TGrep)->RangeMultiplier(2)->Range(8, 64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pathological_StdRegex)
    ->RangeMultiplier(2)
    ->Range(8, 64)
    ->Unit(benchmark::kMicrosecond);
#if defined(KORVEX_HAVE_PCRE2)
void BM_Pathological_Pcre2(benchmark::State& s) {
  Pcre2On(s, kPathological, Runs(static_cast<std::size_t>(s.range(0)), 1));
}
BENCHMARK(BM_Pathological_Pcre2)->RangeMultiplier(2)->Range(8, 64)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
