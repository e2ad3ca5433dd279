// Linked against the shared library: its load sequence has already run when main starts.
#include <gtest/gtest.h>

#include "korvex/base/types.h"
#include "korvex/package.h"

namespace krv {
namespace {

TEST(SharedLibrary, LoadingRanTheLoadSequenceOnce) {
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 1) << u;
  EXPECT_EQ(ProcStat, 0);
  PackageLoad();  // explicit call by a host that does not know: harmless
  for (int u = 0; u < kUnitCount; ++u) EXPECT_EQ(UnitInitializationRuns(TKrvUnit(u)), 1) << u;
  PackageUnload();  // balances the explicit call; the library stays loaded
  EXPECT_EQ(UnitFinalizationRuns(Krv_stringl), 0);
}

}  // namespace
}  // namespace krv
