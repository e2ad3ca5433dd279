// The installed font families and their formats, from fontconfig (platform/fonts.h).
#include <fontconfig/fontconfig.h>

#include <string_view>

#include "korvex/platform/fonts.h"
#include "korvex/platform/text.h"
#include "platform/posix/font_system.h"

namespace krv::detail {
namespace {

// Fontconfig's format names: "TrueType" also stands for OpenType with TrueType outlines,
// "CFF" for OpenType with PostScript outlines.
TFontFormat FormatOf(std::string_view name) {
  if (name == "TrueType") return ffTrueType;
  if (name == "CFF") return ffOpenTypeCFF;
  if (name == "Type 1") return ffType1;
  if (name == "PCF" || name == "BDF" || name == "Windows FNT") return ffBitmap;
  return ffOther;
}

std::string_view PatternString(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr)
    return {};
  return reinterpret_cast<const char*>(value);
}

}  // namespace

std::vector<TInstalledFont> QueryInstalledFonts() {
  std::vector<TInstalledFont> fonts;
  // The configuration the text code matches faces in, so both see the same fonts.
  FcConfig* config = SystemFontConfig();
  if (config == nullptr) return fonts;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, nullptr);
  FcFontSet* set =
      pattern != nullptr && objects != nullptr ? FcFontList(config, pattern, objects) : nullptr;
  if (set != nullptr) {
    fonts.reserve(static_cast<std::size_t>(set->nfont));
    for (int i = 0; i < set->nfont; ++i) {
      const std::string_view family = PatternString(set->fonts[i], FC_FAMILY);
      if (family.empty()) continue;
      fonts.push_back(
          TInstalledFont{ToUtf16(family), FormatOf(PatternString(set->fonts[i], FC_FONTFORMAT))});
    }
    FcFontSetDestroy(set);
  }
  if (objects != nullptr) FcObjectSetDestroy(objects);
  if (pattern != nullptr) FcPatternDestroy(pattern);
  return fonts;
}

}  // namespace krv::detail
