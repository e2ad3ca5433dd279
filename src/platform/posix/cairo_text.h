// Text on a cairo context, as the canvas draws it on pixels: the same face, size, glyph
// positions, styles and colours, so a PDF page and its bitmap agree.
#pragma once

#include <cairo.h>

#include "korvex/platform/geometry.h"
#include "korvex/platform/graphics.h"

namespace krv::detail {

// Draws `text` with its top-left corner at `at` (in pixels: the context's user space has one
// unit per pixel of the page), in the font's colour, on the brush unless it is clear. Text
// the built-in bitmap font draws is drawn as its pixels.
void ShowTextOnCairo(cairo_t* cr, TPoint at, const String& text, const TFont& font,
                     const TBrush& brush);

}  // namespace krv::detail
