#include "korvex/streams/tags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "counting_stream.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::BytesStream;

struct Tag {
  std::int32_t index;
  String attributes;
  String contents;
  std::int64_t pos;
  bool operator==(const Tag&) const = default;
};

void PrintTo(const Tag& t, std::ostream* os) {
  *os << "{" << t.index << ", \"" << ToUtf8(t.attributes) << "\", \"" << ToUtf8(t.contents)
      << "\", " << t.pos << "}";
}

// Reads `count` tags from a stream over `input`, once with a Read per byte (a derived
// stream) and once through the buffer view of a TMemoryStream; both must agree.
std::vector<Tag> ReadTags(const std::string& input, const TTagList& list, int count) {
  BytesStream s(input);
  TMemoryStream viewed;
  viewed.Write(input.data(), input.size());
  viewed.SetPosition(0);
  std::vector<Tag> tags;
  for (int i = 0; i < count; ++i) {
    Tag t, v;
    t.index = ReadNextTagInStream(s, list, t.attributes, t.contents);
    t.pos = s.Position();
    v.index = ReadNextTagInStream(viewed, list, v.attributes, v.contents);
    v.pos = viewed.Position();
    EXPECT_EQ(v, t) << input;
    tags.push_back(t);
  }
  return tags;
}

const TTagList kLabelList = {u"label", u"text", u"font", u""};

TEST(ReadNextTagInStream, DocumentedExample) {
  const std::string input = "<label id=\"3\"> <text>Hi</text> </label><font/>";
  EXPECT_EQ(ReadTags(input, kLabelList, 4), (std::vector<Tag>{
                                                {0, u"id=\"3\"", u" <text>Hi</text> ", 39},
                                                {2, u"", u"", 46},
                                                {3, u"", u"", 46},
                                                {3, u"", u"", 46},
                                            }));
}

TEST(ReadNextTagInStream, Cases) {
  const TTagList list = {u"br", u"img", u"item", u"/item", u"?xml", u""};
  const struct {
    std::string input;
    Tag first;
  } cases[] = {
      // No tag at all: the empty name.
      {"just text", {5, u"", u"", 9}},
      {"", {5, u"", u"", 0}},
      // Self-closing tags.
      {"<br/>rest", {0, u"", u"", 5}},
      {"<br />rest", {0, u"", u"", 6}},
      {"<img src=\"a.png\" />", {1, u"src=\"a.png\"", u"", 19}},
      {"<img src=a.png/>", {1, u"src=a.png", u"", 16}},
      {"<IMG   SRC='x'   />", {1, u"SRC='x'", u"", 19}},
      // Comments and declarations are skipped.
      {"<!-- note --><item>x</item>", {2, u"", u"x", 27}},
      {"<!DOCTYPE html><!----><item>y</item>", {2, u"", u"y", 36}},
      {"<?xml version=\"1.0\"?><item/>", {4, u"version=\"1.0\"?", u"", 21}},
      // Contents up to the first end tag of the same name, any case.
      {"<ITEM a=1>x<b>y</b></Item>z", {2, u"a=1", u"x<b>y</b>", 26}},
      {"<item><item>x</item></item>", {2, u"", u"<item>x", 20}},
      {"<item>a > b</item >", {2, u"", u"a > b</item >", 19}},
      // Missing end tag: the rest of the input.
      {"<item>no end", {2, u"", u"no end", 12}},
      {"<item>no end</ite", {2, u"", u"no end</ite", 17}},
      // A closing tag keeps its slash and reads no contents.
      {"</item>after", {3, u"", u"", 7}},
      // Unknown tags still have their contents read.
      {"<p>para</p><br/>", {5, u"", u"para", 11}},
      // Odd shapes.
      {"<>x", {5, u"", u"", 2}},
      {"< item>x</>", {5, u"item", u"", 7}},
      {"<item", {2, u"", u"", 5}},
      {"<item attr=\"x", {2, u"attr=\"x", u"", 13}},
      {"<!-- cut", {5, u"", u"", 8}},
      {"<item>", {2, u"", u"", 6}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadTags(c.input, list, 1).front(), c.first) << c.input;
  }
}

TEST(ReadNextTagInStream, LookupRule) {
  // Without an equal entry the last index comes back; an empty list gives -1.
  EXPECT_EQ(ReadTags("<zz>", {u"a", u"b"}, 1).front().index, 1);
  EXPECT_EQ(ReadTags("<a>", {u"a", u"b"}, 1).front().index, 0);
  EXPECT_EQ(ReadTags("<b>", {u"b", u"b"}, 1).front().index, 0);
  EXPECT_EQ(ReadTags("<a>", {}, 1).front().index, -1);
  EXPECT_EQ(ReadTags("", {u"a", u"", u"b"}, 1).front().index, 1);
  // Entries are compared as given: an upper-case entry never matches.
  EXPECT_EQ(ReadTags("<A>", {u"A", u"x"}, 1).front().index, 1);
}

// Input cut at every length: each call returns, the position never moves back, and the
// end of the input is reached within one call per byte.
TEST(ReadNextTagInStream, InputEndingAnywhere) {
  const std::string full =
      "<?xml v=\"1\"?><!-- c --><label id=\"3\" x=1> <text>Hi</text> </label><font/>"
      "<img src=\"a\" /></x><item>tail";
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    BytesStream s(full.substr(0, cut));
    std::int64_t last = 0;
    int calls = 0;
    for (;;) {
      String a, c;
      ReadNextTagInStream(s, kLabelList, a, c);
      ASSERT_GE(s.Position(), last);
      last = s.Position();
      ASSERT_LE(++calls, static_cast<int>(cut) + 1);
      if (last == static_cast<std::int64_t>(cut)) break;
    }
  }
}

TEST(ReadNextTagInTextFile, ReadsLikeTheStreamVersion) {
  const testing::TempDir dir("korvex_tags_test");
  dir.Write("t.xml", "<label id=\"3\"> <text>H\xE9\x80</text> </label>\r\n<font/>");
  const std::string path = dir.File("t.xml").string();
  TextFile f;
  f.Assign(ToUtf16(path));
  f.Reset();
  String a, c;
  EXPECT_EQ(ReadNextTagInTextFile(f, kLabelList, a, c), 0);
  EXPECT_EQ(a, u"id=\"3\"");
  EXPECT_EQ(c, u" <text>H\u00E9\u20AC</text> ");  // Windows-1252 characters
  EXPECT_EQ(ReadNextTagInTextFile(f, kLabelList, a, c), 2);
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(ReadNextTagInTextFile(f, kLabelList, a, c), 3);
  f.Close();
}

TEST(ReadNextTagInString, AdvancesThePosition) {
  const String text = u"<label id=\"3\"> <text>Hi</text> </label><font/>";
  std::int32_t pos = 1;
  String a, c;
  EXPECT_EQ(ReadNextTagInString(text, pos, kLabelList, a, c), 0);
  EXPECT_EQ(pos, 40);
  EXPECT_EQ(c, u" <text>Hi</text> ");
  EXPECT_EQ(ReadNextTagInString(text, pos, kLabelList, a, c), 2);
  EXPECT_EQ(pos, 47);
  EXPECT_EQ(ReadNextTagInString(text, pos, kLabelList, a, c), 3);
  EXPECT_EQ(pos, 47);
  // Starting inside: from the blank before <text>.
  pos = 15;
  EXPECT_EQ(ReadNextTagInString(text, pos, kLabelList, a, c), 1);
  EXPECT_EQ(c, u"Hi");
  EXPECT_EQ(pos, 31);
  // Out-of-range positions.
  pos = -5;
  EXPECT_EQ(ReadNextTagInString(text, pos, kLabelList, a, c), 0);
  pos = 1000;
  EXPECT_EQ(ReadNextTagInString(text, pos, kLabelList, a, c), 3);
  EXPECT_EQ(pos, 47);
}

TEST(DetectNextTagInString, FindsOpeningAndClosingTags) {
  const String text = u"ab<!-- c --><Item x=1>v</item><br/>";
  const TTagList list = {u"item", u"br", u""};
  std::int32_t start = 1, end = 0;
  String name;
  bool is_end = true;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), 0);
  EXPECT_EQ(start, 13);
  EXPECT_EQ(end, 22);
  EXPECT_EQ(name, u"item");
  EXPECT_FALSE(is_end);
  start = end + 1;
  end = 0;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), 0);
  EXPECT_EQ(start, 24);
  EXPECT_EQ(end, 30);
  EXPECT_TRUE(is_end);
  start = end + 1;
  end = 0;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), 1);
  EXPECT_EQ(name, u"br");
  EXPECT_EQ(end, 35);
  start = end + 1;
  end = 0;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), -1);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(name, u"");
  EXPECT_FALSE(is_end);
}

TEST(DetectNextTagInString, LimitAndIncompleteTags) {
  const String text = u"x<a>y<b";
  const TTagList list = {u"a", u"b"};
  String name;
  bool is_end;
  std::int32_t start = 1, end = 3;  // the '>' of <a> lies beyond the limit
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), -1);
  start = 1;
  end = 4;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), 0);
  start = 5;
  end = 100;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), -1);  // <b is cut
  start = 0;
  end = -1;
  EXPECT_EQ(DetectNextTagInString(text, start, end, list, name, is_end), 0);
  start = 50;
  end = 0;
  EXPECT_EQ(DetectNextTagInString(u"", start, end, list, name, is_end), -1);
}

TEST(ScanStreamForXMLTag, FindsNestedTags) {
  BytesStream s("<doc><label id=1><text size=3>Hi</text></label><text/></doc>");
  String a, c;
  EXPECT_TRUE(ScanStreamForXMLTag(s, u"TEXT", a, c));
  EXPECT_EQ(a, u"size=3");
  EXPECT_EQ(c, u"Hi");
  EXPECT_EQ(s.Position(), 39);
  EXPECT_TRUE(ScanStreamForXMLTag(s, u"text", a, c));
  EXPECT_EQ(a, u"");
  EXPECT_EQ(c, u"");
  EXPECT_FALSE(ScanStreamForXMLTag(s, u"text", a, c));
  EXPECT_EQ(s.Position(), s.Size());
  BytesStream t("</item><item>x</item>");
  EXPECT_TRUE(ScanStreamForXMLTag(t, u"/item", a, c));
  EXPECT_EQ(t.Position(), 7);
  BytesStream u("no tags");
  EXPECT_FALSE(ScanStreamForXMLTag(u, u"", a, c));
}

TEST(ScanForXMLAttrib, Table) {
  const struct {
    String attributes;
    String name;
    String value;
  } cases[] = {
      {u"width=\"10\" height=20", u"HEIGHT", u"20"},
      {u"width=\"10\" height=20", u"width", u"10"},
      {u"width=\"10\" height=20", u"depth", u""},
      {u"a=\"1\" b=\"2\"", u"B", u"2"},
      {u"a\"=\"1\"", u"a", u""},      // quote in a name: syntax error
      {u"a==1", u"a", u""},           // '=' right after '='
      {u"a=1=2", u"a", u""},          // '=' in a plain value
      {u"x=1 a=1=2", u"x", u"1"},     // pairs before an error are still read
      {u"x=1 a=1=2 b=3", u"b", u""},  // but reading stops at the error
      {u" a  =  \"x y\" ", u"a", u"x y"},
      {u"a=\"un = ended", u"a", u"un = ended"},
      {u"a=", u"a", u""},
      {u"a=1 a=2", u"a", u"1"},
      {u"a=1\"b=2", u"b", u"2"},  // a quote ends a plain value
      {u"flag a=1", u"a", u""},   // blanks belong to the name: this pair is "flag a"
      {u"flag a=1", u"flag a", u"1"},
      {u"solo", u"solo", u""},
      {u"", u"a", u""},
      {u"A=\"Mixed Case\"", u"a", u"Mixed Case"},
      {u"a=\"\"", u"a", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanForXMLAttrib(c.attributes, c.name), c.value)
        << ToUtf8(c.attributes) << " / " << ToUtf8(c.name);
  }
}

}  // namespace
}  // namespace krv
