// Reading PNG pictures for krv, with the size checked before the pixels are decoded.
#include "png_input.h"

#include <algorithm>
#include <vector>

#if KORVEX_WITH_LIBPNG
#include <png.h>
#endif

namespace krv::tool {

bool HasPngSignature(std::string_view bytes) {
  constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  return bytes.substr(0, kSignature.size()) == kSignature;
}

#if KORVEX_WITH_LIBPNG

namespace {

// Frees the reader's state on every path out.
struct ImageReader {
  png_image image{};
  ImageReader() { image.version = PNG_IMAGE_VERSION; }
  ~ImageReader() { png_image_free(&image); }
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;
  std::string Reason() const {
    const std::string message = image.message;
    return "not a readable PNG picture" + (message.empty() ? "" : " (" + message + ")");
  }
};

// The reason the size is refused, or "".
std::string SizeProblem(std::uint32_t width, std::uint32_t height, const PngLimits& limits) {
  const std::uint32_t max_w = std::min<std::uint32_t>(limits.max_width, kMaxBitmapSide);
  const std::uint32_t max_h = std::min<std::uint32_t>(limits.max_height, kMaxBitmapSide);
  const std::string size =
      "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width > max_w || height > max_h)
    return size + ", larger than the " + std::to_string(max_w) + " x " + std::to_string(max_h) +
           " " + std::string(limits.bound);
  if (std::uint64_t{width} * height > std::uint64_t{kMaxBitmapPixels})
    return size + ", more than the " + std::to_string(kMaxBitmapPixels) + " a bitmap may hold";
  return "";
}

}  // namespace

std::unique_ptr<TBitmap> ReadPng(std::string_view bytes, const PngLimits& limits,
                                 std::string& error) {
  ImageReader reader;
  png_image& image = reader.image;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
    error = reader.Reason();
    return nullptr;
  }
  error = SizeProblem(image.width, image.height, limits);
  if (!error.empty()) return nullptr;
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  png_color white{255, 255, 255};
  if (png_image_finish_read(&image, &white, rgb.data(), 0, nullptr) == 0) {
    error = reader.Reason();
    return nullptr;
  }
  const auto width = static_cast<std::int32_t>(image.width);
  const auto height = static_cast<std::int32_t>(image.height);
  auto bitmap = std::make_unique<TBitmap>(width, height);
  TCanvas& canvas = *bitmap->Canvas();
  const std::uint8_t* p = rgb.data();
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x, p += 3)
      canvas.SetPixels(x, y, p[0] | (p[1] << 8) | (TColor{p[2]} << 16));
  return bitmap;
}

#else

std::unique_ptr<TBitmap> ReadPng(std::string_view, const PngLimits&, std::string& error) {
  error = "this build of krv cannot read PNG pictures (it has no libpng)";
  return nullptr;
}

#endif

}  // namespace krv::tool
