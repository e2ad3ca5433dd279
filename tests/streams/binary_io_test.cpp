#include "korvex/streams/binary_io.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "counting_stream.h"
#include "korvex/platform/exceptions.h"
#include "streams/internal/x87.h"

namespace krv {
namespace {

using testing::BytesOf;
using testing::BytesStream;
using testing::CountingStream;
using testing::FailingStream;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

template <class F>
std::string Image(F write) {
  CountingStream s;
  write(s);
  EXPECT_EQ(s.writes.size(), 1u) << "one WriteBuffer per value";
  return Hex(s.Bytes());
}

// Byte images from the IEEE 754 binary32/binary64 encodings and the x87 80-bit layout of
// the Intel 64 and IA-32 Architectures Software Developer's Manual, vol. 1, section 4.2.
TEST(BinaryIo, KnownImages) {
  struct Case {
    std::string image;
    std::string expected;
  } cases[] = {
      {Image([](TStream& s) { WriteLongintToStream(s, 1); }), "01 00 00 00"},
      {Image([](TStream& s) { WriteLongintToStream(s, -1); }), "FF FF FF FF"},
      {Image([](TStream& s) { WriteLongintToStream(s, 0x12345678); }), "78 56 34 12"},
      {Image([](TStream& s) { WriteLongintToStream(s, INT32_MIN); }), "00 00 00 80"},
      {Image([](TStream& s) { WriteSingleToStream(s, 1.0f); }), "00 00 80 3F"},
      {Image([](TStream& s) { WriteSingleToStream(s, -2.5f); }), "00 00 20 C0"},
      {Image([](TStream& s) { WriteDoubleToStream(s, 1.0); }), "00 00 00 00 00 00 F0 3F"},
      {Image([](TStream& s) { WriteDoubleToStream(s, -0.0); }), "00 00 00 00 00 00 00 80"},
      {Image([](TStream& s) { WriteDoubleToStream(s, 0.1); }), "9A 99 99 99 99 99 B9 3F"},
      {Image([](TStream& s) { WriteExtendedToStream(s, 1.0L); }), "00 00 00 00 00 00 00 80 FF 3F"},
      {Image([](TStream& s) { WriteExtendedToStream(s, -2.0L); }), "00 00 00 00 00 00 00 80 00 C0"},
      {Image([](TStream& s) { WriteExtendedToStream(s, 0.5L); }), "00 00 00 00 00 00 00 80 FE 3F"},
      {Image([](TStream& s) { WriteExtendedToStream(s, 3.0L); }), "00 00 00 00 00 00 00 C0 00 40"},
      {Image([](TStream& s) { WriteExtendedToStream(s, 0.0L); }), "00 00 00 00 00 00 00 00 00 00"},
      // pi rounded to 64 bits: C90FDAA2 2168C235 (the x87 FLDPI constant).
      {Image([](TStream& s) { WriteExtendedToStream(s, 3.14159265358979323846264338327950L); }),
       "35 C2 68 21 A2 DA 0F C9 00 40"},
      {Image([](TStream& s) {
         WriteExtendedToStream(s, std::numeric_limits<long double>::infinity());
       }),
       "00 00 00 00 00 00 00 80 FF 7F"},
      {Image([](TStream& s) {
         WriteExtendedToStream(s, std::numeric_limits<long double>::denorm_min());
       }),
       "01 00 00 00 00 00 00 00 00 00"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.image, c.expected);
}

TEST(BinaryIo, ReadsKnownImages) {
  BytesStream s(
      std::string("\x78\x56\x34\x12"
                  "\x00\x00\x80\x3F"
                  "\x00\x00\x00\x00\x00\x00\xF0\x3F"
                  "\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F",
                  26));
  bool failed = true;
  EXPECT_EQ(ReadLongintFromStream(s, failed), 0x12345678);
  EXPECT_FALSE(failed);
  failed = true;
  EXPECT_EQ(ReadSingleFromStream(s, failed), 1.0f);
  EXPECT_FALSE(failed);
  failed = true;
  EXPECT_EQ(ReadDoubleFromStream(s, failed), 1.0);
  EXPECT_FALSE(failed);
  failed = true;
  EXPECT_EQ(ReadExtendedFromStream(s, failed), 1.0L);
  EXPECT_FALSE(failed);
  EXPECT_EQ(s.Position(), 26);
  ReadLongintFromStream(s, failed);
  EXPECT_TRUE(failed);
}

TEST(BinaryIo, ShortStreamsSetTheFailedFlag) {
  struct Case {
    int need;
    int (*read)(TStream&, bool&);
  };
  const Case cases[] = {
      {4, [](TStream& s, bool& f) { return static_cast<int>(ReadLongintFromStream(s, f)); }},
      {4, [](TStream& s, bool& f) { return static_cast<int>(ReadSingleFromStream(s, f)); }},
      {8, [](TStream& s, bool& f) { return static_cast<int>(ReadDoubleFromStream(s, f)); }},
      {10, [](TStream& s, bool& f) { return static_cast<int>(ReadExtendedFromStream(s, f)); }},
  };
  for (const Case& c : cases) {
    for (int have = 0; have < c.need; ++have) {
      BytesStream s(std::string(static_cast<std::size_t>(have), '\x7F'));
      bool failed = false;
      EXPECT_EQ(c.read(s, failed), 0) << c.need << " " << have;
      EXPECT_TRUE(failed) << c.need << " " << have;
      EXPECT_EQ(s.Position(), have);  // what was there has been consumed
    }
    BytesStream full(std::string(static_cast<std::size_t>(c.need), '\0'));
    bool failed = true;
    c.read(full, failed);
    EXPECT_FALSE(failed);
  }
}

TEST(BinaryIo, RaisingStreamsSetTheFailedFlag) {
  FailingStream s(std::string(16, '\x01'), 2);
  bool failed = false;
  EXPECT_EQ(ReadLongintFromStream(s, failed), 0);
  EXPECT_TRUE(failed);
  FailingStream d(std::string(16, '\x01'), 0);
  failed = false;
  ReadExtendedFromStream(d, failed);
  EXPECT_TRUE(failed);
}

TEST(BinaryIo, WritersPassOnTheWriteError) {
  FailingStream s("", 0);  // refuses every write
  EXPECT_THROW(WriteLongintToStream(s, 1), EWriteError);
  EXPECT_THROW(WriteExtendedToStream(s, 1.0L), EWriteError);
}

TEST(BinaryIo, RoundTrips) {
  std::mt19937_64 rng(7);
  TMemoryStream s;
  std::vector<std::int32_t> ints;
  std::vector<std::uint32_t> singles;
  std::vector<std::uint64_t> doubles;
  std::vector<long double> extendeds;
  for (int i = 0; i < 500; ++i) {
    ints.push_back(static_cast<std::int32_t>(rng()));
    singles.push_back(static_cast<std::uint32_t>(rng()) & 0x7F7FFFFFu);  // finite values
    doubles.push_back(rng() & 0x7FEFFFFFFFFFFFFFu);
    extendeds.push_back(
        std::ldexp(static_cast<long double>(rng() | 1u), static_cast<int>(rng() % 32000) - 16000));
    WriteLongintToStream(s, ints.back());
    WriteSingleToStream(s, std::bit_cast<float>(singles.back()));
    WriteDoubleToStream(s, std::bit_cast<double>(doubles.back()));
    WriteExtendedToStream(s, extendeds.back());
  }
  EXPECT_EQ(s.Size(), 500 * 26);
  s.SetPosition(0);
  for (int i = 0; i < 500; ++i) {
    bool f1, f2, f3, f4;
    EXPECT_EQ(ReadLongintFromStream(s, f1), ints[i]);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(ReadSingleFromStream(s, f2)), singles[i]);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(ReadDoubleFromStream(s, f3)), doubles[i]);
    EXPECT_EQ(ReadExtendedFromStream(s, f4), extendeds[i]);
    ASSERT_FALSE(f1 || f2 || f3 || f4);
  }
}

std::array<Byte, 10> ImageOf(std::uint64_t mantissa, unsigned top) {
  std::array<Byte, 10> b{};
  for (int i = 0; i < 8; ++i) b[i] = static_cast<Byte>(mantissa >> (8 * i));
  b[8] = static_cast<Byte>(top);
  b[9] = static_cast<Byte>(top >> 8);
  return b;
}

bool SameExtended(long double a, long double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b && std::signbit(a) == std::signbit(b);
}

// The portable codec against the host's own x87 layout (where the host has one).
TEST(BinaryIo, PortableCodecMatchesNativeLayout) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "no x87 long double";
  std::mt19937_64 rng(99);
  for (int i = 0; i < 200000; ++i) {
    const unsigned sign = (rng() & 1) ? 0x8000u : 0u;
    unsigned exponent = static_cast<unsigned>(rng() % 0x8000u);
    if (i % 7 == 0) exponent = 0;
    if (i % 11 == 0) exponent = 0x7FFF;
    std::uint64_t mantissa = rng();
    if (exponent != 0) mantissa |= 0x8000000000000000u;  // valid encodings only
    if (exponent == 0) mantissa &= 0x7FFFFFFFFFFFFFFFu;
    if (i % 13 == 0) mantissa &= 0xFFFF000000000000u;
    const auto image = ImageOf(mantissa, exponent | sign);
    long double native = 0;
    std::memcpy(&native, image.data(), 10);
    ASSERT_TRUE(SameExtended(detail::DecodeX87Portable(image), native)) << i;
    ASSERT_TRUE(SameExtended(ExtendedFromBytes(image), native)) << i;
    if (!std::isnan(native)) {
      ASSERT_EQ(detail::EncodeX87Portable(native), image) << i;
      ASSERT_EQ(ExtendedToBytes(native), image) << i;
    }
  }
}

TEST(BinaryIo, InvalidImagesReadAsNaN) {
  // Unnormal (integer bit clear, exponent not 0), pseudo-infinity and pseudo-NaN.
  EXPECT_TRUE(std::isnan(ExtendedFromBytes(ImageOf(0x4000000000000000u, 0x3FFF))));
  EXPECT_TRUE(std::isnan(ExtendedFromBytes(ImageOf(0, 0x7FFF))));
  EXPECT_TRUE(std::isnan(ExtendedFromBytes(ImageOf(1, 0x7FFF))));
  EXPECT_TRUE(std::isnan(ExtendedFromBytes(ImageOf(0xC000000000000000u, 0x7FFF))));
  EXPECT_TRUE(std::isinf(ExtendedFromBytes(ImageOf(0x8000000000000000u, 0xFFFF))));
  EXPECT_TRUE(std::isnan(detail::DecodeX87Portable(ImageOf(0x4000000000000000u, 0x3FFF))));
  // A pseudo-denormal (exponent 0, integer bit set) is 2^-16382.
  EXPECT_EQ(ExtendedFromBytes(ImageOf(0x8000000000000000u, 0)), std::ldexp(1.0L, -16382));
  EXPECT_EQ(detail::DecodeX87Portable(ImageOf(0x8000000000000000u, 0)), std::ldexp(1.0L, -16382));
}

TEST(BinaryIo, PortableEncoderRoundsAndSaturates) {
  EXPECT_EQ(detail::EncodeX87Portable(-0.0L), ImageOf(0, 0x8000));
  EXPECT_EQ(detail::EncodeX87Portable(std::numeric_limits<long double>::quiet_NaN()),
            ImageOf(0xC000000000000000u, 0x7FFF));
  EXPECT_EQ(detail::EncodeX87Portable(std::numeric_limits<long double>::max()),
            ImageOf(0xFFFFFFFFFFFFFFFFu, 0x7FFE));
  EXPECT_EQ(detail::EncodeX87Portable(std::numeric_limits<long double>::min()),
            ImageOf(0x8000000000000000u, 0x0001));
}

}  // namespace
}  // namespace krv
