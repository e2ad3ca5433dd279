#include "korvex/colors/colorarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/random.h"
#include "korvex/platform/rounding.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::TempDir;

constexpr TColor kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0x0000FF, kGreen = 0x00FF00,
                 kBlue = 0xFF0000;

std::vector<TColor> Elements(const TColorArray& a) {
  return {a.Colors().begin(), a.Colors().end()};
}

// An array of the given colours, counting its OnChange calls.
struct Counted {
  TColorArray a;
  int changes = 0;
  explicit Counted(const std::vector<TColor>& colors) {
    a.SetSize(static_cast<std::int32_t>(colors.size()));
    for (std::size_t k = 0; k < colors.size(); ++k)
      a.SetColorElem(static_cast<std::int32_t>(k + 1), colors[k]);
    a.SetOnChange([this](TObject* sender) {
      EXPECT_EQ(sender, &a);
      ++changes;
    });
  }
};

TEST(TColorArray, NewArrayHoldsTheRainbowScale) {
  TColorArray a;
  EXPECT_EQ(a.Size(), 1000);
  EXPECT_EQ(a.GetColorElem(1000), ColorArray_Rainbow.back());
  EXPECT_EQ(a.GetColorElem(0), a.GetColorElem(1));
  EXPECT_EQ(a.GetColorElem(1005), a.GetColorElem(1000));
  EXPECT_FALSE(a.OnChange());
  EXPECT_EQ(a.ClassName(), u"TColorArray");
}

TEST(TColorArray, SizeAndElementEdges) {
  Counted c({kRed, kGreen, kBlue});
  c.a.SetSize(0);
  c.a.SetSize(-3);
  EXPECT_FALSE(c.a.Resize(0));
  EXPECT_TRUE(c.a.Resize(3));
  c.a.SetColorElem(0, kWhite);
  c.a.SetColorElem(4, kWhite);
  EXPECT_EQ(c.changes, 0);
  EXPECT_EQ(Elements(c.a), (std::vector<TColor>{kRed, kGreen, kBlue}));
  EXPECT_TRUE(c.a.Resize(5));
  EXPECT_EQ(Elements(c.a), (std::vector<TColor>{kRed, kGreen, kBlue, 0, 0}));
  c.a.SetSize(2);
  EXPECT_EQ(Elements(c.a), (std::vector<TColor>{kRed, kGreen}));
  EXPECT_EQ(c.changes, 2);
}

// FillByInterpolation written out from its formulas, element by element, in extended
// precision, with the first key colour where the key-colour index falls below 0.
std::vector<TColor> ReferenceFill(std::int32_t n, std::int32_t levels,
                                  const std::vector<TColor>& colors) {
  const std::int64_t h = static_cast<std::int64_t>(colors.size()) - 1;
  std::vector<TColor> out;
  for (std::int64_t i = 1; i <= n; ++i) {
    std::int64_t j = i;
    if (levels > 0) {
      const std::int64_t c = RoundHalfEven(static_cast<Extended>(i) / n * levels);
      j = RoundHalfEven(static_cast<Extended>(c) * (static_cast<Extended>(n) / levels));
    }
    const auto idx = static_cast<std::int64_t>(std::trunc(static_cast<Extended>((j - 1) * h) / n));
    const double frac = static_cast<double>(static_cast<Extended>(h * j) / n - idx);
    if (idx < 0)
      out.push_back(colors[0]);
    else if (h == 0)
      out.push_back(colors[0]);
    else
      out.push_back(InterpolateColor(colors[idx], colors[idx + 1], frac));
  }
  return out;
}

TEST(TColorArray, FillByInterpolationMatchesTheFormulas) {
  const std::vector<TColor> rainbow(ColorArray_Rainbow.begin(), ColorArray_Rainbow.end());
  const std::vector<TColor> contrast(ColorArray_Contrast.begin(), ColorArray_Contrast.end());
  struct Case {
    std::int32_t n, levels;
    std::vector<TColor> colors;
  };
  const Case cases[] = {
      {1000, 0, rainbow},
      {1000, 7, rainbow},
      {997, 10, rainbow},
      {10, 2, {kBlack, kWhite}},
      {10, 3, {kRed, kBlue}},
      {1, 0, rainbow},
      {1, 5, rainbow},
      {7, 0, contrast},
      {7, 3, contrast},  // more keys than elements
      {5, 1000, contrast},
      {12, -4, {kRed}},
      {12, 4, {kGreen}},
      {255, 255, {kBlack, kWhite}},
      {100000, 0, {kBlack, kRed, kWhite}},
      {65536, 100, rainbow},
      {3, INT32_MAX, {kBlack, kWhite}},
  };
  for (const Case& c : cases) {
    Counted a({});
    a.a.SetSize(c.n);
    a.changes = 0;
    a.a.FillByInterpolation(c.levels, c.colors);
    EXPECT_EQ(Elements(a.a), ReferenceFill(c.n, c.levels, c.colors))
        << c.n << " elements, " << c.levels << " levels, " << c.colors.size() << " colours";
    EXPECT_EQ(a.changes, 1);
  }
}

TEST(TColorArray, FillByInterpolationScales) {
  TColorArray a;
  a.FillByInterpolation(0, std::vector<TColor>{kBlack, kWhite});
  EXPECT_EQ(a.GetColorElem(1000), kWhite);
  EXPECT_EQ(a.GetColorElem(1), kBlack);  // fraction 0.001: 0.255 truncated
  EXPECT_EQ(a.GetColorElem(500), 0x7F7F7F);
  a.SetSize(10);
  a.FillByInterpolation(2, std::vector<TColor>{kBlack, kWhite});
  EXPECT_EQ(Elements(a), (std::vector<TColor>{kBlack, kBlack, 0x7F7F7F, 0x7F7F7F, 0x7F7F7F,
                                              0x7F7F7F, 0x7F7F7F, kWhite, kWhite, kWhite}));
  a.FillByInterpolation(0, std::vector<TColor>{});  // nothing to blend: unchanged
  EXPECT_EQ(a.GetColorElem(10), kWhite);
}

// ColorToIndex through RGBColorDistance, element by element.
std::int32_t ReferenceIndex(const TColorArray& a, TColor cl, double& distance) {
  distance = 1;
  std::int32_t best = 1;
  for (std::int32_t k = 1; k <= a.Size(); ++k) {
    const double d = RGBColorDistance(cl, a.GetColorElem(k));
    if (d < distance) {
      distance = d;
      best = k;
    }
  }
  return best;
}

TEST(TColorArray, ColorToIndex) {
  Counted c({kWhite, kRed, kGreen, kRed, 0x01000000 | kGreen});
  struct Case {
    TColor cl;
    std::int32_t index;
  };
  // Ties go to the first element; the high byte plays no part.
  for (const Case& t : {Case{kRed, 2}, Case{kGreen, 3}, Case{0x0000FE, 2}, Case{kBlack, 2},
                        Case{0x7F000000 | kWhite, 1}}) {
    double d = -1, ref_d = -1;
    EXPECT_EQ(c.a.ColorToIndex(t.cl, d), t.index) << std::hex << t.cl;
    EXPECT_EQ(ReferenceIndex(c.a, t.cl, ref_d), t.index);
    EXPECT_EQ(d, ref_d);
  }
  double d = 0;
  c.a.Fill(kWhite);
  EXPECT_EQ(c.a.ColorToIndex(kBlack, d), 1);
  EXPECT_EQ(d, 1.0);
  // Random scales of few distinct colours, so that ties are common.
  RandSeed = 77;
  for (int round = 0; round < 200; ++round) {
    TColorArray a;
    a.SetSize(1 + Random(300));
    for (std::int32_t k = 1; k <= a.Size(); ++k)
      a.SetColorElem(k, RandomColor(0, 255, 0, 255, 0, 255) & 0xC0C0C0);
    const TColor cl = RandomColor();
    double got = 0, want = 0;
    EXPECT_EQ(a.ColorToIndex(cl, got), ReferenceIndex(a, cl, want));
    EXPECT_EQ(got, want);
  }
}

TEST(TColorArray, CopyFromClampsAndSkips) {
  const std::vector<TColor> src_colors{1, 2, 3, 4, 5, 6};
  struct Case {
    std::int32_t lo, hi, dest;
    std::vector<TColor> want;
  };
  const Case cases[] = {
      {5, 2, 1, {2, 3, 4, 5}},    // reversed bounds are exchanged
      {2, 5, 3, {0, 0, 2, 3}},    // positions beyond the destination are skipped
      {-7, 0, 2, {0, 1, 0, 0}},   // lo raised to 1, hi 0 raised to 1
      {4, 99, -1, {6, 0, 0, 0}},  // hi lowered to 6; positions below 1 skipped
      {99, 1, 1, {1, 2, 3, 4}},   // lo lowered to 6, then exchanged with hi
      {1, 6, INT32_MIN, {0, 0, 0, 0}}, {1, 6, INT32_MAX, {0, 0, 0, 0}},
  };
  Counted src(src_colors);
  for (const Case& c : cases) {
    Counted dst({0, 0, 0, 0});
    dst.a.CopyFrom(&src.a, c.lo, c.hi, c.dest);
    EXPECT_EQ(Elements(dst.a), c.want) << c.lo << " " << c.hi << " " << c.dest;
    EXPECT_EQ(dst.changes, 1);
  }
  Counted dst({9});
  dst.a.CopyFrom(nullptr, 1, 1, 1);
  EXPECT_EQ(dst.changes, 0);
  // Within one array, overlapping ranges move intact either way.
  Counted self(src_colors);
  self.a.CopyFrom(&self.a, 1, 4, 3);
  EXPECT_EQ(Elements(self.a), (std::vector<TColor>{1, 2, 1, 2, 3, 4}));
  self.a.CopyFrom(&self.a, 3, 6, 1);
  EXPECT_EQ(Elements(self.a), (std::vector<TColor>{1, 2, 3, 4, 3, 4}));
}

TEST(TColorArray, MirrorInvertAssignCompare) {
  Counted c({kRed, kGreen, 0x12345678});
  c.a.MirrorColors();
  EXPECT_EQ(Elements(c.a), (std::vector<TColor>{0x12345678, kGreen, kRed}));
  c.a.InvertColors();
  EXPECT_EQ(Elements(c.a), (std::vector<TColor>{InvertColor(0x12345678), 0xFF00FF, 0xFFFF00}));
  EXPECT_EQ(c.changes, 2);

  TColorArray copy;
  copy.SetOnChange([](TObject*) { FAIL() << "Assign fires no OnChange"; });
  EXPECT_FALSE(copy.IsEqual(&c.a));
  copy.Assign(&c.a);
  EXPECT_TRUE(copy.IsEqual(&c.a));
  EXPECT_FALSE(copy.IsEqual(nullptr));
  copy.SetOnChange(nullptr);
  copy.SetColorElem(3, 0);
  EXPECT_FALSE(copy.IsEqual(&c.a));
  TPersistent* as_base = &copy;
  TColorArray third;
  third.Assign(as_base);
  EXPECT_TRUE(third.IsEqual(&copy));
  TComponent other;
  EXPECT_THROW(third.Assign(&other), EConvertError);
  EXPECT_THROW(other.Assign(&third), EConvertError);
}

// ---- The text format --------------------------------------------------------------------

TEST(TColorArray, StoreWritesTheRange) {
  const TempDir dir("colorarray_store");
  Counted c({kRed, kGreen, kBlue});
  struct Case {
    std::int32_t first, last;
    const char* text;
  };
  const Case cases[] = {
      {1, 3, "1 3\r\n000000FF\r\n0000FF00\r\n00FF0000\r\n"},
      {3, 1, "1 3\r\n000000FF\r\n0000FF00\r\n00FF0000\r\n"},
      {0, 2, "1 2\r\n000000FF\r\n0000FF00\r\n"},
      {2, 99, "2 3\r\n0000FF00\r\n00FF0000\r\n"},
      {-5, -2, "1 -2\r\n"},
      {5, 9, "5 3\r\n"},
  };
  for (const Case& t : cases) {
    const String name = ToUtf16(dir.File("out.txt").string());
    EXPECT_TRUE(c.a.StoreOnFile(t.first, t.last, name));
    EXPECT_EQ(dir.Read("out.txt"), t.text) << t.first << " " << t.last;
  }
  EXPECT_FALSE(c.a.StoreOnFile(1, 3, ToUtf16(dir.File("no/dir.txt").string())));
  EXPECT_FALSE(c.a.StoreOnFile(1, 3, u"/dev/full"));
  EXPECT_EQ(c.changes, 0);
}

TEST(TColorArray, ReadFromFile) {
  const TempDir dir("colorarray_read");
  const std::vector<TColor> start{kWhite, kWhite, kWhite};
  struct Case {
    const char* text;
    bool adjust;
    bool result;
    std::vector<TColor> want;  // the elements afterwards
    int changes;
  };
  const Case cases[] = {
      {"1 3\r\n000000FF\r\n0000FF00\r\n00FF0000\r\n", false, true, {kRed, kGreen, kBlue}, 4},
      {"1 3\n$00ff00\nzz\n  ff\n", false, true, {kGreen, 0, kRed}, 4},  // LF ends lines too
      {"2 3 rest\r\n1\r\n2", false, true, {kWhite, 1, 2}, 3},  // the last line may lack its end
      {"1 5\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", false, false, start, 1},
      {"1 5\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", true, true, {1, 2, 3, 4, 5}, 7},
      {"2 1\r\n", true, true, {kWhite}, 2},  // size follows last, whatever first is
      {"-1 1\r\nA\r\nB\r\nC\r\n", false, true, {0xC, kWhite, kWhite}, 2},
      {"3 1\r\n7\r\n", false, true, start, 1},  // a reversed range reads nothing
      {"1 2\r\n\r\n $FF\r\n", false, true, {0, 0, kWhite}, 3},
      {"123456789\r\n", false, true, start, 1},  // no second number: 0, reads nothing
      // Malformed: nothing changes, no OnChange.
      {"", false, false, start, 0},  // reads as "0 0", whose one line is missing
      {"1 3\r\n000000FF\r\n0000FF00\r\n", false, false, start, 0},  // ends early
      {"1 3\r\n", true, false, start, 0},
      {"1 x\r\n1\r\n", false, false, start, 0},
      {"1\r\n000000FF\r\n", false, false, start, 0},
      {"1 2147483647\r\n1\r\n", true, false, start, 0},  // beyond the load cap
      {"-2147483648 2\r\n", false, false, start, 0},
      {"1 99999999999\r\n", false, false, start, 0},
  };
  for (const Case& t : cases) {
    dir.Write("in.txt", std::string(t.text));
    Counted c(start);
    EXPECT_EQ(c.a.LoadFromFile(ToUtf16(dir.File("in.txt").string()), t.adjust), t.result) << t.text;
    EXPECT_EQ(Elements(c.a), t.want) << t.text;
    EXPECT_EQ(c.changes, t.changes) << t.text;
  }
  Counted c(start);
  EXPECT_FALSE(c.a.LoadFromFile(ToUtf16(dir.File("missing").string()), true));
  EXPECT_FALSE(c.a.LoadFromFile(ToUtf16(dir.Path().string()), true));
  EXPECT_EQ(c.changes, 0);
}

TEST(TColorArray, RangesFollowOneAnotherInOneFile) {
  const TempDir dir("colorarray_ranges");
  const String name = ToUtf16(dir.File("two.txt").string());
  TColorArray a, b;
  a.SetSize(300);
  a.FillByInterpolation(4, ColorArray_Circle);
  b.FillByInterpolation(0, ColorArray_Geo1);
  {
    TextFile f;
    f.Assign(name);
    f.Rewrite();
    EXPECT_TRUE(a.WriteToOpenTextFile(f, 1, a.Size()));
    EXPECT_TRUE(b.WriteToOpenTextFile(f, 1, b.Size()));
    f.Close();
  }
  TColorArray a2, b2;
  TextFile f;
  f.Assign(name);
  f.Reset();
  EXPECT_TRUE(a2.ReadFromOpenTextFile(f, true));
  EXPECT_TRUE(b2.ReadFromOpenTextFile(f, true));
  EXPECT_TRUE(f.Eof());
  f.Close();
  EXPECT_TRUE(a2.IsEqual(&a));
  EXPECT_TRUE(b2.IsEqual(&b));
}

}  // namespace
}  // namespace krv
