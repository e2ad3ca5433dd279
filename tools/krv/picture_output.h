// Pictures written by krv commands, as PNG or as PDF, to an Output (which puts a file in
// place only on success). The output's name chooses the format.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "io.h"
#include "korvex/platform/graphics.h"

namespace krv::tool {

// Whether a name ends in ext (".png", ".pdf"), compared without regard to ASCII case.
bool HasExtension(std::string_view name, std::string_view ext);
// Whether the output name asks for a PNG picture: it ends in ".png", in any case.
inline bool IsPngName(std::string_view name) {
  return HasExtension(name, ".png");
}
// Whether the output name asks for a PDF document: it ends in ".pdf", in any case.
inline bool IsPdfName(std::string_view name) {
  return HasExtension(name, ".pdf");
}

// Encodes bitmap as an 8-bit RGB PNG and writes it to out (Commit is left to the caller).
void WritePng(const TBitmap& bitmap, Output& out);

// Throws Failure{name, reason} where this build writes no PDF (TPdfDocument::Available() is
// false), so that a command refuses a .pdf output before it opens anything.
void RequirePdf(std::string_view name);

// Draws a picture of width x height pixels with draw(canvas) on one page of a PDF document
// at the screen's 96 pixels per inch (so the page is width * 0.75 by height * 0.75 points),
// and writes the PDF to out (Commit is left to the caller). What the canvas draws as vectors
// (lines, shapes, text) stays vector in the PDF.
void WritePdf(std::int32_t width, std::int32_t height, const std::function<void(TCanvas&)>& draw,
              Output& out);

}  // namespace krv::tool
