#include "korvex/stringl/params.h"

#include <gtest/gtest.h>

#include <array>

#include "korvex/platform/text.h"
#include "korvex/stringl/format.h"

namespace krv {
namespace {

std::string U8(const String& s) {
  return ToUtf8(s);
}

// ---- CreateParList -------------------------------------------------------------------------

TEST(CreateParList, Integers) {
  const TIntArray v = {1, 2, 3};
  EXPECT_EQ(U8(CreateParList(v, false, 0)), "[1,2,3]");
  EXPECT_EQ(U8(CreateParList(v, false, 2)), "[1,2,...]");
  EXPECT_EQ(U8(CreateParList(v, true, 0)), "[1,2,3],");
  EXPECT_EQ(U8(CreateParList(v, true, 2)), "[1,2,...],");
  EXPECT_EQ(U8(CreateParList(v, false, 3)), "[1,2,3]");  // not below the length
  EXPECT_EQ(U8(CreateParList(v, false, 10)), "[1,2,3]");
  EXPECT_EQ(U8(CreateParList(v, false, -1)), "[1,2,3]");
  EXPECT_EQ(U8(CreateParList(TIntArray{}, false, 0)), "[]");
  EXPECT_EQ(U8(CreateParList(TIntArray{}, true, 5)), "[],");
  EXPECT_EQ(U8(CreateParList(TIntArray{INT32_MIN, INT32_MAX, 0}, false, 0)),
            "[-2147483648,2147483647,0]");
  const std::array<std::int32_t, 2> fixed = {7, -8};
  EXPECT_EQ(U8(CreateParList(fixed, false)), "[7,-8]");
  EXPECT_EQ(U8(CreateParList(fixed, true)), "[7,-8],");
}

TEST(CreateParList, Doubles) {
  const std::array<double, 2> fixed = {0.5, 1234.5678};
  EXPECT_EQ(U8(CreateParList(fixed, false)), "[0.50,1.23E+03]");
  EXPECT_EQ(U8(CreateParList(fixed, true)), "[0.50,1.23E+03],");
  const TDoubleArray v = {0.5, 1234.5678, -2};
  EXPECT_EQ(U8(CreateParList(v, false, 0, 5)), "[0.5000,1234.6,-2.0000]");
  EXPECT_EQ(U8(CreateParList(v, false, 1, 5)), "[0.5000,...]");
  EXPECT_EQ(U8(CreateParList(TDoubleArray{}, false, 0, 5)), "[]");
  // Each number exactly as AutoFormatData writes it.
  for (double x : {1e-9, 3.0, 99.99, 1e200})
    EXPECT_EQ(CreateParList(TDoubleArray{x}, false, 0, 4), u"[" + AutoFormatData(x, 4) + u"]");
}

// ---- ParseQuotedName -------------------------------------------------------------------------

struct Parsed {
  std::string name;
  TQuotedStrState state;
  int consumed;  // characters fed before the state became vsEnd (or all of them)
};

Parsed Feed(const String& text, Char quote) {
  Parsed p{"", vsStart, 0};
  String name;
  for (Char c : text) {
    ParseQuotedName(c, quote, name, p.state);
    if (p.state == vsEnd) break;
    ++p.consumed;
  }
  p.name = U8(name);
  return p;
}

TEST(ParseQuotedName, Table) {
  struct Case {
    const char16_t* text;
    const char* name;
    TQuotedStrState state;
    int consumed;
  } cases[] = {
      {u"abc def", "abc", vsEnd, 3},
      {u"   abc", "abc", vsNormal, 6},  // complete at the end of the input
      {u"\"a b\" c", "a b", vsEnd, 5},
      {u"\"a \"\"b\"\"\"x", "a \"b\"", vsEnd, 9},
      {u"\"open", "open", vs1stQuote, 5},  // the closing quote is missing
      {u"\"done\"", "done", vsQuote, 6},
      {u"\"\"", "", vsQuote, 2},
      {u"\"\"\"\"", "\"", vsQuote, 4},
      {u"ab\"c d", "ab\"c", vsEnd, 4},  // a quote inside a bare name is kept
      {u"\t\r\n x", "x", vsNormal, 5},
      {u"", "", vsStart, 0},
  };
  for (const auto& c : cases) {
    const Parsed p = Feed(c.text, u'"');
    EXPECT_EQ(p.name, c.name) << U8(c.text);
    EXPECT_EQ(p.state, c.state) << U8(c.text);
    EXPECT_EQ(p.consumed, c.consumed) << U8(c.text);
  }
  EXPECT_EQ(Feed(u"'it''s' x", u'\'').name, "it's");
}

TEST(ParseQuotedName, EndIsFinal) {
  String name = u"x";
  TQuotedStrState st = vsEnd;
  ParseQuotedName(u'y', u'"', name, st);
  EXPECT_EQ(st, vsEnd);
  EXPECT_EQ(name, u"x");
  st = static_cast<TQuotedStrState>(200);
  ParseQuotedName(u'y', u'"', name, st);
  EXPECT_EQ(st, vsEnd);
}

// ---- ExtractParam --------------------------------------------------------------------------

TEST(ExtractParam, Table) {
  struct Case {
    const char16_t* list;
    int index;
    bool ok;
    const char16_t* value;
  } cases[] = {
      {u"1, \"a, b\", c", 1, true, u"1"},
      {u"1, \"a, b\", c", 2, true, u"a, b"},
      {u"1, \"a, b\", c", 3, true, u"c"},
      {u"1, \"a, b\", c", 4, false, u""},
      {u"1, \"a, b\", c", 0, false, u""},
      {u"1, \"a, b\", c", -1, false, u""},
      {u"a,,b", 2, true, u""},
      {u"a,", 2, true, u""},
      {u"a,", 3, false, u""},
      {u"", 1, false, u""},
      {u"   ", 1, false, u""},
      {u"  x y  ", 1, true, u"x y"},
      {u"\"say \"\"hi\"\"\"", 1, true, u"say \"hi\""},
      {u"\"a\"junk,b", 1, true, u"a"},  // after the closing quote: ignored
      {u"\"a\"junk,b", 2, true, u"b"},
      {u"\"open, more", 1, true, u"open, more"},  // no closing quote: the rest
      {u"\"open, more", 2, false, u""},
      {u"a\"b,c", 1, true, u"a\"b"},  // a quote inside a bare parameter is kept
  };
  for (const auto& c : cases) {
    String v = u"stale";
    EXPECT_EQ(ExtractParam(c.list, c.index, u',', u'"', v), c.ok) << U8(c.list) << c.index;
    EXPECT_EQ(v, c.value) << U8(c.list) << c.index;
  }
  String v;
  EXPECT_TRUE(ExtractParam(u"a;'b;c'", 2, u';', u'\'', v));
  EXPECT_EQ(v, u"b;c");
  // A quote equal to the delimiter turns quoting off.
  EXPECT_TRUE(ExtractParam(u"a,,b", 3, u',', u',', v));
  EXPECT_EQ(v, u"b");
}

}  // namespace
}  // namespace krv
