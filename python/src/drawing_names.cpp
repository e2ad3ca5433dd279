// The drawing styles as Python strings.
#include "drawing_names.h"

#include <array>
#include <utility>

namespace korvex_py {
namespace {

template <typename E, std::size_t N>
using Table = std::array<std::pair<const char*, E>, N>;

constexpr Table<krv::TPenStyle, 7> kPenStyles = {{{"solid", krv::psSolid},
                                                  {"dash", krv::psDash},
                                                  {"dot", krv::psDot},
                                                  {"dash_dot", krv::psDashDot},
                                                  {"dash_dot_dot", krv::psDashDotDot},
                                                  {"clear", krv::psClear},
                                                  {"inside_frame", krv::psInsideFrame}}};
constexpr Table<krv::TBrushStyle, 2> kBrushStyles = {
    {{"solid", krv::bsSolid}, {"clear", krv::bsClear}}};
constexpr Table<krv::TFontQuality, 7> kQualities = {
    {{"default", krv::fqDefault},
     {"draft", krv::fqDraft},
     {"proof", krv::fqProof},
     {"non_antialiased", krv::fqNonAntialiased},
     {"antialiased", krv::fqAntialiased},
     {"cleartype", krv::fqClearType},
     {"cleartype_natural", krv::fqClearTypeNatural}}};
constexpr Table<krv::TFontStyle, 4> kFontStyles = {{{"bold", krv::fsBold},
                                                    {"italic", krv::fsItalic},
                                                    {"underline", krv::fsUnderline},
                                                    {"strikeout", krv::fsStrikeOut}}};

template <typename E, std::size_t N>
E FromName(const Table<E, N>& table, const std::string& name, const char* what) {
  std::string choices;
  for (const auto& [n, value] : table) {
    if (name == n) return value;
    choices += choices.empty() ? "" : ", ";
    choices += n;
  }
  throw py::value_error("unknown " + std::string(what) + " '" + name + "' (one of " + choices +
                        ")");
}

template <typename E, std::size_t N>
const char* ToName(const Table<E, N>& table, E value) {
  for (const auto& [n, v] : table)
    if (v == value) return n;
  return "unknown";
}

}  // namespace

krv::TPenStyle PenStyleArg(const std::string& name) {
  return FromName(kPenStyles, name, "pen style");
}
const char* PenStyleName(krv::TPenStyle style) {
  return ToName(kPenStyles, style);
}
krv::TBrushStyle BrushStyleArg(const std::string& name) {
  return FromName(kBrushStyles, name, "brush style");
}
const char* BrushStyleName(krv::TBrushStyle style) {
  return ToName(kBrushStyles, style);
}
krv::TFontQuality FontQualityArg(const std::string& name) {
  return FromName(kQualities, name, "font quality");
}
const char* FontQualityName(krv::TFontQuality quality) {
  return ToName(kQualities, quality);
}

krv::TFontStyles FontStylesArg(const py::handle& value) {
  krv::TFontStyles styles;
  if (py::isinstance<py::str>(value)) {
    styles.Include(FromName(kFontStyles, value.cast<std::string>(), "font style"));
    return styles;
  }
  for (const py::handle s : py::iter(value)) {
    if (!py::isinstance<py::str>(s)) throw py::type_error("font styles are names (str)");
    styles.Include(FromName(kFontStyles, s.cast<std::string>(), "font style"));
  }
  return styles;
}

py::frozenset FontStylesSet(krv::TFontStyles styles) {
  py::set names;
  for (const auto& [n, s] : kFontStyles)
    if (styles.Contains(s)) names.add(n);
  return py::frozenset(names);
}

}  // namespace korvex_py
