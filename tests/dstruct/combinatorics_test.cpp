#include "korvex/dstruct/combinatorics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace krv {
namespace {

TCombination Identity(int k) {
  TCombination c{};
  c[0] = static_cast<std::uint8_t>(k);
  for (int i = 1; i <= k; ++i) c[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  return c;
}

std::vector<int> Elems(const TCombination& c) {
  return std::vector<int>(c.begin() + 1, c.begin() + 1 + c[0]);
}

long long Binomial(int n, int k) {
  long long r = 1;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

TEST(NextCombination, ExampleKTwoNFour) {
  TCombination c = Identity(2);
  std::vector<std::vector<int>> seen{Elems(c)};
  while (NextCombination(c, 4)) seen.push_back(Elems(c));
  const std::vector<std::vector<int>> want{{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
  EXPECT_EQ(seen, want);
  EXPECT_EQ(Elems(c), (std::vector<int>{3, 4}));  // false leaves C unchanged
}

TEST(NextCombination, VisitsBinomialManyInLexicographicOrder) {
  for (int n = 1; n <= 12; ++n) {
    for (int k = 1; k <= n; ++k) {
      TCombination c = Identity(k);
      std::vector<std::vector<int>> seen{Elems(c)};
      while (NextCombination(c, n)) {
        seen.push_back(Elems(c));
        ASSERT_TRUE(std::is_sorted(seen.back().begin(), seen.back().end()));
        ASSERT_LT(seen[seen.size() - 2], seen.back());
        ASSERT_GE(seen.back().front(), 1);
        ASSERT_LE(seen.back().back(), n);
      }
      EXPECT_EQ(static_cast<long long>(seen.size()), Binomial(n, k)) << n << " " << k;
    }
  }
}

TEST(NextCombination, EdgeCounts) {
  TCombination c = Identity(3);
  EXPECT_FALSE(NextCombination(c, 3));  // k = n: only one combination
  EXPECT_EQ(Elems(c), (std::vector<int>{1, 2, 3}));
  c = Identity(1);
  for (int i = 2; i <= 5; ++i) {
    ASSERT_TRUE(NextCombination(c, 5));
    EXPECT_EQ(c[1], i);
  }
  EXPECT_FALSE(NextCombination(c, 5));
  c = Identity(4);
  EXPECT_FALSE(NextCombination(c, 3));  // k > n
  c = Identity(0);
  EXPECT_FALSE(NextCombination(c, 5));
  c = Identity(2);
  EXPECT_FALSE(NextCombination(c, 256));  // element numbers are bytes
  EXPECT_FALSE(NextCombination(c, -1));
  c = Identity(255);
  EXPECT_FALSE(NextCombination(c, 255));
  c = Identity(1);
  c[1] = 250;  // elements above the maximum count as at the maximum
  EXPECT_FALSE(NextCombination(c, 10));
  EXPECT_EQ(c[1], 250);
  c = Identity(254);
  int steps = 0;
  while (NextCombination(c, 255)) ++steps;
  EXPECT_EQ(steps, 254);
  EXPECT_EQ(c[254], 255);
}

TEST(NextPermutation, OrderForThree) {
  TCombination p = Identity(3);
  std::vector<std::vector<int>> seen{Elems(p)};
  while (NextPermutation(p)) seen.push_back(Elems(p));
  const std::vector<std::vector<int>> want{{1, 2, 3}, {2, 1, 3}, {2, 3, 1},
                                           {1, 3, 2}, {3, 1, 2}, {3, 2, 1}};
  EXPECT_EQ(seen, want);
}

TEST(NextPermutation, VisitsEveryPermutationOnce) {
  long long fact = 1;
  for (int n = 1; n <= 7; ++n) {
    fact *= n;
    TCombination p = Identity(n);
    std::set<std::vector<int>> seen{Elems(p)};
    long long steps = 0;
    while (NextPermutation(p)) {
      ++steps;
      auto e = Elems(p);
      auto sorted = e;
      std::sort(sorted.begin(), sorted.end());
      ASSERT_EQ(sorted, Elems(Identity(n)));
      ASSERT_TRUE(seen.insert(e).second) << "repeated permutation for n = " << n;
    }
    EXPECT_EQ(static_cast<long long>(seen.size()), fact) << n;
    EXPECT_EQ(steps, fact - 1);
    std::vector<int> last = Elems(Identity(n));
    std::reverse(last.begin(), last.end());
    EXPECT_EQ(Elems(p), last) << "ends with n, ..., 1 and stays there";
  }
}

TEST(NextPermutation, EdgeCases) {
  TCombination p = Identity(1);
  EXPECT_FALSE(NextPermutation(p));
  p = Identity(0);
  EXPECT_FALSE(NextPermutation(p));
  p = Identity(4);
  int n = 0;
  while (NextPermutation(p)) ++n;
  EXPECT_EQ(n, 23);
  p = Identity(3);
  p[2] = 1;  // 1 1 3 is no permutation
  const TCombination before = p;
  EXPECT_FALSE(NextPermutation(p));
  EXPECT_EQ(p, before);
  p = Identity(3);
  p[3] = 9;
  EXPECT_FALSE(NextPermutation(p));
  p = Identity(255);  // the longest permutation steps too
  EXPECT_TRUE(NextPermutation(p));
  EXPECT_EQ(p[1], 2);
  EXPECT_EQ(p[2], 1);
}

TEST(IndexOfNearestArrayValue, Doubles) {
  const std::vector<double> d{1, 2, 3};
  EXPECT_EQ(IndexOfNearestArrayValue(2.5, d), 1);  // first of two equally near
  EXPECT_EQ(IndexOfNearestArrayValue(2.6, d), 2);
  EXPECT_EQ(IndexOfNearestArrayValue(-100.0, d), 0);
  EXPECT_EQ(IndexOfNearestArrayValue(1.0, std::vector<double>{}), -1);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(IndexOfNearestArrayValue(0.0, std::vector<double>{inf, -inf}), -1);
  EXPECT_EQ(IndexOfNearestArrayValue(0.0, std::vector<double>{std::nan(""), 5.0}), 1);
  EXPECT_EQ(IndexOfNearestArrayValue(std::nan(""), d), -1);
  EXPECT_EQ(IndexOfNearestArrayValue(0.0, std::vector<double>{1.7e308}), -1);
  EXPECT_EQ(IndexOfNearestArrayValue(0.0, std::vector<double>{1.6e308}), 0);
}

TEST(IndexOfNearestArrayValue, Integers) {
  const std::vector<std::int32_t> d{10, 20, 30, 20};
  EXPECT_EQ(IndexOfNearestArrayValue(std::int32_t{25}, d), 1);
  EXPECT_EQ(IndexOfNearestArrayValue(std::int32_t{20}, d), 1);
  EXPECT_EQ(IndexOfNearestArrayValue(std::int32_t{0}, std::vector<std::int32_t>{}), -1);
  // Differences beyond 32 bits are exact: INT_MIN is farther from INT_MAX than 0 is.
  const std::vector<std::int32_t> far{INT32_MIN, 0};
  EXPECT_EQ(IndexOfNearestArrayValue(std::int32_t{INT32_MAX}, far), 1);
  EXPECT_EQ(IndexOfNearestArrayValue(std::int32_t{INT32_MIN}, far), 0);
}

}  // namespace
}  // namespace krv
