// Decodes PNG files in tests with libpng, so a test sees what any viewer would.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace krv::testing {

// An 8-bit RGB picture; ok is false when libpng refused the data.
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

}  // namespace krv::testing
