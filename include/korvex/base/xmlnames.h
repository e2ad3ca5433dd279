// The XML word of each value of 23 enumerations, indexed by ordinal. The word equals the
// enumerator's name everywhere except xmlVarKind[Bool], which is "bool".
#pragma once

#include <array>
#include <string_view>

#include "korvex/base/enums.h"
#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

using XmlWord = std::u16string_view;

extern const std::array<XmlWord, 3> xmlVerticalAlignment;
extern const std::array<XmlWord, 3> xmlAlignment;
extern const std::array<XmlWord, 3> xmlBkgFill;
extern const std::array<XmlWord, 3> xmlBoundingBox;
extern const std::array<XmlWord, 2> xmlColorScheme;
extern const std::array<XmlWord, 5> xmlFigType;
extern const std::array<XmlWord, 4> xmlScaleType;
extern const std::array<XmlWord, 3> xmlYearLength;
extern const std::array<XmlWord, 3> xmlDateOrder;
extern const std::array<XmlWord, 4> xmlDateForTime;
extern const std::array<XmlWord, 2> xmlShadowStyle;
extern const std::array<XmlWord, 6> xmlFrameStyle;
extern const std::array<XmlWord, 3> xmlTimeFormat;
extern const std::array<XmlWord, 4> xmlDirection;
extern const std::array<XmlWord, 5> xmlLanguage;
extern const std::array<XmlWord, 7> xmlVarKind;
extern const std::array<XmlWord, 4> xmlMouseBoxState;
extern const std::array<XmlWord, 19> xmlMouseActMode;
extern const std::array<XmlWord, 2> xmlZoomState;
extern const std::array<XmlWord, 6> xmlCrossHMode;
extern const std::array<XmlWord, 5> xmlTxtLblMode;
extern const std::array<XmlWord, 4> xmlTxtLblAttachMode;
extern const std::array<XmlWord, 4> xmlFontStyle;

// Index of word in table (exact, case-sensitive match), or -1.
template <std::size_t N>
int FindXmlWord(const std::array<XmlWord, N>& table, std::u16string_view word) {
  for (std::size_t i = 0; i < N; ++i)
    if (table[i] == word) return static_cast<int>(i);
  return -1;
}

}  // namespace krv
KORVEX_API_END
