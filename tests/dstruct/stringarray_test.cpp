#include "korvex/dstruct/stringarray.h"

#include <gtest/gtest.h>

#include "test_support/temp_dir.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace krv {
namespace {

std::vector<std::string> Column(const TStringArray& a, int c) {
  std::vector<std::string> out;
  for (int r = 1; r <= a.NrOfRows(); ++r) out.push_back(a.GetString(c, r));
  return out;
}

std::vector<int> SortOrder(const TStringArray& a) {
  std::vector<int> out;
  for (int r = 1; r <= a.NrOfRows(); ++r) out.push_back(a.GetSortOrder(r));
  return out;
}

// A grid of one column holding the given texts in rows 1..n.
void FillColumn(TStringArray& a, int c, const std::vector<std::string>& texts) {
  if (a.NrOfRows() < static_cast<int>(texts.size())) {
    ASSERT_TRUE(a.Resize(std::max(a.NrOfColumns(), c), static_cast<int>(texts.size())));
  }
  for (std::size_t i = 0; i < texts.size(); ++i) a.SetString(c, static_cast<int>(i) + 1, texts[i]);
}

// ------------------------------------------------------------------------- construction

TEST(StringArray, NewGrid) {
  TStringArray a;
  EXPECT_EQ(a.NrOfColumns(), 1);
  EXPECT_EQ(a.NrOfRows(), 1);
  EXPECT_EQ(a.NumBuffers(), 1);
  EXPECT_EQ(a.AllocRowsBy(), 10);
  EXPECT_EQ(a.RowsAllocated(), 10);
  EXPECT_EQ(a.FirstFree(1), 1);
  EXPECT_EQ(a.GetString(0, 1), "");
  EXPECT_EQ(a.GetString(1, 1), "");
  EXPECT_EQ(a.GetSortOrder(1), 1);
  EXPECT_EQ(a.GetRowAttrib(1), 0);
  EXPECT_EQ(a.GetColAttrib(1), 0);
  EXPECT_EQ(a.ClassName(), u"TStringArray");
}

TEST(StringArray, OwnerDestroysIt) {
  auto owner = std::make_unique<TComponent>();
  auto* a = new TStringArray(owner.get());
  EXPECT_EQ(a->Owner(), owner.get());
  owner.reset();  // must free the grid (checked by the sanitizer build)
}

// ------------------------------------------------------------------------- size

TEST(StringArray, ResizeRefusesNonPositiveAndIgnoresSameSize) {
  TStringArray a;
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  a.SetString(1, 1, "x");
  changes = 0;
  EXPECT_FALSE(a.Resize(0, 5));
  EXPECT_FALSE(a.Resize(3, -1));
  EXPECT_TRUE(a.Resize(1, 1));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(a.NrOfColumns(), 1);
  EXPECT_EQ(a.NrOfRows(), 1);
  EXPECT_EQ(a.GetString(1, 1), "x");
  EXPECT_TRUE(a.Resize(2, 3));
  EXPECT_EQ(changes, 1);
}

TEST(StringArray, ResizeAllocatesInStepsAndKeepsSurvivingCells) {
  TStringArray a;
  a.SetAllocRowsBy(4);
  ASSERT_TRUE(a.Resize(2, 9));
  EXPECT_EQ(a.RowsAllocated(), 12);
  for (int r = 1; r <= 9; ++r)
    for (int c = 0; c <= 2; ++c) a.SetString(c, r, std::to_string(c) + ":" + std::to_string(r));
  a.SetRowAttrib(5, 7);
  a.SetColAttrib(2, 9);
  ASSERT_TRUE(a.Resize(3, 5));  // columns change: reallocation, rows 6..9 dropped
  EXPECT_EQ(a.RowsAllocated(), 8);
  EXPECT_EQ(a.GetString(2, 5), "2:5");
  EXPECT_EQ(a.GetString(3, 5), "");
  EXPECT_EQ(a.GetRowAttrib(5), 7);
  EXPECT_EQ(a.GetColAttrib(2), 9);
  EXPECT_EQ(a.GetColAttrib(3), 0);
  ASSERT_TRUE(a.Resize(3, 8));  // same columns, enough rows: new rows empty
  EXPECT_EQ(a.GetString(1, 6), "");
  ASSERT_TRUE(a.Resize(3, 2));
  ASSERT_TRUE(a.Resize(3, 5));  // dropped rows were emptied
  EXPECT_EQ(a.GetString(1, 4), "");
  EXPECT_EQ(a.GetRowAttrib(5), 0);
  ASSERT_TRUE(a.Resize(1, 5));
  EXPECT_EQ(a.GetString(2, 1), "");
  EXPECT_EQ(a.GetString(1, 1), "1:1");
}

TEST(StringArray, ResizeResetsSortOrder) {
  TStringArray a;
  FillColumn(a, 1, {"c", "a", "b"});
  a.Sort(1, 0, true);
  EXPECT_EQ(SortOrder(a), (std::vector<int>{2, 3, 1}));
  EXPECT_EQ(a.AddRow(), 4);
  EXPECT_EQ(SortOrder(a), (std::vector<int>{1, 2, 3, 4}));
  a.SetNrCols(3);
  EXPECT_EQ(a.NrOfColumns(), 3);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"c", "a", "b", ""}));
}

TEST(StringArray, AllocRowsByBelowOneIsTakenAsOne) {
  TStringArray a;
  a.SetAllocRowsBy(0);
  EXPECT_EQ(a.AllocRowsBy(), 1);
  a.SetAllocRowsBy(-5);
  EXPECT_EQ(a.AllocRowsBy(), 1);
  EXPECT_TRUE(a.Resize(2, 13));
  EXPECT_EQ(a.RowsAllocated(), 13);
  a.SetString(2, 13, "end");
  EXPECT_EQ(a.GetString(2, 13), "end");
}

TEST(StringArray, ResizeRefusesAllocationsBeyondTheLimits) {
  TStringArray a;
  a.SetAllocRowsBy(2000000000);
  EXPECT_FALSE(a.Resize(1, 2000000001));  // would need 4e9 rows
  a.SetAllocRowsBy(10);
  EXPECT_FALSE(a.Resize(2000000000, 10));  // 2e10 cell references
  EXPECT_EQ(a.NrOfColumns(), 1);
  EXPECT_EQ(a.NrOfRows(), 1);
}

// ------------------------------------------------------------------------- cells

TEST(StringArray, CellsOutsideTheGridReadEmptyAndIgnoreWrites) {
  TStringArray a;
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  for (auto [c, r] : {std::pair{-1, 1}, {2, 1}, {1, 0}, {1, 2}}) {
    a.SetString(c, r, "x");
    EXPECT_EQ(a.GetString(c, r), "");
  }
  EXPECT_EQ(changes, 0);
  a.SetString(0, 1, "zero");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(a.GetString(0, 1), "zero");
}

TEST(StringArray, StringsAreConvertedToWindows1252AndCut) {
  TStringArray a;
  a.SetString(1, 1, String(u"é€ → ok"));
  EXPECT_EQ(a.GetString(1, 1), "\xE9\x80 ? ok");
  a.SetString(1, 1, std::string(300, 'x'));
  EXPECT_EQ(a.GetString(1, 1), std::string(255, 'x'));
  a.SetString(1, 1, String(400, u'y'));
  EXPECT_EQ(a.GetString(1, 1), std::string(255, 'y'));
}

TEST(StringArray, OverwritingReusesOrConsumesSpace) {
  TStringArray a;
  a.SetString(1, 1, "abcdef");
  const std::uint32_t ref = a.CellRef(1, 1);
  EXPECT_EQ(ref, (1u << 16) | 1u);
  EXPECT_EQ(a.FirstFree(1), 8);
  a.SetString(1, 1, "xyz");  // shorter: in place
  EXPECT_EQ(a.CellRef(1, 1), ref);
  EXPECT_EQ(a.FirstFree(1), 8);
  a.SetString(1, 1, "0123456");  // longer than the stored length byte (3): new space
  EXPECT_EQ(a.CellRef(1, 1), (1u << 16) | 8u);
  EXPECT_EQ(a.FirstFree(1), 16);
  EXPECT_EQ(a.GetString(1, 1), "0123456");
  a.SetString(0, 1, "");  // the empty string still takes its length byte
  EXPECT_EQ(a.FirstFree(1), 17);
}

TEST(StringArray, SecondBufferAppearsExactlyWhenTheFirstIsFull) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(1, 200));
  const std::string s255(255, 'q');
  // Each string takes 256 bytes; string k (0-based) starts at 256k + 1 and ends at
  // 256k + 256, which stays below byte 32768 for k <= 126.
  for (int r = 1; r <= 127; ++r) a.SetString(1, r, s255);
  EXPECT_EQ(a.NumBuffers(), 1);
  EXPECT_EQ(a.FirstFree(1), 127 * 256 + 1);
  a.SetString(1, 128, s255);  // 32513 + 255 = 32768: not below the last byte
  EXPECT_EQ(a.NumBuffers(), 2);
  EXPECT_EQ(a.CellRef(1, 128), (2u << 16) | 1u);
  EXPECT_EQ(a.FirstFree(2), 257);
  a.SetString(1, 129, std::string(254, 'r'));  // 32513 + 254 < 32768: still fits buffer 1
  EXPECT_EQ(a.CellRef(1, 129), (1u << 16) | 32513u);
  EXPECT_EQ(a.FirstFree(1), 32768);
  a.SetString(1, 130, "");  // 32768 + 0 is not below 32768
  EXPECT_EQ(a.CellRef(1, 130) >> 16, 2u);
}

TEST(StringArray, GarbageCollectionKeepsEveryCellAndCompacts) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(3, 50));
  std::mt19937 rng(7);
  for (int round = 0; round < 4; ++round)
    for (int c = 0; c <= 3; ++c)
      for (int r = 1; r <= 50; ++r)
        a.SetString(c, r, std::string(rng() % (60 + 60 * round), static_cast<char>('a' + c)));
  a.SetString(0, 7, "column zero");
  a.Sort(1, 0, false);
  std::vector<std::vector<std::string>> before;
  for (int c = 0; c <= 3; ++c) before.push_back(Column(a, c));
  const int buffers = a.NumBuffers();
  ASSERT_GT(buffers, 1);
  std::vector<int> free_before;
  for (int k = 1; k <= buffers; ++k) free_before.push_back(a.FirstFree(k));
  a.GarbageCollection();
  EXPECT_EQ(a.NumBuffers(), buffers);
  for (int c = 0; c <= 3; ++c) EXPECT_EQ(Column(a, c), before[static_cast<std::size_t>(c)]);
  int live_bytes = 0;
  for (int c = 0; c <= 3; ++c)
    for (int r = 1; r <= 50; ++r)
      if (a.CellRef(c, r) != 0) live_bytes += static_cast<int>(a.GetString(c, r).size()) + 1;
  int used = 0;
  for (int k = 1; k <= buffers; ++k) {
    EXPECT_LE(a.FirstFree(k), free_before[static_cast<std::size_t>(k) - 1]);
    used += a.FirstFree(k) - 1;
  }
  EXPECT_LT(a.FirstFree(1), free_before[0]);
  EXPECT_EQ(used, live_bytes);  // no garbage left
}

TEST(StringArray, GarbageCollectionPacksInColumnThenRowOrder) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(1, 2));
  a.SetString(1, 1, "aa");
  a.SetString(0, 2, "b");
  a.SetString(0, 1, "c");
  a.SetString(1, 2, "dddd");
  a.SetString(1, 1, "eeeee");  // garbage behind "aa"
  a.GarbageCollection();
  // Column 0 rows 1, 2, then column 1 rows 1, 2.
  EXPECT_EQ(a.CellRef(0, 1) & 0xFFFF, 1u);
  EXPECT_EQ(a.CellRef(0, 2) & 0xFFFF, 3u);
  EXPECT_EQ(a.CellRef(1, 1) & 0xFFFF, 5u);
  EXPECT_EQ(a.CellRef(1, 2) & 0xFFFF, 11u);
  EXPECT_EQ(a.FirstFree(1), 16);
}

TEST(StringArray, FillAndClear) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 3));
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  a.Fill("z");
  EXPECT_EQ(changes, 9);  // once per cell, column 0 included
  EXPECT_EQ(a.GetString(0, 3), "z");
  a.SetRowAttrib(2, 4);
  a.SetColAttrib(1, 5);
  a.Sort(1, 0, true);
  changes = 0;
  ASSERT_TRUE(a.Resize(2, 3000));
  a.Fill(std::string(200, 'w'));
  EXPECT_GT(a.NumBuffers(), 1);
  changes = 0;
  a.Clear();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(a.NumBuffers(), 1);
  EXPECT_EQ(a.FirstFree(1), 1);
  EXPECT_EQ(a.NrOfRows(), 3000);
  EXPECT_EQ(a.GetString(2, 3000), "");
  EXPECT_EQ(a.GetRowAttrib(2), 0);
  EXPECT_EQ(a.GetColAttrib(1), 0);
  a.Fill("v");
  a.Fill(String());  // empty: Clear
  EXPECT_TRUE(a.ColumnEmpty(0));
}

// ------------------------------------------------------------------------- numbers

TEST(StringArray, AsNumber) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 3));
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {{" 3,5 ", 3.5}, {"", 0},   {"   ", 0},     {"-1e3", -1000},
                        {"+.5", 0.5},   {"7.", 7}, {"1E-2", 0.01}, {"1e999", 1.7e308},
                        {"0012", 12}};
  for (const auto& c : cases) {
    a.SetString(1, 2, c.text);
    EXPECT_DOUBLE_EQ(a.GetAsNumber(1, 2), c.value) << c.text;
  }
  for (const char* bad : {"abc", "1,5,3", "1e", "--1", ".", "1 2", "\t1", "0x10", "e5"}) {
    a.SetString(1, 2, bad);
    EXPECT_THROW(a.GetAsNumber(1, 2), EKRVDStructError) << bad;
  }
  a.SetString(2, 3, "abc");
  try {
    a.GetAsNumber(2, 3);
    FAIL();
  } catch (const EKRVDStructError& e) {
    EXPECT_STREQ(e.what(), "Class TStringArray: invalid numeric string: [2,3]: abc");
  }
  EXPECT_EQ(a.GetAsNumber(5, 9), 0);  // outside: empty text
}

TEST(StringArray, AsInteger) {
  TStringArray a;
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {{"2.5", 2},
                        {"3.5", 4},
                        {"-2.5", -2},
                        {"1e12", 2147483647},
                        {"-1e12", -2147483647},
                        {"2147483647.4", 2147483647},
                        {"-2147483648", -2147483647},
                        {" 17 ", 17}};
  for (const auto& c : cases) {
    a.SetString(1, 1, c.text);
    EXPECT_EQ(a.GetAsInteger(1, 1), c.value) << c.text;
  }
  a.SetString(1, 1, "x1");
  EXPECT_THROW(a.GetAsInteger(1, 1), EKRVDStructError);
}

// ------------------------------------------------------------------------- attributes

TEST(StringArray, AttributesAndTheirEvents) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 3));
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  a.SetRowAttrib(0, 1);
  a.SetRowAttrib(4, 1);
  a.SetColAttrib(0, 1);
  a.SetColAttrib(3, 1);
  EXPECT_EQ(changes, 0);
  a.SetRowAttrib(2, 200);
  a.SetColAttrib(2, 100);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(a.GetRowAttrib(2), 200);
  EXPECT_EQ(a.GetColAttrib(2), 100);
  EXPECT_EQ(a.GetColAttrib(0), 0);
  EXPECT_EQ(a.GetRowAttrib(4), 0);
  // The row attribute travels with its row.
  FillColumn(a, 1, {"c", "b", "a"});
  a.Sort(1, 0, true);
  EXPECT_EQ(a.GetRowAttrib(2), 200);  // "b" stays in the middle
  a.SetRowAttrib(1, 11);              // row "a", physically 3
  a.UnSort();
  EXPECT_EQ(a.GetRowAttrib(3), 11);
}

TEST(StringArray, SortOrderAccessAndItsPermutationGuard) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(1, 4));
  EXPECT_EQ(a.GetSortOrder(0), -1);
  EXPECT_EQ(a.GetSortOrder(5), -1);
  a.SetSortOrder(1, 3);  // exchange with the entry that held 3
  EXPECT_EQ(SortOrder(a), (std::vector<int>{3, 2, 1, 4}));
  a.SetSortOrder(1, 9);  // out of range: ignored
  a.SetSortOrder(0, 1);
  EXPECT_EQ(SortOrder(a), (std::vector<int>{3, 2, 1, 4}));
  // Setting every entry of a permutation in turn gives exactly that permutation.
  const std::vector<int> wanted = {4, 1, 3, 2};
  for (int i = 1; i <= 4; ++i) a.SetSortOrder(i, wanted[static_cast<std::size_t>(i) - 1]);
  EXPECT_EQ(SortOrder(a), wanted);
}

// SetSortOrder after operations that change the index by other ways (sorting, row insertion
// and removal, resizing) still exchanges with the entry that holds the position.
TEST(StringArray, SetSortOrderAgreesWithAPlainSearchAfterOtherChanges) {
  std::mt19937 rng(31);
  TStringArray a;
  ASSERT_TRUE(a.Resize(1, 40));
  for (int r = 1; r <= 40; ++r) a.SetString(1, r, std::to_string(rng() % 1000));
  for (int step = 0; step < 3000; ++step) {
    const int n = a.NrOfRows();
    switch (rng() % 8) {
      case 0:
        a.Sort(1, 0, rng() % 2 == 0);
        break;
      case 1:
        a.InsertRow(1 + static_cast<int>(rng() % n));
        break;
      case 2:
        a.RemoveRow(1 + static_cast<int>(rng() % n));
        break;
      case 3:
        ASSERT_TRUE(a.Resize(1, 20 + static_cast<int>(rng() % 40)));
        break;
      default: {
        const int ix = 1 + static_cast<int>(rng() % n), pos = 1 + static_cast<int>(rng() % n);
        std::vector<int> want = SortOrder(a);
        *std::find(want.begin(), want.end(), pos) = want[static_cast<std::size_t>(ix) - 1];
        want[static_cast<std::size_t>(ix) - 1] = pos;
        a.SetSortOrder(ix, pos);
        ASSERT_EQ(SortOrder(a), want) << "step " << step;
      }
    }
  }
}

// ------------------------------------------------------------------------- sorting

// The comb sort, written out plainly over a vector of keys; returns the final sort index and
// the progress values reported.
struct RefSortResult {
  std::vector<int> order;
  std::vector<int> percent;
};

std::string Fold(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

RefSortResult ReferenceCombSort(const std::vector<std::string>& primary,
                                const std::vector<std::string>& secondary, bool ascending) {
  const int n = static_cast<int>(primary.size());
  RefSortResult res;
  res.order.resize(primary.size());
  std::iota(res.order.begin(), res.order.end(), 1);
  res.percent.push_back(0);
  long double total = 0;
  long long g = n;
  do {
    g = static_cast<long long>(g / 1.3L);
    if (g == 0) g = 1;
    total += n - g;
  } while (g != 1);
  total += n;
  if (n > 1) {
    g = n;
    long long counter = 0;
    bool swapped;
    do {
      g = static_cast<long long>(g / 1.3L);
      if (g == 0) g = 1;
      swapped = false;
      for (long long i = 1; i + g <= n; ++i) {
        auto& x = res.order[static_cast<std::size_t>(i - 1)];
        auto& y = res.order[static_cast<std::size_t>(i + g - 1)];
        // ASCII text only here, so byte order is character-code order.
        int cmp = Fold(primary[static_cast<std::size_t>(x - 1)])
                      .compare(Fold(primary[static_cast<std::size_t>(y - 1)]));
        if (cmp == 0 && !secondary.empty())
          cmp = Fold(secondary[static_cast<std::size_t>(x - 1)])
                    .compare(Fold(secondary[static_cast<std::size_t>(y - 1)]));
        if (ascending ? cmp > 0 : cmp < 0) {
          std::swap(x, y);
          swapped = true;
        }
        ++counter;
      }
      const long double p = counter / total * 100;
      long long rounded = std::llround(p);
      if (std::fabs(p - std::floor(p) - 0.5L) == 0 && rounded % 2 != 0) --rounded;  // half even
      res.percent.push_back(static_cast<int>(std::min(rounded, 100LL)));
    } while (g > 1 || swapped);
  }
  res.percent.push_back(100);
  return res;
}

TEST(StringArray, SortIsTheCombSortOfTheIndex) {
  TStringArray a;
  FillColumn(a, 1, {"b", "A", "c"});
  std::vector<int> percent;
  a.SetOnPercentDone([&](TObject*, std::int32_t p) { percent.push_back(p); });
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  a.Sort(1, 0, true);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(SortOrder(a), (std::vector<int>{2, 1, 3}));
  EXPECT_EQ(changes, 1);
  ASSERT_GE(percent.size(), 2u);
  EXPECT_EQ(percent.front(), 0);
  EXPECT_EQ(percent.back(), 100);
  // The data has not moved until CommitSorting.
  a.UnSort();
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"b", "A", "c"}));
}

TEST(StringArray, SortMatchesTheReferenceOnRandomData) {
  std::mt19937 rng(42);
  for (int trial = 0; trial < 40; ++trial) {
    const int n = 1 + static_cast<int>(rng() % 300);
    std::vector<std::string> p, s;
    for (int i = 0; i < n; ++i) {
      p.push_back(std::string(1 + rng() % 2, static_cast<char>("aAbBc"[rng() % 5])));
      s.push_back(std::to_string(rng() % 50));
    }
    const bool asc = trial % 2 == 0;
    const bool use_secondary = trial % 3 != 0;
    TStringArray a;
    ASSERT_TRUE(a.Resize(2, n));
    for (int r = 1; r <= n; ++r) {
      a.SetString(1, r, p[static_cast<std::size_t>(r) - 1]);
      a.SetString(2, r, s[static_cast<std::size_t>(r) - 1]);
    }
    std::vector<int> percent;
    a.SetOnPercentDone([&](TObject*, std::int32_t v) { percent.push_back(v); });
    a.Sort(1, use_secondary ? 2 : 0, asc);
    const auto ref = ReferenceCombSort(p, use_secondary ? s : std::vector<std::string>{}, asc);
    EXPECT_EQ(SortOrder(a), ref.order) << "trial " << trial;
    EXPECT_EQ(percent, ref.percent) << "trial " << trial;
  }
}

TEST(StringArray, FastSortKeysAgreeWithTheHandlerPath) {
  // Without a handler the sort compares prefix numbers first; a handler that returns its
  // input unchanged forces the plain text comparison. Both must give the same permutation.
  std::mt19937 rng(17);
  const char alphabet[] = {'a', 'A', 'b', 'B', 'z', '\x80', '\xE9', '\xC9', '\xFF', ' ', '~'};
  for (int trial = 0; trial < 30; ++trial) {
    const int n = 2 + static_cast<int>(rng() % 400);
    TStringArray fast, slow;
    ASSERT_TRUE(fast.Resize(2, n));
    const std::string stem(rng() % 10, 'q');  // long shared prefixes in some trials
    for (int r = 1; r <= n; ++r) {
      std::string text = trial % 2 ? stem : "";
      for (int k = static_cast<int>(rng() % 4); k > 0; --k) text.push_back(alphabet[rng() % 11]);
      fast.SetString(1, r, text);
      fast.SetString(2, r, std::to_string(rng() % 5));
    }
    slow.Assign(&fast);
    slow.SetOnBeforeSortExchange([](TObject*, const String& in, String& out) { out = in; });
    const bool asc = trial % 3 != 0;
    fast.Sort(1, 2, asc);
    slow.Sort(1, 2, asc);
    EXPECT_EQ(SortOrder(fast), SortOrder(slow)) << "trial " << trial;
  }
}

TEST(StringArray, ProgressOnAOneRowGrid) {
  TStringArray a;
  std::vector<int> percent;
  int changes = 0;
  a.SetOnChange([&](TObject*) { ++changes; });
  a.SetOnPercentDone([&](TObject*, std::int32_t v) { percent.push_back(v); });
  a.Sort(1, 0, true);
  EXPECT_EQ(percent, (std::vector<int>{0, 100}));
  EXPECT_EQ(changes, 0);
}

TEST(StringArray, ShrinkUsesExtendedPrecision) {
  // With 14 rows the gaps are 10 (not 9, as double arithmetic gives for 13/1.3), 7, 5, ...
  TStringArray a;
  std::vector<std::string> keys;
  for (int i = 0; i < 14; ++i) keys.push_back(std::string(1, static_cast<char>('n' - i)));
  FillColumn(a, 1, keys);
  std::vector<int> percent;
  a.SetOnPercentDone([&](TObject*, std::int32_t v) { percent.push_back(v); });
  a.Sort(1, 0, true);
  EXPECT_EQ(percent, ReferenceCombSort(keys, {}, true).percent);
  std::vector<std::string> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(Column(a, 1), sorted);
}

TEST(StringArray, SecondaryKeyAndDescendingOrder) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 5));
  const char* p[] = {"x", "y", "x", "y", "x"};
  const char* s[] = {"3", "1", "1", "2", "2"};
  for (int r = 1; r <= 5; ++r) {
    a.SetString(1, r, p[r - 1]);
    a.SetString(2, r, s[r - 1]);
  }
  a.Sort(1, 2, true);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"x", "x", "x", "y", "y"}));
  EXPECT_EQ(Column(a, 2), (std::vector<std::string>{"1", "2", "3", "1", "2"}));
  a.Sort(1, 2, false);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"y", "y", "x", "x", "x"}));
  EXPECT_EQ(Column(a, 2), (std::vector<std::string>{"2", "1", "3", "2", "1"}));
}

TEST(StringArray, SortKeysCompareByCharacterCode) {
  // € is byte 0x80 but U+20AC, so it sorts after é (U+00E9) and ÿ.
  TStringArray a;
  FillColumn(a, 1, {"\x80", "\xE9", "Z", "\xFF", "a"});
  a.Sort(1, 0, true);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"a", "Z", "\xE9", "\xFF", "\x80"}));
  std::int32_t row = 0;
  EXPECT_TRUE(a.FindCellInSortedColumn("\x80", true, 1, -1, -1, true, row));
  EXPECT_EQ(row, 5);
  EXPECT_TRUE(a.FindCellInSortedColumn("\xE9", false, 1, -1, -1, true, row));
  EXPECT_EQ(row, 3);
}

TEST(StringArray, BeforeSortExchangeReplacesTheKey) {
  TStringArray a;
  FillColumn(a, 1, {"10", "9", "100"});
  a.SetOnBeforeSortExchange([](TObject*, const String& in, String& out) {
    out = String(8 - std::min<std::size_t>(in.size(), 8), u'0') + in;  // numeric order
  });
  a.Sort(1, 0, true);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"9", "10", "100"}));
  String out;
  a.BeforeSortExchange(u"7", out);
  EXPECT_EQ(out, u"00000007");
  a.SetOnBeforeSortExchange(nullptr);
  a.BeforeSortExchange(u"7", out);
  EXPECT_EQ(out, u"7");
}

TEST(StringArray, AHandlerThatResizesEndsTheSortSafely) {
  TStringArray a;
  std::vector<std::string> keys;
  for (int i = 0; i < 50; ++i) keys.push_back(std::to_string(50 - i));
  FillColumn(a, 1, keys);
  int calls = 0;
  a.SetOnBeforeSortExchange([&](TObject*, const String& in, String& out) {
    out = in;
    if (++calls == 10) a.Resize(1, 3);
  });
  a.Sort(1, 0, true);
  EXPECT_EQ(a.NrOfRows(), 3);
  std::vector<int> order = SortOrder(a);
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(StringArray, CommitSortingMovesReferencesNotText) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(1, 3));
  FillColumn(a, 1, {"c", "a", "b"});
  a.SetString(0, 1, "row c");
  a.SetRowAttrib(1, 3);
  const std::uint32_t ref_c = a.CellRef(1, 1);
  const int free_before = a.FirstFree(1);
  a.Sort(1, 0, true);
  a.CommitSorting();
  EXPECT_EQ(SortOrder(a), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(a.GetString(0, 3), "row c");
  EXPECT_EQ(a.GetRowAttrib(3), 3);
  EXPECT_EQ(a.CellRef(1, 3), ref_c);
  EXPECT_EQ(a.FirstFree(1), free_before);
}

// ------------------------------------------------------------------------- rows

TEST(StringArray, InsertRowAfterSortKeepsTheSortedOrder) {
  TStringArray a;
  FillColumn(a, 1, {"d", "b", "a", "c"});
  a.SetRowAttrib(1, 4);  // "d"
  a.Sort(1, 0, true);
  a.InsertRow(2);
  EXPECT_EQ(a.NrOfRows(), 5);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"a", "", "b", "c", "d"}));
  EXPECT_EQ(a.GetRowAttrib(5), 4);
  EXPECT_EQ(a.GetRowAttrib(2), 0);
  std::vector<int> order = SortOrder(a);
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
  a.InsertRow(6);  // beyond the last row: nothing
  a.InsertRow(0);
  EXPECT_EQ(a.NrOfRows(), 5);
  a.InsertRow(5);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"a", "", "b", "c", "", "d"}));
}

TEST(StringArray, InsertRowGrowsTheAllocation) {
  TStringArray a;
  std::vector<std::string> keys;
  for (int i = 0; i < 10; ++i) keys.push_back(std::to_string(i));
  FillColumn(a, 1, keys);
  EXPECT_EQ(a.RowsAllocated(), 10);
  a.Sort(1, 0, false);
  a.InsertRow(1);
  EXPECT_EQ(a.RowsAllocated(), 20);
  keys.insert(keys.begin(), "");
  std::reverse(keys.begin() + 1, keys.end());
  EXPECT_EQ(Column(a, 1), keys);
}

TEST(StringArray, RemoveRowAfterSortKeepsTheSortedOrder) {
  TStringArray a;
  FillColumn(a, 1, {"d", "b", "a", "c"});
  a.SetString(0, 2, "zero of b");
  a.Sort(1, 0, true);
  a.RemoveRow(2);  // "b"
  EXPECT_EQ(a.NrOfRows(), 3);
  EXPECT_EQ(Column(a, 1), (std::vector<std::string>{"a", "c", "d"}));
  std::int32_t c = 0, r = 0;
  EXPECT_FALSE(a.FindCell("zero", true, -1, -1, -1, -1, c, r));
  a.RemoveRow(0);
  a.RemoveRow(4);
  EXPECT_EQ(a.NrOfRows(), 3);
  a.AddRow();  // the freed physical row comes back empty
  EXPECT_EQ(a.GetString(1, 4), "");
}

TEST(StringArray, RemoveRowOnASingleRowEmptiesIt) {
  TStringArray a;
  a.SetString(0, 1, "a");
  a.SetString(1, 1, "b");
  a.SetRowAttrib(1, 9);
  a.RemoveRow(1);
  EXPECT_EQ(a.NrOfRows(), 1);
  EXPECT_EQ(a.GetString(0, 1), "");
  EXPECT_EQ(a.GetString(1, 1), "");
  EXPECT_EQ(a.GetRowAttrib(1), 0);
}

TEST(StringArray, CopyRow) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 3));
  a.SetString(0, 1, "z");
  a.SetString(1, 1, "one");
  a.SetString(2, 3, "old");
  a.SetRowAttrib(1, 6);
  a.CopyRow(1, 3);
  EXPECT_EQ(a.GetString(0, 3), "z");
  EXPECT_EQ(a.GetString(1, 3), "one");
  EXPECT_EQ(a.GetString(2, 3), "");
  EXPECT_EQ(a.GetRowAttrib(3), 6);
  a.SetString(1, 3, "changed");  // the copy is independent
  EXPECT_EQ(a.GetString(1, 1), "one");
  a.CopyRow(1, 1);
  EXPECT_EQ(a.GetString(1, 1), "one");
  a.CopyRow(1, 4);
  a.CopyRow(0, 2);
  EXPECT_EQ(a.GetString(1, 2), "");
}

TEST(StringArray, RowAndColumnEmptiness) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 2));
  a.SetString(0, 1, "column 0 is not looked at");
  a.SetString(1, 1, "   ");
  EXPECT_TRUE(a.RowEmpty(1));
  EXPECT_TRUE(a.RowEmpty(0));
  EXPECT_TRUE(a.RowEmpty(3));
  a.SetString(2, 1, " x");
  EXPECT_FALSE(a.RowEmpty(1));
  EXPECT_TRUE(a.ColumnEmpty(1));
  EXPECT_FALSE(a.ColumnEmpty(0));
  EXPECT_FALSE(a.ColumnEmpty(2));
  EXPECT_TRUE(a.ColumnEmpty(3));
  EXPECT_TRUE(a.ColumnEmpty(-1));
  a.SetString(1, 2, "\t");  // only code 32 counts as blank
  EXPECT_FALSE(a.ColumnEmpty(1));
}

// ------------------------------------------------------------------------- search

TEST(StringArray, FindCellScansRowsBeforeColumns) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(3, 3));
  a.SetString(3, 1, "Hello world");
  a.SetString(1, 2, "hello");
  a.SetString(0, 3, "HELLO");
  std::int32_t c = -7, r = -7;
  EXPECT_TRUE(a.FindCell("WORLD", false, -1, -1, -1, -1, c, r));
  EXPECT_EQ(c, 3);
  EXPECT_EQ(r, 1);
  EXPECT_FALSE(a.FindCell("WORLD", true, -1, -1, -1, -1, c, r));
  EXPECT_TRUE(a.FindCell("hello", true, -1, 3, 2, 3, c, r));
  EXPECT_EQ(c, 1);
  EXPECT_EQ(r, 2);
  EXPECT_TRUE(a.FindCell("HELLO", true, 0, 0, -1, -1, c, r));
  EXPECT_EQ(r, 3);
  // Bounds are clamped and swapped.
  EXPECT_TRUE(a.FindCell("hello", false, 9, 1, 99, 2, c, r));
  EXPECT_EQ(c, 1);
  EXPECT_EQ(r, 2);
  c = r = -7;
  EXPECT_FALSE(a.FindCell("", false, -1, -1, -1, -1, c, r));
  EXPECT_EQ(c, -7);
  EXPECT_EQ(r, -7);
}

TEST(StringArray, FindCellExact) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 2));
  a.Fill("x");
  a.SetString(2, 2, "");
  a.SetString(1, 2, "Abc");
  std::int32_t c = 0, r = 0;
  EXPECT_TRUE(a.FindCellExact("", false, -1, -1, -1, -1, c, r));  // first empty cell
  EXPECT_EQ(c, 2);
  EXPECT_EQ(r, 2);
  EXPECT_FALSE(a.FindCellExact("ab", false, -1, -1, -1, -1, c, r));
  EXPECT_TRUE(a.FindCellExact("ABC", false, -1, -1, -1, -1, c, r));
  EXPECT_FALSE(a.FindCellExact("ABC", true, -1, -1, -1, -1, c, r));
}

// FindCell and FindCellExact against a plain scan of GetString over random sorted grids:
// only A-Z fold (not the accented capitals), rows before columns.
TEST(StringArray, FindCellAgreesWithAPlainScan) {
  std::mt19937 rng(8);
  const std::string alphabet = "aAbB \xC9\xE9";
  auto text = [&](std::size_t max) {
    std::string s(rng() % (max + 1), ' ');
    for (char& ch : s) ch = alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int trial = 0; trial < 300; ++trial) {
    TStringArray a;
    ASSERT_TRUE(a.Resize(3, 6));
    for (int c = 0; c <= 3; ++c)
      for (int r = 1; r <= 6; ++r)
        if (rng() % 4 != 0) a.SetString(c, r, text(4));
    a.Sort(1, 0, true);
    const std::string find = text(3);
    const bool match_case = rng() % 2 == 0, exact = rng() % 2 == 0;
    int want_c = -1, want_r = -1;
    for (int r = 1; r <= 6 && want_r < 0; ++r)
      for (int c = 0; c <= 3 && want_r < 0; ++c) {
        const std::string cell = match_case ? a.GetString(c, r) : Fold(a.GetString(c, r));
        const std::string f = match_case ? find : Fold(find);
        if (exact ? cell == f : !f.empty() && cell.find(f) != std::string::npos) {
          want_c = c;
          want_r = r;
        }
      }
    std::int32_t c = -1, r = -1;
    const bool found = exact ? a.FindCellExact(find, match_case, -1, -1, -1, -1, c, r)
                             : a.FindCell(find, match_case, -1, -1, -1, -1, c, r);
    EXPECT_EQ(found, want_r > 0) << "trial " << trial;
    EXPECT_EQ(c, want_c) << "trial " << trial;
    EXPECT_EQ(r, want_r) << "trial " << trial;
  }
  // A text longer than any cell is never found, not even as a cell's prefix.
  TStringArray a;
  a.SetString(1, 1, std::string(255, 'x'));
  std::int32_t c = 0, r = 0;
  EXPECT_TRUE(a.FindCell(std::string(255, 'X'), false, -1, -1, -1, -1, c, r));
  EXPECT_FALSE(a.FindCell(std::string(256, 'x'), true, -1, -1, -1, -1, c, r));
  EXPECT_FALSE(a.FindCellExact(std::string(256, 'x'), true, -1, -1, -1, -1, c, r));
}

TEST(StringArray, FindCellInSortedColumn) {
  TStringArray a;
  FillColumn(a, 1, {"apple", "Cherry", "banana", "cherry", "date", "cherry", "fig"});
  a.Sort(1, 0, true);  // apple banana Cherry cherry cherry date fig (equal keys in any order)
  std::int32_t row = 0;
  EXPECT_TRUE(a.FindCellInSortedColumn("CHERRY", false, 1, -1, -1, true, row));
  EXPECT_EQ(row, 3);  // the first of the equal entries
  EXPECT_TRUE(a.FindCellInSortedColumn("fig", false, 1, -1, -1, true, row));
  EXPECT_EQ(row, 7);  // only in the last row of the range
  EXPECT_TRUE(a.FindCellInSortedColumn("apple", false, 1, 1, 7, true, row));
  EXPECT_EQ(row, 1);
  EXPECT_FALSE(a.FindCellInSortedColumn("coconut", false, 1, -1, -1, true, row));
  EXPECT_TRUE(row >= 3 && row <= 5);  // the last probed row
  EXPECT_FALSE(a.FindCellInSortedColumn("zzz", false, 1, -1, -1, true, row));
  EXPECT_EQ(row, 7);

  a.Sort(1, 0, false);
  EXPECT_TRUE(a.FindCellInSortedColumn("banana", false, 1, -1, -1, false, row));
  EXPECT_EQ(row, 6);
  EXPECT_TRUE(a.FindCellInSortedColumn("cherry", false, 1, -1, -1, false, row));
  EXPECT_EQ(row, 3);
  // The walk upward ignores the range's lower bound.
  EXPECT_TRUE(a.FindCellInSortedColumn("cherry", false, 1, 5, 4, false, row));
  EXPECT_EQ(row, 3);
}

TEST(StringArray, FindCellInSortedColumnAgreesWithALinearScan) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 30; ++trial) {
    TStringArray a;
    const int n = 1 + static_cast<int>(rng() % 200);
    std::vector<std::string> keys;
    for (int i = 0; i < n; ++i) keys.push_back(std::to_string(rng() % 40));
    FillColumn(a, 1, keys);
    a.Sort(1, 0, true);
    for (int k = 0; k < 45; ++k) {
      const std::string want = std::to_string(k);
      std::int32_t row = 0;
      const bool found = a.FindCellInSortedColumn(want, true, 1, -1, -1, true, row);
      int first = 0;
      for (int r = 1; r <= n && first == 0; ++r)
        if (a.GetString(1, r) == want) first = r;
      EXPECT_EQ(found, first != 0);
      if (found) {
        EXPECT_EQ(row, first);
      }
    }
  }
}

// ------------------------------------------------------------------------- copying

TEST(StringArray, AssignCopiesEverythingIncludingHandlers) {
  TStringArray a, b;
  ASSERT_TRUE(a.Resize(2, 30));
  a.SetAllocRowsBy(7);
  for (int r = 1; r <= 30; ++r)
    a.SetString(1, r, std::string(200, static_cast<char>('a' + r % 26)));
  a.SetColAttrib(2, 3);
  a.SetRowAttrib(4, 5);
  a.Sort(1, 0, false);
  int a_changes = 0;
  a.SetOnChange([&](TObject*) { ++a_changes; });
  a.SetOnPercentDone([](TObject*, std::int32_t) {});
  b.Assign(&a);
  EXPECT_EQ(a_changes, 0);
  EXPECT_EQ(b.NrOfColumns(), 2);
  EXPECT_EQ(b.NrOfRows(), 30);
  EXPECT_EQ(b.AllocRowsBy(), 7);
  EXPECT_EQ(b.NumBuffers(), a.NumBuffers());
  EXPECT_EQ(SortOrder(b), SortOrder(a));
  EXPECT_EQ(Column(b, 1), Column(a, 1));
  EXPECT_EQ(b.GetColAttrib(2), 3);
  for (int r = 1; r <= 30; ++r) EXPECT_EQ(b.GetRowAttrib(r), a.GetRowAttrib(r));
  for (int k = 1; k <= a.NumBuffers(); ++k) EXPECT_EQ(b.FirstFree(k), a.FirstFree(k));
  EXPECT_TRUE(static_cast<bool>(b.OnPercentDone()));
  b.SetString(1, 1, "x");  // b's copy of a's handler fires
  EXPECT_EQ(a_changes, 1);
  EXPECT_NE(a.GetString(1, 1), "x");

  TStringArray c;
  TPersistent* as_persistent = &c;
  as_persistent->Assign(&a);  // through the virtual
  EXPECT_EQ(Column(c, 1), Column(a, 1));

  TComponent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
  EXPECT_THROW(other.Assign(&a), EConvertError);
}

// ------------------------------------------------------------------------- model check

// The grid against a plain model (rows of strings in logical order) under a random mix of
// operations, with the buffer placement checked against a naive first-fit over all buffers.
TEST(StringArray, DifferentialAgainstAPlainModel) {
  std::mt19937 rng(2024);
  TStringArray a;
  int cols = 1;
  std::vector<std::vector<std::string>> model(1, std::vector<std::string>(2));  // [row][col]
  std::vector<std::uint8_t> attrs(1, 0);
  int max_buffers = 1;
  auto check = [&](int step) {
    ASSERT_EQ(a.NrOfRows(), static_cast<int>(model.size())) << step;
    ASSERT_EQ(a.NrOfColumns(), cols) << step;
    for (int r = 1; r <= a.NrOfRows(); ++r) {
      ASSERT_EQ(a.GetRowAttrib(r), attrs[static_cast<std::size_t>(r) - 1]) << step;
      for (int c = 0; c <= cols; ++c)
        ASSERT_EQ(a.GetString(c, r),
                  model[static_cast<std::size_t>(r) - 1][static_cast<std::size_t>(c)])
            << "step " << step << " cell " << c << "," << r;
    }
  };
  for (int step = 0; step < 12000; ++step) {
    const int op = static_cast<int>(rng() % 100);
    const int n = static_cast<int>(model.size());
    if (op < 50) {
      const int c = static_cast<int>(rng() % static_cast<unsigned>(cols + 1));
      const int r = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      const std::string s(rng() % 256, static_cast<char>('A' + rng() % 50));
      // Naive first fit: which buffer/position should receive s?
      const std::uint32_t old = a.CellRef(c, r);
      // The length byte always equals the stored text's length, so a string no longer than
      // the stored one is written in place.
      const bool in_place = old != 0 && a.GetString(c, r).size() >= s.size();
      a.SetString(c, r, s);
      if (in_place) {
        ASSERT_EQ(a.CellRef(c, r), old);
      } else {
        const std::uint32_t ref = a.CellRef(c, r);
        const int k = static_cast<int>(ref >> 16);
        for (int j = 1; j < k; ++j)
          ASSERT_GE(a.FirstFree(j) + static_cast<int>(s.size()), kStringPoolSize)
              << "buffer " << j << " had room";
        ASSERT_EQ(a.FirstFree(k), static_cast<int>(ref & 0xFFFF) + static_cast<int>(s.size()) + 1);
      }
      model[static_cast<std::size_t>(r) - 1][static_cast<std::size_t>(c)] = s;
    } else if (op < 58) {
      const int r = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      a.InsertRow(r);
      model.insert(model.begin() + r - 1,
                   std::vector<std::string>(static_cast<std::size_t>(cols) + 1));
      attrs.insert(attrs.begin() + r - 1, 0);
    } else if (op < 66) {
      const int r = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      a.RemoveRow(r);
      if (n == 1) {
        model[0].assign(static_cast<std::size_t>(cols) + 1, "");
        attrs[0] = 0;
      } else {
        model.erase(model.begin() + r - 1);
        attrs.erase(attrs.begin() + r - 1);
      }
    } else if (op < 72) {
      const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      const int t = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      a.CopyRow(s, t);
      model[static_cast<std::size_t>(t) - 1] = model[static_cast<std::size_t>(s) - 1];
      attrs[static_cast<std::size_t>(t) - 1] = attrs[static_cast<std::size_t>(s) - 1];
    } else if (op < 77) {
      const int r = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      const auto v = static_cast<std::uint8_t>(rng());
      a.SetRowAttrib(r, v);
      attrs[static_cast<std::size_t>(r) - 1] = v;
    } else if (op < 82) {
      // Sorting permutes the logical rows; rebuild the model from the grid's new order and
      // check that it is a permutation of the old rows, sorted on the key column.
      const int col = static_cast<int>(rng() % static_cast<unsigned>(cols + 1));
      a.Sort(col, 0, rng() % 2 == 0);
      std::vector<std::vector<std::string>> rows;
      std::vector<std::uint8_t> new_attrs;
      for (int r = 1; r <= n; ++r) {
        std::vector<std::string> row;
        for (int c = 0; c <= cols; ++c) row.push_back(a.GetString(c, r));
        rows.push_back(row);
        new_attrs.push_back(a.GetRowAttrib(r));
      }
      auto old_sorted = model, new_sorted = rows;
      std::sort(old_sorted.begin(), old_sorted.end());
      std::sort(new_sorted.begin(), new_sorted.end());
      ASSERT_EQ(old_sorted, new_sorted);
      model = rows;
      attrs = new_attrs;
    } else if (op < 85) {
      a.CommitSorting();
    } else if (op < 88 && rng() % 10 == 0) {
      a.GarbageCollection();
    } else if (op >= 88 && op < 93) {
      const int nr = 1 + static_cast<int>(rng() % 150);
      const int nc = (rng() % 4 == 0) ? 1 + static_cast<int>(rng() % 4) : cols;
      if (nr == n && nc == cols) {
        ASSERT_TRUE(a.Resize(nc, nr));  // same size: nothing at all changes
        continue;
      }
      // Resize returns to storage order: bring the model there first.
      std::vector<std::vector<std::string>> phys(static_cast<std::size_t>(n));
      std::vector<std::uint8_t> phys_attr(static_cast<std::size_t>(n));
      for (int r = 1; r <= n; ++r) {
        phys[static_cast<std::size_t>(a.GetSortOrder(r)) - 1] =
            model[static_cast<std::size_t>(r) - 1];
        phys_attr[static_cast<std::size_t>(a.GetSortOrder(r)) - 1] =
            attrs[static_cast<std::size_t>(r) - 1];
      }
      ASSERT_TRUE(a.Resize(nc, nr));
      phys.resize(static_cast<std::size_t>(nr),
                  std::vector<std::string>(static_cast<std::size_t>(cols) + 1));
      phys_attr.resize(static_cast<std::size_t>(nr), 0);
      for (auto& row : phys) row.resize(static_cast<std::size_t>(nc) + 1);
      model = phys;
      attrs = phys_attr;
      cols = nc;
    } else if (op == 93 && rng() % 20 == 0) {
      a.Clear();
      for (auto& row : model) row.assign(static_cast<std::size_t>(cols) + 1, "");
      attrs.assign(attrs.size(), 0);
    } else if (op >= 94) {
      const int i = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      const int p = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
      // SetSortOrder exchanges two logical rows' physical rows.
      const int j = [&] {
        for (int k = 1; k <= n; ++k)
          if (a.GetSortOrder(k) == p) return k;
        return 0;
      }();
      a.SetSortOrder(i, p);
      std::swap(model[static_cast<std::size_t>(i) - 1], model[static_cast<std::size_t>(j) - 1]);
      std::swap(attrs[static_cast<std::size_t>(i) - 1], attrs[static_cast<std::size_t>(j) - 1]);
    }
    max_buffers = std::max(max_buffers, a.NumBuffers());
    check(step);
    if (HasFatalFailure()) {
      ADD_FAILURE() << "after operation " << op;
      return;
    }
  }
  EXPECT_GT(max_buffers, 2);  // the placement checks covered several buffers
}

// ------------------------------------------------------------------------- XML persistence

class StringArrayXmlTest : public ::testing::Test {
 protected:
  String Path(const std::string& name) const { return ToUtf16((dir_ / name).string()); }
  std::string Slurp(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  testing::TempDir tmp_{"korvex_strarray"};
  std::filesystem::path dir_ = tmp_.Path();
};

// Every observable part of two grids is equal (cells compared with their emptiness).
void ExpectSameGrid(const TStringArray& a, const TStringArray& b) {
  ASSERT_EQ(a.NrOfColumns(), b.NrOfColumns());
  ASSERT_EQ(a.NrOfRows(), b.NrOfRows());
  EXPECT_EQ(a.AllocRowsBy(), b.AllocRowsBy());
  EXPECT_EQ(SortOrder(a), SortOrder(b));
  for (int c = 1; c <= a.NrOfColumns(); ++c) EXPECT_EQ(a.GetColAttrib(c), b.GetColAttrib(c));
  for (int r = 1; r <= a.NrOfRows(); ++r) {
    EXPECT_EQ(a.GetRowAttrib(r), b.GetRowAttrib(r)) << r;
    for (int c = 0; c <= a.NrOfColumns(); ++c) {
      EXPECT_EQ(a.GetString(c, r), b.GetString(c, r)) << c << "," << r;
      EXPECT_EQ(a.CellRef(c, r) == 0, b.CellRef(c, r) == 0) << c << "," << r;
    }
  }
}

TEST_F(StringArrayXmlTest, WritesTheDocumentedLayout) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(2, 2));
  a.SetString(1, 1, "b <&> \"q\"");
  a.SetString(2, 1, "");
  a.SetString(0, 2, "a\r\n");
  a.SetColAttrib(2, 7);
  a.Sort(0, 0, false);  // row 2 ("a\r\n") first
  a.SetRowAttrib(1, 9);
  TextFile f;
  f.Assign(Path("g.xml"));
  f.Rewrite();
  a.WriteToOpenXMLFile(f, true, u"Grid\"1");
  f.Close();
  EXPECT_EQ(Slurp("g.xml"),
            " <?xml version=\"1.0\"?>\r\n"
            "\r\n"
            " <!-- TStringArray / Korvex -->\r\n"
            " <strarray sig=\"KorvexLib\" vers=\"1.0\" id=\"Grid&quot;1\">\r\n"
            "   <dimensions cols=2 rows=2 allocrowsby=10 />\r\n"
            "   <colattrib col=2 val=7 />\r\n"
            "   <row phys=1 logical=2 attr=0 />\r\n"
            "   <row phys=2 logical=1 attr=9 />\r\n"
            "   <cell col=0 row=2>a&#13;&#10;</cell>\r\n"
            "   <cell col=1 row=1>b &lt;&amp;&gt; &quot;q&quot;</cell>\r\n"
            "   <cell col=2 row=1></cell>\r\n"
            " </strarray>\r\n");
}

TEST_F(StringArrayXmlTest, RoundTripKeepsEverything) {
  TStringArray a;
  a.SetAllocRowsBy(3);
  ASSERT_TRUE(a.Resize(3, 40));
  std::string all_bytes;
  for (int b = 1; b < 256; ++b) all_bytes.push_back(static_cast<char>(b));
  a.SetString(1, 1, all_bytes);
  a.SetString(2, 1, std::string(1, '\0') + "nul");
  a.SetString(3, 1, "  blanks around  ");
  a.SetString(0, 2, "line\nbreak\r\nand\rcr");
  a.SetString(1, 2, "<cell col=1 row=1>x</cell> </strarray>");
  a.SetString(2, 2, "&amp; &#65; \"quoted\" 'single'");
  a.SetString(3, 2, "");  // stored empty text
  std::mt19937 rng(5);
  for (int r = 3; r <= 40; ++r)
    for (int c = 0; c <= 3; ++c)
      if (rng() % 3 != 0)
        a.SetString(c, r, std::string(rng() % 30, static_cast<char>(32 + rng() % 224)));
  for (int r = 1; r <= 40; r += 3) a.SetRowAttrib(r, static_cast<std::uint8_t>(r * 6));
  a.SetColAttrib(1, 255);
  a.SetColAttrib(3, 1);
  a.Sort(2, 1, true);

  a.SaveAsXMLFile(Path("grid.xml"), u"first");
  TStringArray b;
  int changes = 0;
  b.SetOnChange([&](TObject*) { ++changes; });
  ASSERT_TRUE(b.LoadFromXMLFile(Path("grid.xml"), u"FIRST"));
  EXPECT_EQ(changes, 1);
  ExpectSameGrid(a, b);
  b.SetString(1, 1, "handler kept");
  EXPECT_EQ(changes, 2);
}

TEST_F(StringArrayXmlTest, SeveralGridsShareOneFile) {
  TStringArray one, two, three;
  one.SetString(1, 1, "one");
  ASSERT_TRUE(two.Resize(2, 2));
  two.SetString(2, 2, "two");
  three.SetString(0, 1, "three");
  TextFile f;
  f.Assign(Path("many.xml"));
  f.Rewrite();
  f.WriteLn(u"<custtextlbl sig=\"KorvexLib\" vers=\"1.0\" id=\"one\">");  // another object
  one.WriteToOpenXMLFile(f, true, u"one");
  two.WriteToOpenXMLFile(f, false, u" Two ");
  three.WriteToOpenXMLFile(f, false, u"three");
  f.Close();

  TStringArray b;
  ASSERT_TRUE(b.LoadFromXMLFile(Path("many.xml"), u"TWO"));  // blanks around the id do not count
  ExpectSameGrid(two, b);
  ASSERT_TRUE(b.LoadFromXMLFile(Path("many.xml"), u""));  // the first grid
  ExpectSameGrid(one, b);
  ASSERT_TRUE(b.LoadFromXMLFile(Path("many.xml"), u"three"));
  ExpectSameGrid(three, b);
  ASSERT_TRUE(b.LoadFromXMLFile(Path("many.xml"), u"  two"));  // on both sides
  ExpectSameGrid(two, b);
  ASSERT_TRUE(b.LoadFromXMLFile(Path("many.xml"), u"  "));  // blank: the first grid
  ExpectSameGrid(one, b);
  EXPECT_FALSE(b.LoadFromXMLFile(Path("many.xml"), u"four"));
  ExpectSameGrid(one, b);  // unchanged

  // Reading from an open file continues where the previous element ended.
  f.Assign(Path("many.xml"));
  f.Reset();
  ASSERT_TRUE(b.ReadFromOpenXMLFile(f, u""));
  ExpectSameGrid(one, b);
  ASSERT_TRUE(b.ReadFromOpenXMLFile(f, u""));
  ExpectSameGrid(two, b);
  EXPECT_FALSE(b.ReadFromOpenXMLFile(f, u"one"));
  f.Close();
}

TEST_F(StringArrayXmlTest, MissingFilesGiveFalse) {
  TStringArray b;
  EXPECT_FALSE(b.LoadFromXMLFile(Path("absent.xml"), u""));
  EXPECT_THROW(b.SaveAsXMLFile(Path("no/such/dir/x.xml"), u""), EInOutError);
}

TEST_F(StringArrayXmlTest, MalformedElementsGiveFalseAndChangeNothing) {
  const std::string head = "<strarray sig=\"KorvexLib\" id=\"x\">\n";
  const std::string dims = "<dimensions cols=2 rows=3 allocrowsby=10 />\n";
  const std::string end = "</strarray>\n";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"no element", "<other sig=KorvexLib>\n"},
      {"no signature", "<strarray id=\"x\">\n" + dims + end},
      {"no closing tag", head + dims + "<cell col=1 row=1>a</cell>\n"},
      {"no dimensions", head + "<cell col=1 row=1>a</cell>\n" + end},
      {"dimensions twice", head + dims + dims + end},
      {"cell before dimensions", head + "<cell col=1 row=1>a</cell>\n" + dims + end},
      {"zero rows", head + "<dimensions cols=2 rows=0 allocrowsby=10 />\n" + end},
      {"bad number", head + "<dimensions cols=2x rows=3 allocrowsby=10 />\n" + end},
      {"missing attribute", head + "<dimensions cols=2 rows=3 />\n" + end},
      {"huge grid", head + "<dimensions cols=1000 rows=2000000000 allocrowsby=1 />\n" + end},
      {"huge allocation", head + "<dimensions cols=1 rows=1 allocrowsby=2000000000 />\n" + end},
      // References 128 MiB, row tables and bookkeeping 160 MiB more: beyond the cap.
      {"tall narrow grid", head + "<dimensions cols=1 rows=16777200 allocrowsby=1 />\n" + end},
      {"one row beyond the cap", head + "<dimensions cols=1 rows=7456534 allocrowsby=1 />\n" + end},
      {"largest numbers",
       head + "<dimensions cols=2147483647 rows=2147483647 allocrowsby=2147483647 />\n" + end},
      {"column out of range", head + dims + "<cell col=3 row=1>a</cell>\n" + end},
      {"row out of range", head + dims + "<cell col=1 row=4>a</cell>\n" + end},
      {"negative column", head + dims + "<cell col=-1 row=1>a</cell>\n" + end},
      {"cell twice", head + dims + "<cell col=1 row=1>a</cell><cell col=1 row=1>b</cell>\n" + end},
      {"unknown entity", head + dims + "<cell col=1 row=1>&nbsp;</cell>\n" + end},
      {"open entity", head + dims + "<cell col=1 row=1>a &amp b</cell>\n" + end},
      {"no code page byte", head + dims + "<cell col=1 row=1>&#9731;</cell>\n" + end},
      {"too long", head + dims + "<cell col=1 row=1>" + std::string(256, 'x') + "</cell>\n" + end},
      {"raw bracket", head + dims + "<cell col=1 row=1>a > b</cell>\n" + end},
      {"attribute out of range", head + dims + "<colattrib col=1 val=256 />\n" + end},
      {"attribute column 0", head + dims + "<colattrib col=0 val=1 />\n" + end},
      {"position twice",
       head + dims + "<row phys=1 logical=2 attr=0 /><row phys=3 logical=2 attr=0 />\n" + end},
      {"row twice",
       head + dims + "<row phys=1 logical=2 attr=0 /><row phys=1 logical=3 attr=0 />\n" + end},
      {"not a permutation", head + dims + "<row phys=1 logical=2 attr=0 />\n" + end},
  };
  for (const auto& c : cases) {
    Put("bad.xml", c.text);
    TStringArray b;
    b.SetString(1, 1, "keep");
    int changes = 0;
    b.SetOnChange([&](TObject*) { ++changes; });
    EXPECT_FALSE(b.LoadFromXMLFile(Path("bad.xml"), u"x")) << c.what;
    EXPECT_EQ(changes, 0) << c.what;
    EXPECT_EQ(b.NrOfRows(), 1) << c.what;
    EXPECT_EQ(b.GetString(1, 1), "keep") << c.what;
  }
  // The same element made whole reads.
  Put("good.xml", head + dims +
                      "<row phys=1 logical=2 attr=5 /><row phys=2 logical=1 attr=0 />"
                      "<unknown tag=1 /><cell col=2 row=3>&#x41;&apos;</cell>\n" +
                      end);
  TStringArray g;
  ASSERT_TRUE(g.LoadFromXMLFile(Path("good.xml"), u"X"));
  EXPECT_EQ(g.GetString(2, 3), "A'");
  EXPECT_EQ(SortOrder(g), (std::vector<int>{2, 1, 3}));
  EXPECT_EQ(g.GetRowAttrib(2), 5);
  // The tallest one-column grid within the cap: 2 x 4 bytes of references and 10 bytes of
  // row tables per row, 129 bytes more in all.
  Put("tall.xml", head + "<dimensions cols=1 rows=7456533 allocrowsby=1 />\n" +
                      "<cell col=1 row=7456533>z</cell>\n" + end);
  TStringArray t;
  ASSERT_TRUE(t.LoadFromXMLFile(Path("tall.xml"), u"x"));
  EXPECT_EQ(t.NrOfRows(), 7456533);
  EXPECT_EQ(t.GetString(1, 7456533), "z");
}

TEST_F(StringArrayXmlTest, LargeGridRoundTrip) {
  TStringArray a;
  ASSERT_TRUE(a.Resize(4, 5000));
  std::mt19937 rng(11);
  for (int r = 1; r <= 5000; ++r)
    for (int c = 1; c <= 4; ++c) a.SetString(c, r, std::to_string(rng()));
  a.Sort(1, 0, true);
  a.SaveAsXMLFile(Path("big.xml"), u"big");
  TStringArray b;
  ASSERT_TRUE(b.LoadFromXMLFile(Path("big.xml"), u"big"));
  ExpectSameGrid(a, b);
  EXPECT_LE(b.NumBuffers(), a.NumBuffers());
}

}  // namespace
}  // namespace krv
