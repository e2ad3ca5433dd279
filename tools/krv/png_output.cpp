// PNG pictures for krv commands.
#include "png_output.h"

#include "korvex/platform/casefold.h"

namespace krv::tool {

bool IsPngName(std::string_view name) {
  constexpr std::string_view kSuffix = ".png";
  if (name.size() < kSuffix.size()) return false;
  const std::string_view end = name.substr(name.size() - kSuffix.size());
  for (std::size_t i = 0; i < kSuffix.size(); ++i)
    if (AsciiLower(end[i]) != kSuffix[i]) return false;
  return true;
}

void WritePng(const TBitmap& bitmap, Output& out) {
  TMemoryStream png;
  bitmap.SaveToPngStream(png);
  out.Write(png.Memory(), static_cast<std::size_t>(png.Size()));
}

}  // namespace krv::tool
