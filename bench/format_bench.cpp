// Number layouts and the number scanner beside their C library peers, on the same values:
// strff / FormatData against snprintf with the matching format, ScanStringFPNum against
// strtod (and std::from_chars) on the same texts.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "korvex/stringl/format.h"
#include "korvex/stringl/numscan.h"

namespace {

constexpr std::size_t kCount = 4096;

// Values of mixed size and sign, the kind a data table holds.
const std::vector<double>& Values() {
  static const std::vector<double> v = [] {
    std::mt19937_64 rng(42);
    std::vector<double> out(kCount);
    for (double& x : out) {
      const double m = std::uniform_real_distribution<double>(1, 10)(rng);
      const int e = static_cast<int>(rng() % 12) - 4;
      x = m * std::pow(10.0, e) * (rng() % 4 == 0 ? -1 : 1);
    }
    return out;
  }();
  return v;
}

const std::vector<long double>& ExtendedValues() {
  static const std::vector<long double> v = [] {
    std::vector<long double> out;
    for (double x : Values()) out.push_back(static_cast<long double>(x) / 3);
    return out;
  }();
  return v;
}

// ---- Fixed layout ---------------------------------------------------------------------------

void BM_strff_Fixed(benchmark::State& state) {
  const auto& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::strff(v[i++ % kCount], 12, 3));
  }
}
BENCHMARK(BM_strff_Fixed);

void BM_snprintf_Fixed(benchmark::State& state) {
  const auto& v = Values();
  char buf[400];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%12.3f", v[i++ % kCount]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_Fixed);

// ---- Short scientific layout ----------------------------------------------------------------

void BM_strff_Scientific(benchmark::State& state) {
  const auto& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::strff(v[i++ % kCount], 12, -2));
  }
}
BENCHMARK(BM_strff_Scientific);

void BM_snprintf_Scientific(benchmark::State& state) {
  const auto& v = Values();
  char buf[64];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%12.5E", v[i++ % kCount]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_Scientific);

// ---- Extended values a double cannot hold ---------------------------------------------------

void BM_strff_ExtendedFixed(benchmark::State& state) {
  const auto& v = ExtendedValues();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::strff(v[i++ % kCount], 12, 3));
  }
}
BENCHMARK(BM_strff_ExtendedFixed);

void BM_snprintf_ExtendedFixed(benchmark::State& state) {
  const auto& v = ExtendedValues();
  char buf[400];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%12.3Lf", v[i++ % kCount]));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_ExtendedFixed);

// ---- FormatData: fixed when it fits, scientific otherwise --------------------------------------

void BM_FormatData(benchmark::State& state) {
  const auto& v = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(krv::FormatData(v[i++ % kCount], 10, 3));
  }
}
BENCHMARK(BM_FormatData);

// The same choice made with snprintf: "%10.3f" inside the row's bounds, "%16.7E" beyond.
void BM_snprintf_FormatData(benchmark::State& state) {
  const auto& v = Values();
  char buf[64];
  std::size_t i = 0;
  for (auto _ : state) {
    const double x = v[i++ % kCount];
    const double a = std::fabs(x);
    if (a <= 99999.999 && (a >= 0.001 || x == 0)) {
      benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%10.3f", x));
    } else {
      benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%16.7E", x));
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_snprintf_FormatData);

// ---- Scanning -----------------------------------------------------------------------------

// The same texts for every scanner: 17 significant digits with an exponent, and short fixed
// texts.
struct Texts {
  std::vector<krv::String> wide;
  std::vector<std::string> narrow;
};

const Texts& ScanTexts(bool scientific) {
  static Texts sci, fixed;
  Texts& t = scientific ? sci : fixed;
  if (t.wide.empty()) {
    char buf[64];
    for (double x : Values()) {
      const int n = scientific ? std::snprintf(buf, sizeof buf, "%.16E", x)
                               : std::snprintf(buf, sizeof buf, "%.3f", x);
      t.narrow.emplace_back(buf, static_cast<std::size_t>(n));
      t.wide.emplace_back(buf, buf + n);
    }
  }
  return t;
}

void BM_ScanStringFPNum(benchmark::State& state) {
  const Texts& t = ScanTexts(state.range(0) != 0);
  std::size_t i = 0;
  for (auto _ : state) {
    std::int32_t pos = 1;
    benchmark::DoNotOptimize(krv::ScanStringFPNum(t.wide[i++ % kCount], true, 1, pos));
  }
}
BENCHMARK(BM_ScanStringFPNum)->Arg(1)->Arg(0);

void BM_strtod(benchmark::State& state) {
  const Texts& t = ScanTexts(state.range(0) != 0);
  std::size_t i = 0;
  for (auto _ : state) {
    char* end = nullptr;
    benchmark::DoNotOptimize(std::strtod(t.narrow[i++ % kCount].c_str(), &end));
  }
}
BENCHMARK(BM_strtod)->Arg(1)->Arg(0);

void BM_from_chars(benchmark::State& state) {
  const Texts& t = ScanTexts(state.range(0) != 0);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& s = t.narrow[i++ % kCount];
    double v;
    benchmark::DoNotOptimize(std::from_chars(s.data(), s.data() + s.size(), v));
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_from_chars)->Arg(1)->Arg(0);

}  // namespace

BENCHMARK_MAIN();
