#include "korvex/stringl/grep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "korvex/base/exceptions.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "stringl/grep_reference.h"
#include "stringl/internal/grep_compile.h"
#include "stringl/internal/grep_program.h"
#include "stringl/internal/grep_scan.h"
#include "test_support/temp_dir.h"

// While set, this test program's allocations of 1 MiB or more fail. The replacement pair below
// allocates with malloc and frees with free; GCC cannot see that they belong together.
static bool g_refuse_large_allocations = false;

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  if (g_refuse_large_allocations && size >= (std::size_t{1} << 20)) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace krv {
namespace {

String U(std::string_view utf8) {
  return ToUtf16(utf8);
}

// A TGrep that keeps compile errors in LastError instead of raising.
struct Quiet {
  TGrep g;
  explicit Quiet(std::string_view pattern, bool ignore_case = false) {
    g.SetStopOnError(false);
    g.SetIgnoreCase(ignore_case);
    g.SetRegExp(U(pattern));
  }
};

struct Span {
  bool found;
  int start;
  int end;
};

Span Find(TGrep& g, const String& subject, int from = 1) {
  g.SetSearchStartPos(from);
  Integer pos = -7;
  const bool found = g.MatchString(subject, pos);
  EXPECT_EQ(pos, g.MatchStartPos());
  return {found, g.MatchStartPos(), g.MatchEndPos()};
}

Span Find(Quiet&& q, const String& subject, int from = 1) {
  return Find(q.g, subject, from);
}

Span Find(std::string_view pattern, std::string_view subject, int from = 1, bool ic = false) {
  Quiet q(pattern, ic);
  return Find(q.g, U(subject), from);
}

// ---------------------------------------------------------------------------------------------
// Compilation errors.

TEST(GrepErrors, TextsOfEveryCode) {
  const char* texts[] = {
      "no errors",
      "reg.exp. must not start with $, *, ?, or +",
      "circumflex not allowed here",
      "no character allowed after end of line",
      "empty set",
      "circumflex has to be quoted in set",
      "mismatch of set brackets",
      "minus not allowed here",
      "mismatch of group brackets",
      "*, ?, + have to be applied to groups or sets only",
      "too many tokens (at most 64)",
      "literal too long (at most 255 characters)",
      "set member above character code 255",
      "*, ?, + must not be applied to an empty group",
  };
  for (int code = 0; code <= kGrepLastError; ++code) {
    EXPECT_EQ(ToUtf8(GrepErrorText(code)), texts[code]) << code;
  }
  EXPECT_EQ(ToUtf8(GrepErrorText(-1)), "unknown error");
  EXPECT_EQ(ToUtf8(GrepErrorText(kGrepLastError + 1)), "unknown error");
}

TEST(GrepErrors, CodeOfEachBadPattern) {
  const struct {
    std::string pattern;
    int code;
  } cases[] = {
      {"*a", 1},   {"$", 1},     {"+a", 1},    {"?", 1},         {"a^", 2},     {"[a]^", 2},
      {"(a)^", 2}, {"(a^)", 2},  {"a$b", 3},   {"a$$", 3},       {"a$\\b", 3},  {"[]", 4},
      {"[]a]", 4}, {"[a^b]", 5}, {"a]", 6},    {"]", 6},         {"[a]]", 6},   {"(a)]", 6},
      {"[-a]", 7}, {"[a]-", 7},  {"[^-a]", 7}, {"a)", 8},        {"(a))", 8},   {")", 8},
      {"^*", 9},   {"a**", 9},   {"a*+", 9},   {"[a]?*", 9},     {"(ab)+?", 9}, {".**", 9},
      {"()*", 13}, {"()+", 13},  {"()?", 13},  {"[a-\\#FF]", 0}, {"", 0},       {"abc", 0},
      {"()", 0},   {"^", 0},     {"a$", 0},    {"[^]", 0},
  };
  for (const auto& c : cases) {
    Quiet q(c.pattern);
    EXPECT_EQ(q.g.LastError(), c.code) << c.pattern;
  }
}

TEST(GrepErrors, Limits) {
  // 64 tokens compile, the 65th is error 10.
  EXPECT_EQ(Quiet(std::string(64, '.')).g.LastError(), 0);
  Quiet many(std::string(65, '.'));
  EXPECT_EQ(many.g.LastError(), kGrepTooManyTokens);
  EXPECT_EQ(many.g.NrOfRegExpTokens(), 64);
  // Splitting the last character off a run needs a token too.
  EXPECT_EQ(Quiet(std::string(62, '.') + "ab*").g.LastError(), 0);
  EXPECT_EQ(Quiet(std::string(63, '.') + "ab").g.LastError(), 0);
  EXPECT_EQ(Quiet(std::string(63, '.') + "ab*").g.LastError(), kGrepTooManyTokens);
  EXPECT_EQ(Quiet(std::string(63, '.') + "a*").g.LastError(), 0);
  // Literals of 255 characters compile, 256 do not, as a run or as a group.
  EXPECT_EQ(Quiet(std::string(255, 'x')).g.LastError(), 0);
  Quiet longrun(std::string(256, 'x'));
  EXPECT_EQ(longrun.g.LastError(), kGrepLiteralTooLong);
  EXPECT_EQ(longrun.g.GetRegExpToken(1).NumChars, 255);
  EXPECT_EQ(Quiet("(" + std::string(255, 'x') + ")").g.LastError(), 0);
  EXPECT_EQ(Quiet("(" + std::string(256, 'x') + ")").g.LastError(), kGrepLiteralTooLong);
  // Set members above 255, alone or in a range.
  EXPECT_EQ(Quiet("[\xc4\x80]").g.LastError(), kGrepSetMemberTooLarge);    // U+0100
  EXPECT_EQ(Quiet("[a-\xc4\x80]").g.LastError(), kGrepSetMemberTooLarge);  // a..U+0100
  EXPECT_EQ(Quiet("[\xc3\xbf]").g.LastError(), 0);                         // U+00FF
  EXPECT_EQ(Quiet("[\\\xe4\xb8\x80]").g.LastError(), kGrepSetMemberTooLarge);
  // Characters above 255 are fine in literals and groups.
  EXPECT_EQ(Quiet("\xe4\xb8\x80(\xe4\xb8\x81)").g.LastError(), 0);
}

TEST(GrepErrors, SetterRaisesWithComponentMessage) {
  TGrep g;
  g.SetName(u"Grep1");
  try {
    g.SetRegExp(u"[]");
    FAIL() << "no exception";
  } catch (const EKRVStringlError& e) {
    EXPECT_EQ(ToUtf8(e.Message()), "Component \"Grep1\": error in regular expression - empty set");
  }
  EXPECT_EQ(g.LastError(), 4);
  EXPECT_EQ(g.RegExp(), u"[]");  // stored all the same
  EXPECT_THROW(g.SetRegExp(std::u16string(65, u'.')), EKRVError);
  EXPECT_EQ(g.LastError(), kGrepTooManyTokens);
  g.SetRegExp(u"ab");
  EXPECT_EQ(g.LastError(), 0);
}

TEST(GrepErrors, QuietSetterAndIgnoreCaseNeverRaise) {
  TGrep g;
  g.SetStopOnError(false);
  EXPECT_NO_THROW(g.SetRegExp(u"a)"));
  EXPECT_EQ(g.LastError(), 8);
  g.SetStopOnError(true);
  EXPECT_NO_THROW(g.SetIgnoreCase(true));  // recompiles the bad pattern without raising
  EXPECT_EQ(g.LastError(), 8);
  EXPECT_TRUE(g.IgnoreCase());
}

TEST(GrepErrors, TokensBeforeTheErrorRemain) {
  Quiet q("ab[cd]*x$y");
  EXPECT_EQ(q.g.LastError(), 3);
  ASSERT_EQ(q.g.NrOfRegExpTokens(), 4);
  EXPECT_EQ(q.g.GetRegExpToken(4).Action, taEol);
  // And they still search.
  EXPECT_TRUE(Find(q.g, u"zzabccx").found);
  EXPECT_EQ(q.g.MatchEndPos(), 7);
}

// ---------------------------------------------------------------------------------------------
// Compiled tokens.

TEST(GrepTokens, WorkedExampleCompiles) {
  Quiet q("^ab[0-9]+x");
  ASSERT_EQ(q.g.NrOfRegExpTokens(), 4);
  EXPECT_EQ(q.g.GetRegExpToken(1).Action, taBol);
  const TGrepToken ab = q.g.GetRegExpToken(2);
  EXPECT_EQ(ab.Action, taNormal);
  EXPECT_EQ(ab.NumChars, 2);
  EXPECT_EQ(ab.Params[1], u'a');
  EXPECT_EQ(ab.Params[2], u'b');
  const TGrepToken digits = q.g.GetRegExpToken(3);
  EXPECT_EQ(digits.Action, taMult1);
  EXPECT_EQ(digits.NumChars, -1);
  for (unsigned c = 0; c < 256; ++c) {
    EXPECT_EQ(digits.Params[c], (c >= '0' && c <= '9') ? u'*' : u' ') << c;
  }
  EXPECT_EQ(q.g.GetRegExpToken(4).Action, taNormal);
  EXPECT_EQ(q.g.GetRegExpToken(4).NumChars, 1);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(q.g.GetRegExpToken(k).ValidFrom, 0);
}

TEST(GrepTokens, MarksApplyToTheLastCharacterOrTheWholeGroup) {
  const struct {
    std::string pattern;
    std::vector<std::pair<TGrepTokenAct, int>> tokens;  // Action, NumChars
  } cases[] = {
      {"ab*c", {{taNormal, 1}, {taMult0, 1}, {taNormal, 1}}},
      {"(ab)*c", {{taMult0, 2}, {taNormal, 1}}},
      {"(ab)(cd)", {{taNormal, 2}, {taNormal, 2}}},
      {"a*b+c?", {{taMult0, 1}, {taMult1, 1}, {taOpti, 1}}},
      {".*[x]+.?", {{taMult0, 0}, {taMult1, -1}, {taOpti, 0}}},
      {"(a.b)", {{taNormal, 3}}},
      {"(a)-", {{taNormal, 1}, {taNormal, 1}}},
      {"x-y", {{taNormal, 3}}},
      {"^a", {{taBol, 0}, {taNormal, 1}}},
      {"\\*\\$", {{taNormal, 2}}},
      {"a\\#2A", {{taMult0, 1}}},  // \#2A acts as a star
  };
  for (const auto& c : cases) {
    Quiet q(c.pattern);
    ASSERT_EQ(q.g.LastError(), 0) << c.pattern;
    ASSERT_EQ(q.g.NrOfRegExpTokens(), static_cast<int>(c.tokens.size())) << c.pattern;
    for (std::size_t k = 0; k < c.tokens.size(); ++k) {
      const TGrepToken t = q.g.GetRegExpToken(static_cast<Integer>(k + 1));
      EXPECT_EQ(t.Action, c.tokens[k].first) << c.pattern << " token " << k + 1;
      if (t.Action != taBol) {
        EXPECT_EQ(t.NumChars, c.tokens[k].second) << c.pattern << " " << k;
      }
    }
  }
}

String Members(const TGrepToken& t) {
  String out;
  for (unsigned c = 0; c < 256; ++c)
    if (t.Params[c] == u'*') out.push_back(static_cast<Char>(c));
  return out;
}

String Chars(const TGrepToken& t) {
  return String(t.Params.begin() + 1, t.Params.begin() + 1 + t.NumChars);
}

TEST(GrepTokens, SetsRangesAndEscapes) {
  EXPECT_EQ(Members(Quiet("[z-a]").g.GetRegExpToken(1)),
            Members(Quiet("[a-z]").g.GetRegExpToken(1)));
  EXPECT_EQ(Members(Quiet("[a-c]").g.GetRegExpToken(1)), u"abc");
  EXPECT_EQ(Members(Quiet("[\\]\\-\\^]").g.GetRegExpToken(1)), u"-]^");
  EXPECT_EQ(Members(Quiet("[$*+?.(]").g.GetRegExpToken(1)), u"$(*+.?");
  // A range after a range starts at the last single member.
  EXPECT_EQ(Members(Quiet("[a-c-e]").g.GetRegExpToken(1)), u"abcde");
  // The range end is the next pattern character as it stands.
  EXPECT_EQ(Members(Quiet("[a-\\]").g.GetRegExpToken(1)), u"\\]^_`a");
  const String digits = Members(Quiet("[^0-9]").g.GetRegExpToken(1));
  EXPECT_EQ(digits.size(), 246u);
  EXPECT_EQ(digits.find_first_of(u"0123456789"), String::npos);
  EXPECT_EQ(Members(Quiet("[^]").g.GetRegExpToken(1)).size(), 256u);
  EXPECT_EQ(Members(Quiet("[\\#41\\#2D\\#43]").g.GetRegExpToken(1)), u"ABC");  // A-C
  // Hexadecimal escapes.
  EXPECT_EQ(Chars(Quiet("A\\#41B").g.GetRegExpToken(1)), u"AAB");
  EXPECT_EQ(Chars(Quiet("\\\\#41").g.GetRegExpToken(1)), u"\\#41");
  EXPECT_EQ(Chars(Quiet("\\# 9z").g.GetRegExpToken(1)), u"\tz");
  EXPECT_EQ(Chars(Quiet("\\#$7x").g.GetRegExpToken(1)), u"\ax");
  EXPECT_EQ(Chars(Quiet("\\#zz").g.GetRegExpToken(1)), String(1, u'\0'));
  EXPECT_EQ(Chars(Quiet("\\#4").g.GetRegExpToken(1)), u"#4");  // too short: \# is a plain #
  // Inside a group every character but ), ^ and \ is literal.
  EXPECT_EQ(Chars(Quiet("(a]b(c[.*$)").g.GetRegExpToken(1)), u"a]b(c[.*$");
  EXPECT_EQ(Chars(Quiet("(\\)\\^)").g.GetRegExpToken(1)), u")^");
}

TEST(GrepTokens, PatternEnds) {
  // An open set or group stays as built; an open set is not negated.
  EXPECT_EQ(Members(Quiet("[ab").g.GetRegExpToken(1)), u"ab");
  EXPECT_EQ(Members(Quiet("[^ab").g.GetRegExpToken(1)), u"ab");
  EXPECT_EQ(Members(Quiet("[^").g.GetRegExpToken(1)), u"");
  EXPECT_EQ(Chars(Quiet("x(ab").g.GetRegExpToken(2)), u"ab");
  EXPECT_EQ(Quiet("(").g.GetRegExpToken(1).NumChars, 0);
  // A trailing back slash and a trailing minus in a set stand for themselves.
  EXPECT_EQ(Chars(Quiet("ab\\").g.GetRegExpToken(1)), u"ab\\");
  EXPECT_EQ(Members(Quiet("[a-").g.GetRegExpToken(1)), u"-a");
  EXPECT_EQ(Members(Quiet("[a\\").g.GetRegExpToken(1)), u"\\a");
}

TEST(GrepTokens, IgnoreCaseFoldsAndRecompiles) {
  TGrep g;
  g.SetRegExp(u"AbC[X-Z]");
  EXPECT_EQ(Chars(g.GetRegExpToken(1)), u"AbC");
  EXPECT_FALSE(Find(g, u"xabcyx").found);
  g.SetIgnoreCase(true);
  EXPECT_EQ(Chars(g.GetRegExpToken(1)), u"abc");
  EXPECT_EQ(Members(g.GetRegExpToken(2)), u"xyz");
  const Span s = Find(g, u"xABCYx");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.start, 2);
  EXPECT_EQ(s.end, 5);
  g.SetIgnoreCase(false);
  EXPECT_EQ(Chars(g.GetRegExpToken(1)), u"AbC");
  // Characters from hexadecimal escapes fold as well.
  EXPECT_TRUE(Find("\\#41", "a", 1, true).found);
  EXPECT_TRUE(Find("\\#41", "A", 1, true).found);
  EXPECT_FALSE(Find("\\#41", "a", 1, false).found);
}

TEST(GrepTokens, GetRegExpTokenClamps) {
  Quiet q("a.[b]");
  EXPECT_EQ(q.g.GetRegExpToken(0).Action, taNormal);
  EXPECT_EQ(q.g.GetRegExpToken(-5).Action, taNormal);
  EXPECT_EQ(q.g.GetRegExpToken(2).Action, taAnyByte);
  EXPECT_EQ(q.g.GetRegExpToken(3).Action, taSet);
  EXPECT_EQ(q.g.GetRegExpToken(4).Action, taSet);
  EXPECT_EQ(q.g.GetRegExpToken(1000).Action, taSet);
  // With no tokens every index gives token 1, cleared by the compilation.
  q.g.SetRegExp(u"");
  EXPECT_EQ(q.g.NrOfRegExpTokens(), 0);
  const TGrepToken t = q.g.GetRegExpToken(5);
  EXPECT_EQ(t.Action, taNormal);
  EXPECT_EQ(t.NumChars, 0);
  EXPECT_EQ(t.ValidFrom, 0);
}

// ---------------------------------------------------------------------------------------------
// The token listing.

TEST(GrepListing, EveryTokenKind) {
  Quiet q("^ab.[xz-y]c*[0-2]+.?(de)*$");
  ASSERT_EQ(q.g.LastError(), 0);
  EXPECT_EQ(ToUtf8(q.g.RegExpListing()),
            "    taBol: \r\n"
            " taNormal: ab\r\n"
            "taAnyByte: \r\n"
            "    taSet: xyz\r\n"
            "  taMult0: (string) c\r\n"
            "  taMult1: (set) 012\r\n"
            "   taOpti: (anychar) \r\n"
            "  taMult0: (string) de\r\n"
            "    taEol: \r\n"
            "no errors\r\n");
  Quiet more("a+.*[q]?(xy)?$");
  EXPECT_EQ(ToUtf8(more.g.RegExpListing()),
            "  taMult1: (string) a\r\n"
            "  taMult0: (anychar) \r\n"
            "   taOpti: (set) q\r\n"
            "   taOpti: (string) xy\r\n"
            "    taEol: \r\n"
            "no errors\r\n");
}

TEST(GrepListing, LastLineCarriesTheError) {
  Quiet q("ab)");
  EXPECT_EQ(ToUtf8(q.g.RegExpListing()), " taNormal: ab\r\nmismatch of group brackets\r\n");
  Quiet empty("");
  EXPECT_EQ(ToUtf8(empty.g.RegExpListing()), "no errors\r\n");
}

TEST(GrepListing, PrintRegExpWritesTheFile) {
  const testing::TempDir dir("korvex_grep_test");
  dir.Write("listing.txt", "an older and much longer content that must disappear entirely\r\n");
  Quiet q("[\xc3\xa9]x\xe4\xb8\x80");  // é as a set member, U+4E00 in a literal
  q.g.PrintRegExp(ToUtf16(dir.File("listing.txt").string()));
  // Windows-1252: é is one byte E9; U+4E00 has no byte and becomes '?'.
  EXPECT_EQ(dir.Read("listing.txt"), "    taSet: \xe9\r\n taNormal: x?\r\nno errors\r\n");
  EXPECT_THROW(q.g.PrintRegExp(ToUtf16(dir.File("no/such/dir.txt").string())), EInOutError);
}

// ---------------------------------------------------------------------------------------------
// Matching: the worked examples and edge cases.

TEST(GrepMatch, WorkedExamples) {
  const struct {
    std::string pattern, subject;
    int from;
    bool ignore_case;
    bool found;
    int start, end;
  } cases[] = {
      {"^ab[0-9]+x", "ab12xy", 1, false, true, 1, 5},
      {"^ab[0-9]+x?", "ab12xy", 1, false, true, 1, 3},
      {"[^0-9]", "123a5", 1, false, true, 4, 4},
      {"[^0-9]", "12345", 1, false, false, 0, 0},
      {"(ab)*c", "xababcz", 1, false, true, 2, 6},
      {"(ab)*c", "ababc", 1, false, true, 1, 5},
      {"ab*c", "xabbbc", 1, false, true, 2, 6},
      {"ab*c", "ababc", 1, false, true, 3, 5},
      {"(a.b)", "axb a.b", 1, false, true, 5, 7},
      {"(ab)(cd)", "abcd", 1, false, true, 1, 4},
      {"ABC", "xabcx", 1, true, true, 2, 4},
      {"ABC", "xabcx", 1, false, false, 0, 0},
      {"x*", "abc", 1, false, true, 1, 3},  // a lone repetition reports the whole subject
      {"x*", "", 1, false, true, 1, 0},
      {"x*", "abc", 3, false, true, 1, 3},
      {"x*", "abc", 4, false, false, 0, 0},
      {"^abc", "xabc", 1, false, false, 0, 0},
      {"^abc", "xabc", 2, false, false, 0, 0},
      {"^abc", "abcx", 1, false, true, 1, 3},
      {"a.*$", "abc", 1, false, true, 1, 3},
      {"[a-z]*", "abc1", 1, false, true, 1, 4},  // lone repetition
      {"1[a-z]*", "1abc2", 1, false, true, 1, 4},
      {"1[a-z]*", "x1abc", 1, false, true, 2, 5},
      {"b[a-z]+", "abcd9", 1, false, true, 2, 4},
      {"c?", "abc", 1, false, true, 1, 0},  // an empty match ends before it starts
      {"c?d", "abcd", 1, false, true, 3, 4},
      {"^", "abc", 1, false, true, 1, 1},
      {"a$", "aa", 1, false, true, 2, 2},
      {"a$", "ab", 1, false, false, 0, 0},
      {"a*$", "xaa", 1, false, true, 2, 3},
      {"b*$", "aa", 1, false, false, 0, 0},  // starts are tried up to the last character only
      {"b*$", "", 1, false, true, 1, 0},
      {"b?$", "aa", 3, false, true, 3, 2},
      {"a", "banana", 3, false, true, 4, 4},
      {"a", "banana", 7, false, false, 0, 0},
      {"a", "banana", 99, false, false, 0, 0},
      {"n", "banana", -3, false, true, 3, 3},  // below 1 searches from 1
      {"\\.", "a.b", 1, false, true, 2, 2},
      {".", "", 1, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    const Span s = Find(c.pattern, c.subject, c.from, c.ignore_case);
    EXPECT_EQ(s.found, c.found) << c.pattern << " / " << c.subject;
    EXPECT_EQ(s.start, c.start) << c.pattern << " / " << c.subject;
    EXPECT_EQ(s.end, c.end) << c.pattern << " / " << c.subject;
  }
}

TEST(GrepMatch, NoTokensNeverMatch) {
  for (const char* pattern : {"", "*a", ")", "]"}) {
    Quiet q(pattern);
    EXPECT_EQ(q.g.NrOfRegExpTokens(), 0) << pattern;
    for (const char16_t* subject : {u"", u"a", u"xyz"}) {
      Integer pos = 5;
      EXPECT_FALSE(q.g.MatchString(subject, pos)) << pattern;
      EXPECT_EQ(pos, 0);
      EXPECT_EQ(q.g.MatchStartPos(), 0);
      EXPECT_EQ(q.g.MatchEndPos(), 0);
    }
  }
}

TEST(GrepMatch, ValidFromFollowsTheMatch) {
  Quiet q("^ab[0-9]+x?");
  EXPECT_TRUE(Find(q.g, u"ab12xy").found);
  EXPECT_EQ(q.g.GetRegExpToken(1).ValidFrom, 1);
  EXPECT_EQ(q.g.GetRegExpToken(2).ValidFrom, 1);
  EXPECT_EQ(q.g.GetRegExpToken(3).ValidFrom, 3);
  EXPECT_EQ(q.g.GetRegExpToken(4).ValidFrom, 4);
  EXPECT_FALSE(Find(q.g, u"xab12").found);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(q.g.GetRegExpToken(k).ValidFrom, 0);
  Quiet lone("z*");
  EXPECT_TRUE(Find(lone.g, u"abc").found);
  EXPECT_EQ(lone.g.GetRegExpToken(1).ValidFrom, 1);
}

TEST(GrepMatch, CharactersAbove255) {
  const String han = u"x\u4E00y";
  EXPECT_FALSE(Find(Quiet("[^a]"), String(1, u'\u4E00')).found);
  EXPECT_EQ(Find(Quiet("[^a]"), han).start, 1);
  EXPECT_EQ(Find(Quiet("x[^a]"), han).found, false);  // never a member, negated or not
  EXPECT_EQ(Find(Quiet("x.y"), han).end, 3);
  EXPECT_EQ(Find(Quiet("\xe4\xb8\x80y"), han).start, 2);
  EXPECT_FALSE(Find(Quiet("\xe4\xb8\x81"), han).found);
  // The character whose low byte is 'x' is not an x, folded or not.
  EXPECT_FALSE(Find(Quiet("x"), String(1, u'\u0178')).found);
  EXPECT_FALSE(Find(Quiet("x", true), String(1, u'\u0158')).found);
}

TEST(GrepMatch, RepeatedCallsDescribeTheLastOne) {
  Quiet q("[0-9]+");
  const String s = u"a12b345c6";
  std::vector<std::pair<int, int>> got;
  int from = 1;
  while (true) {
    const Span sp = Find(q.g, s, from);
    if (!sp.found) break;
    got.emplace_back(sp.start, sp.end);
    from = sp.end + 1;
  }
  // + takes one unit and, as the last token, then everything it can.
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{2, 3}, {5, 7}, {9, 9}}));
}

// ---------------------------------------------------------------------------------------------
// Cost: these finish at once with the memory of failed states; plain backtracking would not.

TEST(GrepCost, PathologicalRepetitions) {
  // The subjects hold the final literal before SearchStartPos, so that no shortcut can tell
  // at once that it is missing.
  const String run(200000, u'a');
  EXPECT_FALSE(Find(Quiet("(a)*(a)*(a)*(a)*b"), u"b" + run, 2).found);
  EXPECT_FALSE(Find(Quiet("a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*c"), u"c" + run, 2).found);
  EXPECT_FALSE(Find(Quiet("a?a?a?a?a?a?a?a?a?a?a?a?a?a?a?a?a?a?a?a?c"), u"c" + run, 2).found);
  EXPECT_FALSE(Find(Quiet(".*.*.*.*.*.*.*.*.*.*="), u"=" + String(100000, u'x'), 2).found);
  const Span s = Find(Quiet("(a)*(a)*(a)*(a)*b"), run + u"b");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.start, 1);
  EXPECT_EQ(s.end, 200001);
  const Span e = Find(Quiet("a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*$b"), run);  // error 3 keeps $
  EXPECT_TRUE(e.found);
  EXPECT_EQ(e.start, 1);
  EXPECT_EQ(e.end, 200000);
}

TEST(GrepCost, RepetitionsThatShareTheirCharacters) {
  // Each of these took seconds per MiB with a memory of failed states alone.
  std::string sets, plus, opts;
  for (int i = 0; i < 63; ++i) sets += "[A-C]+", plus += "a+";
  for (int i = 0; i < 62; ++i) opts += "a?";
  String abc(1 << 20, u'a');
  std::mt19937 rng(3);
  for (Char& c : abc) c = u"abcABC"[rng() % 6];
  const String run(1 << 20, u'a');
  EXPECT_FALSE(Find(Quiet(sets + "[D]", true), abc).found);
  EXPECT_FALSE(Find(Quiet(plus + "[d]"), run).found);
  EXPECT_FALSE(Find(Quiet(opts + "[c]"), run).found);
  // And when the final token can pass, at the very end only.
  const Span s = Find(Quiet(sets + "[D]", true), abc + u"d");
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.end, (1 << 20) + 1);
  const Span t = Find(Quiet(plus + "[d]"), run + u"d");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.start, 1);
  EXPECT_EQ(t.end, (1 << 20) + 1);
}

TEST(GrepCost, WalksAcrossLongSubjects) {
  // (ab)* stops where (abc)? and c can follow: before the final c.
  String s;
  for (int i = 0; i < 30000; ++i) s += u"ab";
  s += u"cd";
  Quiet q("(ab)*(abc)?c[d]");
  for (const auto engine : {detail::GrepEngine::kAuto, detail::GrepEngine::kLivenessOnly}) {
    detail::SetGrepEngine(engine);
    const Span sp = Find(q.g, s);
    EXPECT_TRUE(sp.found);
    EXPECT_EQ(sp.start, 1);
    EXPECT_EQ(sp.end, 60002);
    const int want[] = {1, 60001, 60001, 60002};
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(q.g.GetRegExpToken(k).ValidFrom, want[k - 1]) << k;
  }
  detail::SetGrepEngine(detail::GrepEngine::kAuto);
}

TEST(GrepCost, AllocationFailureRaisesAndLeavesTheComponentUsable) {
  std::string plus;
  for (int i = 0; i < 63; ++i) plus += "a+";
  Quiet q(plus + "[d]");
  const String run(std::size_t{9} << 20, u'a');  // the liveness pass needs over 1 MiB for it
  g_refuse_large_allocations = true;
  Integer pos = 0;
  try {
    q.g.MatchString(run, pos);
    ADD_FAILURE() << "no exception";
  } catch (const EKRVStringlError& e) {
    EXPECT_NE(ToUtf8(e.Message()).find("not enough memory on heap"), std::string::npos);
  }
  g_refuse_large_allocations = false;
  EXPECT_TRUE(Find(q.g, run.substr(0, 100000) + u"d").found);
}

TEST(GrepCost, LongLiteralsAgainstLongRuns) {
  const std::string lit = std::string(200, 'a') + "b";
  const String run = String(300000, u'a') + u"b";
  Quiet q(lit);
  const Span s = Find(q.g, run);
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.start, 300000 - 200 + 1);
  EXPECT_EQ(s.end, 300001);
  // Repeated long groups.
  const std::string group = "(" + std::string(100, 'a') + ")";
  Quiet rep(group + "*" + group + "*" + group + "*c");
  EXPECT_FALSE(Find(rep.g, u"c" + String(300000, u'a'), 2).found);
  Quiet rep_ok(group + "+c");
  const Span t = Find(rep_ok.g, String(1000, u'a') + u"c");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.start, 1);
  EXPECT_EQ(t.end, 1001);
  // A literal found only after many near misses, folded.
  Quiet folded(std::string(40, 'a') + "b", true);
  String near;
  for (int i = 0; i < 5000; ++i) near += String(39, u'A') + u"x";
  near += String(40, u'A') + u"B";
  const Span f = Find(folded.g, near);
  EXPECT_TRUE(f.found);
  EXPECT_EQ(f.end, static_cast<int>(near.size()));
}

// ---------------------------------------------------------------------------------------------
// Differential test against the reference written from the recursive definition.

std::string RandomPattern(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string p;
  if (pick(4) == 0) p += '^';
  const int atoms = 1 + pick(4);
  for (int i = 0; i < atoms; ++i) {
    switch (pick(8)) {
      case 0:
        p += '.';
        break;
      case 1:
        p += pick(2) ? "[ab]" : "[^a]";
        break;
      case 2:
        p += pick(2) ? "[a-b]" : "[c]";
        break;
      case 3:
        p += pick(2) ? "(ab)" : "(a)";
        break;
      case 4:
        p += "\\.";
        break;
      default:
        p += "abcA"[pick(4)];
        break;
    }
    const int mark = pick(6);
    if (mark < 3) p += "*+?"[mark];
  }
  if (pick(4) == 0) p += '$';
  return p;
}

std::string RandomNoise(std::mt19937& rng) {
  static const char kAlphabet[] = "abc.()[]^$*+?-\\";
  std::string p;
  const int n = static_cast<int>(rng() % 9);
  for (int i = 0; i < n; ++i) p += kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
  return p;
}

String RandomSubject(std::mt19937& rng) {
  static const char16_t kAlphabet[] = u"aaaabbbc.A\u4E00";
  String s;
  const int n = static_cast<int>(rng() % 13);
  for (int i = 0; i < n; ++i) s += kAlphabet[rng() % (std::size(kAlphabet) - 1)];
  return s;
}

// Returns whether the search found a match.
bool ExpectSameAsReference(const std::string& pattern, bool ic, const String& subject, int from) {
  Quiet q(pattern, ic);
  grep_reference::Matcher ref(grep_reference::TokensOf(q.g), ic);
  const grep_reference::Result want = ref.Search(subject, from);
  const Span got = Find(q.g, subject, from);
  const std::string where = pattern + " / " + ToUtf8(subject) + " from " + std::to_string(from);
  EXPECT_EQ(got.found, want.found) << where;
  if (!want.found || !got.found) return false;
  EXPECT_EQ(got.start, want.start) << where;
  EXPECT_EQ(got.end, want.end) << where;
  for (int k = 1; k <= q.g.NrOfRegExpTokens(); ++k) {
    EXPECT_EQ(q.g.GetRegExpToken(k).ValidFrom, want.valid_from[static_cast<std::size_t>(k - 1)])
        << where << " token " << k;
  }
  return true;
}

// Short random patterns and subjects; both outcomes must be well represented for the
// comparison to mean something.
void RandomPatternsAgree(unsigned seed, int rounds) {
  std::mt19937 rng(seed);
  int found = 0;
  for (int i = 0; i < rounds && !::testing::Test::HasFailure(); ++i) {
    const std::string pattern = (i % 5 == 4) ? RandomNoise(rng) : RandomPattern(rng);
    const bool ic = rng() % 4 == 0;
    const String subject = RandomSubject(rng);
    const int from = static_cast<int>(rng() % (subject.size() + 3));
    found += ExpectSameAsReference(pattern, ic, subject, from);
  }
  EXPECT_GT(found, rounds / 5);
  EXPECT_LT(found, rounds * 4 / 5);
}

TEST(GrepDifferential, RandomPatternsAgreeWithTheReference) {
  RandomPatternsAgree(20240607, 30000);
}

// Longer subjects made of runs, so that repetitions cross whole blocks of 64 positions.
void LongRunsAgree(unsigned seed, int rounds) {
  std::mt19937 rng(seed);
  static const char* const kAtoms[] = {"a", "b", "c", ".", "[ab]", "[^c]", "(a)", "(ab)", "A"};
  int found = 0;
  for (int i = 0; i < rounds && !::testing::Test::HasFailure(); ++i) {
    std::string pattern = rng() % 5 == 0 ? "^" : "";
    const int atoms = 1 + static_cast<int>(rng() % 3);
    for (int a = 0; a < atoms; ++a) {
      pattern += kAtoms[rng() % std::size(kAtoms)];
      pattern += "**+?"[rng() % 4];
    }
    if (rng() % 4 == 0) pattern += '$';
    String subject;
    const std::size_t length = 60 + rng() % 41;
    while (subject.size() < length) {
      const Char c = u"aaaabbcA"[rng() % 8];
      subject.append(1 + rng() % (c == u'a' ? 70 : 3), c);
    }
    const int from = 1 + static_cast<int>(rng() % 70);
    found += ExpectSameAsReference(pattern, rng() % 3 == 0, subject, from);
  }
  EXPECT_GT(found, rounds / 5);
  EXPECT_LT(found, rounds * 4 / 5);
}

TEST(GrepDifferential, LongRunsAgreeWithTheReference) {
  LongRunsAgree(777, 200);
}

void KnownTrickyCasesAgree() {
  const struct {
    const char* pattern;
    const char16_t* subject;
  } cases[] = {
      {"a*a*b", u"aaab"}, {"(ab)*a", u"ababa"}, {"a?a?aa", u"aaa"},   {".*a", u"bab"},
      {"^.*$", u""},      {"a+$", u"aab"},      {"[ab]*c?", u"abab"}, {"(a)+(a)+", u"aaaa"},
      {"a?b?$", u"ab"},   {"c*", u""},          {".?", u""},          {"^a*", u"bbb"},
  };
  for (const auto& c : cases) {
    for (int from = 0; from <= 6; ++from) ExpectSameAsReference(c.pattern, false, c.subject, from);
  }
}

TEST(GrepDifferential, KnownTrickyCases) {
  KnownTrickyCasesAgree();
}

// ---------------------------------------------------------------------------------------------
// Each stage of the search and each scan path on its own against the reference.

// Sets the search stage and scan path for one test, and the defaults back afterwards.
class GrepStages
    : public ::testing::TestWithParam<std::pair<detail::GrepEngine, detail::GrepScanPath>> {
 protected:
  void SetUp() override {
    detail::SetGrepEngine(GetParam().first);
    detail::SetGrepScanPath(GetParam().second);
  }
  void TearDown() override {
    detail::SetGrepEngine(detail::GrepEngine::kAuto);
    detail::SetGrepScanPath(detail::GrepScanPath::kBest);
  }
};

// Groups of 2 to 70 characters (so that repetitions reach across whole blocks), folded sets,
// characters above 255, against subjects of long runs.
void WideUnitsAgree(unsigned seed, int rounds) {
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  static const int kWidths[] = {2, 3, 5, 17, 63, 64, 65, 70};
  static const char* const kAtoms[] = {"a", "b",     ".",       "[ab]",        "[^b]",
                                       "A", "[A-B]", "[aceAC]", "\xe4\xb8\x80"};
  int found = 0;
  for (int i = 0; i < rounds && !::testing::Test::HasFailure(); ++i) {
    const int atoms = 1 + static_cast<int>(pick(3));
    std::string pattern = pick(6) == 0 ? "^" : "";
    for (int a = 0; a < atoms; ++a) {
      if (pick(2) == 0) {
        const int w = kWidths[pick(std::size(kWidths))];
        pattern += '(';
        for (int c = 0; c < w; ++c) {
          const std::size_t r = c > 0 ? pick(16) : 2;
          pattern += r == 0 ? "b" : r == 1 ? "\xe4\xb8\x80" : "a";  // U+4E00
        }
        pattern += ')';
      } else {
        pattern += kAtoms[pick(std::size(kAtoms))];
      }
      static const char* const kMarks[] = {"", "*", "+", "?"};
      pattern += kMarks[pick(4)];
      if (pick(3) == 0) pattern += "b";
    }
    if (pick(5) == 0) pattern += '$';
    String subject;
    const std::size_t length = atoms < 3 ? 80 + pick(100) : 40 + pick(60);
    while (subject.size() < length) {
      const Char c = u"aaaaaabAB\u4E00c"[pick(11)];
      subject.append(1 + pick(c == u'a' ? 140 : 3), c);
    }
    found += ExpectSameAsReference(pattern, pick(3) == 0, subject, 1 + static_cast<int>(pick(90)));
  }
  EXPECT_GT(found, rounds / 10);
  EXPECT_LT(found, rounds * 9 / 10);
}

// Up to 64 tokens, few of them marked, on subjects built to fit them with an occasional
// character changed: every bit of a row word in use.
void ManyTokensAgree(unsigned seed, int rounds) {
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  static const char* const kAtoms[] = {"a", ".", "[ab]", "(ab)", "(b)"};
  static const char16_t* const kTexts[] = {u"a", u"b", u"a", u"ab", u"b"};
  int found = 0;
  for (int i = 0; i < rounds && !::testing::Test::HasFailure(); ++i) {
    std::string pattern;
    String subject;
    const std::size_t tokens = 1 + pick(64);
    for (std::size_t t = 0; t < tokens; ++t) {
      const std::size_t a = pick(std::size(kAtoms));
      pattern += kAtoms[a];
      std::size_t copies = 1;
      if (pick(8) == 0) {
        const std::size_t mark = pick(3);
        pattern += "*+?"[mark];
        copies = mark == 1 ? 1 + pick(2) : pick(2);
      }
      for (std::size_t c = 0; c < copies; ++c) subject += kTexts[a];
    }
    if (pick(2) == 0) subject[pick(subject.size())] = u"abc"[pick(3)];
    if (pick(4) == 0) subject.insert(0, 1 + pick(3), u'b');
    found += ExpectSameAsReference(pattern, false, subject, 1 + static_cast<int>(pick(3)));
  }
  EXPECT_GT(found, rounds / 10);
  EXPECT_LT(found, rounds * 9 / 10);
}

TEST_P(GrepStages, RandomPatternsAgreeWithTheReference) {
  RandomPatternsAgree(4711, 6000);
}

TEST_P(GrepStages, LongRunsAgreeWithTheReference) {
  LongRunsAgree(1234, 150);
}

TEST_P(GrepStages, WideUnitsAgreeWithTheReference) {
  WideUnitsAgree(99, 250);
}

TEST_P(GrepStages, ManyTokensAgreeWithTheReference) {
  ManyTokensAgree(5150, 2000);
}

// 64 literals of 255 characters over 68 different ones: too large for the automaton's table,
// so steps from its deepest states follow failure links. Two are optional.
TEST_P(GrepStages, ManyLongLiteralsAgreeWithTheReference) {
  static const char kAlphabet[] =
      "0123456789:;<=>@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]_`abcdefghijklmnopqrstuv";
  static_assert(sizeof(kAlphabet) - 1 == 68);
  std::mt19937 rng(64);
  std::string pattern;
  std::string text = "xyz";
  for (int k = 0; k < 64; ++k) {
    std::string lit;
    for (int i = 0; i < 255; ++i) lit += kAlphabet[rng() % (sizeof(kAlphabet) - 1)];
    pattern += "(" + lit + ")" + (k % 30 == 7 ? "?" : "");
    text += lit;
  }
  auto tokens = std::make_unique<TRegExp>();
  Integer count = 0;
  ASSERT_EQ(detail::CompileGrepPattern(U(pattern), false, *tokens, count), 0);
  detail::GrepProgram prog;
  detail::BuildGrepProgram(*tokens, count, false, prog);
  EXPECT_GT(prog.units.literals.DenseStates(), 0u);
  EXPECT_LT(prog.units.literals.DenseStates(), prog.units.literals.States());
  EXPECT_TRUE(ExpectSameAsReference(pattern, false, U(text + "xyz"), 1));
  text[3 + 20 * 255 + 17] = '!';  // no match any more
  EXPECT_FALSE(ExpectSameAsReference(pattern, false, U(text), 2));
}

TEST_P(GrepStages, KnownTrickyCases) {
  KnownTrickyCasesAgree();
}

INSTANTIATE_TEST_SUITE_P(
    Grep, GrepStages,
    ::testing::Values(std::pair(detail::GrepEngine::kAuto, detail::GrepScanPath::kPortable),
                      std::pair(detail::GrepEngine::kAuto, detail::GrepScanPath::kSse2),
                      std::pair(detail::GrepEngine::kSmallBudget, detail::GrepScanPath::kBest),
                      std::pair(detail::GrepEngine::kLivenessOnly, detail::GrepScanPath::kBest)));

// On subjects too long for the reference, the stages must agree with one another.
TEST(GrepStagesAgree, OnLongSubjects) {
  std::mt19937 rng(31337);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  const auto run = [](detail::GrepEngine engine, TGrep& g, const String& subject, int from) {
    detail::SetGrepEngine(engine);
    Span s = Find(g, subject, from);
    std::vector<int> v{s.found, s.start, s.end};
    for (int k = 1; k <= g.NrOfRegExpTokens(); ++k) v.push_back(g.GetRegExpToken(k).ValidFrom);
    return v;
  };
  for (int i = 0; i < 300 && !HasFailure(); ++i) {
    std::string pattern = RandomPattern(rng) + RandomPattern(rng);
    Quiet q(pattern, pick(4) == 0);
    String subject;
    // Every fifth subject spans several segments of the liveness pass (16384 positions each).
    const std::size_t length = i % 5 == 0 ? 20000 + pick(50000) : 500 + pick(3000);
    while (subject.size() < length) subject.append(1 + pick(30), u"aabbc.A"[pick(7)]);
    const int from = 1 + static_cast<int>(pick(600));
    const auto want = run(detail::GrepEngine::kAuto, q.g, subject, from);
    EXPECT_EQ(run(detail::GrepEngine::kLivenessOnly, q.g, subject, from), want) << pattern;
    EXPECT_EQ(run(detail::GrepEngine::kSmallBudget, q.g, subject, from), want) << pattern;
  }
  detail::SetGrepEngine(detail::GrepEngine::kAuto);
}

// The scans of every path against plain loops.
TEST(GrepScan, EveryPathFindsTheFirstHit) {
  std::mt19937 rng(8);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  static const Char kChars[] = {u'a', u'A', u'b', u'0', u'9', u'z', u'\u0161', u'\u4E00', u'\xE1'};
  for (int i = 0; i < 3000 && !HasFailure(); ++i) {
    String s(pick(100), u'x');
    for (Char& c : s) c = kChars[pick(std::size(kChars))];
    const std::size_t from = pick(s.size() + 2);
    const Char target = kChars[pick(std::size(kChars))];
    const bool fold = pick(2) == 0 && target >= u'a' && target <= u'z';
    detail::GrepScanSet set;
    const int ranges = 1 + static_cast<int>(pick(7));  // more than four use the table
    for (int r = 0; r < ranges; ++r) {
      const unsigned lo = static_cast<unsigned>(pick(256));
      const unsigned hi = std::min(255u, lo + static_cast<unsigned>(pick(40)));
      for (unsigned c = lo; c <= hi; ++c) set.bits[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
    set.Prepare();
    std::size_t want_char = String::npos;
    std::size_t want_set = String::npos;
    for (std::size_t k = s.size(); k-- > from;) {
      if ((fold ? AsciiLower(s[k]) : s[k]) == target) want_char = k;
      if (set.Has(s[k])) want_set = k;
    }
    for (const auto path : {detail::GrepScanPath::kPortable, detail::GrepScanPath::kSse2,
                            detail::GrepScanPath::kBest}) {
      detail::SetGrepScanPath(path);
      EXPECT_EQ(detail::GrepFindChar(s, from, target, fold), want_char) << i;
      EXPECT_EQ(detail::GrepFindInSet(s, from, set), want_set) << i;
    }
  }
  detail::SetGrepScanPath(detail::GrepScanPath::kBest);
}

// ---------------------------------------------------------------------------------------------
// Ownership.

TEST(GrepComponent, DefaultsAndOwner) {
  TComponent owner;
  auto* g = new TGrep(&owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_TRUE(g->StopOnError());
  EXPECT_FALSE(g->IgnoreCase());
  EXPECT_EQ(g->SearchStartPos(), 1);
  EXPECT_EQ(g->MatchStartPos(), 0);
  EXPECT_EQ(g->MatchEndPos(), 0);
  EXPECT_EQ(g->NrOfRegExpTokens(), 0);
  EXPECT_EQ(g->LastError(), 0);
  EXPECT_EQ(ToUtf8(g->ClassName()), "TGrep");
}

// The loose end of a pattern, where CompileRegExp accepts it: positions count in the pattern
// as written, \#hh escapes included.
TEST(GrepErrors, LooseEndsAndWhereTheyBegin) {
  struct Case {
    const char16_t* pattern;
    TGrepLooseEnd kind;
    Integer position;
  };
  const Case cases[] = {
      {u"abc", TGrepLooseEnd::None, 0},          {u"[a]b(c)", TGrepLooseEnd::None, 0},
      {u"fo[o", TGrepLooseEnd::OpenSet, 3},      {u"[", TGrepLooseEnd::OpenSet, 1},
      {u"[^", TGrepLooseEnd::OpenSet, 1},        {u"(ab", TGrepLooseEnd::OpenGroup, 1},
      {u"x(a[b", TGrepLooseEnd::OpenGroup, 2},   {u"a\\", TGrepLooseEnd::LoneBackslash, 2},
      {u"a\\\\", TGrepLooseEnd::None, 0},        {u"[a\\", TGrepLooseEnd::OpenSet, 1},
      {u"\\#28ab", TGrepLooseEnd::OpenGroup, 1}, {u"ab\\#5Bc", TGrepLooseEnd::OpenSet, 3},
      {u"\\\\#28", TGrepLooseEnd::None, 0},      {u"()", TGrepLooseEnd::None, 0},
      {u"[]", TGrepLooseEnd::None, 0},  // an error (empty set), not a loose end
  };
  for (const Case& c : cases) {
    const TGrepEnding e = GrepPatternEnding(c.pattern);
    EXPECT_EQ(e.Kind, c.kind) << ToUtf8(std::u16string_view(c.pattern));
    EXPECT_EQ(e.Position, c.position) << ToUtf8(std::u16string_view(c.pattern));
  }
}

}  // namespace
}  // namespace krv
