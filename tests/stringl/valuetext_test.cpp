#include "korvex/stringl/valuetext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "korvex/platform/text.h"

namespace krv {
namespace {

TEST(BinString, PicksByFlag) {
  EXPECT_EQ(BinString(true, u"on", u"off"), u"on");
  EXPECT_EQ(BinString(false, u"on", u"off"), u"off");
  EXPECT_EQ(BinString(false, u"on", u""), u"");
}

TEST(BoolToStr, EveryKind) {
  const char16_t* words[][2] = {{u"TRUE", u"FALSE"}, {u"T", u"F"},     {u".T.", u".F."},
                                {u"1", u"0"},        {u"-1", u"0"},    {u"FF", u"00"},
                                {u"YES", u"NO"},     {u"GOOD", u"BAD"}};
  for (int kind = 0; kind < 8; ++kind) {
    EXPECT_EQ(BoolToStr(true, kind), words[kind][0]) << kind;
    EXPECT_EQ(BoolToStr(false, kind), words[kind][1]) << kind;
  }
  for (int kind : {8, -1, 100, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(BoolToStr(true, kind), u"TRUE") << kind;
    EXPECT_EQ(BoolToStr(false, kind), u"FALSE") << kind;
  }
}

TEST(TriStateToStr, EveryKind) {
  struct Case {
    int kind;
    const char16_t *f, *t, *u;
  } cases[] = {{0, u"false", u"true", u""},
               {1, u"-1", u"1", u"0"},
               {2, u"no", u"yes", u"unknown"},
               {3, u"false", u"true", u""},
               {-1, u"false", u"true", u""}};
  for (const auto& c : cases) {
    EXPECT_EQ(TriStateToStr(tsFalse, c.kind), c.f) << c.kind;
    EXPECT_EQ(TriStateToStr(tsTrue, c.kind), c.t) << c.kind;
    EXPECT_EQ(TriStateToStr(tsUndefined, c.kind), c.u) << c.kind;
  }
  EXPECT_EQ(TriStateToStr(static_cast<TTriState>(7), 2), u"unknown");
}

TEST(StrToTriState, Words) {
  struct Case {
    const char16_t* text;
    TTriState expected;
  } cases[] = {
      {u"true", tsTrue},        {u"TRUE", tsTrue},         {u"  YES ", tsTrue},
      {u"1", tsTrue},           {u"+1", tsTrue},           {u"Yes", tsTrue},
      {u"false", tsFalse},      {u"No", tsFalse},          {u" -1", tsFalse},
      {u"FALSE ", tsFalse},     {u"0", tsUndefined},       {u"", tsUndefined},
      {u"   ", tsUndefined},    {u"unknown", tsUndefined}, {u"yes!", tsUndefined},
      {u"\tyes", tsUndefined},   // only blanks are stripped
      {u"ＹＥＳ", tsUndefined},  // fullwidth letters are not folded
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrToTriState(c.text), c.expected) << ToUtf8(String(c.text));
}

TEST(StrToTriState, ReadsBackKindOneAndTwo) {
  for (TTriState v : {tsFalse, tsTrue, tsUndefined}) {
    EXPECT_EQ(StrToTriState(TriStateToStr(v, 1)), v);
    EXPECT_EQ(StrToTriState(TriStateToStr(v, 0)), v);
  }
}

TEST(TimeString, Table) {
  struct Case {
    double seconds;
    int format;
    const char16_t* expected;
  } cases[] = {
      {3723.25, 0, u"01:02:03.25"},
      {3723.25, 1, u"01:02:03"},
      {3723.25, 2, u" 1h02"},
      {3723.25, 3, u" 1h02'03\""},
      {3723.25, 4, u"01:02"},
      {47100, 5, u" 1:05p"},
      {3723.25, 6, u""},
      {3723.25, 255, u""},
      {-5, 0, u"00:00:00.00"},
      {std::nan(""), 0, u"00:00:00.00"},
      {0, 5, u"12:00a"},
      {43200, 5, u"12:00p"},  // noon
      {11 * 3600 + 59 * 60, 5, u"11:59a"},
      {360000, 1, u"100:00:00"},  // more digits when needed
      {360000, 2, u"100h00"},
      {59.999, 0, u"00:00:59.99"},  // everything truncated
      {86399.5, 1, u"23:59:59"},
      // 65536 hours and more are counted in full rather than wrapping to 0.
      {65536.0 * 3600 + 61, 1, u"65536:01:01"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimeString(c.seconds, static_cast<std::uint8_t>(c.format)), c.expected)
        << c.seconds << " " << c.format;
}

TEST(TimeString, HugeDurationsStayDefined) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TimeString(inf, 1), TimeString(kMaxTimeStringSeconds, 1));
  EXPECT_EQ(TimeString(1e300, 4), TimeString(kMaxTimeStringSeconds, 4));
  EXPECT_EQ(ToUtf8(TimeString(kMaxTimeStringSeconds, 4)), "277777777777:46");
}

}  // namespace
}  // namespace krv
