// The drawing platform: pen, brush and font, a canvas that rasterises onto 32-bit pixels, and
// TBitmap, a software raster with its own canvas that saves to BMP and PNG.
//
// The canvas draws the way the original platform does, pixel for pixel where that is defined:
// - LineTo draws from the pen position up to the end point, which it leaves out, and moves the
//   pen position there. MoveTo only moves it.
// - Rectangle(x1, y1, x2, y2) covers x1..x2-1 and y1..y2-1: outline in the pen, interior in the
//   brush (none with bsClear). With a clear pen the filled area loses its right column and
//   bottom row, as on the original platform.
// - Ellipse fills and outlines the ellipse inscribed in the same box, as GDI does; without a
//   pen the fill covers the outline's pixels too. The outline reaches all four sides of the
//   box, also where GDI's stops short of the ends of a tall box a few pixels wide, and a 1 x 1
//   box with a pen is its one pixel (GDI draws none there).
// - Polygon closes the outline and fills its interior (alternate rule), its points being pixel
//   centres: a row meets an edge from the edge's upper end to just before its lower end, and a
//   pixel exactly on a crossing is filled when the interior lies to its right.
// - Everything is clipped to the surface; drawing outside it is no error.
// - Text is drawn and measured with the face fontconfig matches for the font's name, styles
//   and pixel height (FreeType glyphs, anti-aliased unless the font's Quality says otherwise).
//   A family that is not installed takes fontconfig's substitute; a face without the bold or
//   italic asked for is emboldened or slanted. The em size is -Height pixels for a negative
//   height, the em whose ascent + descent is Height for a positive one, 8 points at the font's
//   resolution for 0, and is clamped to 1..2048 pixels. TextWidth is the sum of the hinted
//   advances (whole pixels) and kerning, TextHeight the face's ascent + descent (its Windows
//   metrics); the text's top-left corner is (X, Y), its baseline Y + ascent. Underline and
//   strike-out lie where the face's metrics put them, across the text's width.
//   Where no face is found (or on a build without FreeType), and for the name "Korvex Sans",
//   the library's built-in bitmap font draws: its 13-pixel cell grows by the whole factor
//   max(1, round(cell / 13)), cell = round(-Height * 13 / 11) for a negative height, Height
//   for a positive one, 13 for 0; bold adds one pixel (times the factor) per character,
//   italic three at the end of the text.
// Colours are TColor values (red in the low byte). ColorToRGB resolves system colours.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/font_style.h"
#include "korvex/platform/geometry.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

enum TPenStyle : std::uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};
enum TBrushStyle : std::uint8_t { bsSolid, bsClear };
// How glyphs are rendered. fqNonAntialiased and fqDraft draw plain one-bit glyphs; every other
// quality draws grey-level anti-aliased glyphs.
enum TFontQuality : std::uint8_t {
  fqDefault,
  fqDraft,
  fqProof,
  fqNonAntialiased,
  fqAntialiased,
  fqClearType,
  fqClearTypeNatural
};

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
// System colours: $80000000 + the index of the classic Windows system-colour table.
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;

// The RGB value a colour draws with: system colours ($80 high byte, index 0..30) come from
// the classic Windows palette, every other colour keeps its low 24 bits.
TColor ColorToRGB(TColor color);

// Name of the built-in bitmap font: a font of this name (in any ASCII case) draws with it.
inline constexpr char16_t kBuiltinFontName[] = u"Korvex Sans";
// Resolution of the screen the library draws for.
inline constexpr std::int32_t kScreenPixelsPerInch = 96;

class TPen : public TPersistent {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v) { style_ = v; }
  // Width in pixels; values below 1 are stored as 1.
  std::int32_t Width() const { return width_; }
  void SetWidth(std::int32_t v) { width_ = v < 1 ? 1 : v; }
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  TColor color_ = clBlack;
  TPenStyle style_ = psSolid;
  std::int32_t width_ = 1;
};

class TBrush : public TPersistent {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v) { style_ = v; }
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// A font keeps its height in pixels; its size in points follows from its resolution:
// Size() = -MulDiv(Height(), 72, PixelsPerInch()) and SetSize(s) sets Height to
// -MulDiv(s, PixelsPerInch(), 72) (MulDiv rounds halves away from zero). A negative height
// is the character height without internal leading, a positive one the cell height.
// A new font: "Korvex Sans", 8 points at the screen's 96 pixels per inch, black, no styles.
class TFont : public TPersistent {
 public:
  TFont();
  const String& Name() const { return name_; }
  void SetName(const String& v) { name_ = v; }
  std::int32_t Size() const;
  void SetSize(std::int32_t points);
  std::int32_t Height() const { return height_; }
  void SetHeight(std::int32_t v) { height_ = v; }
  // Changing the resolution keeps the height in pixels (so the size in points changes).
  std::int32_t PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(std::int32_t v);
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v) { style_ = v; }
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v) { quality_ = v; }
  // Copies name, height, colour, styles and quality; when the two resolutions differ the size in
  // points is copied instead of the height. The own resolution is kept.
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  String name_;
  std::int32_t height_;
  std::int32_t pixels_per_inch_ = kScreenPixelsPerInch;
  TColor color_ = clBlack;
  TFontStyles style_;
  TFontQuality quality_ = fqDefault;
};

namespace detail {
class DrawingSink;
// The pixels a canvas draws on: row-major, Width() * Height() values of 0x00BBGGRR.
struct PixelSurface {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
};
}  // namespace detail

class TBitmap;

// Drawing operations over a surface. A canvas without surface draws nothing and reads -1.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen* Pen() { return pen_.get(); }
  TBrush* Brush() { return brush_.get(); }
  TFont* Font() { return font_.get(); }
  const TPen* Pen() const { return pen_.get(); }
  const TBrush* Brush() const { return brush_.get(); }
  const TFont* Font() const { return font_.get(); }
  TPoint PenPos() const { return pen_pos_; }
  void SetPenPos(TPoint p) { pen_pos_ = p; }

  void MoveTo(std::int32_t X, std::int32_t Y);
  void LineTo(std::int32_t X, std::int32_t Y);
  // The pixel's colour, or 0xFFFFFFFF (-1) outside the surface.
  TColor Pixels(std::int32_t X, std::int32_t Y) const;
  // Sets one pixel (no pen involved); ignored outside the surface.
  void SetPixels(std::int32_t X, std::int32_t Y, TColor color);
  void Rectangle(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  // Fills r (right and bottom excluded) with the brush; no outline.
  void FillRect(const TRect& r);
  void Ellipse(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
  void Polygon(std::span<const TPoint> Points);
  // Extent of text in the current font, in pixels.
  std::int32_t TextWidth(const String& Text) const;
  std::int32_t TextHeight(const String& Text) const;
  // Draws text with its top-left corner at (X, Y) in the font's colour, on the brush colour
  // unless the brush is clear; the pen position moves to the end of the text.
  void TextOut(std::int32_t X, std::int32_t Y, const String& Text);
  // Copies the bitmap's pixels with their top-left corner at (X, Y).
  void Draw(std::int32_t X, std::int32_t Y, const TBitmap& Graphic);

  // Size of the surface (0 x 0 without one).
  std::int32_t Width() const;
  std::int32_t Height() const;
  String ClassName() const override;

 protected:
  // The surface to draw on, or nullptr. The printer's canvas refuses outside a print job by
  // throwing from here.
  virtual detail::PixelSurface* Surface() const { return surface_; }
  void SetSurface(detail::PixelSurface* s) { surface_ = s; }
  // Another canvas's surface, for canvases that draw on one they do not own (the printer's
  // page canvas on the page bitmap's).
  static detail::PixelSurface* SurfaceOf(const TCanvas& c) { return c.Surface(); }
  // Where every drawing call goes as well, after it was drawn on the surface (the vector
  // pages of a PDF document), or nullptr.
  virtual detail::DrawingSink* Sink() const { return nullptr; }
  friend class TBitmap;

 private:
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TFont> font_;
  TPoint pen_pos_;
  detail::PixelSurface* surface_ = nullptr;
};

// Largest bitmap side, and the most pixels one bitmap may hold (1 GiB of pixel data).
inline constexpr std::int32_t kMaxBitmapSide = 65535;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 28;

// A raster of 32-bit pixels with its own canvas. New pixels are white. A size beyond the
// limits above raises EOutOfResources ("Out of system resources"); negative sides count as 0.
class TBitmap : public TPersistent {
 public:
  TBitmap();
  TBitmap(std::int32_t AWidth, std::int32_t AHeight);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  std::int32_t Width() const { return surface_.width; }
  std::int32_t Height() const { return surface_.height; }
  void SetWidth(std::int32_t v) { SetSize(v, Height()); }
  void SetHeight(std::int32_t v) { SetSize(Width(), v); }
  // Keeps the pixels that stay inside; the new area is white.
  void SetSize(std::int32_t AWidth, std::int32_t AHeight);
  TCanvas* Canvas() { return canvas_.get(); }
  const TCanvas* Canvas() const { return canvas_.get(); }
  // One row of pixels (0x00BBGGRR), top row 0; empty for a row outside the bitmap.
  std::span<const std::uint32_t> ScanLine(std::int32_t Row) const;

  // BMP: 24 bits per pixel, rows bottom-up, the screen's resolution.
  void SaveToStream(TStream& Stream) const;
  void SaveToFile(const String& FileName) const;
  // PNG: 8-bit RGB through libpng. Raises EWriteError when libpng or the stream fails.
  void SaveToPngStream(TStream& Stream) const;
  void SaveToPngFile(const String& FileName) const;

  // Copies size and pixels from another TBitmap (not the canvas settings).
  void Assign(const TPersistent* Source) override;
  String ClassName() const override;

 private:
  detail::PixelSurface surface_;
  std::unique_ptr<TCanvas> canvas_;
};

}  // namespace krv
KORVEX_API_END
