// CRC-32 with the reflected polynomial 0xEDB88320. The portable path is slicing-by-8 (eight
// tables, eight independent lookups per eight bytes); on processors with carry-less
// multiplication, inputs of 64 bytes or more go to the folding code in crc32_clmul.cpp.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "dstruct/internal/checksum_dispatch.h"
#include "korvex/dstruct/crc.h"

namespace krv {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i;
    for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
    t[0][i] = r;
  }
  for (int k = 1; k < 8; ++k)
    for (std::uint32_t i = 0; i < 256; ++i) {
      const std::uint32_t prev = t[k - 1][i];
      t[k][i] = (prev >> 8) ^ t[0][prev & 0xFF];
    }
  return t;
}

constexpr Tables kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[0][255] == 0x2D02EF8Du);

inline std::uint32_t LoadLE32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  return v;
}

// Inputs shorter than this stay on the table path: folding has a fixed setup cost.
constexpr std::size_t kClmulThreshold = 64;

}  // namespace

namespace detail {

std::uint32_t Crc32Bytewise(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) crc = kTables[0][(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t Crc32Slicing8(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  const auto& t = kTables;
  for (; n >= 8; n -= 8, p += 8) {
    const std::uint32_t one = LoadLE32(p) ^ crc;
    const std::uint32_t two = LoadLE32(p + 4);
    crc = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^ t[4][one >> 24] ^
          t[3][two & 0xFF] ^ t[2][(two >> 8) & 0xFF] ^ t[1][(two >> 16) & 0xFF] ^ t[0][two >> 24];
  }
  return Crc32Bytewise(crc, p, n);
}

}  // namespace detail

Integer CalcNextCRC32(Byte b, Integer crc) {
  const auto r = static_cast<std::uint32_t>(crc);
  return static_cast<Integer>(kTables[0][(r ^ b) & 0xFF] ^ (r >> 8));
}

Cardinal UpdateCRC32(Cardinal crc, const void* data, std::size_t n) {
  using detail::ChecksumPath;
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (n >= kClmulThreshold) {
    const ChecksumPath path = detail::GetChecksumPath();
    if (path == ChecksumPath::kBest && detail::CpuHasClmulWide())
      return detail::Crc32ClmulWide(crc, p, n);
    if (path != ChecksumPath::kPortable && detail::CpuHasClmul())
      return detail::Crc32Clmul(crc, p, n);
  }
  return detail::Crc32Slicing8(crc, p, n);
}

Integer CRC32ofBuffer(const std::vector<Byte>& buffer, Integer n) {
  if (n <= 0) return 0;
  const std::size_t count = std::min(static_cast<std::size_t>(n), buffer.size());
  return static_cast<Integer>(~UpdateCRC32(0xFFFFFFFFu, buffer.data(), count));
}

}  // namespace krv
