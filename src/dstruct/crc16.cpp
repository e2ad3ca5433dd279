// CRC-16 with polynomial 0x1021, most significant bit first, by slicing-by-8: eight tables
// where table k holds the register for a byte followed by k zero bytes, so eight input bytes
// cost eight independent lookups.
#include <algorithm>
#include <array>

#include "dstruct/internal/checksum_dispatch.h"
#include "korvex/dstruct/crc.h"

namespace krv {
namespace {

using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = i << 8;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1;
    t[0][i] = static_cast<std::uint16_t>(r);
  }
  for (int k = 1; k < 8; ++k)
    for (unsigned i = 0; i < 256; ++i) {
      const unsigned prev = t[k - 1][i];
      t[k][i] = static_cast<std::uint16_t>((prev << 8) ^ t[0][prev >> 8]);
    }
  return t;
}

constexpr Tables kTables = MakeTables();
static_assert(kTables[0][1] == 0x1021 && kTables[0][255] == 0x1EF0);

}  // namespace

namespace detail {

std::uint16_t Crc16Bytewise(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    crc = static_cast<std::uint16_t>(kTables[0][(crc >> 8) ^ p[i]] ^ (crc << 8));
  return crc;
}

std::uint16_t Crc16Slicing8(std::uint16_t crc, const std::uint8_t* p, std::size_t n) {
  const auto& t = kTables;
  unsigned r = crc;
  for (; n >= 8; n -= 8, p += 8) {
    r = t[7][p[0] ^ (r >> 8)] ^ t[6][p[1] ^ (r & 0xFF)] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^
        t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  return Crc16Bytewise(static_cast<std::uint16_t>(r), p, n);
}

}  // namespace detail

Word CalcNextCRC16(Byte b, Word crc) {
  return static_cast<Word>(kTables[0][((crc >> 8) ^ b) & 0xFF] ^ (crc << 8));
}

Word UpdateCRC16(Word crc, const void* data, std::size_t n) {
  return detail::Crc16Slicing8(crc, static_cast<const std::uint8_t*>(data), n);
}

Word CRC16ofBuffer(const std::vector<Byte>& buffer, Integer n, TCRC16Mode mode) {
  const Word start = mode == crcCCITT ? 0xFFFF : 0x0000;
  if (n <= 0) return start;
  const std::size_t count = std::min(static_cast<std::size_t>(n), buffer.size());
  return UpdateCRC16(start, buffer.data(), count);
}

}  // namespace krv
