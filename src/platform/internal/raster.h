// Clipped pixel and span writes on a PixelSurface, shared by the canvas's drawing code.
// Coordinates are 64-bit so callers can pass sums of 32-bit values without overflow; whatever
// lies outside the surface is left out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "korvex/platform/graphics.h"

namespace krv::detail {

// The value a colour is stored with: its RGB (system colours resolved) as 0x00BBGGRR.
inline std::uint32_t PixelValue(TColor color) {
  return ColorToRGB(color) & 0xFFFFFFu;
}

inline bool InSurface(const PixelSurface& s, std::int64_t x, std::int64_t y) {
  return x >= 0 && y >= 0 && x < s.width && y < s.height;
}

inline std::size_t PixelIndex(const PixelSurface& s, std::int64_t x, std::int64_t y) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) +
         static_cast<std::size_t>(x);
}

// Sets pixel (x, y) when it lies on the surface.
inline void PutPixel(PixelSurface& s, std::int64_t x, std::int64_t y, std::uint32_t value) {
  if (InSurface(s, x, y)) s.pixels[PixelIndex(s, x, y)] = value;
}

// Sets x0..x1-1 of row y (nothing when x1 <= x0).
inline void FillSpan(PixelSurface& s, std::int64_t x0, std::int64_t x1, std::int64_t y,
                     std::uint32_t value) {
  if (y < 0 || y >= s.height) return;
  x0 = std::max<std::int64_t>(x0, 0);
  x1 = std::min<std::int64_t>(x1, s.width);
  if (x1 <= x0) return;
  auto row = s.pixels.begin() + static_cast<std::ptrdiff_t>(PixelIndex(s, x0, y));
  std::fill(row, row + (x1 - x0), value);
}

// Sets the box x0..x1-1, y0..y1-1.
inline void FillBox(PixelSurface& s, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                    std::int64_t y1, std::uint32_t value) {
  y0 = std::max<std::int64_t>(y0, 0);
  y1 = std::min<std::int64_t>(y1, s.height);
  for (std::int64_t y = y0; y < y1; ++y) FillSpan(s, x0, x1, y, value);
}

}  // namespace krv::detail
