#include "korvex/stringl/edit.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "korvex/platform/text.h"
#include "korvex/stringl/casemap.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

// ---- Slow references that follow the rules literally -----------------------------------

String FoldLower(String s) {
  for (Char& c : s) c = AsciiLower(c);
  return s;
}

// Cuts and searches the remainder literally: skip to the start, find, cut after the match,
// repeat.
std::int32_t RefNumberedPos(const String& search, const String& s, std::int32_t start,
                            std::int32_t n, bool ignoreCase) {
  if (n < 1) return 0;
  const String needle = ignoreCase ? FoldLower(search) : search;
  String rest = ignoreCase ? FoldLower(s) : s;
  if (start < 1) start = 1;
  if (static_cast<std::size_t>(start - 1) > rest.size()) return 0;
  std::int32_t offset = start - 1;
  rest.erase(0, static_cast<std::size_t>(start - 1));
  std::int32_t found = 0;
  for (std::int32_t k = 0; k < n; ++k) {
    if (needle.empty()) return 0;
    const std::size_t p = rest.find(needle);
    if (p == String::npos) return 0;
    found = offset + static_cast<std::int32_t>(p) + 1;
    offset += static_cast<std::int32_t>(p + needle.size());
    rest.erase(0, p + needle.size());
  }
  return found;
}

// Deletes and inserts in place, resuming right after the inserted text.
String RefReplace(String s, const String& search, const String& repl, bool ignoreCase) {
  if (search.empty()) return s;
  std::int32_t pos = 1;
  for (;;) {
    const std::int32_t p = RefNumberedPos(search, s, pos, 1, ignoreCase);
    if (p == 0) return s;
    s.erase(static_cast<std::size_t>(p - 1), search.size());
    s.insert(static_cast<std::size_t>(p - 1), repl);
    pos = p + static_cast<std::int32_t>(repl.size());
  }
}

// Expands the markers pass by pass, as described, then builds a 65536-entry table (so wide
// characters of the set are members by their exact code).
std::vector<bool> RefCharSet(String set) {
  const std::pair<String, String> kMarkers[] = {
      {u"//dig", u"0123456789"},
      {u"//lc", u"abcdefghijklmnopqrstuvwxyz"},
      {u"//uc", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
      {u"//31dwn",
       [] {
         String r;
         for (int c = 0; c < 32; ++c) r += Char(c);
         return r;
       }()},
      {u"//128up",
       [] {
         String r;
         for (int c = 128; c < 256; ++c) r += Char(c);
         return r;
       }()},
  };
  for (bool replaced = true; replaced;) {
    replaced = false;
    for (const auto& [marker, expansion] : kMarkers) {
      const std::size_t p = set.find(marker);
      if (p != String::npos) {
        set.replace(p, marker.size(), expansion);
        replaced = true;
      }
    }
  }
  std::vector<bool> member(65536, false);
  for (Char c : set) member[c] = true;
  return member;
}

bool RefContains(const String& s, const String& set) {
  const std::vector<bool> m = RefCharSet(set);
  for (Char c : s)
    if (m[c]) return true;
  return false;
}

bool RefContainsOtherThan(const String& s, const String& set) {
  const std::vector<bool> m = RefCharSet(set);
  for (Char c : s)
    if (!m[c]) return true;
  return false;
}

// Works on the string in place with a moving index, as described.
String RefProcessHexChars(String s) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == u'\\' && i + 1 < s.size()) {
      if (s[i + 1] == u'#') {
        String digits = s.substr(i + 2, 2);
        std::size_t k = 0;
        while (k < digits.size() && digits[k] == u' ') ++k;
        if (k < digits.size() && digits[k] == u'$') ++k;
        int v = 0;
        for (; k < digits.size(); ++k) {
          const Char d = digits[k];
          if (d >= u'0' && d <= u'9')
            v = v * 16 + (d - u'0');
          else if (d >= u'a' && d <= u'f')
            v = v * 16 + (d - u'a' + 10);
          else if (d >= u'A' && d <= u'F')
            v = v * 16 + (d - u'A' + 10);
          else
            break;
        }
        s.replace(i, 4, 1, static_cast<Char>(v));
      } else if (s[i + 1] == u'\\') {
        s.erase(i, 1);
      }
    }
    ++i;
  }
  return s;
}

std::int32_t RefCountWords(const String& s) {
  std::int32_t words = 0, run = 0;
  for (Char c : s) {
    if (c < 256 && WordSeps.Contains(c)) {
      if (run >= 2) ++words;
      run = 0;
    } else {
      ++run;
    }
  }
  return words;
}

// Random strings over a small alphabet, so that matches, markers and escapes are frequent.
String RandomString(std::mt19937& rng, std::u16string_view alphabet, std::size_t maxLen) {
  String s(std::uniform_int_distribution<std::size_t>(0, maxLen)(rng), u' ');
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (Char& c : s) c = alphabet[pick(rng)];
  return s;
}

const std::u16string_view kAlphabet(u"aAbB/\\#$ 0F9lcdig\0\u00E4\u0120.", 21);

// ---- Tests and searches --------------------------------------------------------------

TEST(TestAllChar, Cases) {
  EXPECT_FALSE(TestAllChar(u"", u'x'));
  EXPECT_TRUE(TestAllChar(u"xxx", u'x'));
  EXPECT_TRUE(TestAllChar(u"x", u'x'));
  EXPECT_FALSE(TestAllChar(u"xxX", u'x'));
  EXPECT_TRUE(TestAllChar(String(3, u'\0'), u'\0'));
  EXPECT_FALSE(TestAllChar(u"\u0178", u'x'));
}

TEST(StringContains, MarkersAndPlainMembers) {
  struct Case {
    String s, set;
    bool contains, otherThan;
  };
  const Case cases[] = {
      {u"abc", u"//dig", false, true},
      {u"a1", u"//dig", true, true},
      {u"abc", u"//lc", true, false},
      {u"ABC", u"//lc//uc", true, false},
      {u"", u"//lc", false, false},
      {u"abc", u"", false, true},
      {u"a/b", u"/", true, true},     // a lone slash is an ordinary member
      {u"/", u"//lc", false, true},   // the slashes of a marker are not members
      {u"/", u"///lc", true, false},  // the first slash is not part of the marker
      {u"d", u"//di", true, false},   // incomplete marker: /, d, i are members
      {u"\t\n", u"//31dwn", true, false},
      {String(1, u'\0'), u"//31dwn", true, false},
      {u"\u00FF\u0080", u"//128up", true, false},
      {u"\u007F", u"//128up//31dwn", false, true},
      {u"x9", u"//dig//dig", true, true},  // a marker may repeat
      {u"12", u"//DIG", false, true},      // markers are case-sensitive
  };
  for (const Case& k : cases) {
    EXPECT_EQ(StringContains(k.s, k.set), k.contains) << ToUtf8(k.s) << " in " << ToUtf8(k.set);
    EXPECT_EQ(StringContainsOtherThan(k.s, k.set), k.otherThan)
        << ToUtf8(k.s) << " in " << ToUtf8(k.set);
  }
}

// Characters above 255 are members exactly when they appear literally in the set string; they
// never alias a table entry through their low byte.
TEST(StringContains, WideCharactersAreMembersByExactCode) {
  EXPECT_TRUE(StringContains(u"x€", u"€"));
  EXPECT_FALSE(StringContainsOtherThan(u"€€", u"€"));
  EXPECT_FALSE(StringContains(u"\u0141", u"A"));      // Ł has low byte 0x41
  EXPECT_FALSE(StringContains(u"\u0130", u"//dig"));  // İ has low byte 0x30
  EXPECT_FALSE(StringContains(u"\u0100", u"//31dwn"));
  EXPECT_TRUE(StringContainsOtherThan(u"\u0100", u"//31dwn//128up"));
  EXPECT_TRUE(StringContainsOtherThan(u"ab\u0101", u"//lc\u0100"));
  EXPECT_FALSE(StringContainsOtherThan(u"ab\u0101\u0100", u"//lc\u0101\u0100"));
}

TEST(StringContains, AgreesWithPassByPassReference) {
  std::mt19937 rng(7);
  for (int i = 0; i < 4000; ++i) {
    const String s = RandomString(rng, kAlphabet, 6);
    const String set = RandomString(rng, u"//dilgcu31dwn128p€a", 14);
    ASSERT_EQ(StringContains(s, set), RefContains(s, set)) << ToUtf8(s) << " | " << ToUtf8(set);
    ASSERT_EQ(StringContainsOtherThan(s, set), RefContainsOtherThan(s, set))
        << ToUtf8(s) << " | " << ToUtf8(set);
  }
}

TEST(CountCharInString, CaseFoldingIsAsciiOnly) {
  EXPECT_EQ(CountCharInString(u'A', u"aAa", false), 3);
  EXPECT_EQ(CountCharInString(u'A', u"aAa", true), 1);
  EXPECT_EQ(CountCharInString(u'ä', u"äÄä", false), 2);  // no locale folding here
  EXPECT_EQ(CountCharInString(u'x', u"", false), 0);
  EXPECT_EQ(CountCharInString(u'\0', String(u"a\0b\0", 4), true), 2);
}

TEST(CountStringInString, NonOverlappingFromTheLeft) {
  EXPECT_EQ(CountStringInString(u"aa", u"aaaa", true), 2);
  EXPECT_EQ(CountStringInString(u"aa", u"aaa", true), 1);
  EXPECT_EQ(CountStringInString(u"AB", u"abAbaB", false), 3);
  EXPECT_EQ(CountStringInString(u"AB", u"abAbaB", true), 0);
  EXPECT_EQ(CountStringInString(u"ÄB", u"äb", false), 0);
  EXPECT_EQ(CountStringInString(u"", u"abc", true), 0);
  EXPECT_EQ(CountStringInString(u"abcd", u"abc", true), 0);
}

class CountWordsTest : public ::testing::Test {
 protected:
  void TearDown() override { WordSeps = kDefaultWordSeps; }
};

TEST_F(CountWordsTest, DefaultSeparators) {
  struct Case {
    String s;
    std::int32_t words;
  };
  const Case cases[] = {
      {u"ab cd ", 2},
      {u"ab cd", 1},
      {u"a b ", 0},
      {u"ab cd.", 2},
      {u"", 0},
      {u"   ", 0},
      {u"ab\tcd ", 1},
      {u"x,yz;abc(", 2},
      {u"ab!cd?", 0},
      {u"ab!cd ", 1},
      {u"über straße ", 2},
      {u"ab\u0120cd.", 1},
      {String(u"ab\0cd\0", 6), 2},
  };
  for (const Case& k : cases) EXPECT_EQ(CountWords(k.s), k.words) << ToUtf8(k.s);
}

TEST_F(CountWordsTest, FollowsChangesToWordSeps) {
  EXPECT_EQ(CountWords(u"ab\tcd\t"), 0);
  WordSeps.Include(9);
  EXPECT_EQ(CountWords(u"ab\tcd\t"), 2);
  WordSeps.Exclude(' ');
  EXPECT_EQ(CountWords(u"ab cd\t"), 1);
  EXPECT_EQ(CountWords(u"ab cd."), 1);
  WordSeps.Clear();
  EXPECT_EQ(CountWords(u"ab cd. ef, "), 0);
  WordSeps.Include('!');
  EXPECT_EQ(CountWords(u"hey!you!"), 2);
  WordSeps = kDefaultWordSeps;
  EXPECT_EQ(CountWords(u"ab cd "), 2);
}

TEST_F(CountWordsTest, AgreesWithReferenceUnderRandomSeparators) {
  std::mt19937 rng(11);
  for (int i = 0; i < 300; ++i) {
    WordSeps.Clear();
    for (int k = 0; k < 8; ++k) WordSeps.Include(static_cast<std::uint8_t>(rng() % 128));
    for (int j = 0; j < 10; ++j) {
      const String s = RandomString(rng, kAlphabet, 30);
      ASSERT_EQ(CountWords(s), RefCountWords(s)) << ToUtf8(s);
    }
  }
}

TEST(IsAbbreviation, Cases) {
  const std::pair<const char16_t*, bool> cases[] = {
      {u"USA", true},     {u"OK", true},      {u"IBMs", true}, {u"Hello", false}, {u"A", false},
      {u"Ab", false},     {u"ABcde", false},  {u"", false},    {u"ABC12", true},  {u"AB12", false},
      {u"A.B.C.", false}, {u"x-AB-y", false}, {u"ÄÖÜ", false}, {u"GmbH", false},  {u"AB ÄÖ", true},
  };
  for (const auto& [s, want] : cases) EXPECT_EQ(IsAbbreviation(s), want) << ToUtf8(String(s));
}

TEST(EqualAnsiStrings, LocaleFoldingOfNonAsciiLetters) {
  struct Case {
    String a, b;
    bool equal;
  };
  const Case cases[] = {
      {u"Äpfel", u"äPFEL", true},
      {u"café", u"CAFÉ", true},
      {u"ÿ", u"Ÿ", true},
      {u"Σίσυφος", u"ΣΊΣΥΦΟΣ", true},
      {u"Москва", u"МОСКВА", true},
      {u"straße", u"STRASSE", false},  // no one-to-many folding
      {u"a", u"ä", false},
      {u"abc", u"abcd", false},
      {u"", u"", true},
      {String(u"ab\0x", 4), u"AB", true},  // each ends at its first code 0
      {String(u"ab\0x", 4), String(u"AB\0y", 4), true},
      {String(u"\0abc", 4), u"", true},
      {String(u"ab\0", 3), u"abc", false},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(EqualAnsiStrings(k.a, k.b), k.equal) << ToUtf8(k.a) << " / " << ToUtf8(k.b);
    EXPECT_EQ(EqualAnsiStrings(k.b, k.a), k.equal) << ToUtf8(k.b) << " / " << ToUtf8(k.a);
  }
}

TEST(FindFirst, DigitAndNonBlank) {
  EXPECT_EQ(FindFirstDigit(u""), 0);
  EXPECT_EQ(FindFirstDigit(u"abc"), 0);
  EXPECT_EQ(FindFirstDigit(u"ab3c4"), 3);
  EXPECT_EQ(FindFirstDigit(u"\uFF13x"), 0);  // fullwidth digit is not a digit
  EXPECT_EQ(FindFirstNonBlank(u""), 0);
  EXPECT_EQ(FindFirstNonBlank(u"   "), 0);
  EXPECT_EQ(FindFirstNonBlank(u"  x "), 3);
  EXPECT_EQ(FindFirstNonBlank(u"\t x"), 1);  // a tab is not a blank
}

TEST(PosLast, LastOfNonOverlappingOccurrences) {
  EXPECT_EQ(PosLast(u"bc", u"abcabc"), 5);
  EXPECT_EQ(PosLast(u"x", u"abc"), 0);
  EXPECT_EQ(PosLast(u"aa", u"aaa"), 1);  // not 2: occurrences are taken from the left
  EXPECT_EQ(PosLast(u"aa", u"aaaa"), 3);
  EXPECT_EQ(PosLast(u"", u"abc"), 0);
  EXPECT_EQ(PosLast(u"abc", u"ab"), 0);
}

TEST(NumberedPos, StartPositionsOccurrencesAndIgnoreCase) {
  struct Case {
    String search, s;
    std::int32_t start, n;
    bool ignoreCase;
    std::int32_t want;
  };
  const Case cases[] = {
      {u"bc", u"abcabc", 1, 2, false, 5},
      {u"bc", u"abcabc", 3, 1, false, 5},
      {u"bc", u"abcabc", 1, 0, false, 0},
      {u"bc", u"abcabc", 1, -3, false, 0},
      {u"bc", u"abcabc", 1, 3, false, 0},
      {u"bc", u"abcabc", 2, 1, false, 2},  // a match may begin at the start position
      {u"bc", u"abcabc", 6, 1, false, 0},  // too little left
      {u"bc", u"abcabc", 7, 1, false, 0},  // past the end
      {u"bc", u"abcabc", 1000, 1, false, 0},
      {u"bc", u"abcabc", 0, 1, false, 2},  // below 1 counts as 1
      {u"bc", u"abcabc", -5, 2, false, 5},
      {u"bc", u"abcabc", INT32_MIN, 1, false, 2},
      {u"aa", u"aaaa", 1, 2, false, 3},
      {u"aa", u"aaaa", 2, 1, false, 2},
      {u"aa", u"aaaa", 2, 2, false, 0},  // 2-3 then only one a remains
      {u"BC", u"abcABC", 1, 2, true, 5},
      {u"BC", u"abcABC", 1, 1, false, 5},
      {u"bC", u"ABCabc", 3, 1, true, 5},
      {u"ÄB", u"äbÄB", 1, 1, true, 3},  // only ASCII letters fold
      {u"", u"abc", 1, 1, false, 0},
      {u"abc", u"", 1, 1, false, 0},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(NumberedPos(k.search, k.s, k.start, k.n, k.ignoreCase), k.want)
        << ToUtf8(k.search) << " in " << ToUtf8(k.s) << " from " << k.start << " #" << k.n;
  }
}

TEST(NumberedPos, AgreesWithCuttingReference) {
  std::mt19937 rng(3);
  for (int i = 0; i < 5000; ++i) {
    const String s = RandomString(rng, u"aAbB", 12);
    const String search = RandomString(rng, u"aAbB", 3);
    const auto start = static_cast<std::int32_t>(rng() % 16) - 2;
    const auto n = static_cast<std::int32_t>(rng() % 6) - 1;
    const bool ic = rng() % 2 == 0;
    ASSERT_EQ(NumberedPos(search, s, start, n, ic), RefNumberedPos(search, s, start, n, ic))
        << ToUtf8(search) << " in " << ToUtf8(s) << " from " << start << " #" << n;
  }
}

// ---- Stripping and ensuring ------------------------------------------------------------

TEST(Strip, Blanks) {
  struct Case {
    String in, lt, leading, trailing;
  };
  const Case cases[] = {
      {u"", u"", u"", u""},
      {u"   ", u"", u" ", u" "},
      {u" ", u"", u" ", u" "},
      {u"  ab  ", u"ab", u"ab  ", u"  ab"},
      {u"ab", u"ab", u"ab", u"ab"},
      {u"\tab\t", u"\tab\t", u"\tab\t", u"\tab\t"},  // tabs are not blanks
      {u" a b ", u"a b", u"a b ", u" a b"},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(StripLTBlanks(k.in), k.lt) << '"' << ToUtf8(k.in) << '"';
    EXPECT_EQ(StripLeadingBlanks(k.in), k.leading) << '"' << ToUtf8(k.in) << '"';
    EXPECT_EQ(StripTrailingBlanks(k.in), k.trailing) << '"' << ToUtf8(k.in) << '"';
  }
}

TEST(Strip, Chars) {
  EXPECT_EQ(StripLeadingChars(u'a', u"aaa"), u"");
  EXPECT_EQ(StripLeadingChars(u'a', u"aab"), u"b");
  EXPECT_EQ(StripLeadingChars(u'a', u""), u"");
  EXPECT_EQ(StripLeadingChars(u'a', u"baa"), u"baa");
  EXPECT_EQ(StripTrailingChars(u'a', u"aaa"), u"a");
  EXPECT_EQ(StripTrailingChars(u'a', u"baa"), u"b");
  EXPECT_EQ(StripTrailingChars(u'a', u""), u"");
  EXPECT_EQ(StripTrailingChars(u'\0', String(u"x\0\0", 3)), u"x");
}

TEST(Ensure, LeadingTrailingAndBackSlash) {
  EXPECT_EQ(EnsureTrailingBkSlash(u""), u"");
  EXPECT_EQ(EnsureTrailingBkSlash(u"C:"), u"C:\\");
  EXPECT_EQ(EnsureTrailingBkSlash(u"C:\\"), u"C:\\");
  EXPECT_EQ(EnsureLeadingChar(u'/', u""), u"");
  EXPECT_EQ(EnsureLeadingChar(u'/', u"x"), u"/x");
  EXPECT_EQ(EnsureLeadingChar(u'/', u"/x"), u"/x");
  EXPECT_EQ(EnsureTrailingChar(u'.', u"x"), u"x.");
  EXPECT_EQ(EnsureTrailingChar(u'.', u"x."), u"x.");
}

// ---- Removing and replacing ------------------------------------------------------------

TEST(Remove, CharsRunsAndControls) {
  EXPECT_EQ(RemoveCharInString(u"a-b--c", u'-'), u"abc");
  EXPECT_EQ(RemoveCharInString(u"", u'-'), u"");
  EXPECT_EQ(RemoveMultiChars(u"a--b---c-", u'-'), u"a-b-c-");
  EXPECT_EQ(RemoveMultiChars(u"--", u'-'), u"-");
  EXPECT_EQ(RemoveMultiChars(u"aabb", u'-'), u"aabb");
  EXPECT_EQ(RemoveControlChars(String(u"a\0b\tc\x1F\x7F\x80\u0101", 9)), u"abc\x7F\x80\u0101");
  EXPECT_EQ(ReplaceCharInString(u"a.b.c", u'.', u','), u"a,b,c");
  EXPECT_EQ(ReplaceCharInString(u"aäa", u'ä', u'\0'), String(u"a\0a", 3));
}

TEST(ReplaceStringInString, ReplacementContainingTheSearchText) {
  struct Case {
    String s, search, repl;
    bool ignoreCase;
    String want;
  };
  const Case cases[] = {
      {u"aaa", u"a", u"aa", false, u"aaaaaa"},
      {u"abab", u"ab", u"xabx", false, u"xabxxabx"},
      {u"aXa", u"x", u"xX", true, u"axXa"},
      {u"abcABC", u"abc", u"-", true, u"--"},
      {u"abcABC", u"abc", u"-", false, u"-ABC"},
      {u"aaaa", u"aa", u"a", false, u"aa"},
      {u"abc", u"", u"x", false, u"abc"},  // empty search changes nothing
      {u"", u"a", u"x", false, u""},
      {u"abc", u"abc", u"", false, u""},
      {u"ÄäÄ", u"ä", u"e", true, u"ÄeÄ"},  // ASCII folding only
      {u"a.b.c", u".", u"..", false, u"a..b..c"},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(ReplaceStringInString(k.s, k.search, k.repl, k.ignoreCase), k.want)
        << ToUtf8(k.s) << " / " << ToUtf8(k.search) << " -> " << ToUtf8(k.repl);
  }
}

TEST(ReplaceStringInString, AgreesWithInPlaceReference) {
  std::mt19937 rng(5);
  for (int i = 0; i < 5000; ++i) {
    const String s = RandomString(rng, u"aAbB", 12);
    const String search = RandomString(rng, u"aAbB", 3);
    const String repl = RandomString(rng, u"aAbB", 4);
    const bool ic = rng() % 2 == 0;
    ASSERT_EQ(ReplaceStringInString(s, search, repl, ic), RefReplace(s, search, repl, ic))
        << ToUtf8(s) << " / " << ToUtf8(search) << " -> " << ToUtf8(repl) << " ic=" << ic;
  }
}

TEST(ProcessHexChars, Escapes) {
  struct Case {
    String in, out;
  };
  const Case cases[] = {
      {u"A\\#41B", u"AAB"},
      {u"\\\\#41", u"\\#41"},
      {u"\\#4a\\#4A", u"JJ"},
      {u"\\# 9x", String(u"\x09x", 2)},  // leading blank skipped
      {u"\\#$Fx", String(u"\x0Fx", 2)},  // '$' skipped
      {u"\\#G1x", String(u"\0x", 2)},    // no digit gives 0, still four characters
      {u"\\#4G", String(u"\x04", 1)},    // reading stops at a non-digit
      {u"\\#FF", u"\u00FF"},
      {u"\\#5C#41", u"\\#41"},        // a produced back slash starts no escape
      {u"\\#4", String(u"\x04", 1)},  // cut short by the end of the string
      {u"x\\#", String(u"x\0", 2)},
      {u"\\", u"\\"},      // a final back slash stays
      {u"a\\n", u"a\\n"},  // other escapes stay
      {u"\\\\\\#41", u"\\A"},
      {u"\\\\\\\\", u"\\\\"},
      {u"", u""},
  };
  for (const Case& k : cases) EXPECT_EQ(ProcessHexChars(k.in), k.out) << ToUtf8(k.in);
}

TEST(ProcessHexChars, AgreesWithInPlaceReference) {
  std::mt19937 rng(9);
  for (int i = 0; i < 5000; ++i) {
    const String s = RandomString(rng, u"\\\\\\##$ 4aFgx\u0141", 10);
    ASSERT_EQ(ProcessHexChars(s), RefProcessHexChars(s)) << ToUtf8(s);
  }
}

TEST(Reduce, AZ09AndShortFileNames) {
  EXPECT_EQ(ReduceStringToAZ09(u"a-b c9_ä\u0141"), u"a_b_c9___");
  EXPECT_EQ(ReduceStringToFN83CompliantChars(u"a b*c.txt"), u"a_b_c.txt");
  const String allowed = u"!#$%&'()-.@^_`{}~09AZaz";
  EXPECT_EQ(ReduceStringToFN83CompliantChars(allowed), allowed);
  static constexpr char16_t kRefused[] = u" \"*+,/:;<=>?[\\]|\x7F\x1F\0\x80\u00E9\u0141\u0121";
  const String refused(kRefused, std::size(kRefused) - 1);
  EXPECT_EQ(ReduceStringToFN83CompliantChars(refused), String(refused.size(), u'_'));
  for (unsigned code = 0; code <= 0xFFFF; code += 1) {
    const String one(1, static_cast<Char>(code));
    const bool keep = code < 128 && (allowed.find(static_cast<Char>(code)) != String::npos ||
                                     IsDigitLetter(static_cast<Char>(code)));
    const bool keepAZ = code < 128 && IsDigitLetter(static_cast<Char>(code));
    ASSERT_EQ(ReduceStringToFN83CompliantChars(one), keep ? one : u"_") << code;
    ASSERT_EQ(ReduceStringToAZ09(one), keepAZ ? one : u"_") << code;
  }
}

// ---- Shaping and re-casing -------------------------------------------------------------

TEST(Shape, ReverseCenterLeftRight) {
  EXPECT_EQ(ReverseString(u"abc"), u"cba");
  EXPECT_EQ(ReverseString(u""), u"");
  EXPECT_EQ(CenterString(u"ab", 5), u" ab  ");
  EXPECT_EQ(CenterString(u"abcdef", 3), u"abc");
  EXPECT_EQ(CenterString(u"ab", 4), u" ab ");
  EXPECT_EQ(CenterString(u"", 3), u"   ");
  EXPECT_EQ(CenterString(u"ab", 0), u"");
  EXPECT_EQ(CenterString(u"", 255).size(), 255u);
  EXPECT_EQ(LeftString(u"ab", 4), u"ab  ");
  EXPECT_EQ(LeftString(u"abcdef", 3), u"abc");
  EXPECT_EQ(RightString(u"ab", 4), u"  ab");
  EXPECT_EQ(RightString(u"abcdef", 3), u"abc");
  EXPECT_EQ(RightString(u"abc", 3), u"abc");
}

TEST(Shape, MultiCharAndAbbrev) {
  EXPECT_EQ(MultiChar(u'x', 0), u"x");
  EXPECT_EQ(MultiChar(u'x', -7), u"x");
  EXPECT_EQ(MultiChar(u'x', INT32_MIN), u"x");
  EXPECT_EQ(MultiChar(u'x', 3), u"xxx");
  EXPECT_EQ(MultiChar(u'x', 300), String(255, u'x'));
  EXPECT_EQ(MultiChar(u'x', INT32_MAX).size(), 255u);
  EXPECT_EQ(AbbrevString(u"abcdefgh", 5), u"abc..");
  EXPECT_EQ(AbbrevString(u"abcde", 5), u"abcde");
  EXPECT_EQ(AbbrevString(u"abc", 2), u"..");
  EXPECT_EQ(AbbrevString(u"abc", 1), u"..");
  EXPECT_EQ(AbbrevString(u"abc", INT32_MIN), u"..");
  EXPECT_EQ(AbbrevString(u"", 0), u"");
}

TEST(CapitalizeString, AsciiOnlyAndWordRule) {
  struct Case {
    String in, out;
  };
  const Case cases[] = {
      {u"hello wORLD-foo 2bar", u"Hello WORLD-Foo 2bar"},
      {u"1st", u"1st"},
      {u"äpfel und éclairs", u"äpfel Und éclairs"},  // non-ASCII letters are left alone
      {u"xäpfel", u"Xäpfel"},
      {u"äa", u"äa"},  // ä starts the word, so a does not
      {u"a\tb\0c", u"A\tB\0C"},
      {u"", u""},
      {u"ß_x", u"ß_X"},
  };
  for (const Case& k : cases) EXPECT_EQ(CapitalizeString(k.in), k.out) << ToUtf8(k.in);
}

TEST(ChangeCase, LocaleFoldingOfNonAsciiLetters) {
  struct Case {
    String in, out;
  };
  const Case cases[] = {
      {u"aBc", u"AbC"},
      {u"äÄéÉ", u"ÄäÉé"},
      {u"ÿŸ", u"Ÿÿ"},
      {u"ß", u"ß"},  // no one-to-one capital: stays
      {u"ẞ", u"ß"},
      {u"Ωω", u"ωΩ"},
      {u"µ", u"Μ"},  // micro sign has a capital (Greek mu)
      {u"12 -_\u4E2D", u"12 -_\u4E2D"},
      {u"", u""},
  };
  for (const Case& k : cases) EXPECT_EQ(ChangeCase(k.in), k.out) << ToUtf8(k.in);
  const String withNul(u"a\0B", 3);
  EXPECT_EQ(ChangeCase(withNul), String(u"A\0b", 3));
}

TEST(ExpandDiphthongs, Table) {
  struct Case {
    String in, out;
  };
  const Case cases[] = {
      {u"Äpfel", u"Aepfel"},  {u"ÄRGER", u"AERGER"}, {u"Ä", u"AE"},    {u"Öl", u"Oel"},
      {u"ÜBER", u"UEBER"},    {u"Ü-x", u"UE-x"},     {u"Ää", u"AEae"}, {u"Straße", u"Strasse"},
      {u"müßig", u"muessig"}, {u"5µm", u"5um"},      {u"Äé", u"AEé"},  {u"", u""},
  };
  for (const Case& k : cases) EXPECT_EQ(ExpandDiphthongs(k.in), k.out) << ToUtf8(k.in);
}

TEST(Routines, LeaveArgumentsAndEmptyInputsAlone) {
  const String empty;
  EXPECT_EQ(StringContains(empty, empty), false);
  EXPECT_EQ(StringContainsOtherThan(empty, empty), false);
  EXPECT_EQ(CountWords(empty), 0);
  EXPECT_EQ(ReverseString(empty), empty);
  EXPECT_EQ(ProcessHexChars(empty), empty);
  EXPECT_EQ(ExpandDiphthongs(empty), empty);
  EXPECT_EQ(ChangeCase(empty), empty);
  EXPECT_EQ(RemoveMultiChars(empty, u'x'), empty);
  String s = u"aaa";
  const String copy = s;
  (void)ReplaceStringInString(s, u"a", u"b", false);
  (void)ProcessHexChars(s);
  EXPECT_EQ(s, copy);
}

}  // namespace
}  // namespace krv
