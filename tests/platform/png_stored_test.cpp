#include "platform/internal/png_stored.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "test_support/png_read.h"

namespace krv::detail {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(StoredPng, ChecksumsMatchTheirStandardCheckValues) {
  EXPECT_EQ(PngCrc32(Bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(PngCrc32(Bytes("6789"), PngCrc32(Bytes("12345"))), 0xCBF43926u);
  EXPECT_EQ(Adler32(Bytes("Wikipedia")), 0x11E60398u);
  // Long runs of 0xFF push both sums to their limits between reductions.
  const std::vector<std::uint8_t> ff(100000, 0xFF);
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t v : ff) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(Adler32(ff), (b << 16) | a);
}

// A PNG decoder (libpng where the target has it) reads every file back to the pixels written:
// one and many stored blocks (65535 bytes each) and IDAT chunks (1 MiB each).
TEST(StoredPng, DecodesToThePixels) {
  struct Case {
    std::uint32_t w, h;
  };
  std::mt19937 gen(3);
  for (const Case c : {Case{1, 1}, Case{3, 2}, Case{7000, 5}, Case{500, 800}}) {
    std::vector<std::uint8_t> rgb(std::size_t{c.w} * c.h * 3);
    for (auto& v : rgb) v = static_cast<std::uint8_t>(gen());
    const std::vector<std::uint8_t> png = EncodeStoredPng(c.w, c.h, rgb);
    const testing::PngPicture pic = testing::DecodePng(std::string(png.begin(), png.end()));
    ASSERT_TRUE(pic.ok) << c.w << "x" << c.h << ": " << pic.error;
    EXPECT_EQ(pic.width, c.w);
    EXPECT_EQ(pic.height, c.h);
    EXPECT_TRUE(pic.rgb == rgb) << c.w << "x" << c.h;
  }
}

TEST(StoredPng, DamagedChunkIsRefused) {
  const std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6};
  std::vector<std::uint8_t> png = EncodeStoredPng(2, 1, rgb);
  png[png.size() - 20] ^= 0x40;  // inside the IDAT chunk, before its CRC
  EXPECT_FALSE(testing::DecodePng(std::string(png.begin(), png.end())).ok);
}

}  // namespace
}  // namespace krv::detail
