#include "korvex/stringl/chars.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace krv {
namespace {

// Slow references: membership in an explicit list of characters.
bool InList(Char c, std::u16string_view list) {
  return list.find(c) != std::u16string_view::npos;
}

constexpr std::u16string_view kDigits = u"0123456789";
constexpr std::u16string_view kLetters = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::u16string_view kHex = u"0123456789abcdefABCDEF";
constexpr std::u16string_view kUmlauts = u"äöüÄÖÜß";

TEST(Chars, ClassesMatchTheirListsForEveryCode) {
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const Char c = static_cast<Char>(code);
    ASSERT_EQ(IsDigit(c), InList(c, kDigits)) << code;
    ASSERT_EQ(IsLetter(c), InList(c, kLetters)) << code;
    ASSERT_EQ(IsDigitLetter(c), InList(c, kLetters) || InList(c, kDigits)) << code;
    ASSERT_EQ(IsHexChar(c), InList(c, kHex)) << code;
    ASSERT_EQ(IsUmlaut(c), InList(c, kUmlauts)) << code;
  }
}

TEST(Chars, ClassesIgnoreAccentsAndWideLookalikes) {
  struct Case {
    Char c;
    bool letter, digit;
  };
  const Case cases[] = {
      {u'é', false, false},   {u'Ä', false, false},
      {u'ß', false, false},   {0xFF21, false, false},  // fullwidth A
      {0xFF10, false, false},                          // fullwidth 0
      {0x0661, false, false},                          // Arabic-Indic one
      {0x0141, false, false},                          // Ł: low byte 0x41 is 'A', must not count
      {0x0130, false, false},                          // low byte 0x30 is '0'
  };
  for (const Case& k : cases) {
    EXPECT_EQ(IsLetter(k.c), k.letter) << int(k.c);
    EXPECT_EQ(IsDigit(k.c), k.digit) << int(k.c);
    EXPECT_FALSE(IsHexChar(k.c)) << int(k.c);
  }
  EXPECT_TRUE(IsUmlaut(u'ß'));
  EXPECT_FALSE(IsUmlaut(u'ẞ'));    // capital sharp s is not one of the seven
  EXPECT_FALSE(IsUmlaut(0x01C4));  // low byte equals Ä
}

TEST(Chars, AsciiFoldingTouchesOnlyAsciiLetters) {
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    const Char c = static_cast<Char>(code);
    const Char up = (c >= u'a' && c <= u'z') ? Char(c - u'a' + u'A') : c;
    const Char low = (c >= u'A' && c <= u'Z') ? Char(c - u'A' + u'a') : c;
    ASSERT_EQ(AsciiUpper(c), up) << code;
    ASSERT_EQ(AsciiLower(c), low) << code;
  }
}

TEST(WordSeps, InitialContentsAreExactlyTheTwentySixSeparators) {
  const std::u16string_view kSeps(u"\0\n\r \"#%'()*+,-./:;<=>[\\]{}", 26);
  EXPECT_EQ(kDefaultWordSeps.Count(), 26);
  EXPECT_EQ(WordSeps, kDefaultWordSeps);
  for (unsigned code = 0; code < 256; ++code) {
    EXPECT_EQ(kDefaultWordSeps.Contains(static_cast<Char>(code)),
              InList(static_cast<Char>(code), kSeps))
        << code;
  }
  for (Char c : std::u16string_view(u"\t!?&$@|_~`")) EXPECT_FALSE(IsWordSep(c)) << int(c);
}

TEST(WordSeps, CodesAboveTwoFiftyFiveAreNeverMembers) {
  TCharSet all;
  for (unsigned code = 0; code < 256; ++code) all.Include(static_cast<std::uint8_t>(code));
  EXPECT_EQ(all.Count(), 256);
  for (unsigned code = 256; code <= 0xFFFF; ++code) {
    ASSERT_FALSE(all.Contains(static_cast<Char>(code))) << code;
  }
  EXPECT_FALSE(kDefaultWordSeps.Contains(0x0100));  // low byte 0 is a separator
  EXPECT_FALSE(kDefaultWordSeps.Contains(0x0120));  // low byte is the blank
}

TEST(WordSeps, IncludeExcludeAndClear) {
  TCharSet s;
  EXPECT_EQ(s.Count(), 0);
  for (std::uint8_t c : {0, 63, 64, 127, 128, 191, 192, 255}) {
    s.Include(c);
    EXPECT_TRUE(s.Contains(c)) << int(c);
  }
  EXPECT_EQ(s.Count(), 8);
  s.Include(64);  // idempotent
  EXPECT_EQ(s.Count(), 8);
  s.Exclude(64);
  EXPECT_FALSE(s.Contains(64));
  EXPECT_TRUE(s.Contains(63));
  EXPECT_TRUE(s.Contains(127));
  s.Exclude(64);  // removing a non-member is harmless
  EXPECT_EQ(s.Count(), 7);
  s.Clear();
  EXPECT_EQ(s, TCharSet());
}

TEST(WordSeps, IsModifiableAndRestorable) {
  WordSeps.Include(9);
  EXPECT_TRUE(IsWordSep(u'\t'));
  WordSeps.Exclude(' ');
  EXPECT_FALSE(IsWordSep(u' '));
  WordSeps = kDefaultWordSeps;
  EXPECT_FALSE(IsWordSep(u'\t'));
  EXPECT_TRUE(IsWordSep(u' '));
}

}  // namespace
}  // namespace krv
