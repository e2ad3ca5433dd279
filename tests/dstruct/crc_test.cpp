#include "korvex/dstruct/crc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "dstruct/checksum_test_support.h"
#include "dstruct/internal/checksum_dispatch.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "test_support/temp_dir.h"

#ifdef KORVEX_HAVE_ZLIB
#include <zlib.h>
#endif

namespace krv {
namespace {

using detail::ChecksumPath;

// Slow, obvious references: one bit at a time, straight from the polynomials.
std::uint16_t Crc16Bitwise(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (p[i] << 8));
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

std::uint32_t Crc32Bitwise(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc;
}

std::vector<Byte> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

using testing::RandomBytes;

using testing::PathGuard;

// Every CRC-32 code path this processor can run, by name.
struct Crc32Path {
  const char* name;
  std::uint32_t (*fn)(std::uint32_t, const std::uint8_t*, std::size_t);
};
std::vector<Crc32Path> AvailableCrc32Paths() {
  std::vector<Crc32Path> paths = {{"bytewise", &detail::Crc32Bytewise},
                                  {"slicing8", &detail::Crc32Slicing8}};
  if (detail::CpuHasClmul()) paths.push_back({"clmul", &detail::Crc32Clmul});
  if (detail::CpuHasClmulWide()) paths.push_back({"clmul-wide", &detail::Crc32ClmulWide});
  return paths;
}

// Check values from the "Catalogue of parametrised CRC algorithms" (Greg Cook,
// reveng.sourceforge.io/crc-catalogue): the CRC of the nine ASCII digits 123456789.
TEST(Crc, CatalogueCheckValues) {
  const auto digits = Bytes("123456789");
  EXPECT_EQ(CRC16ofBuffer(digits, 9, crcZModem), 0x31C3);                        // CRC-16/XMODEM
  EXPECT_EQ(CRC16ofBuffer(digits, 9, crcCCITT), 0x29B1);                         // CRC-16/IBM-3740
  EXPECT_EQ(static_cast<std::uint32_t>(CRC32ofBuffer(digits, 9)), 0xCBF43926u);  // ISO-HDLC
}

TEST(Crc, NoBytesGiveTheStartValue) {
  const auto digits = Bytes("123456789");
  const std::vector<Byte> empty;
  struct Case {
    const std::vector<Byte>* buffer;
    Integer n;
  };
  for (const Case& c :
       {Case{&empty, 0}, Case{&digits, 0}, Case{&digits, -1}, Case{&digits, INT32_MIN}}) {
    EXPECT_EQ(CRC16ofBuffer(*c.buffer, c.n, crcZModem), 0x0000) << c.n;
    EXPECT_EQ(CRC16ofBuffer(*c.buffer, c.n, crcCCITT), 0xFFFF) << c.n;
    EXPECT_EQ(CRC32ofBuffer(*c.buffer, c.n), 0) << c.n;
  }
}

TEST(Crc, CountIsExactAndCutToTheArray) {
  const auto digits = Bytes("123456789");
  const auto first5 = Bytes("12345");
  EXPECT_EQ(CRC16ofBuffer(digits, 5, crcCCITT), CRC16ofBuffer(first5, 5, crcCCITT));
  EXPECT_EQ(CRC32ofBuffer(digits, 5), CRC32ofBuffer(first5, 5));
  // A count beyond the array reads no further than the array.
  EXPECT_EQ(CRC16ofBuffer(first5, 1000, crcZModem), CRC16ofBuffer(first5, 5, crcZModem));
  EXPECT_EQ(CRC32ofBuffer(first5, INT32_MAX), CRC32ofBuffer(first5, 5));
  EXPECT_EQ(CRC32ofBuffer({}, 10), 0);
}

TEST(Crc, NextByteMatchesTheBitwiseDefinition) {
  const std::uint32_t registers[] = {0,      1,          0xFFFF,     0x8000,
                                     0x1234, 0xFFFFFFFF, 0x80000000, 0xDEADBEEF};
  for (std::uint32_t reg : registers) {
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      const auto r16 = static_cast<std::uint16_t>(reg);
      EXPECT_EQ(CalcNextCRC16(byte, r16), Crc16Bitwise(r16, &byte, 1)) << reg << " " << b;
      // The register is used as 32 unsigned bits: a negative value shifts in zeros.
      EXPECT_EQ(static_cast<std::uint32_t>(CalcNextCRC32(byte, static_cast<Integer>(reg))),
                Crc32Bitwise(reg, &byte, 1))
          << reg << " " << b;
    }
  }
}

TEST(Crc, BufferEqualsByteByByte) {
  const auto data = RandomBytes(1000, 1);
  Word c16x = 0, c16c = 0xFFFF;
  Integer c32 = -1;
  for (Byte b : data) {
    c16x = CalcNextCRC16(b, c16x);
    c16c = CalcNextCRC16(b, c16c);
    c32 = CalcNextCRC32(b, c32);
  }
  EXPECT_EQ(CRC16ofBuffer(data, 1000, crcZModem), c16x);
  EXPECT_EQ(CRC16ofBuffer(data, 1000, crcCCITT), c16c);
  EXPECT_EQ(CRC32ofBuffer(data, 1000), ~c32);
}

TEST(Crc, Crc16SlicingMatchesBitwiseAtEveryLengthAndAlignment) {
  const auto data = RandomBytes(4096 + 64, 2);
  for (std::size_t len = 0; len <= 1024; ++len)
    for (std::size_t align = 0; align < 8; ++align) {
      const std::uint8_t* p = data.data() + align;
      for (std::uint16_t start : {std::uint16_t{0}, std::uint16_t{0xFFFF}}) {
        const auto want = Crc16Bitwise(start, p, len);
        ASSERT_EQ(detail::Crc16Slicing8(start, p, len), want) << len << " " << align;
        ASSERT_EQ(detail::Crc16Bytewise(start, p, len), want) << len << " " << align;
        ASSERT_EQ(UpdateCRC16(start, p, len), want) << len << " " << align;
      }
    }
  EXPECT_EQ(UpdateCRC16(0, data.data(), 4096), Crc16Bitwise(0, data.data(), 4096));
}

TEST(Crc, Crc32PathsMatchBitwise) {
  const auto data = RandomBytes(2048 + 64, 3);
  for (const auto& path : AvailableCrc32Paths()) {
    for (std::size_t len = 0; len <= 2048; len += (len < 300 ? 1 : 37))
      for (std::size_t align = 0; align < 64; align += 7) {
        const std::uint8_t* p = data.data() + align;
        for (std::uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u})
          ASSERT_EQ(path.fn(start, p, len), Crc32Bitwise(start, p, len))
              << path.name << " " << len << " " << align << " " << start;
      }
  }
}

#ifdef KORVEX_HAVE_ZLIB
// zlib's crc32 is CRC-32/ISO-HDLC with the start value and complement built in.
std::uint32_t ZlibCrc32(const std::uint8_t* p, std::size_t n) {
  return static_cast<std::uint32_t>(crc32(0, p, static_cast<uInt>(n)));
}

TEST(Crc, Crc32PathsMatchZlibAtEveryLengthAndAlignment) {
  // The widest loads are 64 bytes, so offsets 0..63 cover every alignment.
  const auto data = RandomBytes(4096 + 64, 4);
  const auto paths = AvailableCrc32Paths();
  for (std::size_t len = 0; len <= 4096; ++len)
    for (std::size_t align = 0; align < 64; ++align) {
      const std::uint8_t* p = data.data() + align;
      const std::uint32_t want = ZlibCrc32(p, len);
      for (std::size_t i = 1; i < paths.size(); ++i)  // the bytewise path is tested above
        ASSERT_EQ(~paths[i].fn(0xFFFFFFFFu, p, len), want)
            << paths[i].name << " " << len << " " << align;
    }
}

TEST(Crc, PublicFunctionsMatchZlibOnEveryForcedPath) {
  PathGuard guard;
  const auto data = RandomBytes(70000, 5);
  for (ChecksumPath path :
       {ChecksumPath::kBest, ChecksumPath::kNoWideVectors, ChecksumPath::kPortable}) {
    detail::SetChecksumPath(path);
    for (std::size_t len : {0, 1, 63, 64, 65, 127, 128, 255, 256, 257, 1000, 4096, 65536, 70000}) {
      const std::vector<Byte> buf(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(len));
      EXPECT_EQ(static_cast<std::uint32_t>(CRC32ofBuffer(buf, static_cast<Integer>(len))),
                ZlibCrc32(buf.data(), len))
          << static_cast<int>(path) << " " << len;
    }
  }
}

TEST(Crc, Crc32InPiecesEqualsWhole) {
  const auto data = RandomBytes(100000, 6);
  std::mt19937 gen(7);
  for (int trial = 0; trial < 50; ++trial) {
    std::uint32_t crc = 0xFFFFFFFFu;
    std::size_t pos = 0;
    while (pos < data.size()) {
      const std::size_t n = std::min<std::size_t>(gen() % 5000, data.size() - pos);
      crc = UpdateCRC32(crc, data.data() + pos, n);
      pos += n;
    }
    ASSERT_EQ(~crc, ZlibCrc32(data.data(), data.size()));
  }
}
#else
TEST(Crc, Crc32PathsMatchZlibAtEveryLengthAndAlignment) {
  GTEST_SKIP() << "zlib for this target is not installed: no cross-check";
}
#endif  // KORVEX_HAVE_ZLIB

TEST(Crc, Crc16PathsAreIndependentOfTheForcedPath) {
  PathGuard guard;
  const auto data = RandomBytes(5000, 8);
  const auto want = Crc16Bitwise(0xFFFF, data.data(), data.size());
  for (ChecksumPath path : {ChecksumPath::kBest, ChecksumPath::kPortable}) {
    detail::SetChecksumPath(path);
    EXPECT_EQ(CRC16ofBuffer(data, 5000, crcCCITT), want);
  }
}

// A file in a temporary folder, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) : dir_("krv_crc_test") { dir_.Write("f", bytes); }
  String Name() const { return ToUtf16(dir_.File("f").string()); }

 private:
  testing::TempDir dir_;
};

TEST(Crc, FileCrcEqualsBufferCrc) {
  TempFile digits("123456789");
  EXPECT_EQ(static_cast<std::uint32_t>(CalcCRC32ofFile(digits.Name())), 0xCBF43926u);
  TempFile empty("");
  EXPECT_EQ(CalcCRC32ofFile(empty.Name()), 0);

  const auto data = RandomBytes(3 * 1024 * 1024 + 17, 9);  // several read blocks
  TempFile big(std::string(data.begin(), data.end()));
  EXPECT_EQ(CalcCRC32ofFile(big.Name()), CRC32ofBuffer(data, static_cast<Integer>(data.size())));
}

TEST(Crc, FileCrcClearsThePendingIoError) {
  IOChecksOff off;
  TextFile f;
  f.Assign(u"/nonexistent/krv/no such file");
  f.Reset();
  ASSERT_NE(IOResult(), 0);  // a failed open leaves a code pending
  f.Reset();
  TempFile digits("123456789");
  EXPECT_EQ(static_cast<std::uint32_t>(CalcCRC32ofFile(digits.Name())), 0xCBF43926u);
  EXPECT_EQ(IOResult(), 0);
}

TEST(Crc, FileFailuresGiveZero) {
  EXPECT_EQ(CalcCRC32ofFile(u"/nonexistent/krv/no such file"), 0);
  EXPECT_EQ(CalcCRC32ofFile(u""), 0);
  const testing::TempDir dir("krv_crc_test");
  EXPECT_EQ(CalcCRC32ofFile(ToUtf16(dir.Path().string())), 0);
}

}  // namespace
}  // namespace krv
