// The outline faces text is drawn with: the operating system's backend matches a font request
// to a face (fontconfig and FreeType on POSIX) and renders its glyphs into small coverage
// bitmaps. A backend without outline faces (the win32 one) matches nothing, and the canvas then
// draws with the built-in bitmap font.
//
// Sizes are in 26.6 fixed point (1/64 pixel); positions in whole pixels with y growing down,
// relative to the pen on the baseline. Callers serialise every call on faces (TextMutex() in
// text_layout.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "korvex/platform/types.h"

namespace krv::detail {

// A font as the canvas asks for it.
struct FaceRequest {
  String family;
  bool bold = false;
  bool italic = false;
  // Height in pixels the font roughly asks for (for the match only: bitmap faces and
  // optical sizes).
  std::int32_t pixel_size = 0;
};

// A face's design metrics in font units.
struct FaceDesign {
  std::int32_t units_per_em = 0;
  // Extent above and below the baseline (the Windows metrics of the OS/2 table when present),
  // both positive for a usual face.
  std::int32_t ascent = 0, descent = 0;
  // Centre of the underline above the baseline (negative below), and its thickness.
  std::int32_t underline_position = 0, underline_thickness = 0;
  // Top of the strike-out line above the baseline, and its thickness.
  std::int32_t strike_position = 0, strike_thickness = 0;
};

// How glyphs are loaded and rendered: the em size, one-bit or grey, and the styles the face
// lacks and the renderer adds (bold by emboldening, italic by slanting).
struct GlyphRendering {
  std::int64_t em_26_6 = 0;
  bool mono = false;
  bool embolden = false;
  bool oblique = false;
  friend bool operator==(const GlyphRendering&, const GlyphRendering&) = default;
};

// A glyph's advance and the box its ink may cover.
struct GlyphMetrics {
  std::int64_t advance_26_6 = 0;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A rendered glyph: width x height coverage values (0 = none, 255 = full), row-major, with its
// top-left pixel at (left, top) from the pen.
struct GlyphCoverage {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> alpha;
};

class FontFace {
 public:
  virtual ~FontFace() = default;
  // The face's file and its index in the file, as matched.
  virtual const std::string& File() const = 0;
  virtual std::int32_t Index() const = 0;
  // Whether the matched family is the one asked for (ignoring ASCII case), rather than the
  // system's substitute.
  virtual bool SameFamily() const = 0;
  // Whether the face lacks the weight or slant asked for, so the renderer synthesises it.
  virtual bool NeedsEmbolden() const = 0;
  virtual bool NeedsOblique() const = 0;
  virtual const FaceDesign& Design() const = 0;
  // The glyph index of a code point (0, the face's "missing" glyph, when it has none).
  virtual std::uint32_t GlyphIndex(char32_t code) = 0;
  // False when the glyph cannot be loaded.
  virtual bool LoadGlyph(const GlyphRendering& r, std::uint32_t glyph, GlyphMetrics& out) = 0;
  virtual bool RenderGlyph(const GlyphRendering& r, std::uint32_t glyph, GlyphCoverage& out) = 0;
  virtual bool HasKerning() const = 0;
  // The kerning between two glyphs at the rendering's size, in 26.6, fitted to whole pixels.
  virtual std::int64_t Kerning(const GlyphRendering& r, std::uint32_t left,
                               std::uint32_t right) = 0;
};

// The face the system matches for a request, or nullptr when there is none (no fonts, or no
// outline faces at all on this backend). The system's substitute for a family it does not
// have counts as a match.
std::shared_ptr<FontFace> MatchFace(const FaceRequest& request);

}  // namespace krv::detail
