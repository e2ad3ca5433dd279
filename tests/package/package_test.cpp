#include "korvex/package.h"

#include <gtest/gtest.h>

#include "korvex/base/exceptions.h"
#include "korvex/base/types.h"
#include "korvex/platform/random.h"
#include "korvex/stringl/scramble.h"

namespace krv {
namespace {

TEST(Package, TableListsNineUnitsWithBothRoutines) {
  const TPackageInfoTable* t = GetPackageInfoTable();
  ASSERT_EQ(t->UnitCount, 9);
  for (int i = 0; i < t->UnitCount; ++i) {
    EXPECT_NE(t->UnitInfo[i].Init, nullptr);
    EXPECT_NE(t->UnitInfo[i].FInit, nullptr);
  }
}

TEST(Package, LoadRunsEachUnitOnceUntilUnloaded) {
  // The static library is not loaded by anyone else in this test program.
  ProcStat = 42;
  PackageLoad();
  EXPECT_EQ(ProcStat, 0);
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 1) << u;
  const std::uint32_t seed_after_load = RandSeed;

  ProcStat = 42;
  Initialize();  // second load: nothing happens
  EXPECT_EQ(ProcStat, 42);
  EXPECT_EQ(RandSeed, seed_after_load);
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 1) << u;

  // Two loads need two unloads before the units finalise.
  PackageUnload();
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitFinalizationRuns(TKrvUnit(u)), 0) << u;
  Finalize();
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitFinalizationRuns(TKrvUnit(u)), 1) << u;
  PackageUnload();  // unbalanced: ignored, so the next load works
  PackageLoad();
  EXPECT_EQ(UnitInitializationRuns(Krv_stringl), 2);
  EXPECT_EQ(ProcStat, 0);
  PackageUnload();
}

TEST(Package, LoadSeedsScramblingWithTheDefaultSeed) {
  PackageLoad();
  const String after_load = Scramble(u"Hello, world");
  const std::uint32_t seed_after_load = RandSeed;
  InitScramble(12345);
  EXPECT_NE(Scramble(u"Hello, world"), after_load);
  InitScramble(kDefaultScrambleSeed);
  EXPECT_EQ(Scramble(u"Hello, world"), after_load);
  EXPECT_EQ(RandSeed, seed_after_load);
  PackageUnload();
}

TEST(Exceptions, EveryLibraryExceptionIsAnEKRVError) {
  auto caught = [](auto thrower) {
    try {
      thrower();
    } catch (const EKRVError& e) {
      return String(e.Message());
    }
    return String(u"not caught");
  };
  EXPECT_EQ(caught([] { throw EKRVError(u"base"); }), u"base");
  EXPECT_EQ(caught([] { throw EKRVColArrayError(u"colors"); }), u"colors");
  EXPECT_EQ(caught([] { throw EKRVStringlError(u"stringl"); }), u"stringl");
  EXPECT_EQ(caught([] { throw EKRVDStructError(u"dstruct"); }), u"dstruct");
  EXPECT_EQ(caught([] { throw EKRVCpuIdError(u"cpuid"); }), u"cpuid");
  EXPECT_EQ(caught([] { throw EKRVFileSysError(u"filesys"); }), u"filesys");
  // And every one is also the platform's general exception and a std::exception.
  EXPECT_THROW(throw EKRVFileSysError("x"), Exception);
  EXPECT_THROW(throw EKRVStringlError("x"), std::exception);
}

}  // namespace
}  // namespace krv
