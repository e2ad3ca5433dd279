#include "korvex/dstruct/fifo.h"

#include <gtest/gtest.h>

#include <deque>

#include "korvex/platform/random.h"

namespace krv {
namespace {

std::vector<std::uint8_t> Drain(TFifo& f) {
  std::vector<std::uint8_t> out;
  std::uint8_t b;
  while (f.GetByte(b)) out.push_back(b);
  return out;
}

TEST(Fifo, NewFifoHolds255) {
  TFifo f;
  EXPECT_EQ(f.Size(), 256);
  EXPECT_EQ(f.CountBytes(), 0);
  std::uint8_t b = 77;
  EXPECT_FALSE(f.GetByte(b));
  EXPECT_EQ(b, 77);
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(f.PutByte(static_cast<std::uint8_t>(i)));
  EXPECT_FALSE(f.PutByte(255));
  EXPECT_EQ(f.CountBytes(), 255);
  EXPECT_TRUE(f.ForceByte(200));  // drops the oldest byte, 0
  EXPECT_EQ(f.CountBytes(), 255);
  ASSERT_TRUE(f.GetByte(b));
  EXPECT_EQ(b, 1);
  EXPECT_FALSE(f.ForceByte(201));  // not full any more: nothing dropped
  const auto rest = Drain(f);
  ASSERT_EQ(rest.size(), 255u);
  EXPECT_EQ(rest[rest.size() - 2], 200);
  EXPECT_EQ(rest.back(), 201);
}

TEST(Fifo, LoadBackAndSense) {
  TFifo f;
  for (std::uint8_t v : {5, 6, 7}) f.PutByte(v);
  std::uint8_t b = 0;
  ASSERT_TRUE(f.GetByte(b));
  EXPECT_TRUE(f.LoadBack(b));
  ASSERT_TRUE(f.SenseByte(0, b));
  EXPECT_EQ(b, 5);
  ASSERT_TRUE(f.SenseByte(2, b));
  EXPECT_EQ(b, 7);
  EXPECT_FALSE(f.SenseByte(f.CountBytes(), b));
  EXPECT_FALSE(f.SenseByte(-1, b));
  EXPECT_EQ(Drain(f), (std::vector<std::uint8_t>{5, 6, 7}));
  // At position 0 LoadBack wraps to the end of the buffer.
  f.Clear();
  EXPECT_TRUE(f.LoadBack(9));
  EXPECT_EQ(f.OutPos(), 255);
  EXPECT_EQ(Drain(f), (std::vector<std::uint8_t>{9}));
}

TEST(Fifo, LoadBackOnFullFifoKeepsEverything) {
  TFifo f;
  f.SetSize(4);
  for (std::uint8_t v : {1, 2, 3}) ASSERT_TRUE(f.PutByte(v));
  EXPECT_FALSE(f.LoadBack(9));
  EXPECT_EQ(f.CountBytes(), 3);
  EXPECT_EQ(Drain(f), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(Fifo, SetSizeKeepsHeldBytes) {
  struct Case {
    int start;     // bytes put and taken first, to move the positions
    int held;      // bytes held when resizing
    int new_size;  // requested size
    bool applied;  // whether the size changes
  };
  const Case cases[] = {
      {0, 10, 512, true},   {0, 10, 20, true},   {0, 10, 11, true},    {0, 10, 10, false},
      {250, 10, 512, true}, {250, 10, 64, true}, {100, 50, 120, true}, {100, 50, 40, false},
      {0, 0, 8, true},      {300, 0, 16, true},  {0, 255, 1024, true}, {128, 255, 255, false},
  };
  for (const auto& c : cases) {
    TFifo f;
    std::uint8_t b;
    for (int i = 0; i < c.start; ++i) f.PutByte(0), f.GetByte(b);
    std::vector<std::uint8_t> want;
    for (int i = 0; i < c.held; ++i) {
      want.push_back(static_cast<std::uint8_t>(i * 7 + 1));
      ASSERT_TRUE(f.PutByte(want.back()));
    }
    f.SetSize(c.new_size);
    EXPECT_EQ(f.Size(), c.applied ? c.new_size : 256) << c.start << "/" << c.held;
    EXPECT_LT(f.InPos(), f.Size());
    EXPECT_LT(f.OutPos(), f.Size());
    EXPECT_EQ(f.CountBytes(), c.held);
    EXPECT_EQ(Drain(f), want) << c.start << "/" << c.held << "/" << c.new_size;
  }
}

TEST(Fifo, SetSizeKeepsPositionsWhenTheyFit) {
  TFifo f;
  std::uint8_t b;
  for (int i = 0; i < 10; ++i) f.PutByte(static_cast<std::uint8_t>(i));
  for (int i = 0; i < 4; ++i) f.GetByte(b);
  f.SetSize(100);
  EXPECT_EQ(f.OutPos(), 4);
  EXPECT_EQ(f.InPos(), 10);
  f.SetSize(0);
  f.SetSize(-3);
  EXPECT_EQ(f.Size(), 100);
}

TEST(Fifo, RandomOperationsMatchADeque) {
  RandSeed = 4242;
  for (int size : {1, 2, 3, 16, 256}) {
    TFifo f;
    f.SetSize(size);
    std::deque<std::uint8_t> ref;
    const std::size_t cap = static_cast<std::size_t>(f.Size() - 1);
    for (int step = 0; step < 20000; ++step) {
      const auto v = static_cast<std::uint8_t>(Random(256));
      std::uint8_t b = 0;
      switch (Random(7)) {
        case 0:
        case 1: {
          const bool ok = f.PutByte(v);
          ASSERT_EQ(ok, ref.size() < cap);
          if (ok) ref.push_back(v);
          break;
        }
        case 2: {
          const bool dropped = f.ForceByte(v);
          ASSERT_EQ(dropped, ref.size() == cap);
          if (dropped && !ref.empty()) ref.pop_front();
          if (ref.size() < cap) ref.push_back(v);
          break;
        }
        case 3: {
          const bool ok = f.LoadBack(v);
          ASSERT_EQ(ok, ref.size() < cap);
          if (ok) ref.push_front(v);
          break;
        }
        case 4:
        case 5: {
          const bool ok = f.GetByte(b);
          ASSERT_EQ(ok, !ref.empty());
          if (ok) {
            ASSERT_EQ(b, ref.front());
            ref.pop_front();
          }
          break;
        }
        case 6: {
          const int ix = Random(static_cast<int>(ref.size()) + 2) - 1;
          const bool ok = f.SenseByte(ix, b);
          ASSERT_EQ(ok, ix >= 0 && ix < static_cast<int>(ref.size()));
          if (ok) {
            ASSERT_EQ(b, ref[static_cast<std::size_t>(ix)]);
          }
          break;
        }
      }
      ASSERT_EQ(f.CountBytes(), static_cast<int>(ref.size()));
    }
  }
}

}  // namespace
}  // namespace krv
