// PNG without compression (platform/internal/png_stored.h).
#include "platform/internal/png_stored.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <new>
#include <string_view>

namespace krv::detail {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

void PutBE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// Appends a chunk: length, type, data and the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data) {
  PutBE32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutBE32(out, PngCrc32(std::span(out).subspan(start)));
}

// The zlib stream of the filtered rows (filter type 0 before every row), in stored blocks.
std::vector<std::uint8_t> StoredZlib(std::uint32_t width, std::uint32_t height,
                                     std::span<const std::uint8_t> rgb, std::size_t raw_size) {
  constexpr std::size_t kBlock = 65535;
  const std::size_t row_bytes = std::size_t{width} * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve(raw_size);
  for (std::size_t y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto row = rgb.subspan(y * row_bytes, row_bytes);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  std::vector<std::uint8_t> z;
  z.reserve(raw_size + raw_size / kBlock * 5 + 11);
  z.push_back(0x78);  // deflate, 32 KiB window
  z.push_back(0x01);  // no dictionary, fastest; (0x78 << 8 | 0x01) % 31 == 0
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min(kBlock, raw.size() - pos);
    const bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    z.push_back(static_cast<std::uint8_t>(n));
    z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(static_cast<std::uint8_t>(~n));
    z.push_back(static_cast<std::uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
             raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
    pos += n;
  } while (pos < raw.size());
  PutBE32(z, Adler32(raw));
  return z;
}

}  // namespace

std::uint32_t PngCrc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  crc = ~crc;
  for (std::uint8_t b : bytes) crc = kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler) {
  constexpr std::uint32_t kMod = 65521;
  constexpr std::size_t kRun = 5552;  // the most bytes before the sums can overflow 32 bits
  std::uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (!bytes.empty()) {
    const std::size_t n = std::min(kRun, bytes.size());
    for (std::uint8_t v : bytes.first(n)) {
      a += v;
      b += a;
    }
    a %= kMod;
    b %= kMod;
    bytes = bytes.subspan(n);
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> EncodeStoredPng(std::uint32_t width, std::uint32_t height,
                                          std::span<const std::uint8_t> rgb) {
  // Row bytes and the whole file must fit in size_t (32-bit targets), with room for headers.
  const std::uint64_t raw = std::uint64_t{height} * (std::uint64_t{width} * 3 + 1);
  if (raw > std::numeric_limits<std::size_t>::max() / 2) throw std::bad_alloc();
  const std::vector<std::uint8_t> z = StoredZlib(width, height, rgb, static_cast<std::size_t>(raw));

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  constexpr std::size_t kIdat = std::size_t{1} << 20;
  out.reserve(z.size() + z.size() / kIdat * 12 + 64);
  std::vector<std::uint8_t> ihdr;
  PutBE32(ihdr, width);
  PutBE32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace
  PutChunk(out, "IHDR", ihdr);
  for (std::size_t pos = 0; pos < z.size(); pos += kIdat)
    PutChunk(out, "IDAT", std::span(z).subspan(pos, std::min(kIdat, z.size() - pos)));
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace krv::detail
