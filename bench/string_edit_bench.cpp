// Word counting, character-set tests and substring replacement on 1 MiB of text, each beside
// a plain std::u16string loop doing the same work (separator and set membership through
// std::u16string::find / find_first_of, replacement through find and append).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"

namespace {

using krv::String;

constexpr std::size_t kTextUnits = (1u << 20) / sizeof(char16_t);  // 1 MiB of UTF-16

// Lower-case words with blanks, commas, full stops and line ends; no digits, so a search
// for digits scans the whole text.
const String& Text() {
  static const String text = [] {
    const char16_t* kWords[] = {u"the",   u"quick", u"brown", u"fox", u"jumps", u"over",
                                u"lazy",  u"dog",   u"a",     u"of",  u"theme", u"then",
                                u"other", u"and",   u"it",    u"is"};
    std::mt19937 rng(42);
    String t;
    t.reserve(kTextUnits + 16);
    while (t.size() < kTextUnits) {
      t += kWords[rng() % 16];
      const unsigned r = rng() % 20;
      t += r == 0 ? u", " : r == 1 ? u". " : r == 2 ? u"\r\n" : u" ";
    }
    t.resize(kTextUnits);
    return t;
  }();
  return text;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kTextUnits * sizeof(char16_t)));
}

// ---- CountWords ----

void BM_CountWords_Krv(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(krv::CountWords(text));
  SetBytes(state);
}
BENCHMARK(BM_CountWords_Krv);

void BM_CountWords_PlainLoop(benchmark::State& state) {
  const String& text = Text();
  const std::u16string seps(u"\0\n\r \"#%'()*+,-./:;<=>[\\]{}", 26);
  for (auto _ : state) {
    std::int32_t words = 0, run = 0;
    for (char16_t c : text) {
      if (seps.find(c) != std::u16string::npos) {
        if (run >= 2) ++words;
        run = 0;
      } else {
        ++run;
      }
    }
    benchmark::DoNotOptimize(words);
  }
  SetBytes(state);
}
BENCHMARK(BM_CountWords_PlainLoop);

// ---- StringContains / StringContainsOtherThan ----

void BM_StringContains_Krv(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(krv::StringContains(text, u"//dig"));
  SetBytes(state);
}
BENCHMARK(BM_StringContains_Krv);

void BM_StringContains_PlainLoop(benchmark::State& state) {
  const String& text = Text();
  const std::u16string set(u"0123456789");
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.find_first_of(set) != std::u16string::npos);
  }
  SetBytes(state);
}
BENCHMARK(BM_StringContains_PlainLoop);

void BM_StringContainsOtherThan_Krv(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::StringContainsOtherThan(text, u"//lc ,.\r\n"));
  }
  SetBytes(state);
}
BENCHMARK(BM_StringContainsOtherThan_Krv);

void BM_StringContainsOtherThan_PlainLoop(benchmark::State& state) {
  const String& text = Text();
  const std::u16string set(u"abcdefghijklmnopqrstuvwxyz ,.\r\n");
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.find_first_not_of(set) != std::u16string::npos);
  }
  SetBytes(state);
}
BENCHMARK(BM_StringContainsOtherThan_PlainLoop);

// ---- ReplaceStringInString ----

String PlainReplace(const String& s, const String& search, const String& repl) {
  String out;
  out.reserve(s.size());
  std::size_t done = 0;
  for (std::size_t p = s.find(search); p != String::npos; p = s.find(search, done)) {
    out.append(s, done, p - done);
    out += repl;
    done = p + search.size();
  }
  out.append(s, done, String::npos);
  return out;
}

String PlainLower(String s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return s;
}

void BM_ReplaceStringInString_Krv(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::ReplaceStringInString(text, u"the", u"THE", false));
  }
  SetBytes(state);
}
BENCHMARK(BM_ReplaceStringInString_Krv);

void BM_ReplaceStringInString_PlainLoop(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) benchmark::DoNotOptimize(PlainReplace(text, u"the", u"THE"));
  SetBytes(state);
}
BENCHMARK(BM_ReplaceStringInString_PlainLoop);

void BM_ReplaceStringInStringIgnoreCase_Krv(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::ReplaceStringInString(text, u"THE", u"a", true));
  }
  SetBytes(state);
}
BENCHMARK(BM_ReplaceStringInStringIgnoreCase_Krv);

// The plain loop searches a folded copy and copies from the original, as a careful caller
// would.
void BM_ReplaceStringInStringIgnoreCase_PlainLoop(benchmark::State& state) {
  const String& text = Text();
  for (auto _ : state) {
    const String folded = PlainLower(text);
    const String needle = PlainLower(u"THE");
    String out;
    out.reserve(text.size());
    std::size_t done = 0;
    for (std::size_t p = folded.find(needle); p != String::npos; p = folded.find(needle, done)) {
      out.append(text, done, p - done);
      out += u"a";
      done = p + needle.size();
    }
    out.append(text, done, String::npos);
    benchmark::DoNotOptimize(out);
  }
  SetBytes(state);
}
BENCHMARK(BM_ReplaceStringInStringIgnoreCase_PlainLoop);

}  // namespace

BENCHMARK_MAIN();
