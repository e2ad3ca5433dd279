// Loads and unloads from several threads at once (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "korvex/package.h"
#include "korvex/stringl/scramble.h"

namespace krv {
namespace {

TEST(PackageThreads, LoadsAndUnloadsTakeTurns) {
  const String sample = u"load me";
  const String expected = Scramble(sample);
  std::vector<std::thread> threads;
  std::vector<int> bad(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        PackageLoad();
        if (Scramble(sample) != expected) ++bad[static_cast<std::size_t>(t)];
        PackageUnload();
      }
    });
  for (auto& th : threads) th.join();
  for (int b : bad) EXPECT_EQ(b, 0);
  // Every load was matched by an unload, so the units are unloaded again and each
  // initialisation that ran was finalised.
  for (int u = 0; u < kUnitCount; ++u) {
    const int runs = UnitInitializationRuns(TKrvUnit(u));
    EXPECT_GE(runs, 1) << u;
    EXPECT_EQ(UnitFinalizationRuns(TKrvUnit(u)), runs) << u;
  }
  const int before = UnitInitializationRuns(Krv_stringl);
  PackageLoad();
  EXPECT_EQ(UnitInitializationRuns(Krv_stringl), before + 1);
  PackageUnload();
}

}  // namespace
}  // namespace krv
