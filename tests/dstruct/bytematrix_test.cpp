#include "korvex/dstruct/bytematrix.h"

#include <gtest/gtest.h>

#include "korvex/base/exceptions.h"

// Under the address sanitizer an impossible allocation must throw std::bad_alloc as it does
// in a normal build, instead of stopping the program.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}

namespace krv {
namespace {

struct EventCounter {
  int n = 0;
  TObject* last = nullptr;
  TNotifyEvent Handler() {
    return [this](TObject* s) { ++n, last = s; };
  }
};

TEST(ByteMatrix, NewMatrixIsOneByOne) {
  TByteMatrix m;
  EXPECT_EQ(m.NrOfColumns(), 1);
  EXPECT_EQ(m.NrOfRows(), 1);
  EXPECT_EQ(m.GetByte(1, 1), 0);
  EXPECT_EQ(m.GetByte(0, 1), 0);
  EXPECT_EQ(m.GetByte(2, 1), 0);
}

TEST(ByteMatrix, ResizeKeepsOverlapAndFiresOnce) {
  TByteMatrix m;
  EventCounter ev;
  m.SetOnChange(ev.Handler());
  EXPECT_TRUE(m.Resize(3, 2));
  EXPECT_EQ(ev.n, 1);
  EXPECT_EQ(ev.last, &m);
  for (int x = 1; x <= 3; ++x)
    for (int y = 1; y <= 2; ++y) m.SetByte(x, y, static_cast<std::uint8_t>(10 * x + y));
  ev.n = 0;
  EXPECT_FALSE(m.Resize(3, 2));
  EXPECT_FALSE(m.Resize(0, 2));
  EXPECT_FALSE(m.Resize(3, -1));
  EXPECT_EQ(ev.n, 0);
  EXPECT_TRUE(m.Resize(2, 4));
  EXPECT_EQ(m.GetByte(1, 1), 11);
  EXPECT_EQ(m.GetByte(2, 2), 22);
  EXPECT_EQ(m.GetByte(2, 3), 0);
  EXPECT_EQ(m.GetByte(3, 1), 0);
  m.SetNrCols(0);
  EXPECT_EQ(m.NrOfColumns(), 1);
  EXPECT_EQ(m.GetByte(1, 2), 12);
  m.SetNrRows(-4);
  EXPECT_EQ(m.NrOfRows(), 1);
  EXPECT_EQ(m.GetByte(1, 1), 11);
}

TEST(ByteMatrix, BitsAndBytesOutOfRange) {
  TByteMatrix m;
  m.Resize(2, 2);
  EventCounter ev;
  m.SetOnChange(ev.Handler());
  m.SetBit(1, 1, 0, true);
  m.SetBit(1, 1, 7, true);
  EXPECT_EQ(m.GetByte(1, 1), 0x81);
  EXPECT_EQ(ev.n, 2);
  m.SetBit(1, 1, 8, true);
  m.SetBit(1, 1, -1, true);
  m.SetBit(3, 1, 0, true);
  m.SetByte(0, 0, 5);
  m.ToggleBit(1, 3, 0);
  EXPECT_EQ(ev.n, 2);
  EXPECT_FALSE(m.GetBit(1, 1, 8));
  EXPECT_FALSE(m.GetBit(1, 1, -1));
  EXPECT_TRUE(m.GetBit(1, 1, 7));
  m.ToggleBit(1, 1, 7);
  EXPECT_EQ(m.GetByte(1, 1), 0x01);
  m.SetBit(1, 1, 0, false);
  EXPECT_EQ(m.GetByte(1, 1), 0);
  EXPECT_EQ(ev.n, 4);
}

TEST(ByteMatrix, MirrorsAndFill) {
  TByteMatrix m;
  m.Resize(3, 4);
  for (int x = 1; x <= 3; ++x)
    for (int y = 1; y <= 4; ++y) m.SetByte(x, y, static_cast<std::uint8_t>(10 * x + y));
  EventCounter ev;
  m.SetOnChange(ev.Handler());
  m.MirrorColumns();
  EXPECT_EQ(m.GetByte(1, 2), 32);
  EXPECT_EQ(m.GetByte(2, 2), 22);
  EXPECT_EQ(m.GetByte(3, 4), 14);
  m.MirrorRows();
  EXPECT_EQ(m.GetByte(1, 1), 34);
  EXPECT_EQ(m.GetByte(3, 4), 11);
  m.MirrorRows();
  m.MirrorColumns();
  for (int x = 1; x <= 3; ++x)
    for (int y = 1; y <= 4; ++y) EXPECT_EQ(m.GetByte(x, y), 10 * x + y);
  EXPECT_EQ(ev.n, 4);
  m.Fill(0x5A);
  EXPECT_EQ(ev.n, 5);
  EXPECT_EQ(m.GetByte(3, 4), 0x5A);
}

TEST(ByteMatrix, CombineWith) {
  TByteMatrix a, b;
  a.Resize(2, 1);
  b.Resize(2, 1);
  a.SetByte(1, 1, 0xCC), a.SetByte(2, 1, 0x0F);
  b.SetByte(1, 1, 0xAA), b.SetByte(2, 1, 0xFF);
  EventCounter ev;
  a.SetOnChange(ev.Handler());
  struct Case {
    TLogicOp op;
    std::uint8_t r1, r2;
  };
  const Case cases[] = {{loAND, 0x88, 0x0F},    {loOR, 0xEE, 0xFF},    {loXOR, 0x66, 0xF0},
                        {loANDNot, 0x44, 0x00}, {loORNot, 0xDD, 0x0F}, {loXORNot, 0x99, 0x0F}};
  for (const auto& c : cases) {
    TByteMatrix t;
    t.Assign(&a);
    t.CombineWith(&b, c.op);
    EXPECT_EQ(t.GetByte(1, 1), c.r1) << int(c.op);
    EXPECT_EQ(t.GetByte(2, 1), c.r2) << int(c.op);
    EXPECT_EQ(ApplyLogicOp(0xCC, 0xAA, c.op), c.r1);
  }
  EXPECT_EQ(ev.n, 0);  // neither Assign nor CombineWith fire
  TByteMatrix c;
  c.Resize(1, 2);
  a.CombineWith(&c, loAND);
  EXPECT_EQ(a.GetByte(1, 1), 0xCC);
}

TEST(ByteMatrix, AssignCopiesHandler) {
  TByteMatrix a, b;
  EventCounter ev;
  a.SetOnChange(ev.Handler());
  a.Resize(2, 2);
  a.SetByte(2, 2, 9);
  ev.n = 0;
  b.Assign(&a);
  EXPECT_EQ(ev.n, 0);
  EXPECT_EQ(b.GetByte(2, 2), 9);
  b.SetByte(1, 1, 1);
  EXPECT_EQ(ev.n, 1);
  EXPECT_EQ(ev.last, &b);
  TComponent other;
  EXPECT_THROW(a.Assign(&other), EConvertError);
}

TEST(ByteMatrix, ImpossibleSizeRaisesHeapMessage) {
  TByteMatrix m;
  m.SetName(u"grid");
  m.Resize(2, 2);
  m.SetByte(2, 2, 7);
  try {
    m.Resize(2147483647, 2147483647);
    FAIL() << "4.6e18 bytes cannot be allocated";
  } catch (const EKRVDStructError& e) {
    EXPECT_EQ(e.Message(), u"Component \"grid\": not enough memory on heap");
  }
  EXPECT_EQ(m.NrOfColumns(), 2);
  EXPECT_EQ(m.GetByte(2, 2), 7);
}

}  // namespace
}  // namespace krv
