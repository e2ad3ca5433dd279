// The screen object: its resolution and the installed font families.
#include <algorithm>
#include <tuple>

#include "korvex/platform/casefold.h"
#include "korvex/platform/fonts.h"
#include "korvex/platform/graphics.h"

namespace krv {
namespace {

// Compares two names with ASCII letters folded to lower case: <0, 0 or >0.
int CompareNames(const String& a, const String& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Sorts by name without regard to case and keeps one entry per name: the one of the best
// format (the enumeration's order), then the smallest spelling, so the result does not
// depend on the order fontconfig lists its files in.
std::vector<TInstalledFont> Normalize(std::vector<TInstalledFont> fonts) {
  std::erase_if(fonts, [](const TInstalledFont& f) { return f.Name.empty(); });
  std::sort(fonts.begin(), fonts.end(), [](const TInstalledFont& a, const TInstalledFont& b) {
    const int c = CompareNames(a.Name, b.Name);
    if (c != 0) return c < 0;
    return std::tie(a.Format, a.Name) < std::tie(b.Format, b.Name);
  });
  auto last =
      std::unique(fonts.begin(), fonts.end(), [](const TInstalledFont& a, const TInstalledFont& b) {
        return CompareNames(a.Name, b.Name) == 0;
      });
  fonts.erase(last, fonts.end());
  return fonts;
}

}  // namespace

TScreen::TScreen() {
  std::vector<TInstalledFont> fonts = detail::QueryInstalledFonts();
  fonts.push_back(TInstalledFont{String(kBuiltinFontName), ffBitmap});
  installed_ = Normalize(std::move(fonts));
  for (const TInstalledFont& f : installed_) fonts_.Add(f.Name);
}

std::int32_t TScreen::PixelsPerInch() const {
  return kScreenPixelsPerInch;
}

const TInstalledFont* TScreen::Find(const String& Name) const {
  auto it = std::lower_bound(
      installed_.begin(), installed_.end(), Name,
      [](const TInstalledFont& f, const String& n) { return CompareNames(f.Name, n) < 0; });
  return it != installed_.end() && CompareNames(it->Name, Name) == 0 ? &*it : nullptr;
}

bool TScreen::FontInstalled(const String& Name) const {
  return Find(Name) != nullptr;
}

TFontFormat TScreen::FontFormat(const String& Name) const {
  const TInstalledFont* f = Find(Name);
  return f != nullptr ? f->Format : ffOther;
}

String TScreen::ClassName() const {
  return u"TScreen";
}

const TScreen* Screen() {
  static const TScreen screen;
  return &screen;
}

}  // namespace krv
