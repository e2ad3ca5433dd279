#include "korvex/streams/text_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "counting_stream.h"
#include "korvex/platform/text.h"
#include "korvex/streams/binary_io.h"
#include "test_support/temp_dir.h"
#include "test_support/view_streams.h"

namespace krv {
namespace {

using testing::BytesOf;
using testing::BytesStream;
using testing::ChunkedViewStream;
using testing::CountingStream;
using testing::ReadOnlyStream;

std::vector<std::size_t> Sizes(std::initializer_list<std::size_t> l) {
  return l;
}

TEST(WriteStringStream, WritesBlocksOfAtMost4096Bytes) {
  const struct {
    std::size_t length;
    std::vector<std::size_t> writes;
  } cases[] = {
      {0, {}},
      {1, {1}},
      {4095, {4095}},
      {4096, {4096}},
      {4097, {4096, 1}},
      {5000, {4096, 904}},
      {8192, {4096, 4096}},
      {8193, {4096, 4096, 1}},
  };
  for (const auto& c : cases) {
    CountingStream s;
    String text(c.length, u'x');
    for (std::size_t i = 0; i < c.length; ++i) text[i] = static_cast<Char>(u'a' + i % 26);
    WriteStringStream(s, text);
    EXPECT_EQ(s.writes, c.writes) << c.length;
    ASSERT_EQ(s.Size(), static_cast<std::int64_t>(c.length));
    const std::string bytes = s.Bytes();
    for (std::size_t i = 0; i < c.length; ++i) ASSERT_EQ(bytes[i], static_cast<char>('a' + i % 26));
  }
}

TEST(WriteStringStream, KeepsTheLowByteOfEachCharacter) {
  CountingStream s;
  WriteStringStream(s, String{0x263A, 0x00E9, 0x20AC, 0x0041, 0xFFFF});
  EXPECT_EQ(s.Bytes(), std::string("\x3A\xE9\xAC\x41\xFF"));
}

TEST(WriteLnStream, AddsCrLf) {
  CountingStream s;
  WriteLnStream(s, u"");
  EXPECT_EQ(s.Bytes(), "\r\n");
  EXPECT_EQ(s.writes, Sizes({2}));
  WriteLnStream(s, u"ab");
  EXPECT_EQ(s.Bytes(), "\r\nab\r\n");
}

struct Line {
  String text;
  bool eos;
  std::int64_t pos;  // stream position after the call
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& l, std::ostream* os) {
  *os << "{\"";
  for (Char c : l.text) {
    if (c == 13) {
      *os << "\\r";
    } else if (c == 10) {
      *os << "\\n";
    } else {
      *os << static_cast<char>(c);
    }
  }
  *os << "\", " << l.eos << ", " << l.pos << "}";
}

// Calls ReadLnStream until it reports the end of the stream.
std::vector<Line> ReadAllLines(const std::string& bytes, std::int32_t mode) {
  CountingStream s(bytes);
  std::vector<Line> lines;
  for (int guard = 0; guard < 100; ++guard) {
    bool eos = false;
    String text = ReadLnStream(s, eos, mode);
    lines.push_back({text, eos, s.Position()});
    if (eos) break;
  }
  for (std::size_t r : s.reads) EXPECT_EQ(r, 1u) << "ReadLnStream reads single bytes";
  return lines;
}

TEST(ReadLnStream, EveryModeOnEveryLineEnd) {
  const struct {
    std::string input;
    std::int32_t mode;
    std::vector<Line> lines;
  } cases[] = {
      // CR alone
      {"a\rb", 0, {{u"a\rb", true, 3}}},
      {"a\rb", 1, {{u"a", false, 2}, {u"b", true, 3}}},
      {"a\rb", 2, {{u"a", false, 2}, {u"b", true, 3}}},
      {"a\rb", 3, {{u"a\rb", true, 3}}},
      {"a\rb", 4, {{u"a\rb", true, 3}}},
      {"a\rb", 9, {{u"a\rb", true, 3}}},
      // LF alone
      {"a\nb", 0, {{u"a", false, 2}, {u"b", true, 3}}},
      {"a\nb", 1, {{u"a\nb", true, 3}}},
      {"a\nb", 2, {{u"a", false, 2}, {u"b", true, 3}}},
      {"a\nb", 3, {{u"a\nb", true, 3}}},
      {"a\nb", 4, {{u"a\nb", true, 3}}},
      {"a\nb", -1, {{u"a\nb", true, 3}}},
      // CR LF
      {"a\r\nb", 0, {{u"a", false, 3}, {u"b", true, 4}}},
      {"a\r\nb", 1, {{u"a", false, 2}, {u"\nb", true, 4}}},
      {"a\r\nb", 2, {{u"a", false, 2}, {u"", false, 3}, {u"b", true, 4}}},
      {"a\r\nb", 3, {{u"a\r\nb", true, 4}}},
      {"a\r\nb", 4, {{u"a", false, 3}, {u"b", true, 4}}},
      {"a\r\nb", 5, {{u"a\r\nb", true, 4}}},
      // LF CR
      {"a\n\rb", 0, {{u"a", false, 2}, {u"\rb", true, 4}}},
      {"a\n\rb", 1, {{u"a", false, 3}, {u"b", true, 4}}},
      {"a\n\rb", 2, {{u"a", false, 2}, {u"", false, 3}, {u"b", true, 4}}},
      {"a\n\rb", 3, {{u"a", false, 3}, {u"b", true, 4}}},
      {"a\n\rb", 4, {{u"a\n\rb", true, 4}}},
      // A line end exactly at the end of the stream: the flag comes one call later.
      {"a\r\n", 0, {{u"a", false, 3}, {u"", true, 3}}},
      {"a\r\n", 2, {{u"a", false, 2}, {u"", false, 3}, {u"", true, 3}}},
      {"a\r\n", 4, {{u"a", false, 3}, {u"", true, 3}}},
      {"a\n\r", 3, {{u"a", false, 3}, {u"", true, 3}}},
      {"a\r", 1, {{u"a", false, 2}, {u"", true, 2}}},
      {"\n", 0, {{u"", false, 1}, {u"", true, 1}}},
      // The end of the stream returns the text untrimmed.
      {"a\r", 0, {{u"a\r", true, 2}}},
      {"a\n", 4, {{u"a\n", true, 2}}},
      // At most two line-end characters are removed.
      {"a\r\r\n", 0, {{u"a\r", false, 4}, {u"", true, 4}}},
      {"\n\n\r", 1, {{u"\n", false, 3}, {u"", true, 3}}},
      // Mode 4: a lone CR does not end the line.
      {"a\rb\r\n", 4, {{u"a\rb", false, 5}, {u"", true, 5}}},
      {"ab\r\n", 0, {{u"ab", false, 4}, {u"", true, 4}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadAllLines(c.input, c.mode), c.lines) << "mode " << c.mode;
  }
}

TEST(ReadLnStream, EmptyStreamInEveryMode) {
  for (std::int32_t mode : {0, 1, 2, 3, 4, 5, -7}) {
    EXPECT_EQ(ReadAllLines("", mode), (std::vector<Line>{{u"", true, 0}})) << mode;
  }
}

TEST(ReadLnStream, BytesBecomeCharactersOfTheSameCode) {
  BytesStream s("\x80\xE9\xFF\n");
  bool eos;
  EXPECT_EQ(ReadLnStream(s, eos, 0), (String{0x80, 0xE9, 0xFF}));
}

// True when the last character of `line` ends it in `mode`.
bool EndsLineReference(const String& line, std::int32_t mode) {
  const std::size_t n = line.size();
  const Char b = line[n - 1];
  return (mode == 0 && b == 10) || (mode == 1 && b == 13) || (mode == 2 && (b == 10 || b == 13)) ||
         (mode == 3 && b == 13 && n >= 2 && line[n - 2] == 10) ||
         (mode == 4 && b == 10 && n >= 2 && line[n - 2] == 13);
}

// A plain reference: split on the line ends of the mode, one call's worth at a time.
std::vector<Line> ReferenceLines(const std::string& bytes, std::int32_t mode) {
  std::vector<Line> out;
  std::size_t i = 0;
  for (;;) {
    String line;
    bool ended = false;
    while (i < bytes.size() && !ended) {
      line.push_back(static_cast<unsigned char>(bytes[i++]));
      ended = EndsLineReference(line, mode);
    }
    if (!ended) {
      out.push_back({line, true, static_cast<std::int64_t>(i)});
      return out;
    }
    for (int k = 0; k < 2; ++k) {
      if (!line.empty() && (line.back() == 10 || line.back() == 13)) line.pop_back();
    }
    out.push_back({line, false, static_cast<std::int64_t>(i)});
  }
}

TEST(ReadLnStream, AgreesWithReferenceOnRandomInput) {
  std::mt19937 rng(3);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n'};
  for (int round = 0; round < 2000; ++round) {
    std::string input(rng() % 30, ' ');
    for (char& c : input) c = alphabet[rng() % sizeof alphabet];
    for (std::int32_t mode = 0; mode <= 5; ++mode) {
      ASSERT_EQ(ReadAllLines(input, mode), ReferenceLines(input, mode));
    }
  }
}

// ReadLnStream as first written, with one single-byte Read per byte.
String ReadLnByBytes(TStream& s, bool& eos, std::int32_t mode) {
  eos = false;
  String line;
  Byte b;
  do {
    if (s.Read(&b, 1) != 1) {
      eos = true;
      return line;
    }
    line.push_back(b);
  } while (!EndsLineReference(line, mode));
  for (int k = 0; k < 2; ++k) {
    if (!line.empty() && (line.back() == 10 || line.back() == 13)) line.pop_back();
  }
  return line;
}

std::unique_ptr<TStream> MakeStream(int kind, const std::string& bytes,
                                    const testing::TempDir& dir) {
  switch (kind) {
    case 0:
      dir.Write("in.txt", bytes);
      return std::make_unique<TFileStream>(ToUtf16(dir.File("in.txt").string()), fmOpenReadWrite);
    case 1: {
      auto m = std::make_unique<TMemoryStream>();
      m->Write(bytes.data(), bytes.size());
      m->SetPosition(0);
      return m;
    }
    case 2:
      return std::make_unique<TStringStream>(bytes);
    case 3:
      return std::make_unique<ReadOnlyStream>(bytes);
    default:
      return std::make_unique<ChunkedViewStream>(bytes);
  }
}

// File, memory and string streams, a stream with Read only and one with odd views, each
// against byte-by-byte reading of the same bytes, under a random mix of line reads in
// every mode, plain reads, seeks, writes and searches: results and positions must agree.
TEST(ReadLnStream, EveryStreamKindAgreesWithByteByByteReading) {
  const testing::TempDir dir("korvex_readln");
  std::mt19937 rng(11);
  std::vector<char> got(70000), want(70000);
  for (int round = 0; round < 100; ++round) {
    const int kind = round % 5;
    // Line ends dense, sparse or rare; files span several 64 KiB windows.
    const std::size_t size = kind == 0 ? rng() % 300000 : rng() % 3000;
    const unsigned spacing = std::array{2u, 30u, 3000u}[rng() % 3];
    std::string bytes(size, ' ');
    for (char& c : bytes) c = rng() % spacing == 0 ? "\r\n"[rng() % 2] : "ab\xE9\0"[rng() % 4];
    const std::unique_ptr<TStream> s = MakeStream(kind, bytes, dir);
    BytesStream ref(bytes);
    for (int step = 0; step < 300; ++step) {
      const unsigned op = rng() % 8;
      if (op < 4) {
        const std::int32_t mode = std::array{0, 1, 2, 3, 4, 5, -1}[rng() % 7];
        bool eos = false, ref_eos = true;
        ASSERT_EQ(ReadLnStream(*s, eos, mode), ReadLnByBytes(ref, ref_eos, mode)) << round;
        ASSERT_EQ(eos, ref_eos) << round << " " << step;
      } else if (op == 4) {
        const std::size_t n = rng() % 8 == 0 ? got.size() : rng() % 100;
        const std::size_t count = s->Read(got.data(), n);
        ASSERT_EQ(count, ref.Read(want.data(), n)) << round << " " << step;
        ASSERT_EQ(std::memcmp(got.data(), want.data(), count), 0) << round << " " << step;
      } else if (op == 5) {
        const std::int64_t to = static_cast<std::int64_t>(rng() % (ref.Size() + 10));
        ASSERT_EQ(s->Seek(to, soFromBeginning), ref.Seek(to, soFromBeginning));
      } else if (op == 6 && kind <= 2) {
        const std::string w(rng() % 20, "\r\nx"[rng() % 3]);
        ASSERT_EQ(s->Write(w.data(), w.size()), ref.Write(w.data(), w.size()));
      } else {
        const Byte target = "\n\ra"[rng() % 3];
        Byte c;
        bool found = false;
        while (!found && ref.Read(&c, 1) == 1) found = c == target;
        ASSERT_EQ(FindInStream(*s, target), found) << round << " " << step;
      }
      ASSERT_EQ(s->Position(), ref.Position()) << round << " " << step;
    }
    const std::int64_t from = static_cast<std::int64_t>(rng() % (ref.Size() + 1));
    s->SetPosition(from);
    ref.SetPosition(from);
    std::int64_t lf = 0;
    Byte c;
    while (ref.Read(&c, 1) == 1) lf += c == 10;
    ASSERT_EQ(CountLinesInStream(*s), lf) << round;
    ASSERT_EQ(s->Position(), ref.Position()) << round;
  }
}

TEST(StreamAsString, ReadsBlocksOf256) {
  const struct {
    std::size_t length;
    std::vector<std::size_t> reads;
  } cases[] = {
      {0, {256}},
      {255, {256}},
      {256, {256, 256}},
      {600, {256, 256, 256}},
      {768, {256, 256, 256, 256}},
  };
  for (const auto& c : cases) {
    std::string bytes(c.length, '\0');
    for (std::size_t i = 0; i < c.length; ++i) bytes[i] = static_cast<char>(i * 31);
    CountingStream s(bytes);
    const String text = StreamAsString(s);
    EXPECT_EQ(s.reads, c.reads) << c.length;
    ASSERT_EQ(text.size(), c.length);
    for (std::size_t i = 0; i < c.length; ++i) {
      ASSERT_EQ(text[i], static_cast<Char>(static_cast<unsigned char>(bytes[i])));
    }
    EXPECT_EQ(s.Position(), static_cast<std::int64_t>(c.length));
  }
}

TEST(StreamAsString, StartsAtThePosition) {
  BytesStream s("header:body");
  s.SetPosition(7);
  EXPECT_EQ(StreamAsString(s), u"body");
  EXPECT_EQ(StreamAsString(s), u"");
}

TEST(FindInStream, StopsRightAfterTheByte) {
  CountingStream s(std::string("abc\0def", 7));
  EXPECT_TRUE(FindInStream(s, 0));
  EXPECT_EQ(s.Position(), 4);
  EXPECT_TRUE(FindInStream(s, 'e'));
  EXPECT_EQ(s.Position(), 6);
  EXPECT_FALSE(FindInStream(s, 'a'));
  EXPECT_EQ(s.Position(), 7);
  for (std::size_t r : s.reads) EXPECT_EQ(r, 1u);
}

TEST(CountLinesInStream, CountsLineFeedsToTheEnd) {
  BytesStream s("skip\na\nb\r\n\nc");
  s.SetPosition(5);
  EXPECT_EQ(CountLinesInStream(s), 3);
  EXPECT_EQ(s.Position(), s.Size());
  BytesStream empty("");
  EXPECT_EQ(CountLinesInStream(empty), 0);
}

// Values written by the writers come back through the readers, text lines included.
TEST(TextIo, RoundTripWithNumbersAndLines) {
  TMemoryStream s;
  const String lines[] = {u"first", u"", u"tab\tand blank ", String{0xE9, 0xFF, 0x80}};
  for (const String& l : lines) {
    WriteLnStream(s, l);
    WriteLongintToStream(s, -123456);
    WriteDoubleToStream(s, 2.5);
  }
  WriteStringStream(s, u"tail");
  s.SetPosition(0);
  for (const String& l : lines) {
    bool eos = true, failed = true;
    EXPECT_EQ(ReadLnStream(s, eos, 4), l);
    EXPECT_FALSE(eos);
    EXPECT_EQ(ReadLongintFromStream(s, failed), -123456);
    EXPECT_FALSE(failed);
    EXPECT_EQ(ReadDoubleFromStream(s, failed), 2.5);
    EXPECT_FALSE(failed);
  }
  bool eos = false;
  EXPECT_EQ(ReadLnStream(s, eos, 0), u"tail");
  EXPECT_TRUE(eos);
}

TEST(TextIo, RoundTripThroughAFileStream) {
  const testing::TempDir dir("korvex_text_io");
  const std::string name = dir.File("roundtrip.txt").string();
  std::vector<String> lines;
  std::mt19937 rng(5);
  for (int i = 0; i < 20000; ++i) {
    String l(rng() % 90, u' ');
    for (Char& c : l) c = static_cast<Char>(32 + rng() % 224);
    lines.push_back(l);
  }
  {
    TFileStream f(ToUtf16(name), fmCreate);
    for (const String& l : lines) WriteLnStream(f, l);
  }
  TFileStream f(ToUtf16(name), fmOpenRead);
  for (const String& l : lines) {
    bool eos = true;
    ASSERT_EQ(ReadLnStream(f, eos, 0), l);
    ASSERT_FALSE(eos);
  }
  bool eos = false;
  EXPECT_EQ(ReadLnStream(f, eos, 0), u"");
  EXPECT_TRUE(eos);
  f.SetPosition(0);
  EXPECT_EQ(CountLinesInStream(f), 20000);
}

}  // namespace
}  // namespace krv
