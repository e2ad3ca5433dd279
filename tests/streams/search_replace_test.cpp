#include "korvex/streams/search_replace.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "counting_stream.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

using testing::BytesOf;
using testing::BytesStream;

struct Result {
  std::string text;
  std::int32_t count;
};

Result Replace(const std::string& input, const String& search, const String& replace,
               bool ignore_case, std::int32_t start = 1, std::int32_t max = 0,
               const String& modifier = u"", const TSRUnknownModifierEvent& event = nullptr) {
  BytesStream source(input);
  TMemoryStream dest;
  const std::int32_t n =
      SearchAndReplace(source, dest, search, replace, ignore_case, start, max, modifier, event);
  EXPECT_EQ(dest.Position(), 0);
  return {BytesOf(dest), n};
}

TEST(SearchAndReplace, Basics) {
  const struct {
    std::string input;
    String search, replace;
    bool ignore_case;
    std::int32_t start, max;
    std::string expected;
    std::int32_t count;
  } cases[] = {
      {"a cat and a Cat", u"cat", u"dog", false, 1, 0, "a dog and a Cat", 1},
      {"a cat and a Cat", u"CAT", u"dog", true, 1, 0, "a dog and a dog", 2},
      {"a cat and a Cat", u"cat", u"dog", true, 4, 0, "a cat and a dog", 1},
      {"a cat and a Cat", u"cat", u"dog", true, -3, 1, "a dog and a Cat", 1},
      {"aaaa", u"aa", u"b", false, 1, 0, "bb", 2},
      {"aaa", u"aa", u"b", false, 1, 0, "ba", 1},
      {"abc", u"", u"x", false, 1, 0, "abc", 0},
      {"abc", u"c", u"", false, 1, 0, "ab", 1},
      {"", u"c", u"x", false, 1, 0, "", 0},
      {"abc", u"c", u"x", false, 100, 0, "abc", 0},
      {"x\xE9y", String{0xE9}, u"e", false, 1, 0, "xey", 1},
      {"x:y", String{0x263A}, u"-", false, 1, 0, "x-y", 1},  // low byte of U+263A is ':'
  };
  for (const auto& c : cases) {
    const Result r = Replace(c.input, c.search, c.replace, c.ignore_case, c.start, c.max);
    EXPECT_EQ(r.text, c.expected) << c.input;
    EXPECT_EQ(r.count, c.count) << c.input;
  }
}

TEST(SearchAndReplace, Modifiers) {
  EXPECT_EQ(Replace("a-b-c", u"-", u"x", false, 1, 0, u"UPPER").text, "aXbXc");
  EXPECT_EQ(Replace("a-b-c", u"-", u"XY", false, 1, 0, u"lower").text, "axybxyc");
  int calls = 0;
  const auto number = [&](const String& command, String& sub) {
    EXPECT_EQ(command, u"Number");
    sub += ToUtf16(std::to_string(++calls));
  };
  EXPECT_EQ(Replace("a-b-c", u"-", u"#", false, 1, 0, u"Number", number).text, "a#1b#2c");
  EXPECT_EQ(calls, 2);
  // An unknown command without an event leaves the replacement as it is.
  EXPECT_EQ(Replace("a-b", u"-", u"+", false, 1, 0, u"whatever").text, "a+b");
}

TEST(SearchAndReplace, SourceAndDestMayBeTheSameStream) {
  BytesStream s("one two one");
  EXPECT_EQ(SearchAndReplace(s, s, u"one", u"1", false, 1, 0, u"", nullptr), 2);
  EXPECT_EQ(BytesOf(s), "1 two 1");
  EXPECT_EQ(s.Position(), 0);
}

TEST(SearchAndReplace, SourceKeepsItsPosition) {
  BytesStream s("abcabc");
  s.SetPosition(4);
  TMemoryStream d;
  SearchAndReplace(s, d, u"b", u"B", false, 1, 0, u"", nullptr);
  EXPECT_EQ(s.Position(), 4);
  EXPECT_EQ(BytesOf(s), "abcabc");
  EXPECT_EQ(BytesOf(d), "aBcaBc");
}

// Against a plain loop over std::string.
TEST(SearchAndReplace, AgreesWithAPlainLoop) {
  std::mt19937 rng(23);
  for (int round = 0; round < 3000; ++round) {
    std::string input(rng() % 60, ' ');
    for (char& c : input) c = "abAB"[rng() % 4];
    std::string search(1 + rng() % 3, ' ');
    for (char& c : search) c = "abAB"[rng() % 4];
    const bool ignore = rng() & 1;
    const std::int32_t start = static_cast<std::int32_t>(rng() % 70);
    const std::int32_t max = static_cast<std::int32_t>(rng() % 4);
    auto fold = [&](char c) { return ignore ? static_cast<char>(std::tolower(c)) : c; };
    std::string expected;
    std::int32_t count = 0;
    std::size_t i = start < 1 ? 0 : std::min<std::size_t>(start - 1, input.size());
    expected = input.substr(0, i);
    while (i < input.size()) {
      bool match = i + search.size() <= input.size() && (max <= 0 || count < max);
      for (std::size_t k = 0; match && k < search.size(); ++k) {
        match = fold(input[i + k]) == fold(search[k]);
      }
      if (match) {
        expected += "<>";
        i += search.size();
        ++count;
      } else {
        expected += input[i++];
      }
    }
    const Result r = Replace(input, ToUtf16(search), u"<>", ignore, start, max);
    ASSERT_EQ(r.text, expected) << input << " / " << search;
    ASSERT_EQ(r.count, count);
  }
}

}  // namespace
}  // namespace krv
