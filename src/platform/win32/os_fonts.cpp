// The installed font families and their formats, from GDI's font enumeration
// (platform/fonts.h).
#include <vector>

#include "korvex/platform/fonts.h"
#include "platform/win32/win32_util.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace krv::detail {
namespace {

// Raster fonts come with a plain TEXTMETRIC; the others with the outline flags of a
// NEWTEXTMETRICEX. TrueType outlines (also OpenType with TrueType outlines) count as
// TrueType; device and vector fonts as other.
TFontFormat FormatOf(const TEXTMETRICW* metric, DWORD type) {
  if ((type & RASTER_FONTTYPE) != 0) return ffBitmap;
  if ((type & TRUETYPE_FONTTYPE) != 0) return ffTrueType;
  const DWORD flags = reinterpret_cast<const NEWTEXTMETRICEXW*>(metric)->ntmTm.ntmFlags;
  if ((flags & NTM_PS_OPENTYPE) != 0) return ffOpenTypeCFF;
  if ((flags & NTM_TT_OPENTYPE) != 0) return ffTrueType;
  if ((flags & NTM_TYPE1) != 0) return ffType1;
  return ffOther;
}

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW* metric, DWORD type, LPARAM list) {
  auto& fonts = *reinterpret_cast<std::vector<TInstalledFont>*>(list);
  const std::wstring_view family(font->lfFaceName);
  // Vertical variants ("@MS Gothic") are the same family turned for vertical text.
  if (!family.empty() && family.front() != L'@')
    fonts.push_back(TInstalledFont{detail::Utf16(family), FormatOf(metric, type)});
  return 1;
}

}  // namespace

std::vector<TInstalledFont> QueryInstalledFonts() {
  std::vector<TInstalledFont> fonts;
  HDC screen = ::GetDC(nullptr);
  if (screen == nullptr) return fonts;
  // Every family of every character set: one call with DEFAULT_CHARSET and no face name.
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  ::EnumFontFamiliesExW(screen, &all, AddFamily, reinterpret_cast<LPARAM>(&fonts), 0);
  ::ReleaseDC(nullptr, screen);
  return fonts;
}

}  // namespace krv::detail
