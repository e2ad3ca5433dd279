#include "korvex/platform/component.h"

#include <gtest/gtest.h>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/random.h"
#include "korvex/platform/rounding.h"

namespace krv {
namespace {

// Counts live instances so ownership can be observed.
struct Probe : TComponent {
  static inline int alive = 0;
  explicit Probe(TComponent* owner = nullptr) : TComponent(owner) { ++alive; }
  ~Probe() override { --alive; }
  String ClassName() const override { return u"TProbe"; }
};

TEST(Component, OwnerDestroysWhatItOwns) {
  Probe::alive = 0;
  {
    Probe owner;
    auto* a = new Probe(&owner);
    new Probe(a);  // grandchild, owned by a
    new Probe(&owner);
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(Probe::alive, 4);
    delete a;  // detaches from owner and takes its own child with it
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(Probe::alive, 2);
  }
  EXPECT_EQ(Probe::alive, 0);
}

TEST(Component, InsertMovesOwnership) {
  TComponent first, second;
  auto* c = new TComponent(&first);
  second.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.Components(0), c);
  EXPECT_EQ(second.Components(5), nullptr);
}

TEST(Component, BaseAssignRefuses) {
  Probe a;
  TComponent b;
  try {
    b.Assign(&a);
    FAIL() << "Assign should refuse";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Cannot assign a TProbe to a TComponent");
    EXPECT_STREQ(e.what(), "Cannot assign a TProbe to a TComponent");
  }
  EXPECT_THROW(b.Assign(nullptr), EConvertError);
}

TEST(Component, MessagePrefixAndTag) {
  TComponent c;
  c.SetName(u"ColArray1");
  c.SetTag(-7);
  EXPECT_EQ(c.ComponentMessage(u"not enough memory"),
            u"Component \"ColArray1\": not enough memory");
  EXPECT_EQ(c.Tag(), -7);
}

TEST(Random, DeterministicForASeedAndInRange) {
  RandSeed = 12345;
  std::vector<int> first;
  for (int i = 0; i < 100; ++i) first.push_back(Random(255));
  RandSeed = 12345;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(Random(255), first[static_cast<std::size_t>(i)]);
  int hist[10] = {};
  for (int i = 0; i < 100000; ++i) {
    const int r = Random(10);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 10);
    ++hist[r];
  }
  for (int h : hist) EXPECT_NEAR(h, 10000, 500);
  for (int i = 0; i < 1000; ++i) {
    const double d = Random();
    ASSERT_GE(d, 0.0);
    ASSERT_LT(d, 1.0);
  }
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-3), 0);
}

TEST(Rounding, TiesGoToEven) {
  const struct {
    double in;
    std::int64_t out;
  } cases[] = {{0.5, 0},   {1.5, 2},       {2.5, 2},       {-0.5, 0},          {-1.5, -2},
               {-2.5, -2}, {2.4999999, 2}, {2.5000001, 3}, {1e300, INT64_MAX}, {-1e300, INT64_MIN}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(RoundHalfEven(4.5L), 4);
  EXPECT_EQ(RoundHalfEvenF(-3.5), -4.0);
}

}  // namespace
}  // namespace krv
