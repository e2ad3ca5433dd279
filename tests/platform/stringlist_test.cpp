#include "korvex/platform/stringlist.h"

#include <gtest/gtest.h>

#include <vector>

#include "korvex/platform/text.h"

namespace krv {
namespace {

std::vector<String> Items(const TStringList& l) {
  return {l.begin(), l.end()};
}

TEST(StringList, AddInsertDeleteMove) {
  TStringList l;
  EXPECT_EQ(l.Add(u"b"), 0);
  EXPECT_EQ(l.Add(u"c"), 1);
  l.Insert(0, u"a");
  l.Insert(3, u"d");
  EXPECT_EQ(Items(l), (std::vector<String>{u"a", u"b", u"c", u"d"}));
  l.Move(0, 3);
  EXPECT_EQ(Items(l), (std::vector<String>{u"b", u"c", u"d", u"a"}));
  l.Exchange(0, 3);
  l.Delete(1);
  EXPECT_EQ(Items(l), (std::vector<String>{u"a", u"d", u"b"}));
  l.Put(1, u"x");
  EXPECT_EQ(l[1], u"x");
  EXPECT_EQ(l.IndexOf(u"B"), 2);
  EXPECT_EQ(l.IndexOf(u"zz"), -1);
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}

TEST(StringList, BadIndexesRaise) {
  TStringList l;
  l.Add(u"a");
  EXPECT_THROW(l.Strings(1), EStringListError);
  EXPECT_THROW(l.Strings(-1), EStringListError);
  EXPECT_THROW(l.Insert(2, u"x"), EStringListError);
  EXPECT_THROW(l.Delete(5), EStringListError);
  try {
    l.Strings(7);
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (7)");
  }
}

TEST(StringList, ObjectsTravelWithTheirStrings) {
  TObject a, b;
  TStringList l;
  l.AddObject(u"b", &b);
  l.AddObject(u"a", &a);
  l.Sort();
  EXPECT_EQ(l.Objects(0), &a);
  EXPECT_EQ(l.Objects(1), &b);
  EXPECT_EQ(l.IndexOfObject(&b), 1);
}

TEST(StringList, SortedListsKeepOrderAndHandleDuplicates) {
  TStringList l;
  l.SetSorted(true);
  for (const char16_t* s : {u"pear", u"Apple", u"fig", u"apple"}) l.Add(s);
  EXPECT_EQ(Items(l), (std::vector<String>{u"Apple", u"fig", u"pear"}));  // dupIgnore
  int ix = -1;
  EXPECT_TRUE(l.Find(u"FIG", ix));
  EXPECT_EQ(ix, 1);
  EXPECT_FALSE(l.Find(u"grape", ix));
  EXPECT_EQ(ix, 2);
  EXPECT_THROW(l.Insert(0, u"x"), EStringListError);
  EXPECT_THROW(l.Put(0, u"x"), EStringListError);

  l.SetDuplicates(dupError);
  EXPECT_THROW(l.Add(u"PEAR"), EStringListError);
  l.SetDuplicates(dupAccept);
  EXPECT_EQ(l.Add(u"apple"), 1);
  EXPECT_TRUE(l.Find(u"apple", ix));
  EXPECT_EQ(ix, 0);  // first of the equal run

  l.SetCaseSensitive(true);  // re-sorts by code unit
  EXPECT_EQ(Items(l), (std::vector<String>{u"Apple", u"apple", u"fig", u"pear"}));
}

TEST(StringList, FoldingCoversLatinGreekCyrillic) {
  const std::pair<Char, Char> pairs[] = {{u'A', u'a'}, {u'É', u'é'}, {u'Ā', u'ā'},
                                         {u'Ł', u'ł'}, {u'Ÿ', u'ÿ'}, {u'Ž', u'ž'},
                                         {u'Σ', u'σ'}, {u'Ж', u'ж'}, {u'Ё', u'ё'}};
  for (auto [upper, lower] : pairs) EXPECT_EQ(StringListFoldChar(upper), lower);
  EXPECT_EQ(StringListFoldChar(u'×'), u'×');
  EXPECT_EQ(StringListFoldChar(u'ł'), u'ł');
}

TEST(StringList, TextSplitsAtEveryLineEnd) {
  TStringList l;
  l.SetText(u"a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(Items(l), (std::vector<String>{u"a", u"b", u"c", u"d", u"", u"e"}));
  EXPECT_EQ(l.Text(), u"a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  l.SetText(u"");
  EXPECT_EQ(l.Count(), 0);
  l.SetText(u"x\r\n");
  EXPECT_EQ(l.Count(), 1);
}

TEST(StringList, NameValuePairs) {
  TStringList l;
  l.Add(u"Width=10");
  l.Add(u"plain");
  l.Add(u"height=20=x");
  EXPECT_EQ(l.Values(u"HEIGHT"), u"20=x");
  EXPECT_EQ(l.Names(0), u"Width");
  EXPECT_EQ(l.Names(1), u"");
  EXPECT_EQ(l.IndexOfName(u"plain"), -1);
  l.SetValues(u"width", u"11");
  EXPECT_EQ(l[0], u"width=11");
  l.SetValues(u"depth", u"3");
  EXPECT_EQ(l[3], u"depth=3");
  l.SetValues(u"width", u"");
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Values(u"width"), u"");
}

TEST(StringList, AssignCopiesListAndSettings) {
  TStringList a, b;
  a.SetCaseSensitive(true);
  a.Add(u"x");
  a.AddStrings(a);
  b.Assign(&a);
  EXPECT_EQ(Items(b), (std::vector<String>{u"x", u"x"}));
  EXPECT_TRUE(b.CaseSensitive());
  TPersistent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
}

}  // namespace
}  // namespace krv
