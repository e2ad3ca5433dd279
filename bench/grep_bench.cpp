// TGrep beside PCRE2 (interpreter, and JIT-compiled) and std::regex (ECMAScript).
//
// Ordinary patterns: each engine searches the same 4 MiB of text line by line. The text is
// generated: English-like words in lines of 30 to 120 characters, with planted lines for each
// pattern. Every engine gets its lines in its own form (UTF-16 for TGrep, bytes for the
// others), prepared outside the timed loop, and the number of matching lines is reported so
// that the engines can be seen to agree.
//
// Worst cases: patterns built to make a backtracking search explore as much as it can, each
// searched once in one subject of 64 KiB, 1 MiB and 16 MiB characters. The figure that counts
// is s_per_MiB, the time per MiB, which must not grow with the size. The backtracking engines are
// shown on the classic (a)*(a)*(a)*(a)*b with short runs only, where they already grow fast.
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
// Two more of the everyday kind: a repeated set before a literal, and a decimal number.
constexpr const char* kWordEnd = "[a-z]+ment";
constexpr const char* kDecimal = "[0-9]+\\.[0-9]+";
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

// Lines of `run` times a, then "cb", making up `total` bytes (at least one line).
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

// Seconds per MiB of subject, one character counting as one byte (shown with an SI prefix:
// 1.5m is 1.5 ms).
void ReportTimePerMiB(benchmark::State& state, std::size_t chars) {
  state.counters["s_per_MiB"] = benchmark::Counter(
      static_cast<double>(chars) / (1 << 20),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::size_t SizeOf(const Corpus& c) {
  std::size_t n = 0;
  for (const auto& l : c.bytes) n += l.size() + 1;
  return n;
}

void TGrepOn(benchmark::State& state, const char* pattern, const Corpus& c) {
  krv::TGrep g;
  g.SetRegExp(krv::ToUtf16(pattern));
  long matched = 0;
  for (auto _ : state) {
    matched = 0;
    krv::Integer pos = 0;
    for (const auto& line : c.wide) matched += g.MatchString(line, pos);
    benchmark::DoNotOptimize(matched);
  }
  Report(state, SizeOf(c), matched);
  ReportTimePerMiB(state, SizeOf(c));
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
void Pcre2On(benchmark::State& state, const char* pattern, const Corpus& c, bool jit) {
  int err = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* re = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, 0,
                                 &err, &offset, nullptr);
  if (jit && pcre2_jit_compile(re, PCRE2_JIT_COMPLETE) != 0) {
    state.SkipWithError("PCRE2 JIT not available");
    pcre2_code_free(re);
    return;
  }
  pcre2_match_data* md = pcre2_match_data_create_from_pattern(re, nullptr);
  long matched = 0;
  long limit_hits = 0;
  for (auto _ : state) {
    matched = 0;
    limit_hits = 0;
    for (const auto& line : c.bytes) {
      const auto* subject = reinterpret_cast<PCRE2_SPTR>(line.data());
      const int rc = jit ? pcre2_jit_match(re, subject, line.size(), 0, 0, md, nullptr)
                         : pcre2_match(re, subject, line.size(), 0, 0, md, nullptr);
      matched += rc > 0;
      limit_hits += rc == PCRE2_ERROR_MATCHLIMIT;
    }
    benchmark::DoNotOptimize(matched);
  }
  Report(state, SizeOf(c), matched);
  ReportTimePerMiB(state, SizeOf(c));
  if (limit_hits > 0) state.counters["match_limit_hits"] = static_cast<double>(limit_hits);
  pcre2_match_data_free(md);
  pcre2_code_free(re);
}
#endif

// ---------------------------------------------------------------------------------------------
// The ordinary patterns on the 4 MiB text.

void BM_Literal_TGrep(benchmark::State& s) {
  TGrepOn(s, kLiteral, Text());
}
void BM_Digits_TGrep(benchmark::State& s) {
  TGrepOn(s, kDigits, Text());
}
void BM_Anchored_TGrep(benchmark::State& s) {
  TGrepOn(s, kAnchored, Text());
}
void BM_WordEnd_TGrep(benchmark::State& s) {
  TGrepOn(s, kWordEnd, Text());
}
void BM_Decimal_TGrep(benchmark::State& s) {
  TGrepOn(s, kDecimal, Text());
}
BENCHMARK(BM_Literal_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordEnd_TGrep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decimal_TGrep)->Unit(benchmark::kMillisecond);
#if defined(KORVEX_HAVE_PCRE2)
void BM_Literal_Pcre2(benchmark::State& s) {
  Pcre2On(s, kLiteral, Text(), false);
}
void BM_Digits_Pcre2(benchmark::State& s) {
  Pcre2On(s, kDigits, Text(), false);
}
void BM_Anchored_Pcre2(benchmark::State& s) {
  Pcre2On(s, kAnchored, Text(), false);
}
void BM_Literal_Pcre2Jit(benchmark::State& s) {
  Pcre2On(s, kLiteral, Text(), true);
}
void BM_Digits_Pcre2Jit(benchmark::State& s) {
  Pcre2On(s, kDigits, Text(), true);
}
void BM_Anchored_Pcre2Jit(benchmark::State& s) {
  Pcre2On(s, kAnchored, Text(), true);
}
void BM_WordEnd_Pcre2(benchmark::State& s) {
  Pcre2On(s, kWordEnd, Text(), false);
}
void BM_Decimal_Pcre2(benchmark::State& s) {
  Pcre2On(s, kDecimal, Text(), false);
}
void BM_WordEnd_Pcre2Jit(benchmark::State& s) {
  Pcre2On(s, kWordEnd, Text(), true);
}
void BM_Decimal_Pcre2Jit(benchmark::State& s) {
  Pcre2On(s, kDecimal, Text(), true);
}
BENCHMARK(BM_WordEnd_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decimal_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordEnd_Pcre2Jit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decimal_Pcre2Jit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Literal_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_Pcre2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Literal_Pcre2Jit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_Pcre2Jit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_Pcre2Jit)->Unit(benchmark::kMillisecond);
#endif
void BM_Literal_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kLiteral, Text());
}
void BM_Digits_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kDigits, Text());
}
void BM_Anchored_StdRegex(benchmark::State& s) {
  StdRegexOn(s, kAnchored, Text());
}
BENCHMARK(BM_Literal_StdRegex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Digits_StdRegex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Anchored_StdRegex)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------
// Worst cases: one subject of s.range(0) KiB characters.

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Characters drawn uniformly from `alphabet`, fixed by the seed.
std::u16string RandomOver(const char* alphabet, std::size_t n) {
  const std::string a(alphabet);
  std::u16string out(n, u' ');
  std::uint64_t state = 987654321;
  for (auto& c : out) c = static_cast<char16_t>(a[Next(state) % a.size()]);
  return out;
}

// `unit` repeated to n characters.
std::u16string Cycle(const char* unit, std::size_t n) {
  const std::string u(unit);
  std::u16string out(n, u' ');
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char16_t>(u[i % u.size()]);
  return out;
}

void WorstCase(benchmark::State& state, const std::string& pattern, bool ignore_case,
               std::u16string (*subject)(std::size_t)) {
  const std::size_t n = static_cast<std::size_t>(state.range(0)) << 10;
  const std::u16string s = subject(n);
  krv::TGrep g;
  g.SetIgnoreCase(ignore_case);
  g.SetRegExp(krv::ToUtf16(pattern));
  if (g.NrOfRegExpTokens() < 1) state.SkipWithError("pattern did not compile");
  bool found = false;
  for (auto _ : state) {
    krv::Integer pos = 0;
    found = g.MatchString(s, pos);
    benchmark::DoNotOptimize(pos);
  }
  state.counters["tokens"] = static_cast<double>(g.NrOfRegExpTokens());
  state.counters["found"] = found;
  ReportTimePerMiB(state, n);
}

// The worst cases known before: many repetitions that can each take the same characters.
void BM_Worst_IgnoreCaseSets(benchmark::State& s) {
  WorstCase(s, Repeat("[A-C]+", 63) + "[D]", true,
            [](std::size_t n) { return RandomOver("abcABC", n); });
}
void BM_Worst_Plus(benchmark::State& s) {
  WorstCase(s, Repeat("a+", 63) + "[d]", false,
            [](std::size_t n) { return std::u16string(n, u'a'); });
}
// The same with a match: it spans the whole subject, so the walk crosses all of it.
void BM_Worst_PlusFound(benchmark::State& s) {
  WorstCase(s, Repeat("a+", 63) + "[d]", false, [](std::size_t n) {
    std::u16string out(n, u'a');
    out.back() = u'd';
    return out;
  });
}
void BM_Worst_Optional(benchmark::State& s) {
  WorstCase(s, Repeat("a?", 62) + "[c]", false,
            [](std::size_t n) { return std::u16string(n, u'a'); });
}
// Repeated and optional groups that overlap one another.
void BM_Worst_Groups(benchmark::State& s) {
  WorstCase(s, Repeat("(ab)*(aba)?", 31) + "[c]", false,
            [](std::size_t n) { return Cycle("ab", n); });
}
// Groups of every width from 2 to 64 characters, each repeated, on a run they all match.
void BM_Worst_GroupWidths(benchmark::State& s) {
  std::string p;
  for (int w = 2; w <= 64; ++w) {
    p += '(';
    p.append(static_cast<std::size_t>(w), 'a');
    p += ")*";
  }
  WorstCase(s, p + "[b]", false, [](std::size_t n) { return std::u16string(n, u'a'); });
}
// 63 repeated groups of 255 characters drawn from 70, too many for the literal automaton's
// table, on text drawn from the same 70 characters.
constexpr const char* kSeventy =
    "0123456789:;<=>@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]_`abcdefghijklmnopqrstuvwx";
void BM_Worst_ManyLiterals(benchmark::State& s) {
  std::string p;
  std::uint64_t state = 42;
  for (int k = 0; k < 63; ++k) {
    p += '(';
    for (int i = 0; i < 255; ++i) p += kSeventy[Next(state) % 70];
    p += ")*";
  }
  WorstCase(s, p + "[~]", false, [](std::size_t n) { return RandomOver(kSeventy, n); });
}
// The same with characters above 255: 63 groups of 255 ideographs, each drawn from 16000, on
// text of the same ideographs.
std::string Ideograph(std::uint64_t& state) {
  return krv::ToUtf8(std::u16string(1, static_cast<char16_t>(0x4E00 + Next(state) % 16000)));
}
void BM_Worst_WideLiterals(benchmark::State& s) {
  std::string p;
  std::uint64_t state = 7;
  for (int k = 0; k < 63; ++k) {
    p += '(';
    for (int i = 0; i < 255; ++i) p += Ideograph(state);
    p += ")*";
  }
  WorstCase(s, p + "[~]", false, [](std::size_t n) {
    std::u16string out(n, u' ');
    std::uint64_t st = 9;
    for (auto& c : out) c = static_cast<char16_t>(0x4E00 + Next(st) % 16000);
    return out;
  });
}
// Many optional tokens of every kind.
void BM_Worst_ManyOptional(benchmark::State& s) {
  WorstCase(s, Repeat(".?[ab]?(ab)?", 21) + "[c]", false,
            [](std::size_t n) { return RandomOver("ab", n); });
}
// Folded sets, repeated and optional, on letters and digits.
void BM_Worst_FoldedSets(benchmark::State& s) {
  WorstCase(s, Repeat("[A-Z]*[0-9]?", 31) + "[#]", true,
            [](std::size_t n) { return RandomOver("aZ0bY1cX2", n); });
}
// Any-character repetitions.
void BM_Worst_AnyStars(benchmark::State& s) {
  WorstCase(s, Repeat(".*", 63) + "[=]", false, [](std::size_t n) { return RandomOver("xyz", n); });
}
// A long literal against runs of its own first characters, each one short of a match.
void BM_Worst_LongLiteral(benchmark::State& s) {
  WorstCase(s, std::string(254, 'a') + "b", false, [](std::size_t n) {
    std::string unit(253, 'a');
    return Cycle((unit + "b").c_str(), n);
  });
}
// The classic, with a set at the end so that no literal search can rule it out at once.
void BM_Worst_Pathological(benchmark::State& s) {
  WorstCase(s, "(a)*(a)*(a)*(a)*[b]", false, [](std::size_t n) { return std::u16string(n, u'a'); });
}
#define KORVEX_WORST_CASE(name) \
  BENCHMARK(name)->Arg(64)->Arg(1024)->Arg(16384)->Unit(benchmark::kMillisecond)
KORVEX_WORST_CASE(BM_Worst_IgnoreCaseSets);
KORVEX_WORST_CASE(BM_Worst_Plus);
KORVEX_WORST_CASE(BM_Worst_PlusFound);
KORVEX_WORST_CASE(BM_Worst_Optional);
KORVEX_WORST_CASE(BM_Worst_Groups);
KORVEX_WORST_CASE(BM_Worst_GroupWidths);
KORVEX_WORST_CASE(BM_Worst_ManyLiterals);
KORVEX_WORST_CASE(BM_Worst_WideLiterals);
KORVEX_WORST_CASE(BM_Worst_ManyOptional);
KORVEX_WORST_CASE(BM_Worst_FoldedSets);
KORVEX_WORST_CASE(BM_Worst_AnyStars);
KORVEX_WORST_CASE(BM_Worst_LongLiteral);
KORVEX_WORST_CASE(BM_Worst_Pathological);

// The pathological pattern on one line with a short run, to show how the backtracking
// engines grow.
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
  Pcre2On(s, kPathological, Runs(static_cast<std::size_t>(s.range(0)), 1), false);
}
BENCHMARK(BM_Pathological_Pcre2)->RangeMultiplier(2)->Range(8, 64)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
