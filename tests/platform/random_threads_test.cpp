// The shared generator drawn from several threads at once (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#include "korvex/platform/random.h"

namespace krv {
namespace {

TEST(RandomThreads, EveryDrawTakesItsOwnStepOfTheSequence) {
  constexpr int kThreads = 4, kDraws = 5000;
  RandSeed = 99;
  std::vector<std::vector<std::uint32_t>> seen(kThreads);
  std::vector<std::thread> threads;
  for (auto& out : seen)
    threads.emplace_back([&out] {
      // Random() is state / 2^32, so the state each draw produced can be read back exactly.
      for (int i = 0; i < kDraws; ++i)
        out.push_back(static_cast<std::uint32_t>(Random() * 4294967296.0));
    });
  for (auto& t : threads) t.join();

  std::vector<std::uint32_t> all, expected;
  for (const auto& out : seen) all.insert(all.end(), out.begin(), out.end());
  TRandomSequence g(99);
  for (int i = 0; i < kThreads * kDraws; ++i) {
    g.Next(1);
    expected.push_back(g.State());
  }
  std::sort(all.begin(), all.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(all, expected);  // no step lost, none taken twice
  EXPECT_EQ(RandSeed, g.State());
}

}  // namespace
}  // namespace krv
