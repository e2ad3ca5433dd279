#include "korvex/stringl/uucode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "korvex/platform/text.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

// Bytes <-> strings of one character per byte.
String FromBytes(const std::string& b) {
  String s;
  for (unsigned char c : b) s += static_cast<Char>(c);
  return s;
}
std::string ToBytes(const String& s) {
  std::string b;
  for (Char c : s) b += static_cast<char>(c);
  return b;
}

String RandomBytes(std::mt19937& rng, std::size_t n) {
  String s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<Char>(rng() % 256);
  return s;
}

// ---- Known encodings -------------------------------------------------------------------------

TEST(UUEncodeStr, KnownBlocks) {
  // Output of "uuencode data" (GNU sharutils 4.15) for the same bytes.
  EXPECT_EQ(ToUtf8(UUEncodeStr(u"")), "begin 644 data\n`\nend\n");
  EXPECT_EQ(ToUtf8(UUEncodeStr(u"hello world")), "begin 644 data\n+:&5L;&\\@=V]R;&0`\n`\nend\n");
  EXPECT_EQ(ToUtf8(UUEncodeStr(u"Cat")), "begin 644 data\n#0V%T\n`\nend\n");
  EXPECT_EQ(UUEncodeStr(String(1, u'\0')), u"begin 644 data\n!````\n`\nend\n");
}

TEST(UUEncodeStr, LineLayout) {
  std::mt19937 rng(1);
  const String block = UUEncodeStr(RandomBytes(rng, 100));
  // 45 + 45 + 10 bytes: two full lines of 61 characters and one of 1 + 16.
  const std::string text = ToUtf8(block);
  std::size_t a = text.find('\n') + 1;
  std::size_t b = text.find('\n', a);
  EXPECT_EQ(text[a], 'M');
  EXPECT_EQ(b - a, 61u);
  a = b + 1;
  b = text.find('\n', a);
  EXPECT_EQ(b - a, 61u);
  a = b + 1;
  b = text.find('\n', a);
  EXPECT_EQ(text[a], '*');  // 32 + 10
  EXPECT_EQ(b - a, 17u);
  // Data lines use '!'..'`' only: no blanks that mail could strip.
  const std::string body =
      text.substr(text.find('\n') + 1, text.rfind("end") - text.find('\n') - 1);
  for (char c : body) EXPECT_TRUE(c == '\n' || (c > 32 && c <= 96)) << int{c};
}

TEST(UUEncodeStr, RefusesCharactersAboveByteRange) {
  EXPECT_EQ(UUEncodeStr(u"a\u0100b"), u"");
  EXPECT_NE(UUEncodeStr(u"a\u00ffb"), u"");
}

TEST(UUDecodeStr, RoundTripAllLengths) {
  std::mt19937 rng(2);
  for (std::size_t n = 0; n < 200; ++n) {
    const String bytes = RandomBytes(rng, n);
    ASSERT_EQ(UUDecodeStr(UUEncodeStr(bytes)), bytes) << n;
  }
  const String big = RandomBytes(rng, 100000);
  EXPECT_EQ(UUDecodeStr(UUEncodeStr(big)), big);
}

TEST(UUDecodeStr, Variants) {
  // Body without header, CR LF line ends, blanks for zero, text around the block.
  EXPECT_EQ(UUDecodeStr(u"#0V%T\n`\n"), u"Cat");
  EXPECT_EQ(UUDecodeStr(u"#0V%T"), u"Cat");
  EXPECT_EQ(UUDecodeStr(u"begin 600 x\r\n#0V%T\r\n`\r\nend\r\n"), u"Cat");
  EXPECT_EQ(UUDecodeStr(u"mail text\nbegin 644 x\n#0V%T\n`\nend\ntrailer\n"), u"Cat");
  EXPECT_EQ(UUDecodeStr(u"!    \n"), String(1, u'\0'));      // blanks as zero
  EXPECT_EQ(UUDecodeStr(u"$0V%T"), String(u"Cat") + u'\0');  // short line: zeros
  EXPECT_EQ(UUDecodeStr(u"#0V%T\n\n#0V%T\n"), u"Cat");       // empty line ends
  EXPECT_EQ(UUDecodeStr(u"#0V%T\nend\n#0V%T\n"), u"Cat");
  EXPECT_EQ(UUDecodeStr(u""), u"");
  EXPECT_EQ(UUDecodeStr(u"begin-base64 644 x\nQ2F0\n====\n"), u"");
  EXPECT_EQ(UUDecodeStr(u"begin 644 x\n"), u"");
  // Any text decodes to something, whatever characters it holds.
  EXPECT_EQ(UUDecodeStr(u"\u4e2d\u4e2d\u4e2d\u4e2d\u4e2d").size(),
            static_cast<std::size_t>((0x4e2d - 32) & 63));
}

// ---- Agreement with the sharutils programs -----------------------------------------------------

class Sharutils : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::FindProgram("uuencode") || !testing::FindProgram("uudecode"))
      GTEST_SKIP() << "uuencode/uudecode (sharutils) not installed; agreement not checked";
  }
  std::string Path(const char* name) const { return dir_.File(name).string(); }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  testing::TempDir dir_{"korvex_uucode"};
};

TEST_F(Sharutils, UudecodeReadsOurBlocks) {
  std::mt19937 rng(3);
  for (std::size_t n : {0u, 1u, 2u, 3u, 44u, 45u, 46u, 1000u, 4567u}) {
    const String bytes = RandomBytes(rng, n);
    Write(Path("in.uu"), ToBytes(UUEncodeStr(bytes)));
    ASSERT_EQ(testing::RunProcess({"uudecode", "-o", Path("out.bin"), Path("in.uu")}).status, 0)
        << n;
    EXPECT_EQ(FromBytes(Read(Path("out.bin"))), bytes) << n;
  }
}

TEST_F(Sharutils, WeReadUuencodeBlocks) {
  std::mt19937 rng(4);
  for (std::size_t n : {0u, 1u, 2u, 3u, 44u, 45u, 46u, 1000u, 4567u}) {
    const std::string bytes = ToBytes(RandomBytes(rng, n));
    Write(Path("src.bin"), bytes);
    testing::ProcessOptions from_file;
    from_file.in_file = Path("src.bin");
    const testing::ProcessResult encoded = testing::RunProcess({"uuencode", "data"}, from_file);
    ASSERT_EQ(encoded.status, 0) << n;
    const std::string& block = encoded.out;
    EXPECT_EQ(UUDecodeStr(FromBytes(block)), FromBytes(bytes)) << n;
    // Same bytes, same block: the encoder writes what uuencode writes.
    EXPECT_EQ(ToBytes(UUEncodeStr(FromBytes(bytes))), block) << n;
  }
}

}  // namespace
}  // namespace krv
