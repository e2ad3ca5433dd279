#include "korvex/streams/read_until.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "counting_stream.h"
#include "korvex/platform/text.h"
#include "korvex/streams/tags.h"

namespace krv {
namespace {

using testing::BytesOf;
using testing::BytesStream;
using testing::CountingStream;

String Chars(const std::string& bytes) {
  String s;
  for (unsigned char c : bytes) s.push_back(c);
  return s;
}

TEST(ReadStreamUntil, DocumentedExample) {
  CountingStream s("abc end xyz");
  std::int32_t status = 5;
  EXPECT_EQ(ReadStreamUntil(s, u"END", status), u"abc end");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(s.Position(), 7);
  EXPECT_EQ(s.reads, (std::vector<std::size_t>{256}));
}

TEST(ReadStreamUntil, NotFoundReadsEverything) {
  CountingStream s(std::string(1000, 'x'));
  std::int32_t status = 0;
  EXPECT_EQ(ReadStreamUntil(s, u"y", status), String(1000, u'x'));
  EXPECT_EQ(status, -1);
  EXPECT_EQ(s.Position(), 1000);
  EXPECT_EQ(s.reads, (std::vector<std::size_t>{256, 256, 256, 256}));
}

TEST(ReadStreamUntil, StopsAfterTheFirstFullBlockWithAHit) {
  CountingStream s(std::string(100, 'a') + "KEY" + std::string(1000, 'b') + "key");
  std::int32_t status;
  const String text = ReadStreamUntil(s, u"key", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text.size(), 103u);
  EXPECT_EQ(s.reads.size(), 1u);
  EXPECT_EQ(s.Position(), 103);
}

TEST(ReadStreamUntil, MatchAcrossABlockBoundary) {
  const std::string data = "head" + std::string(250, '.') + "MaRkEr" + "tail";
  BytesStream s(data);
  s.SetPosition(4);
  std::int32_t status;
  const String text = ReadStreamUntil(s, u"marker", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text, Chars(data.substr(4, 256)));
  EXPECT_EQ(s.Position(), 260);
}

TEST(ReadStreamUntil, EmptySearchAndEmptyStream) {
  BytesStream s("abc");
  s.SetPosition(1);
  std::int32_t status = -1;
  EXPECT_EQ(ReadStreamUntil(s, u"", status), u"");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(s.Position(), 1);
  BytesStream e("");
  EXPECT_EQ(ReadStreamUntil(e, u"a", status), u"");
  EXPECT_EQ(status, -1);
}

TEST(ReadStreamUntil, AgreesWithAPlainSearch) {
  std::mt19937 rng(17);
  for (int round = 0; round < 3000; ++round) {
    std::string data(rng() % 900, ' ');
    for (char& c : data) c = "abAB"[rng() % 4];
    std::string search(1 + rng() % 5, ' ');
    for (char& c : search) c = "abAB"[rng() % 4];
    std::string lower_data = data, lower_search = search;
    for (char& c : lower_data) c = static_cast<char>(std::tolower(c));
    for (char& c : lower_search) c = static_cast<char>(std::tolower(c));
    const std::size_t hit = lower_data.find(lower_search);
    BytesStream s(data);
    std::int32_t status;
    const String text = ReadStreamUntil(s, ToUtf16(search), status);
    if (hit == std::string::npos) {
      ASSERT_EQ(status, -1);
      ASSERT_EQ(text, Chars(data));
      ASSERT_EQ(s.Position(), s.Size());
    } else {
      ASSERT_EQ(status, 0);
      ASSERT_EQ(text, Chars(data.substr(0, hit + search.size())));
      ASSERT_EQ(s.Position(), static_cast<std::int64_t>(hit + search.size()));
    }
  }
}

TEST(ReadStreamUntilTagList, StopsBeforeTheTag) {
  BytesStream s("text <b>bold</b> <Item k=1>x</item> more");
  const TTagList list = {u"item", u"/b"};
  std::int32_t index = 9;
  EXPECT_EQ(ReadStreamUntilTagList(s, list, index), u"text <b>bold");
  EXPECT_EQ(index, 1);
  EXPECT_EQ(s.Position(), 12);
  EXPECT_EQ(ReadStreamUntilTagList(s, {u"item"}, index), u"</b> ");
  EXPECT_EQ(index, 0);
  // The tag itself is read next.
  String a, c;
  EXPECT_EQ(ReadNextTagInStream(s, {u"item", u""}, a, c), 0);
  EXPECT_EQ(a, u"k=1");
  EXPECT_EQ(c, u"x");
  EXPECT_EQ(ReadStreamUntilTagList(s, {u"item"}, index), u" more");
  EXPECT_EQ(index, -1);
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(ReadStreamUntilTagList, CutTagsAndEmptyLists) {
  BytesStream s("a<ite");
  std::int32_t index = 0;
  EXPECT_EQ(ReadStreamUntilTagList(s, {u"ite", u"item"}, index), u"a<ite");
  EXPECT_EQ(index, -1);
  BytesStream t("a<x>b");
  EXPECT_EQ(ReadStreamUntilTagList(t, {}, index), u"a<x>b");
  EXPECT_EQ(index, -1);
  BytesStream u("<br/>");
  EXPECT_EQ(ReadStreamUntilTagList(u, {u"br"}, index), u"");
  EXPECT_EQ(index, 0);
  EXPECT_EQ(u.Position(), 0);
}

TEST(ExtractFromStream, CopiesListedElements) {
  BytesStream s(
      "<doc><item>one</item><other><item a=1>two</item></other><ITEM/>"
      "<skip>x</skip></item><note>n</note></doc>");
  TStringList names;
  names.Add(u"Item");
  names.Add(u"note");
  TMemoryStream dest;
  dest.WriteBuffer("pre:", 4);
  EXPECT_EQ(ExtractFromStream(s, dest, names), 4);
  EXPECT_EQ(BytesOf(dest), "pre:one\r\ntwo\r\n\r\nn\r\n");
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(ExtractFromStream, MissingEndTagTakesTheRest) {
  BytesStream s("<a>open");
  TStringList names;
  names.Add(u"a");
  TMemoryStream dest;
  EXPECT_EQ(ExtractFromStream(s, dest, names), 1);
  EXPECT_EQ(BytesOf(dest), "open\r\n");
  TStringList none;
  BytesStream t("<a>x</a>");
  EXPECT_EQ(ExtractFromStream(t, dest, none), 0);
}

// The tag readers through a memory stream's buffer view agree with reading a byte per Read
// call (a derived stream), including an extraction into the stream being read.
TEST(ReadStreamUntilTagList, BufferViewAgreesWithReadingByteByByte) {
  std::mt19937 rng(17);
  const char* const pieces[] = {"<a>", "</a>", "<b x=1>", "<a/>", "<!c>", "text", "<", ">", " "};
  TStringList names;
  names.Add(u"a");
  for (int round = 0; round < 300; ++round) {
    std::string input;
    for (int i = rng() % 30; i > 0; --i) input += pieces[rng() % std::size(pieces)];
    BytesStream plain(input);
    TMemoryStream viewed;
    viewed.Write(input.data(), input.size());
    viewed.SetPosition(0);
    std::int32_t i1 = 0, i2 = 0;
    for (int call = 0; call < 3; ++call) {
      ASSERT_EQ(ReadStreamUntilTagList(viewed, {u"a", u"/a"}, i1),
                ReadStreamUntilTagList(plain, {u"a", u"/a"}, i2));
      ASSERT_EQ(i1, i2);
      ASSERT_EQ(viewed.Position(), plain.Position());
      if (i1 >= 0) plain.Seek(1, soFromCurrent), viewed.Seek(1, soFromCurrent);
    }
    viewed.SetPosition(0);
    plain.SetPosition(0);
    ASSERT_EQ(ExtractFromStream(viewed, viewed, names), ExtractFromStream(plain, plain, names));
    ASSERT_EQ(BytesOf(viewed), BytesOf(plain)) << input;
  }
}

}  // namespace
}  // namespace krv
