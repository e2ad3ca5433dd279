// What a program sees before its first call, and after PackageLoad: the same whether it links
// the static or the shared library, since neither runs anything before main. Called by one
// test program per flavour (startup_test.cpp, load_shared_test.cpp), as the first thing
// they do.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "korvex/base/types.h"
#include "korvex/package.h"
#include "korvex/platform/random.h"
#include "korvex/stringl/scramble.h"

namespace krv::testing {

inline void ExpectStartupStateThenLoad() {
  const String sample = u"Hello, world \u00e9\u00ff";
  // Observed before anything else could move them.
  const String scrambled = Scramble(sample);
  const std::uint32_t start_seed = RandSeed;
  std::vector<std::int32_t> draws;
  for (int i = 0; i < 8; ++i) draws.push_back(Random(1000));

  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 0) << u;
  EXPECT_EQ(ProcStat, 0);
  EXPECT_EQ(start_seed, 0u);
  TRandomSequence from_zero(0);
  for (std::int32_t d : draws) EXPECT_EQ(d, from_zero.Next(1000));

  // Loading moves the generator to where the default tables' draws end, as InitScramble does.
  PackageLoad();
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 1) << u;
  const std::uint32_t after_load = RandSeed;
  EXPECT_EQ(Scramble(sample), scrambled);
  InitScramble(12345);
  InitScramble(kDefaultScrambleSeed);
  EXPECT_EQ(RandSeed, after_load);
  EXPECT_EQ(Scramble(sample), scrambled);
  EXPECT_NE(after_load, 0u);

  PackageLoad();  // a second load does nothing
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 1) << u;
  PackageUnload();
  PackageUnload();
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitFinalizationRuns(TKrvUnit(u)), 1) << u;
}

}  // namespace krv::testing
