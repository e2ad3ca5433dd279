// Decodes PNG files in tests. With libpng (KORVEX_TEST_PNG_LIBPNG), a test sees what any viewer
// would; where the target has no libpng (Windows cross builds), a small reader over zlib's
// inflate takes the 8-bit RGB files the library writes, checking every chunk's CRC.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if KORVEX_TEST_PNG_LIBPNG
#include <png.h>
#else
#include <zlib.h>
#endif

namespace krv::testing {

// An 8-bit RGB picture; ok is false when the data was refused.
struct PngPicture {
  bool ok = false;
  std::string error;
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // row-major, 3 bytes per pixel
  // The pixel as 0x00BBGGRR, the library's colour order.
  std::uint32_t At(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = &rgb[3 * (std::size_t{y} * width + x)];
    return p[0] | (p[1] << 8) | (std::uint32_t{p[2]} << 16);
  }
};

#if KORVEX_TEST_PNG_LIBPNG

inline PngPicture DecodePng(const std::string& bytes) {
  PngPicture pic;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) != 0) {
    image.format = PNG_FORMAT_RGB;
    pic.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pic.rgb.data(), 0, nullptr) != 0) {
      pic.ok = true;
      pic.width = image.width;
      pic.height = image.height;
    }
  }
  if (!pic.ok) pic.error = image.message;
  png_image_free(&image);
  return pic;
}

#else

namespace png_detail {

inline std::uint32_t Be32(const std::string& s, std::size_t at) {
  return std::uint32_t{static_cast<std::uint8_t>(s[at])} << 24 |
         std::uint32_t{static_cast<std::uint8_t>(s[at + 1])} << 16 |
         std::uint32_t{static_cast<std::uint8_t>(s[at + 2])} << 8 |
         static_cast<std::uint8_t>(s[at + 3]);
}

inline int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p,
            pc = p > c ? p - c : c - p;
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes the five row filters in place; false on an unknown filter type.
inline bool Unfilter(std::vector<std::uint8_t>& raw, std::uint32_t w, std::uint32_t h,
                     std::vector<std::uint8_t>& rgb) {
  const std::size_t stride = 3 * std::size_t{w};
  rgb.assign(stride * h, 0);
  for (std::uint32_t y = 0; y < h; ++y) {
    const std::uint8_t type = raw[y * (stride + 1)];
    const std::uint8_t* in = &raw[y * (stride + 1) + 1];
    std::uint8_t* row = &rgb[y * stride];
    const std::uint8_t* up = y ? row - stride : nullptr;
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= 3 ? row[i - 3] : 0, b = up ? up[i] : 0, c = up && i >= 3 ? up[i - 3] : 0;
      int pred = 0;
      switch (type) {
        case 0:
          pred = 0;
          break;
        case 1:
          pred = a;
          break;
        case 2:
          pred = b;
          break;
        case 3:
          pred = (a + b) / 2;
          break;
        case 4:
          pred = Paeth(a, b, c);
          break;
        default:
          return false;
      }
      row[i] = static_cast<std::uint8_t>(in[i] + pred);
    }
  }
  return true;
}

}  // namespace png_detail

inline PngPicture DecodePng(const std::string& s) {
  using png_detail::Be32;
  PngPicture pic;
  static const char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (s.size() < 8 || s.compare(0, 8, kSignature, 8) != 0) return pic.error = "not a PNG", pic;
  std::string idat;
  bool header = false, end = false;
  for (std::size_t at = 8; !end;) {
    if (s.size() - at < 12) return pic.error = "chunk cut off", pic;
    const std::uint32_t length = Be32(s, at);
    if (length > s.size() - at - 12) return pic.error = "chunk cut off", pic;
    const std::string type = s.substr(at + 4, 4);
    const auto* body = reinterpret_cast<const Bytef*>(s.data() + at + 4);
    if (crc32(0, body, length + 4) != Be32(s, at + 8 + length)) return pic.error = "bad CRC", pic;
    if (type == "IHDR" && length == 13) {
      pic.width = Be32(s, at + 8);
      pic.height = Be32(s, at + 12);
      header = s.compare(at + 16, 5, std::string("\x08\x02\x00\x00\x00", 5)) == 0;
      if (!header) return pic.error = "not 8-bit RGB without interlacing", pic;
    } else if (type == "IDAT") {
      idat.append(s, at + 8, length);
    }
    end = type == "IEND";
    at += 12 + std::size_t{length};
  }
  if (!header || pic.width == 0 || pic.height == 0) return pic.error = "no picture", pic;
  std::vector<std::uint8_t> raw((3 * std::size_t{pic.width} + 1) * pic.height);
  uLongf raw_size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &raw_size, reinterpret_cast<const Bytef*>(idat.data()),
                 static_cast<uLong>(idat.size())) != Z_OK ||
      raw_size != raw.size())
    return pic.error = "bad image data", pic;
  if (!png_detail::Unfilter(raw, pic.width, pic.height, pic.rgb))
    return pic.error = "bad filter", pic;
  pic.ok = true;
  return pic;
}

#endif

}  // namespace krv::testing
