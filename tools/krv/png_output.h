// Pictures written by krv commands: a bitmap encoded as PNG and written to an Output, which
// puts the file in place only on success.
#pragma once

#include <string_view>

#include "io.h"
#include "korvex/platform/graphics.h"

namespace krv::tool {

// Whether the output name asks for a picture: it ends in ".png", in any case.
bool IsPngName(std::string_view name);

// Encodes bitmap as an 8-bit RGB PNG and writes it to out (Commit is left to the caller).
void WritePng(const TBitmap& bitmap, Output& out);

}  // namespace krv::tool
