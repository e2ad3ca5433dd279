#include "korvex/dstruct/stringaccu.h"

#include <gtest/gtest.h>

#include "korvex/platform/random.h"

namespace krv {
namespace {

TEST(StringAccu, CountsInOrderOfFirstAppearance) {
  TStringAccu a;
  EXPECT_EQ(a.Size(), 0);
  a.Add(u"a");
  a.Add(u"b");
  a.Add(u"a");
  a.Add(u"A");
  a.Add(u"");
  EXPECT_EQ(a.Size(), 4);
  EXPECT_EQ(a.GetString(1), u"a");
  EXPECT_EQ(a.GetCount(1), 2);
  EXPECT_EQ(a.GetString(2), u"b");
  EXPECT_EQ(a.GetCount(2), 1);
  EXPECT_EQ(a.GetString(3), u"A");
  EXPECT_EQ(a.GetString(4), u"");
  EXPECT_EQ(a.GetCount(4), 1);
  EXPECT_EQ(a.GetString(0), u"");
  EXPECT_EQ(a.GetString(5), u"");
  EXPECT_EQ(a.GetCount(0), 0);
  EXPECT_EQ(a.GetCount(-1), 0);
  EXPECT_EQ(a.IndexOf(u"A"), 3);
  EXPECT_EQ(a.IndexOf(u"c"), 0);
  a.Clear();
  EXPECT_EQ(a.Size(), 0);
  a.Add(u"b");
  EXPECT_EQ(a.GetCount(1), 1);
}

TEST(StringAccu, AgreesWithLinearReference) {
  RandSeed = 31;
  TStringAccu a;
  std::vector<String> strs;
  std::vector<int> counts;
  for (int i = 0; i < 20000; ++i) {
    String s(static_cast<std::size_t>(Random(3)), u'x');
    for (auto& c : s) c = static_cast<Char>(u'a' + Random(5));
    if (Random(50) == 0) s += u'\u00e9';
    a.Add(s);
    std::size_t j = 0;
    while (j < strs.size() && strs[j] != s) ++j;
    if (j == strs.size()) strs.push_back(s), counts.push_back(0);
    ++counts[j];
  }
  ASSERT_EQ(a.Size(), static_cast<int>(strs.size()));
  for (std::size_t j = 0; j < strs.size(); ++j) {
    EXPECT_EQ(a.GetString(static_cast<int>(j) + 1), strs[j]);
    EXPECT_EQ(a.GetCount(static_cast<int>(j) + 1), counts[j]);
  }
}

}  // namespace
}  // namespace krv
