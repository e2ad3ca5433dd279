#include "korvex/platform/text.h"

#include <gtest/gtest.h>

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
