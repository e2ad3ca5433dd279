// Drawing on a caller's canvas: 3D frames, rectangle outlines, data-point marks, a mark as a
// new bitmap, a bitmap sent to the printer, a TrueType test for font names and font sizing at
// screen resolution. Nothing here keeps state.
#pragma once

#include <cstdint>
#include <memory>

#include "korvex/base/enums.h"
#include "korvex/platform/export.h"
#include "korvex/platform/graphics.h"

KORVEX_API_BEGIN
namespace krv {

// A frame around (Left, Top)-(Right, Bottom): fsSimple in c5, the other styles as two rims
// of four of the colours. The pen keeps the last colour used.
void DrawFrame(TCanvas& Canvas, TFrameStyle Style, std::int32_t Left, std::int32_t Top,
               std::int32_t Right, std::int32_t Bottom, TColor c1, TColor c2, TColor c3, TColor c4,
               TColor c5);

// The outline (L, T) -> (L, B) -> (R, B) -> (R, T) -> (L, T) with the current pen.
void DrawRectangle(TCanvas& Canvas, std::int32_t Left, std::int32_t Top, std::int32_t Right,
                   std::int32_t Bottom);

// Mark MarkType centred on (X, Y) in the pen's colour: 0..51 are shapes (the brush colour is
// restored afterwards), 52..255 characters (200..209 the digits 0..9). Marks 1..6, 18 and 25
// have variants for the printer's canvas.
void DrawMarkOnCanvas(TCanvas& Canvas, Byte MarkType, std::int32_t X, std::int32_t Y);

// A new (2 * Size + 7)-pixel square bitmap in BkgColor with the mark centred in MarkColor;
// Size is clamped to 0..255.
std::unique_ptr<TBitmap> CreateMarkAsBitmap(Byte MarkType, TColor MarkColor, TColor BkgColor,
                                            std::int32_t Size);

// Copies Bitmap onto the printer's page at (X, Y), pixel for pixel. Needs a print job
// (EPrinter otherwise).
void PrintBitmap(const TBitmap& Bitmap, std::int32_t X, std::int32_t Y);

// Whether the installed font family Name has TrueType outlines; EKRVError when Name is not
// installed.
bool FontIsTrueType(const String& Name);

// Sets the canvas font to Size points at the screen's resolution, whatever the font's own
// resolution (which is kept).
void SetCanvasFontSizeScaled(TCanvas& Canvas, std::int32_t Size);

}  // namespace krv
KORVEX_API_END
