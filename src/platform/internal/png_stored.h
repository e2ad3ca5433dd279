// A PNG encoder without compression, for builds that have no libpng: the image data is a zlib
// stream of stored deflate blocks, checked by CRC-32 per chunk and Adler-32 over the rows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace krv::detail {

// CRC-32 (ISO-HDLC, as PNG and zlib use it) of `bytes`, continuing from `crc` (0 to start).
std::uint32_t PngCrc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
// Adler-32 of `bytes`, continuing from `adler` (1 to start).
std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler = 1);

// The PNG file of a width x height 8-bit RGB image; `rgb` holds width * 3 bytes per row, top
// row first. Throws std::bad_alloc when the file would not fit in memory.
std::vector<std::uint8_t> EncodeStoredPng(std::uint32_t width, std::uint32_t height,
                                          std::span<const std::uint8_t> rgb);

}  // namespace krv::detail
