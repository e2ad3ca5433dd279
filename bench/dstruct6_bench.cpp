// TStringArray and TAssocArray against their plain peers, in the same run.
//
// - A grid of 1,000,000 rows x 4 columns of 10-character cells: filled, sorted (the comb sort
//   of the sort index) and binary-searched, beside a std::vector<std::vector<std::string>>
//   holding the same cells (filled, std::sort of its rows, std::lower_bound). The counter
//   peak_MB is the peak of heap bytes in use while the structure is built (malloc's usable
//   size plus 8 bytes of chunk header per block), measured with a counting operator new.
// - Size sweeps of TStringArray's SetSortOrder (every entry of a shuffled permutation set in
//   turn) and FindCell / FindCellExact (a scan of the whole grid without regard to case),
//   beside a plain copy of the permutation and a scan of std::string cells. items_per_second
//   stays flat over the sweep when the cost per row or cell is constant.
// - TAssocArray look-ups with 100,000 keys beside the linear scan the hash index replaced.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "korvex/dstruct/assocarray.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/text.h"

// ------------------------------------------------------------------- heap accounting

namespace {
std::atomic<std::size_t> g_in_use{0};
std::atomic<std::size_t> g_peak{0};

void* CountedAlloc(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  const std::size_t now = g_in_use += malloc_usable_size(p) + 8;
  std::size_t peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void CountedFree(void* p) noexcept {
  if (p == nullptr) return;
  g_in_use -= malloc_usable_size(p) + 8;
  std::free(p);
}

// Peak heap growth (bytes) over the in-use level at the start.
class PeakMeter {
 public:
  PeakMeter() : base_(g_in_use.load()) { g_peak = base_; }
  double MB() const { return static_cast<double>(g_peak.load() - base_) / (1024.0 * 1024.0); }

 private:
  std::size_t base_;
};
}  // namespace

void* operator new(std::size_t n) {
  return CountedAlloc(n);
}
void* operator new[](std::size_t n) {
  return CountedAlloc(n);
}
void operator delete(void* p) noexcept {
  CountedFree(p);
}
void operator delete[](void* p) noexcept {
  CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
  CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  CountedFree(p);
}

namespace {

constexpr int kRows = 1000000;
constexpr int kCols = 4;

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// The 10-character text of cell (c, r): lower-case letters, the same for both structures.
void CellText(int c, int r, char* out) {
  std::uint64_t h = SplitMix(static_cast<std::uint64_t>(r) * 8 + static_cast<std::uint64_t>(c));
  for (int i = 0; i < 10; ++i, h /= 26) out[i] = static_cast<char>('a' + h % 26);
}

void FillGrid(krv::TStringArray& a, int nrows = kRows) {
  if (!a.Resize(kCols, nrows)) std::abort();
  char buf[10];
  for (int r = 1; r <= nrows; ++r)
    for (int c = 1; c <= kCols; ++c) {
      CellText(c, r, buf);
      a.SetString(c, r, std::string(buf, 10));
    }
}

using Rows = std::vector<std::vector<std::string>>;

void FillRows(Rows& rows, int nrows = kRows) {
  rows.assign(static_cast<std::size_t>(nrows), std::vector<std::string>(kCols));
  char buf[10];
  for (int r = 1; r <= nrows; ++r)
    for (int c = 1; c <= kCols; ++c) {
      CellText(c, r, buf);
      rows[static_cast<std::size_t>(r) - 1][static_cast<std::size_t>(c) - 1].assign(buf, 10);
    }
}

// ------------------------------------------------------------------- grid: fill

void BM_StringArray_Fill(benchmark::State& state) {
  double mb = 0;
  for (auto _ : state) {
    PeakMeter meter;
    krv::TStringArray a;
    FillGrid(a);
    benchmark::DoNotOptimize(a.NumBuffers());
    mb = meter.MB();
  }
  state.counters["peak_MB"] = mb;
  state.counters["cells"] = kRows * kCols;
}
BENCHMARK(BM_StringArray_Fill)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_VectorOfVectors_Fill(benchmark::State& state) {
  double mb = 0;
  for (auto _ : state) {
    PeakMeter meter;
    Rows rows;
    FillRows(rows);
    benchmark::DoNotOptimize(rows.data());
    mb = meter.MB();
  }
  state.counters["peak_MB"] = mb;
  state.counters["cells"] = kRows * kCols;
}
BENCHMARK(BM_VectorOfVectors_Fill)->Unit(benchmark::kMillisecond)->Iterations(2);

// ------------------------------------------------------------------- grid: sort

void BM_StringArray_Sort(benchmark::State& state) {
  krv::TStringArray a;
  FillGrid(a);
  for (auto _ : state) {
    a.UnSort();
    a.Sort(1, 0, true);
  }
  char buf[10];
  CellText(1, a.GetSortOrder(1), buf);
  if (a.GetString(1, 1) != std::string(buf, 10)) state.SkipWithError("inconsistent");
}
BENCHMARK(BM_StringArray_Sort)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_VectorOfVectors_StdSort(benchmark::State& state) {
  Rows original;
  FillRows(original);
  for (auto _ : state) {
    state.PauseTiming();
    Rows rows = original;
    state.ResumeTiming();
    std::sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x[0] < y[0]; });
    benchmark::DoNotOptimize(rows.data());
  }
}
BENCHMARK(BM_VectorOfVectors_StdSort)->Unit(benchmark::kMillisecond)->Iterations(2);

// ------------------------------------------------------------------- grid: binary search

std::vector<std::string> Probes() {
  std::vector<std::string> probes;
  char buf[10];
  for (std::uint64_t i = 0; i < 4096; ++i) {
    CellText(1, 1 + static_cast<int>(SplitMix(i + 77) % kRows), buf);
    probes.emplace_back(buf, 10);
  }
  return probes;
}

void BM_StringArray_FindInSortedColumn(benchmark::State& state) {
  krv::TStringArray a;
  FillGrid(a);
  a.Sort(1, 0, true);
  const auto probes = Probes();
  std::size_t i = 0;
  std::int64_t found = 0;
  for (auto _ : state) {
    std::int32_t row = 0;
    found += a.FindCellInSortedColumn(probes[i++ & 4095], true, 1, -1, -1, true, row);
    benchmark::DoNotOptimize(row);
  }
  if (found != static_cast<std::int64_t>(state.iterations())) state.SkipWithError("missed");
}
BENCHMARK(BM_StringArray_FindInSortedColumn);

void BM_VectorOfVectors_LowerBound(benchmark::State& state) {
  Rows rows;
  FillRows(rows);
  std::sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x[0] < y[0]; });
  const auto probes = Probes();
  std::size_t i = 0;
  std::int64_t found = 0;
  for (auto _ : state) {
    const std::string& p = probes[i++ & 4095];
    auto it = std::lower_bound(rows.begin(), rows.end(), p,
                               [](const auto& row, const std::string& v) { return row[0] < v; });
    found += it != rows.end() && (*it)[0] == p;
    benchmark::DoNotOptimize(it);
  }
  if (found != static_cast<std::int64_t>(state.iterations())) state.SkipWithError("missed");
}
BENCHMARK(BM_VectorOfVectors_LowerBound);

// ------------------------------------------------------------------- grid: size sweeps

// A shuffled permutation of 1..n, the same on every run.
std::vector<std::int32_t> Shuffled(int n) {
  std::vector<std::int32_t> perm(static_cast<std::size_t>(n));
  std::iota(perm.begin(), perm.end(), 1);
  std::shuffle(perm.begin(), perm.end(), std::mt19937(12345));
  return perm;
}

void BM_StringArray_SetSortOrder(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  krv::TStringArray a;
  if (!a.Resize(1, n)) std::abort();
  const auto perm = Shuffled(n);
  for (auto _ : state) {
    a.UnSort();
    for (int i = 1; i <= n; ++i) a.SetSortOrder(i, perm[static_cast<std::size_t>(i) - 1]);
  }
  for (int i = 1; i <= n; ++i)
    if (a.GetSortOrder(i) != perm[static_cast<std::size_t>(i) - 1])
      state.SkipWithError("wrong order");
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StringArray_SetSortOrder)->RangeMultiplier(4)->Range(1 << 10, 1 << 16);

void BM_VectorCopy_Permutation(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto perm = Shuffled(n);
  std::vector<std::int32_t> ix(perm.size());
  for (auto _ : state) {
    std::copy(perm.begin(), perm.end(), ix.begin());
    benchmark::DoNotOptimize(ix.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorCopy_Permutation)->RangeMultiplier(4)->Range(1 << 10, 1 << 16);

// The text of the last cell in capitals: found only at the end of a scan without regard to
// case (the cells are lower-case).
std::string LastCellUpper(int nrows) {
  char buf[10];
  CellText(kCols, nrows, buf);
  std::string s(buf, 10);
  for (char& c : s) c = static_cast<char>(c - 32);
  return s;
}

template <bool kExact>
void BM_StringArray_FindCell(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  krv::TStringArray a;
  FillGrid(a, n);
  const std::string needle = LastCellUpper(n);
  std::int32_t col = 0, row = 0;
  for (auto _ : state) {
    const bool found = kExact ? a.FindCellExact(needle, false, 1, kCols, -1, -1, col, row)
                              : a.FindCell(needle, false, 1, kCols, -1, -1, col, row);
    benchmark::DoNotOptimize(found);
  }
  if (col != kCols || row != n) state.SkipWithError("not found at the end");
  state.SetItemsProcessed(state.iterations() * n * kCols);
}
BENCHMARK(BM_StringArray_FindCell<false>)->RangeMultiplier(4)->Range(1 << 10, 1 << 18);
BENCHMARK(BM_StringArray_FindCell<true>)->RangeMultiplier(4)->Range(1 << 10, 1 << 18);

// The peer: std::string cells already in lower case, searched with std::string::find.
void BM_VectorOfVectors_FindSubstring(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Rows rows;
  FillRows(rows, n);
  std::string needle = LastCellUpper(n);
  for (char& c : needle) c = static_cast<char>(c + 32);
  std::size_t at = 0;
  for (auto _ : state) {
    at = 0;
    for (std::size_t i = 0; i < rows.size() * kCols; ++i)
      if (rows[i / kCols][i % kCols].find(needle) != std::string::npos) {
        at = i + 1;
        break;
      }
    benchmark::DoNotOptimize(at);
  }
  if (at != rows.size() * kCols) state.SkipWithError("not found at the end");
  state.SetItemsProcessed(state.iterations() * n * kCols);
}
BENCHMARK(BM_VectorOfVectors_FindSubstring)->RangeMultiplier(4)->Range(1 << 10, 1 << 18);

// ------------------------------------------------------------------- TAssocArray

constexpr int kKeys = 100000;

krv::String Key(int i) {
  return krv::ToUtf16("Key_" + std::to_string(SplitMix(i) % 1000000007));
}

void BM_AssocArray_Lookup(benchmark::State& state) {
  krv::TAssocArray a;
  for (int i = 0; i < kKeys; ++i) a.Add(Key(i), krv::Variant(i));
  std::vector<krv::String> probes;
  for (int i = 0; i < 4096; ++i) probes.push_back(Key(static_cast<int>(SplitMix(i) % kKeys)));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(a.IndexOfKey(probes[i++ & 4095]));
}
BENCHMARK(BM_AssocArray_Lookup);

// The look-up the hash index replaced: entries in order, both sides folded (A-Z), first
// equal key wins.
void BM_LinearScan_Lookup(benchmark::State& state) {
  std::vector<krv::String> keys;
  for (int i = 0; i < kKeys; ++i) {
    krv::String k = Key(i);
    for (auto& c : k)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    keys.push_back(k);
  }
  std::vector<krv::String> probes;
  for (int i = 0; i < 4096; ++i) probes.push_back(Key(static_cast<int>(SplitMix(i) % kKeys)));
  std::size_t i = 0;
  for (auto _ : state) {
    krv::String p = probes[i++ & 4095];
    for (auto& c : p)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    int at = -1;
    for (std::size_t k = 0; k < keys.size(); ++k)
      if (keys[k] == p) {
        at = static_cast<int>(k);
        break;
      }
    benchmark::DoNotOptimize(at);
  }
}
BENCHMARK(BM_LinearScan_Lookup);

void BM_AssocArray_AddRemove(benchmark::State& state) {
  krv::TAssocArray a;
  for (int i = 0; i < kKeys; ++i) a.Add(Key(i), krv::Variant(i));
  int i = 0;
  for (auto _ : state) {
    const krv::String k = Key(kKeys + (i++ & 1023));
    a.Add(k, krv::Variant(i));
    benchmark::DoNotOptimize(a.Remove(k));
  }
}
BENCHMARK(BM_AssocArray_AddRemove);

}  // namespace

BENCHMARK_MAIN();
