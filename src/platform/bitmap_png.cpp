// TBitmap as PNG: 8-bit RGB written by libpng's simplified interface (no setjmp involved).
#if KORVEX_WITH_LIBPNG
#include <png.h>
#endif

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/stream.h"
#include "platform/internal/png_stored.h"

namespace krv {

#if !KORVEX_WITH_LIBPNG
// A build without libpng writes the pixels uncompressed (stored deflate blocks).
void TBitmap::SaveToPngStream(TStream& Stream) const {
  const std::size_t w = static_cast<std::size_t>(surface_.width);
  const std::size_t h = static_cast<std::size_t>(surface_.height);
  if (w == 0 || h == 0) throw EWriteError("Cannot write PNG: the bitmap is empty");
  std::vector<std::uint8_t> png;
  try {
    std::vector<std::uint8_t> rgb(w * h * 3);
    for (std::size_t k = 0; k < w * h; ++k) {
      const std::uint32_t p = surface_.pixels[k];  // 0x00BBGGRR
      rgb[3 * k] = static_cast<std::uint8_t>(p);
      rgb[3 * k + 1] = static_cast<std::uint8_t>(p >> 8);
      rgb[3 * k + 2] = static_cast<std::uint8_t>(p >> 16);
    }
    png =
        detail::EncodeStoredPng(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), rgb);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources("Out of system resources");
  }
  Stream.WriteBuffer(png.data(), png.size());
}
#else
void TBitmap::SaveToPngStream(TStream& Stream) const {
  const std::size_t w = static_cast<std::size_t>(surface_.width);
  const std::size_t h = static_cast<std::size_t>(surface_.height);
  if (w == 0 || h == 0) throw EWriteError("Cannot write PNG: the bitmap is empty");
  std::vector<std::uint8_t> rgb;
  std::vector<std::uint8_t> png;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  try {
    rgb.resize(w * h * 3);
    png.resize(PNG_IMAGE_PNG_SIZE_MAX(image));
    size = png.size();
  } catch (const std::bad_alloc&) {
    throw EOutOfResources("Out of system resources");
  }
  for (std::size_t k = 0; k < w * h; ++k) {
    const std::uint32_t p = surface_.pixels[k];  // 0x00BBGGRR
    rgb[3 * k] = static_cast<std::uint8_t>(p);
    rgb[3 * k + 1] = static_cast<std::uint8_t>(p >> 8);
    rgb[3 * k + 2] = static_cast<std::uint8_t>(p >> 16);
  }
  const int ok = png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(),
                                           static_cast<png_int_32>(w * 3), nullptr);
  if (ok == 0) {
    const std::string reason = image.message;
    png_image_free(&image);
    throw EWriteError(("Cannot write PNG: " + reason).c_str());
  }
  Stream.WriteBuffer(png.data(), static_cast<std::size_t>(size));
}
#endif

void TBitmap::SaveToPngFile(const String& FileName) const {
  TFileStream file(FileName, fmCreate);
  SaveToPngStream(file);
  file.Flush();
}

}  // namespace krv
