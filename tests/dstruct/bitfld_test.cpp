#include "korvex/dstruct/bitfld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "korvex/base/exceptions.h"
#include "korvex/platform/random.h"

namespace krv {
namespace {

// Slow references: bit by bit through the public accessor.
std::int32_t SlowCount(const TBitFld& f) {
  std::int32_t n = 0;
  for (std::int32_t i = 0; i <= f.Size(); ++i) n += f.GetBit(i) ? 1 : 0;
  return n;
}
std::int32_t SlowFirst(const TBitFld& f) {
  for (std::int32_t i = 0; i <= f.Size(); ++i)
    if (f.GetBit(i)) return i;
  return -1;
}

TEST(BitFld, NewFieldHas1001Bits) {
  TBitFld f;
  EXPECT_EQ(f.Size(), 1000);
  EXPECT_EQ(f.Storage().size(), 127u);  // 1000 div 8 + 2
  EXPECT_EQ(f.CountTrueBits(), 0);
  EXPECT_EQ(f.FirstTrueBit(), -1);
  f.SetBit(1000, true);
  f.SetBit(1001, true);
  f.SetBit(-1, true);
  EXPECT_EQ(f.CountTrueBits(), 1);
  EXPECT_EQ(f.FirstTrueBit(), 1000);
  EXPECT_TRUE(f.GetBit(1000));
  EXPECT_FALSE(f.GetBit(1001));
  EXPECT_FALSE(f.GetBit(-1));
}

TEST(BitFld, SetSizeRules) {
  TBitFld f;
  f.SetSize(0);
  f.SetSize(-5);
  EXPECT_EQ(f.Size(), 1000);
  f.SetBit(3, true);
  f.SetBit(999, true);
  f.SetSize(996);  // bit 999 shares a byte with bit 996 but is no longer part of the field
  EXPECT_EQ(f.Size(), 996);
  EXPECT_EQ(f.Storage().size(), 126u);
  EXPECT_EQ(f.CountTrueBits(), 1);
  f.SetSize(1000);  // growing shows new bits as 0, never old ones
  EXPECT_FALSE(f.GetBit(999));
  EXPECT_TRUE(f.GetBit(3));
  f.SetSize(1);
  EXPECT_EQ(f.Storage().size(), 2u);
  EXPECT_TRUE(f.GetBit(1) == false && f.GetBit(0) == false);
}

TEST(BitFld, ToggleClearAndList) {
  TBitFld f;
  f.SetSize(20);
  for (int i : {0, 7, 8, 19, 20}) f.ToggleBit(i);
  f.ToggleBit(21);
  std::vector<std::int32_t> on, off;
  f.MakeListOfBits(on, true);
  EXPECT_EQ(on, (std::vector<std::int32_t>{0, 7, 8, 19, 20}));
  f.MakeListOfBits(off, false);
  EXPECT_EQ(off.size(), 16u);
  EXPECT_EQ(off.front(), 1);
  EXPECT_EQ(off.back(), 18);
  f.ToggleBit(7);
  EXPECT_FALSE(f.GetBit(7));
  f.Clear();
  EXPECT_EQ(f.CountTrueBits(), 0);
}

TEST(BitFld, ListOfFalseBitsOnNewField) {
  TBitFld f;
  std::vector<std::int32_t> list{42};
  f.MakeListOfBits(list, false);
  ASSERT_EQ(list.size(), 1001u);
  for (std::int32_t i = 0; i <= 1000; ++i) EXPECT_EQ(list[static_cast<std::size_t>(i)], i);
}

TEST(BitFld, InvertKeepsOnlyFieldBits) {
  for (std::int32_t size : {1, 7, 8, 9, 63, 64, 1000}) {
    TBitFld f;
    f.SetSize(size);
    f.SetBit(0, true);
    f.Invert();
    EXPECT_EQ(f.CountTrueBits(), size) << size;
    EXPECT_EQ(f.FirstTrueBit(), 1) << size;
    f.SetSize(size + 20);  // bits above the old size stay 0
    EXPECT_EQ(f.CountTrueBits(), size) << size;
  }
}

TEST(BitFld, CombineWithTable) {
  // a = 1100, b = 1010 on bits 0..3; expected result bits 0..3 for each operation.
  struct Case {
    TLogicOp op;
    std::vector<bool> want;
  };
  const Case cases[] = {
      {loAND, {true, false, false, false}}, {loOR, {true, true, true, false}},
      {loXOR, {false, true, true, false}},  {loANDNot, {false, true, false, false}},
      {loORNot, {true, true, false, true}}, {loXORNot, {true, false, false, true}},
  };
  for (const auto& c : cases) {
    TBitFld a, b;
    a.SetSize(3);
    b.SetSize(3);
    a.SetBit(0, true), a.SetBit(1, true);
    b.SetBit(0, true), b.SetBit(2, true);
    a.CombineWith(&b, c.op);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(a.GetBit(i), c.want[static_cast<std::size_t>(i)]) << int(c.op) << " bit " << i;
    EXPECT_EQ(a.CountTrueBits(), SlowCount(a));
    EXPECT_EQ(a.Storage()[0] & 0xF0, 0) << "bits above Size stay clear";
  }
}

TEST(BitFld, CombineWithNeedsEqualSizes) {
  TBitFld a, b;
  a.SetBit(5, true);
  b.SetSize(999);
  b.SetBit(6, true);
  a.CombineWith(&b, loOR);
  EXPECT_EQ(a.CountTrueBits(), 1);
  a.CombineWith(nullptr, loOR);
  a.CombineWith(&a, loANDNot);  // a field combined with itself by and-not clears it
  EXPECT_EQ(a.CountTrueBits(), 0);
}

TEST(BitFld, CountsAgreeWithReference) {
  RandSeed = 12345;
  for (std::int32_t size : {1, 2, 7, 8, 15, 16, 63, 64, 65, 127, 128, 129, 1000, 4099}) {
    TBitFld f;
    f.SetSize(size);
    for (int round = 0; round < 20; ++round) {
      f.Clear();
      const std::int32_t k = Random(size + 2);
      for (std::int32_t j = 0; j < k; ++j) f.SetBit(Random(size + 1), true);
      ASSERT_EQ(f.CountTrueBits(), SlowCount(f)) << size;
      ASSERT_EQ(f.FirstTrueBit(), SlowFirst(f)) << size;
    }
    f.Clear();
    f.SetBit(size, true);
    EXPECT_EQ(f.FirstTrueBit(), size);
  }
  for (int b = 0; b < 256; ++b) {
    int n = 0;
    for (int k = 0; k < 8; ++k) n += (b >> k) & 1;
    EXPECT_EQ(BitsInByte(static_cast<std::uint8_t>(b)), n);
  }
}

TEST(BitFld, RandomFillExactCounts) {
  RandSeed = 7;
  TBitFld f;
  f.RandomFill(50.0);
  EXPECT_EQ(f.CountTrueBits(), 500);
  f.RandomFill(std::int32_t{0});
  EXPECT_EQ(f.CountTrueBits(), 0);
  f.RandomFill(std::int32_t{5000});  // clamped to Size
  EXPECT_EQ(f.CountTrueBits(), 1000);
  f.RandomFill(std::int32_t{-3});
  EXPECT_EQ(f.CountTrueBits(), 0);
  for (std::int32_t n : {1, 250, 499, 500, 501, 750, 999}) {  // both strategies
    f.RandomFill(n);
    EXPECT_EQ(f.CountTrueBits(), n) << n;
  }
  f.RandomFill(150.0);
  EXPECT_EQ(f.CountTrueBits(), 1000);
  f.RandomFill(-1.0);
  EXPECT_EQ(f.CountTrueBits(), 0);
  f.RandomFill(std::nan(""));
  EXPECT_EQ(f.CountTrueBits(), 0);
  f.SetSize(9);
  f.RandomFill(25.0);  // round(2.25) = 2
  EXPECT_EQ(f.CountTrueBits(), 2);
  f.RandomFill(5.0);  // round(0.45) = 0
  EXPECT_EQ(f.CountTrueBits(), 0);
  f.SetSize(10);
  f.RandomFill(25.0);  // round(2.5) = 2, ties to even
  EXPECT_EQ(f.CountTrueBits(), 2);
  f.SetRandBitsIntern(11);  // a direct caller may set all Size + 1 bits...
  EXPECT_EQ(f.CountTrueBits(), 11);
  f.SetRandBitsIntern(1000);  // ...but never more
  EXPECT_EQ(f.CountTrueBits(), 11);
}

TEST(BitFld, RandomFillIsDeterministicAndReachesEveryIndex) {
  TBitFld a, b;
  a.SetSize(40);
  b.SetSize(40);
  RandSeed = 99;
  a.RandomFill(std::int32_t{13});
  RandSeed = 99;
  b.RandomFill(std::int32_t{13});
  EXPECT_EQ(a.Storage(), b.Storage());
  std::set<std::int32_t> hit;
  for (int i = 0; i < 400; ++i) {
    a.RandomFill(std::int32_t{1});
    hit.insert(a.FirstTrueBit());
  }
  EXPECT_EQ(hit.size(), 41u);  // 0..Size
}

TEST(BitFld, AssignAndClone) {
  TBitFld a, b;
  a.SetSize(77);
  a.SetBit(76, true);
  b.Assign(&a);
  EXPECT_EQ(b.Size(), 77);
  EXPECT_TRUE(b.GetBit(76));
  TBitFld c;
  c.Clone(&a);
  EXPECT_EQ(c.Storage(), a.Storage());
  c.Clone(nullptr);
  EXPECT_EQ(c.Size(), 77);
  TComponent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
  EXPECT_THROW(other.Assign(&a), EConvertError);
}

TEST(BitFld, LargestSize) {
  TBitFld f;
  f.SetSize(2147483647);
  EXPECT_EQ(f.Size(), 2147483647);
  f.SetBit(2147483647, true);
  EXPECT_EQ(f.CountTrueBits(), 1);
  EXPECT_EQ(f.FirstTrueBit(), 2147483647);
}

}  // namespace
}  // namespace krv
