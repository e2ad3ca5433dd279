// Unaligned big-endian 32-bit loads and stores, for the digest and ASCII85 group code.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace krv::detail {

inline std::uint32_t LoadBE32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  return v;
}

inline void StoreBE32(std::uint8_t* p, std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  std::memcpy(p, &v, 4);
}

}  // namespace krv::detail
