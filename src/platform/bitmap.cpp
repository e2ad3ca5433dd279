// TBitmap: a raster of 32-bit pixels with its own canvas, saved as a 24-bit BMP.
#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/graphics.h"
#include "korvex/platform/stream.h"

namespace krv {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFu;
// 96 pixels per inch in pixels per metre, rounded.
constexpr std::uint32_t kScreenPixelsPerMetre = 3780;

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v & 0xFFFFu);
  PutU16(p + 2, v >> 16);
}

}  // namespace

TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>()) {
  canvas_->SetSurface(&surface_);
}

TBitmap::TBitmap(std::int32_t AWidth, std::int32_t AHeight) : TBitmap() {
  SetSize(AWidth, AHeight);
}

TBitmap::~TBitmap() = default;

String TBitmap::ClassName() const {
  return u"TBitmap";
}

void TBitmap::SetSize(std::int32_t AWidth, std::int32_t AHeight) {
  const std::int64_t w = std::max<std::int32_t>(AWidth, 0);
  const std::int64_t h = std::max<std::int32_t>(AHeight, 0);
  if (w == surface_.width && h == surface_.height) return;
  if (w > kMaxBitmapSide || h > kMaxBitmapSide || w * h > kMaxBitmapPixels)
    throw EOutOfResources("Out of system resources");
  std::vector<std::uint32_t> pixels;
  try {
    pixels.assign(static_cast<std::size_t>(w * h), kWhite);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources("Out of system resources");
  }
  // Keep what overlaps the new size.
  const std::int64_t keep_w = std::min<std::int64_t>(w, surface_.width);
  const std::int64_t keep_h = std::min<std::int64_t>(h, surface_.height);
  for (std::int64_t y = 0; y < keep_h; ++y) {
    const auto src = surface_.pixels.begin() + static_cast<std::ptrdiff_t>(y * surface_.width);
    std::copy_n(src, keep_w, pixels.begin() + static_cast<std::ptrdiff_t>(y * w));
  }
  surface_.pixels = std::move(pixels);
  surface_.width = static_cast<std::int32_t>(w);
  surface_.height = static_cast<std::int32_t>(h);
}

std::span<const std::uint32_t> TBitmap::ScanLine(std::int32_t Row) const {
  if (Row < 0 || Row >= surface_.height) return {};
  const std::size_t w = static_cast<std::size_t>(surface_.width);
  return std::span<const std::uint32_t>(surface_.pixels)
      .subspan(static_cast<std::size_t>(Row) * w, w);
}

void TBitmap::Assign(const TPersistent* Source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(Source)) {
    if (bitmap == this) return;
    if (bitmap->surface_.width > 0 && bitmap->surface_.height > 0) {
      try {
        surface_.pixels = bitmap->surface_.pixels;
      } catch (const std::bad_alloc&) {
        throw EOutOfResources("Out of system resources");
      }
    } else {
      surface_.pixels.clear();
    }
    surface_.width = bitmap->surface_.width;
    surface_.height = bitmap->surface_.height;
    return;
  }
  TPersistent::Assign(Source);
}

void TBitmap::SaveToStream(TStream& Stream) const {
  const std::uint32_t w = static_cast<std::uint32_t>(surface_.width);
  const std::uint32_t h = static_cast<std::uint32_t>(surface_.height);
  const std::uint32_t stride = (w * 3 + 3) & ~3u;  // rows are padded to 4 bytes
  const std::uint32_t image_size = stride * h;     // below 2^30: the pixel count is capped
  std::array<std::uint8_t, 54> header{};
  header[0] = 'B';
  header[1] = 'M';
  PutU32(&header[2], 54 + image_size);
  PutU32(&header[10], 54);  // offset of the pixel data
  PutU32(&header[14], 40);  // BITMAPINFOHEADER
  PutU32(&header[18], w);
  PutU32(&header[22], h);  // positive: rows stored bottom-up
  PutU16(&header[26], 1);  // planes
  PutU16(&header[28], 24);
  PutU32(&header[30], 0);  // no compression
  PutU32(&header[34], image_size);
  PutU32(&header[38], kScreenPixelsPerMetre);
  PutU32(&header[42], kScreenPixelsPerMetre);
  Stream.WriteBuffer(header.data(), header.size());
  std::vector<std::uint8_t> row(stride, 0);
  for (std::uint32_t y = h; y-- > 0;) {
    const std::span<const std::uint32_t> line = ScanLine(static_cast<std::int32_t>(y));
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::uint32_t p = line[x];  // 0x00BBGGRR, stored as blue, green, red
      row[3 * x] = static_cast<std::uint8_t>(p >> 16);
      row[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(p);
    }
    Stream.WriteBuffer(row.data(), row.size());
  }
}

void TBitmap::SaveToFile(const String& FileName) const {
  TFileStream file(FileName, fmCreate);
  SaveToStream(file);
  file.Flush();
}

}  // namespace krv
