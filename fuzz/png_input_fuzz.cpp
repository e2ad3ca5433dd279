// Fuzz target for krv print's PNG reader (tools/krv/png_input.h).
//
// Any bytes give a bitmap or a reason, never a crash, and no pixel memory beyond what the
// limits allow. The first byte picks the limits (1 to 256 pixels a side); the rest is the
// file, put behind a PNG signature unless it begins with 0x89. A bitmap read keeps within the
// limits, and written again as PNG by the library and read back, gives the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "../tools/krv/png_input.h"
#include "korvex/platform/stream.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool SamePixels(const krv::TBitmap& a, const krv::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (std::int32_t y = 0; y < a.Height(); ++y) {
    const auto ra = a.ScanLine(y), rb = b.ScanLine(y);
    for (std::size_t x = 0; x < ra.size(); ++x)
      if ((ra[x] & 0xFFFFFF) != (rb[x] & 0xFFFFFF)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > (1u << 16)) return 0;
  const krv::tool::PngLimits limits{1u + data[0], 1u + (data[0] ^ 0x5A)};
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool signed_input = krv::tool::HasPngSignature(bytes);
  if (data[1] != 0x89) bytes.insert(0, std::string_view("\x89PNG\r\n\x1a\n", 8));
  Check(krv::tool::HasPngSignature(bytes) == (signed_input || data[1] != 0x89));
  std::string error;
  const std::unique_ptr<krv::TBitmap> picture = krv::tool::ReadPng(bytes, limits, error);
  if (!picture) {
    Check(!error.empty());
    return 0;
  }
  Check(error.empty());
  Check(picture->Width() >= 1 && picture->Height() >= 1);
  Check(static_cast<std::uint32_t>(picture->Width()) <= limits.max_width);
  Check(static_cast<std::uint32_t>(picture->Height()) <= limits.max_height);
  krv::TMemoryStream again;
  picture->SaveToPngStream(again);
  const std::string written(reinterpret_cast<const char*>(again.Memory()),
                            static_cast<std::size_t>(again.Size()));
  const std::unique_ptr<krv::TBitmap> back = krv::tool::ReadPng(written, {}, error);
  Check(back != nullptr && SamePixels(*picture, *back));
  return 0;
}
