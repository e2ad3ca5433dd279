// The drawing styles as Python strings: pen styles, brush styles, font qualities and the set
// of font styles, each way round.
#pragma once

#include <string>

#include "bind.h"
#include "korvex/platform/graphics.h"

namespace korvex_py {

// A pen style name ("solid", "dash", "dot", "dash_dot", "dash_dot_dot", "clear",
// "inside_frame"); ValueError naming the choices otherwise.
krv::TPenStyle PenStyleArg(const std::string& name);
const char* PenStyleName(krv::TPenStyle style);

// "solid" or "clear".
krv::TBrushStyle BrushStyleArg(const std::string& name);
const char* BrushStyleName(krv::TBrushStyle style);

// "default", "draft", "proof", "non_antialiased", "antialiased", "cleartype",
// "cleartype_natural".
krv::TFontQuality FontQualityArg(const std::string& name);
const char* FontQualityName(krv::TFontQuality quality);

// Font styles from one name or an iterable of names ("bold", "italic", "underline",
// "strikeout"); as a frozenset of names back.
krv::TFontStyles FontStylesArg(const py::handle& value);
py::frozenset FontStylesSet(krv::TFontStyles styles);

}  // namespace korvex_py
