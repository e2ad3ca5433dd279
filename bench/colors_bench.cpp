// Benchmarks of the colour scale: ColorToIndex on a 1000-element scale and
// FillByInterpolation on a million elements. No library elsewhere does the same work, so the
// baseline beside ColorToIndex is the plain loop over RGBColorDistance that it replaces.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/random.h"

namespace {

std::vector<krv::TColor> Queries() {
  krv::RandSeed = 4711;
  std::vector<krv::TColor> q(1024);
  for (auto& c : q) c = krv::RandomColor();
  return q;
}

void BM_ColorToIndex(benchmark::State& state) {
  krv::TColorArray scale;  // 1000 rainbow colours
  const std::vector<krv::TColor> q = Queries();
  std::size_t k = 0;
  for (auto _ : state) {
    double d;
    benchmark::DoNotOptimize(scale.ColorToIndex(q[k++ & 1023], d));
  }
  state.SetItemsProcessed(state.iterations() * scale.Size());  // elements compared
}
BENCHMARK(BM_ColorToIndex);

// Baseline: every element through RGBColorDistance, as the search is written out.
void BM_ColorToIndex_DistanceLoop(benchmark::State& state) {
  krv::TColorArray scale;
  const std::vector<krv::TColor> q = Queries();
  std::size_t k = 0;
  for (auto _ : state) {
    const krv::TColor cl = q[k++ & 1023];
    double best = 1;
    std::int32_t at = 1;
    for (std::int32_t i = 1; i <= scale.Size(); ++i) {
      const double d = krv::RGBColorDistance(cl, scale.GetColorElem(i));
      if (d < best) {
        best = d;
        at = i;
      }
    }
    benchmark::DoNotOptimize(at);
  }
  state.SetItemsProcessed(state.iterations() * scale.Size());
}
BENCHMARK(BM_ColorToIndex_DistanceLoop);

// range(0): discrete levels (0 = smooth).
void BM_FillByInterpolation(benchmark::State& state) {
  krv::TColorArray scale;
  scale.SetSize(1000000);
  const auto levels = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    scale.FillByInterpolation(levels, krv::ColorArray_Rainbow);
    benchmark::DoNotOptimize(scale.Colors().data());
  }
  state.SetItemsProcessed(state.iterations() * scale.Size());
}
BENCHMARK(BM_FillByInterpolation)->Arg(0)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
