// Pen, brush and font, and the resolution of system colours.
#include <array>
#include <cstdint>
#include <limits>

#include "korvex/platform/graphics.h"

namespace krv {
namespace {

constexpr TColor Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16);
}

// The classic Windows palette of system colours, by index.
constexpr std::array<TColor, 31> kSystemColors = {
    Rgb(192, 192, 192),  // 0 scroll bar
    Rgb(0, 128, 128),    // 1 desktop background
    Rgb(0, 0, 128),      // 2 active caption
    Rgb(128, 128, 128),  // 3 inactive caption
    Rgb(192, 192, 192),  // 4 menu
    Rgb(255, 255, 255),  // 5 window
    Rgb(0, 0, 0),        // 6 window frame
    Rgb(0, 0, 0),        // 7 menu text
    Rgb(0, 0, 0),        // 8 window text
    Rgb(255, 255, 255),  // 9 caption text
    Rgb(192, 192, 192),  // 10 active border
    Rgb(192, 192, 192),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(0, 0, 128),      // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(192, 192, 192),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 grayed text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(192, 192, 192),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(0, 0, 0),        // 21 3D dark shadow
    Rgb(223, 223, 223),  // 22 3D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    Rgb(180, 180, 180),  // 25 (unused slot)
    Rgb(0, 0, 255),      // 26 hot-tracked item
    Rgb(16, 132, 208),   // 27 active caption gradient
    Rgb(181, 181, 181),  // 28 inactive caption gradient
    Rgb(0, 0, 128),      // 29 menu highlight
    Rgb(192, 192, 192),  // 30 menu bar
};

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0 or the
// result does not fit 32 bits.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  std::int64_t num = std::int64_t{a} * b;
  std::int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const std::int64_t mag = ((num < 0 ? -num : num) + den / 2) / den;
  const std::int64_t result = num < 0 ? -mag : mag;
  // Results beyond +-(2^31 - 1) count as overflow, so that callers may negate any result.
  if (result > std::numeric_limits<std::int32_t>::max() ||
      result < -std::numeric_limits<std::int32_t>::max())
    return -1;
  return static_cast<std::int32_t>(result);
}

}  // namespace

TColor ColorToRGB(TColor color) {
  // A set top bit marks a system colour, its low byte the index; unknown indexes give black.
  if ((color & 0x80000000u) == 0) return color;
  const std::uint32_t index = color & 0xFFu;
  return index < kSystemColors.size() ? kSystemColors[index] : 0;
}

void TPen::Assign(const TPersistent* Source) {
  if (const auto* pen = dynamic_cast<const TPen*>(Source)) {
    color_ = pen->color_;
    style_ = pen->style_;
    width_ = pen->width_;
    return;
  }
  TPersistent::Assign(Source);
}

String TPen::ClassName() const {
  return u"TPen";
}

void TBrush::Assign(const TPersistent* Source) {
  if (const auto* brush = dynamic_cast<const TBrush*>(Source)) {
    color_ = brush->color_;
    style_ = brush->style_;
    return;
  }
  TPersistent::Assign(Source);
}

String TBrush::ClassName() const {
  return u"TBrush";
}

TFont::TFont() : name_(kBuiltinFontName), height_(-MulDiv(8, kScreenPixelsPerInch, 72)) {}

std::int32_t TFont::Size() const {
  return -MulDiv(height_, 72, pixels_per_inch_);
}

void TFont::SetSize(std::int32_t points) {
  height_ = -MulDiv(points, pixels_per_inch_, 72);
}

void TFont::SetPixelsPerInch(std::int32_t v) {
  pixels_per_inch_ = v;
}

void TFont::Assign(const TPersistent* Source) {
  if (const auto* font = dynamic_cast<const TFont*>(Source)) {
    name_ = font->name_;
    color_ = font->color_;
    style_ = font->style_;
    quality_ = font->quality_;
    if (font->pixels_per_inch_ == pixels_per_inch_) {
      height_ = font->height_;
    } else {
      SetSize(font->Size());
    }
    return;
  }
  TPersistent::Assign(Source);
}

String TFont::ClassName() const {
  return u"TFont";
}

}  // namespace krv
