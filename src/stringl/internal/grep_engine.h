// Process-wide switches for how a TGrep search proceeds and which scan code it uses. Meant for
// tests, fuzz targets and benchmarks that cover each stage and each code path; the defaults are
// what the library uses. This header depends on nothing else, so that programs outside the
// library's own include paths can set the switches.
#pragma once

#include <cstdint>

namespace krv::detail {

enum class GrepEngine : std::uint8_t {
  kAuto,          // backtracking on the normal budget, then the liveness pass
  kSmallBudget,   // a budget of a few steps, so the liveness pass takes over mid-search
  kLivenessOnly,  // the liveness pass from the first candidate on
};
void SetGrepEngine(GrepEngine engine);
GrepEngine GetGrepEngine();

enum class GrepScanPath : std::uint8_t {
  kBest,      // AVX2 when the processor has it, else SSE2 (x86-64), else portable
  kSse2,      // SSE2 on x86-64, portable elsewhere
  kPortable,  // always the plain C++ loops
};
// Each scan reads it once.
void SetGrepScanPath(GrepScanPath path);
GrepScanPath GetGrepScanPath();

}  // namespace krv::detail
