// PNG pictures read by krv commands (krv print), through libpng's simplified reader where the
// build has libpng (KORVEX_WITH_LIBPNG); elsewhere (the Windows build) every PNG is refused.
//
// Any bytes give a bitmap or a reason, never a crash: the size in the header is checked
// against the caller's limits (and kMaxBitmapSide, kMaxBitmapPixels) before any pixel memory
// is allocated, and damaged or truncated data is refused. Transparent pictures are composed
// over white; 16-bit channels, palettes and greys come out as 8-bit RGB.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "korvex/platform/graphics.h"

namespace krv::tool {

// Whether bytes begin with the 8-byte PNG signature.
bool HasPngSignature(std::string_view bytes);

struct PngLimits {
  std::uint32_t max_width = kMaxBitmapSide;
  std::uint32_t max_height = kMaxBitmapSide;
  std::string_view bound = "a bitmap may have";  // ends the reason for a picture too large
};

// The picture in bytes as a bitmap, or nullptr with error set to the reason ("the picture is
// W x H pixels, larger than the W x H " + limits.bound, "not a readable PNG picture (libpng's
// reason)").
std::unique_ptr<TBitmap> ReadPng(std::string_view bytes, const PngLimits& limits,
                                 std::string& error);

}  // namespace krv::tool
