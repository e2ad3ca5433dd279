#include "platform/internal/int128.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace krv::detail {
namespace {

using S = Wide128<true>;
using U = Wide128<false>;

// hi * 2^64 + lo, built from the class's own arithmetic on words.
template <typename W>
W FromWords(std::uint64_t hi, std::uint64_t lo) {
  return W(hi) * W(std::uint64_t{1} << 32) * W(std::uint64_t{1} << 32) + W(lo);
}
TEST(Wide128, KnownResults) {
  const U max64 = ~std::uint64_t{0};
  const U sq = max64 * max64;  // 2^128 - 2^65 + 1
  EXPECT_EQ(static_cast<std::uint64_t>(sq), 1u);
  EXPECT_EQ(sq, FromWords<U>(0xFFFFFFFFFFFFFFFEu, 1));
  EXPECT_EQ(sq / max64, max64);
  EXPECT_EQ(sq % max64, U(0));
  U carry = max64;
  EXPECT_EQ(++carry, FromWords<U>(1, 0));
  EXPECT_EQ(--carry, max64);
  // 2^100 + 5 = 3 * 0x5555555555555555555555557
  EXPECT_EQ(FromWords<S>(1ULL << 36, 5) / 3, FromWords<S>(0x555555555u, 0x5555555555555557u));
  // (2^127 + 2^64 + 9) divmod (2^64 + 3), unsigned: the top bit is set
  const U big = FromWords<U>(0x8000000000000001u, 9);
  EXPECT_EQ(big / FromWords<U>(1, 3), U(9223372036854775807u));
  EXPECT_EQ(big % FromWords<U>(1, 3), U(9223372036854775820u));
  // Truncation toward zero, remainder with the sign of the dividend.
  EXPECT_EQ(S(-7) / 2, S(-3));
  EXPECT_EQ(S(-7) % 2, S(-1));
  EXPECT_EQ(S(7) / -2, S(-3));
  EXPECT_EQ(S(7) % -2, S(1));
  EXPECT_EQ(FromWords<S>(0, 0) - FromWords<S>(1, 0), FromWords<S>(~std::uint64_t{0}, 0));
  EXPECT_LT(S(-1), S(0));
  EXPECT_GT(U(-1), U(0));
  EXPECT_LT(-FromWords<S>(4, 0), S(-1));
  EXPECT_EQ(static_cast<std::int64_t>(S(-5) * S(3)), -15);
  EXPECT_EQ(static_cast<long double>(FromWords<U>(1u << 6, 0)), 0x1p70L);
  EXPECT_EQ(static_cast<long double>(-FromWords<S>(1, 0)), -0x1p64L);
  EXPECT_EQ(FromWords<S>(123, 456) * S(-1), FromWords<S>(~std::uint64_t{123}, 0 - 456ULL));
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef __int128 I;
__extension__ typedef unsigned __int128 UI;

// Every operation agrees with the compiler's 128-bit type on random operands of all sizes.
TEST(Wide128, AgreesWithBuiltin) {
  std::mt19937_64 gen(5);
  const auto pick = [&] { return static_cast<std::int64_t>(gen()) >> (gen() % 64); };
  const auto wide = [](I v) {
    return FromWords<S>(static_cast<std::uint64_t>(v >> 64), static_cast<std::uint64_t>(v));
  };
  for (int k = 0; k < 200000; ++k) {
    const I a = I{pick()} * pick() + pick();
    I b = (gen() % 2 != 0 ? I{pick()} * pick() : I{pick()}) + pick();
    if (b == 0) b = 3;
    const S wa = wide(a), wb = wide(b);
    ASSERT_EQ(wa + wb, wide(a + b)) << k;
    ASSERT_EQ(wa - wb, wide(a - b)) << k;
    ASSERT_EQ(wa * wb, wide(static_cast<I>(static_cast<UI>(a) * b))) << k;
    ASSERT_EQ(wa / wb, wide(a / b)) << k;
    ASSERT_EQ(wa % wb, wide(a % b)) << k;
    ASSERT_EQ(wa < wb, a < b) << k;
    ASSERT_EQ(U(wa) / U(wb), U(wide(static_cast<I>(static_cast<UI>(a) / static_cast<UI>(b))))) << k;
  }
}
#endif

}  // namespace
}  // namespace krv::detail
