#include "korvex/platform/text.h"

#include <gtest/gtest.h>

#include <random>

namespace krv {
namespace {

TEST(Text, Utf8RoundTripsThroughUtf16) {
  const std::string samples[] = {"", "abc", "février ", "Jänner", "€ ‰ ™", "𝄞 clef", "日本語"};
  for (const auto& s : samples) EXPECT_EQ(ToUtf8(ToUtf16(s)), s) << s;
  EXPECT_EQ(ToUtf16("𝄞"), (String{0xD834, 0xDD1E}));
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(ToUtf16("a\xC3"), (String{u'a', 0xFFFD}));
  EXPECT_EQ(ToUtf16("\xC0\x80"), (String{0xFFFD, 0xFFFD}));  // overlong NUL
  EXPECT_EQ(ToUtf16("\xED\xA0\x80").front(), 0xFFFD);        // encoded surrogate
  EXPECT_EQ(ToUtf8(String{0xD800}), "\xEF\xBF\xBD");         // lone surrogate
}

// File names: undecodable bytes become U+DC80 + byte and come back exactly (Python's
// os.fsdecode with "surrogateescape" gives the same strings for these bytes).
TEST(NativeNames, EscapesExactlyTheBytesThatAreNotUtf8) {
  struct Case {
    std::string native;
    String name;
  };
  const Case cases[] = {
      {"", u""},
      {"plain.txt", u"plain.txt"},
      {"\xff", String{0xDCFF}},
      {"\xEF\xBF\xBD", String{0xFFFD}},                              // U+FFFD itself stays
      {"a\xC3", String{u'a', 0xDCC3}},                               // cut short
      {"\xC0\x80", String{0xDCC0, 0xDC80}},                          // overlong NUL
      {"\xED\xA0\x80", String{0xDCED, 0xDCA0, 0xDC80}},              // an encoded surrogate
      {"\xF4\x90\x80\x80", String{0xDCF4, 0xDC90, 0xDC80, 0xDC80}},  // past U+10FFFF
      {"f\xC3\xA9vrier", u"février"},
      {"\xF0\x9D\x84\x9E\x80", String{0xD834, 0xDD1E, 0xDC80}},  // a pair, then a byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FromNativeName(c.native), c.name) << c.native;
    std::string back;
    EXPECT_TRUE(ToNativeName(c.name, back)) << c.native;
    EXPECT_EQ(back, c.native);
  }
  // Strings no stored name decodes to have no native form, so they name nothing.
  const String strays[] = {String{0xD800}, String{0xDC41}, String{0xDCC3, 0xDCA9},
                           String{u'x', 0xDBFF}};
  for (const String& s : strays) {
    std::string out = "untouched";
    EXPECT_FALSE(ToNativeName(s, out));
    EXPECT_EQ(NativeNameOf(s), "");
  }
}

TEST(NativeNames, EveryByteStringRoundTrips) {
  std::mt19937 random(20261209);
  // Bytes drawn mostly from the ranges where UTF-8 sequences start and continue.
  const unsigned char alphabet[] = {'a',  '/',  0x7F, 0x80, 0xBF, 0xC2, 0xC3, 0xDF, 0xE0,
                                    0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0xA9, 0x9D};
  for (int round = 0; round < 20000; ++round) {
    std::string bytes(random() % 9, '\0');
    for (char& b : bytes) b = static_cast<char>(alphabet[random() % sizeof alphabet]);
    std::string back;
    ASSERT_TRUE(ToNativeName(FromNativeName(bytes), back));
    ASSERT_EQ(back, bytes);
  }
}

TEST(Text, Windows1252CoversEveryByte) {
  // Every byte maps to a character that maps back to the same byte.
  for (int b = 0; b < 256; ++b) {
    unsigned char back = 0;
    EXPECT_TRUE(CharToAnsi(AnsiToChar(static_cast<unsigned char>(b)), back)) << b;
    EXPECT_EQ(back, b);
  }
  EXPECT_EQ(AnsiToChar(0x80), u'€');
  EXPECT_EQ(AnsiToChar(0x9F), u'Ÿ');
  EXPECT_EQ(AnsiToChar(0xE9), u'é');
  EXPECT_EQ(ToAnsi(u"é€\u0100x"), "\xE9\x80?x");  // U+0100 has no byte
  EXPECT_EQ(FromAnsi("\x93q\x94"), u"\u201Cq\u201D");
}

TEST(Text, ShortStringIsCutTo255) {
  EXPECT_EQ(ToShortString(String(300, u'x')).size(), 255u);
  EXPECT_EQ(ToShortString(u"ab"), "ab");
}

}  // namespace
}  // namespace krv
