#include "korvex/dstruct/assocarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

// ------------------------------------------------------------------------- basics

TEST(AssocArray, NewArray) {
  TAssocArray a;
  EXPECT_EQ(a.NumEntries(), 0);
  EXPECT_EQ(a.Granularity(), 1024);
  EXPECT_TRUE(a.IgnoreCase());
  EXPECT_EQ(a.DataID(), u"");
  EXPECT_EQ(a.AllocatedLength(), 1024);
  EXPECT_EQ(a.ClassName(), u"TAssocArray");
}

TEST(AssocArray, IgnoreCaseStoresFoldedKeys) {
  TAssocArray a;
  a.Add(u"Alpha", Variant(1));
  EXPECT_EQ(a.Resolve(u"ALPHA"), Variant(1));
  EXPECT_EQ(a.GetKeys(1), u"alpha");
  a.SetIgnoreCase(false);
  a.Add(u"Alpha", Variant(2));
  a.Add(u"alpha", Variant(3));
  EXPECT_EQ(a.NumEntries(), 2);
  EXPECT_EQ(a.Resolve(u"Alpha"), Variant(2));
  EXPECT_EQ(a.Resolve(u"alpha"), Variant(3));
  EXPECT_TRUE(a.Resolve(u"ALPHA").IsNull());
  // Folding again finds the first of the two in entry order.
  a.SetIgnoreCase(true);
  EXPECT_EQ(a.Resolve(u"ALPHA"), Variant(3));
  EXPECT_EQ(a.IndexOfKey(u"aLPHA"), 1);
}

TEST(AssocArray, AddReplacesExistingValues) {
  TAssocArray a;
  a.Add(u"k", Variant(1));
  a.Add(u"K", Variant(u"two"));
  EXPECT_EQ(a.NumEntries(), 1);
  EXPECT_EQ(a.Resolve(u"k"), Variant(u"two"));
}

TEST(AssocArray, RemoveMovesTheLastEntryIntoTheGap) {
  TAssocArray a;
  a.Add(u"a", Variant(1));
  a.Add(u"b", Variant(2));
  a.Add(u"c", Variant(3));
  EXPECT_TRUE(a.Remove(u"A"));
  EXPECT_EQ(a.NumEntries(), 2);
  EXPECT_EQ(a.GetKeys(1), u"c");
  EXPECT_EQ(a.GetValues(1), Variant(3));
  EXPECT_EQ(a.GetKeys(2), u"b");
  EXPECT_FALSE(a.Remove(u"a"));
  EXPECT_TRUE(a.Remove(u"b"));  // the last entry: nothing moves
  EXPECT_EQ(a.GetKeys(1), u"c");
  EXPECT_EQ(a.GetKeys(2), u"");
  EXPECT_EQ(a.AllocatedLength(), 1024);  // never shrinks
}

TEST(AssocArray, AbsentKeysGiveNeutralValues) {
  TAssocArray a;
  EXPECT_TRUE(a.Resolve(u"x").IsNull());
  EXPECT_EQ(a.ResolveAsString(u"x"), u"");
  EXPECT_EQ(a.ResolveAsNumber(u"x"), 0);
  EXPECT_EQ(a.ResolveAsInt(u"x"), 0);
  EXPECT_EQ(a.IndexOfKey(u"x"), 0);
  a.Add(u"n", Variant::Null());
  EXPECT_EQ(a.ResolveAsString(u"n"), u"");
  EXPECT_EQ(a.ResolveAsNumber(u"n"), 0);
  EXPECT_EQ(a.ResolveAsInt(u"n"), 0);
}

TEST(AssocArray, IndexedAccess) {
  TAssocArray a;
  a.Add(u"a", Variant(1));
  EXPECT_EQ(a.GetValues(0), Variant(u""));  // a text, not null
  EXPECT_FALSE(a.GetValues(0).IsNull());
  EXPECT_EQ(a.GetValues(2), Variant(u""));
  EXPECT_EQ(a.GetKeys(0), u"");
  a.SetValues(1, Variant(2.5));
  a.SetValues(2, Variant(9));
  EXPECT_EQ(a.Resolve(u"a"), Variant(2.5));
  a.SetKeys(1, u"Big");  // as given, not folded
  EXPECT_EQ(a.GetKeys(1), u"Big");
  EXPECT_EQ(a.Resolve(u"BIG"), Variant(2.5));
  EXPECT_TRUE(a.Resolve(u"a").IsNull());
  a.SetKeys(0, u"x");
  a.SetKeys(2, u"x");
  EXPECT_EQ(a.NumEntries(), 1);
}

TEST(AssocArray, ResolveAsNumber) {
  TAssocArray a;
  struct Case {
    const char16_t* key;
    Variant value;
    double expected;
  };
  const Case cases[] = {
      {u"comma", Variant(u"3,5"), 3.5},
      {u"exp", Variant(u" 1.5e2xyz"), 150},
      {u"bad", Variant(u"abc"), 0},
      {u"i8", Variant(std::int8_t{-7}), -7},
      {u"u64", Variant(std::uint64_t{1} << 40), 1099511627776.0},
      {u"single", Variant(0.25f), 0.25},
      {u"double", Variant(-1.5), -1.5},
      {u"curr", Variant(Currency{12345}), 1.2345},
      {u"bool", Variant(true), 0},
      {u"date", Variant(TDateTime{45000}), 0},
  };
  for (const auto& c : cases) a.Add(c.key, c.value);
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(a.ResolveAsNumber(c.key), c.expected) << ToUtf8(String(c.key));
}

TEST(AssocArray, ResolveAsInt) {
  TAssocArray a;
  struct Case {
    const char16_t* key;
    Variant value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {u"t1", Variant(u"42abc"), 42},
      {u"t2", Variant(u"  -17"), -17},
      {u"t3", Variant(u"+8"), 8},
      {u"t4", Variant(u"x1"), 0},
      {u"t5", Variant(u"99999999999"), 2147483647},
      {u"t6", Variant(u"-99999999999"), -2147483647 - 1},
      {u"dbl", Variant(3.0), 0},
      {u"sgl", Variant(3.0f), 0},
      {u"cur", Variant(Currency{30000}), 0},
      {u"w", Variant(std::uint16_t{65535}), 65535},
      {u"i64", Variant(std::int64_t{-5}), -5},
      {u"b", Variant(true), 0},
  };
  for (const auto& c : cases) a.Add(c.key, c.value);
  for (const auto& c : cases) EXPECT_EQ(a.ResolveAsInt(c.key), c.expected) << ToUtf8(String(c.key));
  a.Add(u"big", Variant(std::int64_t{1} << 40));
  EXPECT_THROW(a.ResolveAsInt(u"big"), EVariantError);
}

TEST(AssocArray, ResolveAsString) {
  TAssocArray a;
  a.Add(u"i", Variant(-3));
  a.Add(u"d", Variant(0.1));
  a.Add(u"b", Variant(false));
  a.Add(u"s", Variant(u"text"));
  EXPECT_EQ(a.ResolveAsString(u"i"), u"-3");
  EXPECT_EQ(a.ResolveAsString(u"d"), u"0.1");
  EXPECT_EQ(a.ResolveAsString(u"b"), u"False");
  EXPECT_EQ(a.ResolveAsString(u"s"), u"text");
  a.Add(u"bad date", Variant(TDateTime{1e300}));
  EXPECT_THROW(a.ResolveAsString(u"bad date"), EVariantError);  // propagates
}

TEST(AssocArray, GranularityGrowthAndClear) {
  TAssocArray a;
  for (int i = 0; i < 1024; ++i) a.Add(String(u"k") + ToUtf16(std::to_string(i)), Variant(i));
  EXPECT_EQ(a.AllocatedLength(), 1024);
  a.Add(u"one more", Variant(0));
  EXPECT_EQ(a.AllocatedLength(), 2049);
  EXPECT_EQ(a.NumEntries(), 1025);
  a.SetGranularity(10);
  a.Clear();
  EXPECT_EQ(a.NumEntries(), 0);
  EXPECT_EQ(a.AllocatedLength(), 10);
  EXPECT_TRUE(a.Resolve(u"k5").IsNull());
  for (int i = 0; i < 11; ++i) a.Add(ToUtf16(std::to_string(i)), Variant(i));
  EXPECT_EQ(a.AllocatedLength(), 21);
  a.SetGranularity(0);
  EXPECT_EQ(a.Granularity(), 1);
  a.SetGranularity(2000000000);
  EXPECT_EQ(a.Granularity(), 1 << 24);
}

// ------------------------------------------------------------------------- differential

// The original linear look-up, kept beside the hashed one.
struct LinearReference {
  std::vector<String> keys;
  std::vector<Variant> values;
  bool ignore_case = true;

  static String Fold(String s) {
    for (Char& c : s)
      if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
    return s;
  }
  int Find(const String& key) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (ignore_case ? Fold(keys[i]) == Fold(key) : keys[i] == key) return static_cast<int>(i);
    return -1;
  }
  void Add(const String& key, const Variant& v) {
    const String k = ignore_case ? Fold(key) : key;
    const int at = Find(k);
    if (at >= 0) {
      values[static_cast<std::size_t>(at)] = v;
      return;
    }
    keys.push_back(k);
    values.push_back(v);
  }
  bool Remove(const String& key) {
    const int at = Find(key);
    if (at < 0) return false;
    keys[static_cast<std::size_t>(at)] = keys.back();
    values[static_cast<std::size_t>(at)] = values.back();
    keys.pop_back();
    values.pop_back();
    return true;
  }
};

TEST(AssocArray, HashIndexAgreesWithTheLinearReference) {
  std::mt19937 rng(99);
  // A small alphabet with both cases so that keys collide under folding and SetKeys makes
  // duplicates.
  auto random_key = [&] {
    String k;
    const int len = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < len; ++i) k.push_back(u"aAbB"[rng() % 4]);
    return k;
  };
  TAssocArray a;
  a.SetGranularity(3);
  a.Clear();
  LinearReference ref;
  for (int step = 0; step < 30000; ++step) {
    const int op = static_cast<int>(rng() % 100);
    if (op < 30) {
      const String k = random_key();
      const Variant v(static_cast<std::int32_t>(step));
      a.Add(k, v);
      ref.Add(k, v);
    } else if (op < 45) {
      const String k = random_key();
      ASSERT_EQ(a.Remove(k), ref.Remove(k)) << step;
    } else if (op < 55) {
      if (!ref.keys.empty()) {
        const int ix = 1 + static_cast<int>(rng() % ref.keys.size());
        const String k = random_key();
        a.SetKeys(ix, k);
        ref.keys[static_cast<std::size_t>(ix) - 1] = k;
      }
    } else if (op < 60) {
      const bool ic = rng() % 2 == 0;
      a.SetIgnoreCase(ic);
      ref.ignore_case = ic;
    } else if (op < 61) {
      a.Clear();
      ref.keys.clear();
      ref.values.clear();
    } else {
      const String k = random_key();
      const int at = ref.Find(k);
      ASSERT_EQ(a.IndexOfKey(k), at + 1) << step;
      ASSERT_EQ(a.Resolve(k), at < 0 ? Variant::Null() : ref.values[static_cast<std::size_t>(at)]);
    }
    ASSERT_EQ(a.NumEntries(), static_cast<int>(ref.keys.size())) << step;
    if (step % 97 == 0) {
      for (int i = 1; i <= a.NumEntries(); ++i) {
        ASSERT_EQ(a.GetKeys(i), ref.keys[static_cast<std::size_t>(i) - 1]);
        ASSERT_EQ(a.GetValues(i), ref.values[static_cast<std::size_t>(i) - 1]);
      }
    }
  }
}

}  // namespace
}  // namespace krv
