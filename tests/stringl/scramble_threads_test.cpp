// Scrambling while other threads install new tables (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "korvex/platform/random.h"
#include "korvex/stringl/scramble.h"

namespace krv {
namespace {

constexpr std::array<std::int32_t, 3> kSeeds = {kDefaultScrambleSeed, 11, -22};

struct SeedResult {
  std::array<std::uint8_t, 256> table;
  String scrambled;
  std::uint32_t end_state;
};

TEST(ScrambleThreads, ReadersSeeOneWholePairOfTablesWhileWritersReplaceThem) {
  String text;
  for (Char c = 0; c < 300; ++c) text += c;
  std::vector<SeedResult> expected;
  for (std::int32_t seed : kSeeds) {
    InitScramble(seed);
    expected.push_back({ScrambleTable(), Scramble(text), RandSeed});
  }
  auto index_of = [&](const auto& value, auto member) {
    for (std::size_t k = 0; k < expected.size(); ++k)
      if (expected[k].*member == value) return static_cast<int>(k);
    return -1;
  };

  std::atomic<int> writers_left{2};
  std::vector<std::thread> threads;
  for (int w = 0; w < 2; ++w)
    threads.emplace_back([&, w] {
      for (int i = 0; i < 500; ++i) InitScramble(kSeeds[static_cast<std::size_t>(i + w) % 3]);
      --writers_left;
    });
  std::array<int, 3> bad{}, rounds{};
  for (int r = 0; r < 3; ++r)
    threads.emplace_back([&, r] {
      do {
        const String s = Scramble(text);
        const auto& f = ScrambleTable();  // stays valid even if replaced right now
        const auto& g = DeScrambleTable();
        if (index_of(s, &SeedResult::scrambled) < 0 || index_of(f, &SeedResult::table) < 0)
          ++bad[r];
        if (g[0] != 0 || f[0] != 0) ++bad[r];
        ++rounds[r];
      } while (writers_left > 0);
    });
  for (auto& t : threads) t.join();

  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(bad[r], 0) << r;
    EXPECT_GT(rounds[r], 0) << r;
  }
  // The last InitScramble left its tables and its generator state together.
  const int k = index_of(ScrambleTable(), &SeedResult::table);
  ASSERT_GE(k, 0);
  EXPECT_EQ(RandSeed, expected[static_cast<std::size_t>(k)].end_state);
  InitScramble(kDefaultScrambleSeed);
}

}  // namespace
}  // namespace krv
