#include "korvex/stringl/scramble.h"

#include <gtest/gtest.h>

#include <random>

#include "korvex/platform/random.h"

namespace krv {
namespace {

// The tables as the algorithm describes them, built step by step on the shared generator.
std::array<std::uint8_t, 256> ReferenceForward(std::int32_t seed) {
  std::array<std::uint8_t, 256> f{}, g{};
  RandSeed = static_cast<std::uint32_t>(seed);
  for (int i = 1; i <= 255; ++i) {
    int a;
    do {
      a = Random(255);
    } while (g[a + 1] != 0);
    f[i] = static_cast<std::uint8_t>(a + 1);
    g[a + 1] = static_cast<std::uint8_t>(i);
  }
  return f;
}

// Restores the default tables after each test, so the order of tests does not matter.
class Scrambling : public ::testing::Test {
 protected:
  void TearDown() override { InitScramble(kDefaultScrambleSeed); }
};

String RandomByteString(std::mt19937& rng, std::size_t n) {
  String s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<Char>(rng() % 256);
  return s;
}

TEST_F(Scrambling, TablesArePermutationsAndInverses) {
  for (std::int32_t seed : {kDefaultScrambleSeed, 0, 1, -1, 12345, INT32_MIN, INT32_MAX}) {
    InitScramble(seed);
    const auto& f = ScrambleTable();
    const auto& g = DeScrambleTable();
    EXPECT_EQ(f[0], 0);
    EXPECT_EQ(g[0], 0);
    std::array<int, 256> seen{};
    for (int c = 1; c <= 255; ++c) {
      ASSERT_NE(f[c], 0) << seed;
      ++seen[f[c]];
      ASSERT_EQ(g[f[c]], c) << seed;
      ASSERT_EQ(f[g[c]], c) << seed;
    }
    for (int c = 1; c <= 255; ++c) ASSERT_EQ(seen[c], 1) << seed << " code " << c;
  }
}

TEST_F(Scrambling, TablesFollowTheDrawingAlgorithm) {
  for (std::int32_t seed : {kDefaultScrambleSeed, 7, -99}) {
    const auto expected = ReferenceForward(seed);
    const std::uint32_t after_reference = RandSeed;
    InitScramble(seed);
    EXPECT_EQ(ScrambleTable(), expected) << seed;
    // InitScramble leaves the shared generator where its draws end.
    EXPECT_EQ(RandSeed, after_reference);
  }
}

TEST_F(Scrambling, RoundTripOnRandomStrings) {
  std::mt19937 rng(11);
  for (std::int32_t seed : {kDefaultScrambleSeed, 3, 77777}) {
    InitScramble(seed);
    for (int i = 0; i < 2000; ++i) {
      const String s = RandomByteString(rng, rng() % 64);
      const String scrambled = Scramble(s);
      ASSERT_EQ(scrambled.size(), s.size());
      ASSERT_EQ(DeScramble(scrambled), s);
      ASSERT_EQ(Scramble(DeScramble(s)), s);
    }
  }
}

TEST_F(Scrambling, EdgeCases) {
  EXPECT_EQ(Scramble(u""), u"");
  EXPECT_EQ(DeScramble(u""), u"");
  const String zeros(5, u'\0');
  EXPECT_EQ(Scramble(zeros), zeros);
  EXPECT_EQ(DeScramble(zeros), zeros);
  // Characters above 255 pass through; the others never map to 0.
  const String wide = u"\u0100\u4e2d\uffff";
  EXPECT_EQ(Scramble(wide), wide);
  EXPECT_EQ(DeScramble(wide), wide);
  for (int c = 1; c <= 255; ++c) {
    EXPECT_NE(Scramble(String(1, static_cast<Char>(c)))[0], 0);
    EXPECT_NE(DeScramble(String(1, static_cast<Char>(c)))[0], 0);
  }
  // The same seed twice gives the same scrambling; another seed a different one.
  const String text = u"configuration password 123";
  InitScramble(2024);
  const String first = Scramble(text);
  InitScramble(99);
  EXPECT_NE(Scramble(text), first);
  InitScramble(2024);
  EXPECT_EQ(Scramble(text), first);
  EXPECT_NE(first, text);
}

TEST_F(Scrambling, DefaultTablesWithoutAnyCall) {
  // The tables exist before anybody seeds them: the default seed's permutation.
  EXPECT_EQ(ScrambleTable(), ReferenceForward(kDefaultScrambleSeed));
}

}  // namespace
}  // namespace krv
