// The screen: its resolution and the installed font families with their formats, read from
// fontconfig once on first use. The built-in bitmap font "Korvex Sans" is always listed.
// Font names compare without regard to ASCII case, as on the original platform.
#pragma once

#include <cstdint>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Outline format of an installed font family. ffTrueType also covers OpenType fonts with
// TrueType outlines; ffOpenTypeCFF is OpenType with PostScript outlines.
enum TFontFormat : std::uint8_t { ffTrueType, ffOpenTypeCFF, ffType1, ffBitmap, ffOther };

struct TInstalledFont {
  String Name;  // family name
  TFontFormat Format = ffOther;
};

class TScreen : public TObject {
 public:
  TScreen();
  // Installed family names, sorted without regard to case, no duplicates.
  const TStringList& Fonts() const { return fonts_; }
  std::int32_t PixelsPerInch() const;
  // Whether Name is installed, and its format (ffOther when not installed). A family with
  // files of several formats reports the first of TrueType, OpenType CFF, Type 1, bitmap.
  bool FontInstalled(const String& Name) const;
  TFontFormat FontFormat(const String& Name) const;
  const std::vector<TInstalledFont>& InstalledFonts() const { return installed_; }
  String ClassName() const override;

 private:
  const TInstalledFont* Find(const String& Name) const;
  std::vector<TInstalledFont> installed_;
  TStringList fonts_;
};

// The process-wide screen object.
const TScreen* Screen();

namespace detail {
// The OS side: every installed family with its format, in any order, possibly repeated
// (empty when fontconfig finds nothing).
std::vector<TInstalledFont> QueryInstalledFonts();
}  // namespace detail

}  // namespace krv
KORVEX_API_END
