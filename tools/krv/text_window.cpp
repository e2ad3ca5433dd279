// The count of line ends of the text modes, and reading the file behind an Input at offsets.
#include "text_window.h"

#include <cstring>

namespace krv::tool {

// Eight bytes at a time: a byte of w ^ LF LF ... is zero exactly where w has an LF; each
// such byte adds 1 to its byte of `acc`, which is summed up before it can reach 256.
std::int64_t CountLineFeeds(const char* p, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFu;
  std::int64_t total = 0;
  while (n >= 8) {
    std::uint64_t acc = 0;
    for (int round = 0; round < 255 && n >= 8; ++round, p += 8, n -= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      const std::uint64_t x = w ^ (kOnes * '\n');
      const std::uint64_t nonzero = ((x & kLow7) + kLow7) | x;  // top bit of each byte
      acc += (~nonzero >> 7) & kOnes;
    }
    const std::uint64_t pairs = (acc & kLowBytes) + ((acc >> 8) & kLowBytes);
    total += static_cast<std::int64_t>((pairs * 0x0001000100010001u) >> 48);
  }
  for (; n > 0; --n) total += *p++ == '\n';
  return total;
}

FileAt::FileAt(Input& in, bool with_stdin)
    : in_(in), open_(in.Seekable() && in.Size() > 0 && (with_stdin || in.Name() != "-")) {}

std::size_t FileAt::Read(void* buffer, std::size_t n, std::int64_t offset) {
  auto* p = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < n) {
    const std::size_t k = in_.ReadAt(offset + static_cast<std::int64_t>(got), p + got, n - got);
    if (k == 0) break;
    got += k;
  }
  return got;
}

}  // namespace krv::tool
