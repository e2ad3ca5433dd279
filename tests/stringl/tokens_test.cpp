#include "korvex/stringl/tokens.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "korvex/platform/text.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

std::string U8(const String& s) {
  return ToUtf8(s);
}

// ---- ExtractWordFromString ----------------------------------------------------------------

TEST(ExtractWordFromString, Table) {
  struct Case {
    const char16_t* text;
    int pos;
    const char16_t* word;
    int start, end;
  } cases[] = {
      {u"one two,three", 6, u"two", 5, 7},
      {u"one two,three", 4, u" ", 4, 4},
      {u"one two,three", 1, u"one", 1, 3},
      {u"one two,three", 3, u"one", 1, 3},
      {u"one two,three", 8, u",", 8, 8},
      {u"one two,three", 13, u"three", 9, 13},
      {u"one two,three", 0, u"", 0, 0},
      {u"one two,three", 14, u"", 0, 0},
      {u"one two,three", -5, u"", 0, 0},
      {u"", 1, u"", 0, 0},
      {u"x", 1, u"x", 1, 1},
      {u"a\tb c", 1, u"a\tb", 1, 3},  // tab joins
      {u"straße1", 4, u"straße1", 1, 7},
      {u"\u4e2d\u6587 x", 2, u"\u4e2d\u6587", 1, 2},
  };
  for (const auto& c : cases) {
    int s = -1, e = -1;
    EXPECT_EQ(ExtractWordFromString(c.text, c.pos, s, e), c.word) << U8(c.text) << c.pos;
    EXPECT_EQ(s, c.start) << U8(c.text) << c.pos;
    EXPECT_EQ(e, c.end) << U8(c.text) << c.pos;
    EXPECT_EQ(ExtractWordFromString(c.text, c.pos), c.word);
  }
}

TEST(ExtractWordFromString, FollowsWordSeps) {
  const TCharSet saved = WordSeps;
  WordSeps.Include('\t');
  int s, e;
  EXPECT_EQ(ExtractWordFromString(u"a\tb c", 1, s, e), u"a");
  WordSeps.Exclude(' ');
  EXPECT_EQ(ExtractWordFromString(u"a\tb c", 3, s, e), u"b c");
  WordSeps = saved;
}

// ---- ExtractSubString ------------------------------------------------------------------------

TEST(ExtractSubString, Table) {
  struct Case {
    const char16_t* text;
    int index;
    const char16_t* delim;
    const char16_t* expected;
  } cases[] = {
      {u"a;b;;d", 0, u";", u"a"},
      {u"a;b;;d", 1, u";", u"b"},
      {u"a;b;;d", 2, u";", u""},
      {u"a;b;;d", 3, u";", u"d"},
      {u"a;b;;d", 4, u";", u""},
      {u"a;b;;d", 99, u";", u""},
      {u"a;b;;d", -1, u";", u""},
      {u"", 0, u";", u""},
      {u";a", 0, u";", u""},
      {u";a", 1, u";", u"a"},
      {u"a;", 1, u";", u""},
      {u"a;", 2, u";", u""},
      {u"abc", 0, u";", u"abc"},
      {u"a::b::c", 1, u"::", u"b"},
      {u"a::b::c", 2, u"::", u"c"},
      {u"a:::b", 1, u"::", u":b"},
      {u"abc", 0, u"", u"abc"},
      {u"abc", 1, u"", u""},
      // An exact comparison at the field start: a field that only begins with the
      // delimiter's letters in another case is kept.
      {u"1xX2", 1, u"x", u"X2"},
      {u"1xx2", 1, u"x", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExtractSubString(c.text, c.index, c.delim), c.expected)
        << U8(c.text) << " " << c.index << " " << U8(c.delim);
}

// ---- Tokenize --------------------------------------------------------------------------------

std::vector<std::string> Tokens(const String& text, const String& delim) {
  TStrArray t{u"stale", u"entries"};
  const int n = Tokenize(text, delim, t);
  EXPECT_EQ(n, static_cast<int>(t.size()));
  std::vector<std::string> out;
  for (const auto& s : t) out.push_back(U8(s));
  return out;
}

std::vector<std::string> Tokens(const String& text, const String& delim, Char esc) {
  TStrArray t;
  const int n = Tokenize(text, delim, esc, t);
  EXPECT_EQ(n, static_cast<int>(t.size()));
  std::vector<std::string> out;
  for (const auto& s : t) out.push_back(U8(s));
  return out;
}

using V = std::vector<std::string>;

TEST(Tokenize, Table) {
  EXPECT_EQ(Tokens(u"a;b", u";"), (V{"a", "b"}));
  EXPECT_EQ(Tokens(u"a;", u";"), (V{"a", ""}));
  EXPECT_EQ(Tokens(u"", u";"), (V{""}));
  EXPECT_EQ(Tokens(u";", u";"), (V{"", ""}));
  EXPECT_EQ(Tokens(u"a;;b", u";"), (V{"a", "", "b"}));
  EXPECT_EQ(Tokens(u"a<>b<>c", u"<>"), (V{"a", "b", "c"}));
  EXPECT_EQ(Tokens(u"a;b", u""), (V{"a;b"}));
  EXPECT_EQ(Tokens(u"Text files|*.txt|All|*.*", u"|"), (V{"Text files", "*.txt", "All", "*.*"}));
}

TEST(Tokenize, StopsAtAThousandTokens) {
  for (int delimiters : {998, 999, 1000, 1500}) {
    String text;
    for (int i = 0; i <= delimiters; ++i) {
      if (i > 0) text += u';';
      text += u'x';
    }
    TStrArray t;
    const int n = Tokenize(text, u";", t);
    if (delimiters <= 999) {
      EXPECT_EQ(n, delimiters + 1);
      EXPECT_EQ(t.back(), u"x");
    } else {
      EXPECT_EQ(n, 1000);
      // The last token holds the rest, delimiters included.
      EXPECT_EQ(t.back().size(), static_cast<std::size_t>(2 * (delimiters - 999) + 1));
    }
    // ExtractSubString has no cap: every field stays reachable by its index.
    EXPECT_EQ(ExtractSubString(text, delimiters, u";"), u"x");
    EXPECT_EQ(ExtractSubString(text, delimiters + 1, u";"), u"");
  }
}

TEST(Tokenize, WithEscape) {
  EXPECT_EQ(Tokens(u"a\\,b,c", u",", u'\\'), (V{"a,b", "c"}));
  EXPECT_EQ(Tokens(u"a\\\\b,c", u",", u'\\'), (V{"a\\b", "c"}));
  EXPECT_EQ(Tokens(u"a,b", u",", u'\\'), (V{"a", "b"}));
  EXPECT_EQ(Tokens(u"\\,", u",", u'\\'), (V{","}));
  EXPECT_EQ(Tokens(u",a", u",", u'\\'), (V{"", "a"}));
  EXPECT_EQ(Tokens(u"a,\\,b", u",", u'\\'), (V{"a", ",b"}));
  // Only the one character before the delimiter counts.
  EXPECT_EQ(Tokens(u"a\\\\,b", u",", u'\\'), (V{"a,b"}));
  EXPECT_EQ(Tokens(u"a^|b|c", u"|", u'^'), (V{"a|b", "c"}));
  // Multi-character delimiters and the escape folded with ASCII case.
  EXPECT_EQ(Tokens(u"aXYbxYc", u"XY", u'x'), (V{"a", "bxYc"}));
  EXPECT_EQ(Tokens(u"a", u"", u'\\'), (V{"a"}));
}

// ---- ReadLnString --------------------------------------------------------------------------

struct Line {
  std::string text;
  bool eos;
  int pos;
};

std::vector<Line> AllLines(const String& text, int mode, int limit = 20) {
  std::vector<Line> out;
  int pos = 1;
  bool eos = false;
  while (!eos && limit-- > 0) {
    const String l = ReadLnString(text, pos, eos, mode);
    out.push_back({U8(l), eos, pos});
  }
  return out;
}

bool operator==(const Line& a, const Line& b) {
  return a.text == b.text && a.eos == b.eos && a.pos == b.pos;
}
void PrintTo(const Line& l, std::ostream* os) {
  *os << "{" << l.text << "," << l.eos << "," << l.pos << "}";
}

TEST(ReadLnString, Modes) {
  const String t = u"a\tb\r\nc";
  EXPECT_EQ(AllLines(t, 4), (std::vector<Line>{{"ab", false, 6}, {"c", true, 7}}));
  EXPECT_EQ(AllLines(t, 0), (std::vector<Line>{{"ab", false, 6}, {"c", true, 7}}));
  EXPECT_EQ(AllLines(t, 1), (std::vector<Line>{{"ab", false, 5}, {"c", true, 7}}));
  EXPECT_EQ(AllLines(t, 2), (std::vector<Line>{{"ab", false, 5}, {"", false, 6}, {"c", true, 7}}));
  EXPECT_EQ(AllLines(t, 3), (std::vector<Line>{{"abc", true, 7}}));
  EXPECT_EQ(AllLines(t, 7), (std::vector<Line>{{"abc", true, 7}}));
  EXPECT_EQ(AllLines(u"a\n\rb", 3), (std::vector<Line>{{"a", false, 4}, {"b", true, 5}}));
  EXPECT_EQ(AllLines(u"a\rb\r\n", 4),
            (std::vector<Line>{{"ab", false, 6}, {"", true, 6}}));  // line end at the end
  EXPECT_EQ(AllLines(u"", 0), (std::vector<Line>{{"", true, 1}}));
}

TEST(ReadLnString, PositionsOutsideTheText) {
  bool eos = false;
  int pos = 10;
  EXPECT_EQ(ReadLnString(u"abc", pos, eos, 0), u"");
  EXPECT_TRUE(eos);
  EXPECT_EQ(pos, 10);
  pos = -3;
  EXPECT_EQ(ReadLnString(u"ab\ncd", pos, eos, 0), u"ab");
  EXPECT_FALSE(eos);
  EXPECT_EQ(pos, 4);
  pos = INT32_MAX;
  EXPECT_EQ(ReadLnString(u"ab", pos, eos, 0), u"");
  EXPECT_EQ(pos, INT32_MAX);
}

// ---- StringIx --------------------------------------------------------------------------------

TEST(StringIx, Table) {
  const std::vector<String> list = {u"a", u"b", u"b", u"Straße"};
  EXPECT_EQ(StringIx(u"b", list), 2);
  EXPECT_EQ(StringIx(u"B", list), 0);
  EXPECT_EQ(StringIx(u"B", false, list), 2);
  EXPECT_EQ(StringIx(u"B", true, list), 0);
  EXPECT_EQ(StringIx(u"c", false, list), 0);
  EXPECT_EQ(StringIx(u"STRASSE", false, list), 0);
  EXPECT_EQ(StringIx(u"STRAßE", false, list), 4);
  EXPECT_EQ(StringIx(u"", list), 0);
  EXPECT_EQ(StringIx(u"a", std::vector<String>{}), 0);
  const String fixed[] = {u"x", u""};
  EXPECT_EQ(StringIx(u"", fixed), 2);
}

// ---- TextLineCoords ------------------------------------------------------------------------

TEST(TextLineCoords, Table) {
  const String t = u"ab\ncd\r\nef\rg";
  struct Case {
    int pos;
    bool ok;
    int line, column;
  } cases[] = {{1, true, 1, 1},  {3, true, 1, 3},   {4, true, 2, 1},  {6, true, 2, 3},
               {7, true, 2, 4},  {8, true, 3, 1},   {10, true, 3, 3}, {11, true, 4, 1},
               {12, true, 4, 2}, {13, false, 0, 0}, {0, false, 0, 0}, {-1, false, 0, 0}};
  for (const auto& c : cases) {
    int line = -1, col = -1;
    EXPECT_EQ(TextLineCoords(t, c.pos, line, col), c.ok) << c.pos;
    EXPECT_EQ(line, c.line) << c.pos;
    EXPECT_EQ(col, c.column) << c.pos;
  }
  int line, col;
  EXPECT_TRUE(TextLineCoords(u"", 1, line, col));
  EXPECT_EQ(line, 1);
  EXPECT_EQ(col, 1);
}

TEST(TextLineCoords, MatchesReadLnStringLines) {
  // Walking the lines with ReadLnString (mode 2 splits CR LF into two ends, so use LF text)
  // gives the same line starts.
  std::mt19937 rng(3);
  for (int iter = 0; iter < 200; ++iter) {
    String t;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) t += (rng() % 5 == 0) ? u'\n' : u'a';
    int pos = 1, line_no = 0;
    bool eos = false;
    while (!eos) {
      const int start = pos;
      ReadLnString(t, pos, eos, 0);
      ++line_no;
      int l, c;
      ASSERT_TRUE(TextLineCoords(t, start, l, c));
      ASSERT_EQ(l, line_no);
      ASSERT_EQ(c, 1);
    }
  }
}

}  // namespace
}  // namespace krv
