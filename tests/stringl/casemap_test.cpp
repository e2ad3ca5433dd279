#include "korvex/stringl/casemap.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "korvex/platform/stringlist.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/edit.h"

namespace krv {
namespace {

TEST(CaseMap, KnownPairs) {
  struct Case {
    Char lower, upper;
  };
  const Case cases[] = {
      {u'a', u'A'},     {u'z', u'Z'}, {u'ä', u'Ä'}, {u'ö', u'Ö'},     {u'ü', u'Ü'}, {u'é', u'É'},
      {u'è', u'È'},     {u'ç', u'Ç'}, {u'ñ', u'Ñ'}, {u'å', u'Å'},     {u'ø', u'Ø'}, {u'þ', u'Þ'},
      {u'ā', u'Ā'},     {u'ł', u'Ł'}, {u'ž', u'Ž'}, {u'ő', u'Ő'},     {u'α', u'Α'}, {u'ω', u'Ω'},
      {u'я', u'Я'},     {u'ё', u'Ё'}, {u'ա', u'Ա'}, {0x24D0, 0x24B6},  // circled a
      {0xFF41, 0xFF21},                                                // fullwidth a
  };
  for (const Case& k : cases) {
    EXPECT_EQ(UnicodeUpper(k.lower), k.upper) << int(k.lower);
    EXPECT_EQ(UnicodeLower(k.upper), k.lower) << int(k.upper);
    EXPECT_EQ(UnicodeUpper(k.upper), k.upper) << int(k.upper);
    EXPECT_EQ(UnicodeLower(k.lower), k.lower) << int(k.lower);
  }
}

TEST(CaseMap, OneWayAndUnmappedCharacters) {
  EXPECT_EQ(UnicodeUpper(u'ÿ'), u'Ÿ');  // Latin-1 letter whose capital lies outside Latin-1
  EXPECT_EQ(UnicodeLower(u'Ÿ'), u'ÿ');
  EXPECT_EQ(UnicodeUpper(u'µ'), u'Μ');  // micro sign upper-cases to Greek capital mu
  EXPECT_EQ(UnicodeLower(u'µ'), u'µ');
  EXPECT_EQ(UnicodeUpper(u'ß'), u'ß');  // no one-to-one capital
  EXPECT_EQ(UnicodeLower(u'ẞ'), u'ß');
  EXPECT_EQ(UnicodeUpper(u'ı'), u'I');    // dotless i
  EXPECT_EQ(UnicodeLower(u'İ'), u'i');    // simple mapping drops the dot
  EXPECT_EQ(UnicodeLower(0x212A), u'k');  // Kelvin sign
  EXPECT_EQ(UnicodeUpper(u'ς'), u'Σ');
  for (Char c : std::u16string_view(u"0 9!~\u00D7\u00F7\u4E2D\uFFFF")) {
    EXPECT_EQ(UnicodeUpper(c), c) << int(c);
    EXPECT_EQ(UnicodeLower(c), c) << int(c);
  }
  for (unsigned s = 0xD800; s <= 0xDFFF; ++s) {
    ASSERT_EQ(UnicodeUpper(static_cast<Char>(s)), s);
    ASSERT_EQ(UnicodeLower(static_cast<Char>(s)), s);
  }
}

TEST(CaseMap, FoldUnitesCaseVariants) {
  const std::u16string_view groups[] = {u"kK\u212A", u"σΣς", u"sSſ", u"ßẞ", u"äÄ", u"µΜμ"};
  for (std::u16string_view g : groups) {
    for (Char c : g) EXPECT_EQ(UnicodeFold(c), UnicodeFold(g[0])) << int(c);
  }
  EXPECT_NE(UnicodeFold(u'a'), UnicodeFold(u'ä'));
  // Dotless ı upper-cases to I, so it folds with I and i.
  EXPECT_EQ(UnicodeFold(u'ı'), UnicodeFold(u'I'));
}

// Re-casing never changes which fold class a character belongs to, so a string always
// compares equal ignoring case to its upper- and lower-case forms.
TEST(CaseMap, RecasingKeepsTheFoldClass) {
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const Char c = static_cast<Char>(code);
    ASSERT_EQ(UnicodeFold(UnicodeUpper(c)), UnicodeFold(c)) << std::hex << code;
    ASSERT_EQ(UnicodeFold(UnicodeLower(c)), UnicodeFold(c)) << std::hex << code;
  }
}

TEST(CaseMap, WholeStringsKeepTheirLength) {
  EXPECT_EQ(UnicodeUpperCase(u"straße äöü éa ÿ"), u"STRAßE ÄÖÜ ÉA Ÿ");
  EXPECT_EQ(UnicodeLowerCase(u"STRAẞE ÄÖÜ ÉA Ÿ"), u"straße äöü éa ÿ");
  const String withNul(u"A\0b\xD834\xDD1E", 5);
  EXPECT_EQ(UnicodeLowerCase(withNul), String(u"a\0b\xD834\xDD1E", 5));
  EXPECT_EQ(UnicodeUpperCase(u""), u"");
}

// TStringList ignoring case and the string routines ignoring case use one fold, so they agree
// on letters far beyond ASCII: every layer answers "equal" exactly for the pairs marked so.
TEST(CaseMap, StringListAgreesWithTheStringRoutines) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool equal;
  };
  const Case cases[] = {
      {u"ÿ", u"Ÿ", true},            // Latin-1 small letter, capital in Latin Extended-A
      {u"straße", u"STRAẞE", true},  // capital sharp s (Latin Extended Additional)
      {u"ǆ", u"Ǆ", true},            // Latin Extended-B digraph and its capital
      {u"ǅ", u"ǆ", true},            // ... and its title-case form
      {u"ș", u"Ș", true},            // Latin Extended-B
      {u"ẁ", u"Ẁ", true},            // Latin Extended Additional
      {u"ΟΔΟΣ", u"οδος", true},      // Greek final sigma against capital sigma
      {u"σ", u"ς", true},            // the two small sigmas
      {u"µ", u"Μ", true},            // micro sign and Greek capital mu
      {u"ѣ", u"Ѣ", true},            // Cyrillic beyond the basic block
      {u"ґ", u"Ґ", true},            // Cyrillic beyond the basic block
      {u"ա", u"Ա", true},            // Armenian
      {u"ａ", u"Ａ", true},          // fullwidth Latin
      {u"K", u"k", true},            // Kelvin sign
      {u"İ", u"i", true},            // simple mapping drops the dot
      {u"a", u"ä", false},           // accents matter
      {u"ß", u"ss", false},          // no one-to-many folding
      {u"ё", u"е", false},           // different letters
      {u"×", u"÷", false},           // × and ÷ are not a case pair
  };
  for (const auto& c : cases) {
    const String a(c.a), b(c.b);
    TStringList list;
    list.SetSorted(true);
    list.Add(a);
    int at = -1;
    EXPECT_EQ(list.CompareStrings(a, b) == 0, c.equal) << ToUtf8(a) << " " << ToUtf8(b);
    EXPECT_EQ(list.Find(b, at), c.equal) << ToUtf8(a) << " " << ToUtf8(b);
    EXPECT_EQ(list.Add(b) == -1, c.equal) << ToUtf8(a) << " " << ToUtf8(b);  // dupIgnore
    EXPECT_EQ(EqualAnsiStrings(a, b), c.equal) << ToUtf8(a) << " " << ToUtf8(b);
  }
}

// Slow reference: parse the Unicode Character Database, when it is installed, and compare
// every code unit with the generated tables.
TEST(CaseMap, MatchesUnicodeDataForEveryCodeUnit) {
  std::ifstream in("/usr/share/unicode/UnicodeData.txt");
  if (!in) GTEST_SKIP() << "UnicodeData.txt not installed (package unicode-data)";
  std::map<unsigned, unsigned> upper, lower;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, ';');) f.push_back(field);
    while (f.size() < 15) f.emplace_back();
    const unsigned code = std::stoul(f[0], nullptr, 16);
    if (code > 0xFFFF) continue;
    if (!f[12].empty()) upper[code] = std::stoul(f[12], nullptr, 16);
    if (!f[13].empty()) lower[code] = std::stoul(f[13], nullptr, 16);
  }
  ASSERT_GT(upper.size(), 1000u);
  ASSERT_GT(lower.size(), 1000u);
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const auto u = upper.find(code);
    const auto l = lower.find(code);
    const unsigned wantUpper = u != upper.end() && u->second <= 0xFFFF ? u->second : code;
    const unsigned wantLower = l != lower.end() && l->second <= 0xFFFF ? l->second : code;
    ASSERT_EQ(UnicodeUpper(static_cast<Char>(code)), wantUpper) << std::hex << code;
    ASSERT_EQ(UnicodeLower(static_cast<Char>(code)), wantLower) << std::hex << code;
  }
}

}  // namespace
}  // namespace krv
