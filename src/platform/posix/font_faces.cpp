// Outline faces through fontconfig and FreeType (platform/internal/font_faces.h): the match,
// an LRU of open faces per (file, index), glyph loading with synthetic bold and oblique, and
// rendering into coverage bitmaps.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <memory>
#include <string_view>

#include "korvex/platform/casefold.h"
#include "korvex/platform/text.h"
#include "platform/internal/font_faces.h"
#include "platform/internal/lru_cache.h"
#include "platform/internal/text_layout.h"
#include "platform/posix/font_system.h"

namespace krv::detail {
namespace {

// Open faces kept for reuse.
constexpr std::size_t kOpenFaces = 16;
// The slant of a synthetic italic: x += 0.2126 * y (FreeType's oblique, in 16.16).
constexpr FT_Fixed kObliqueShear = 0x0366A;
// Largest coverage bitmap rendered, in pixels.
constexpr std::int64_t kMaxGlyphPixels = std::int64_t{64} << 20;

bool SameAsciiName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

FaceDesign DesignOf(FT_Face face) {
  FaceDesign d;
  d.units_per_em = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const bool has_os2 = os2 != nullptr && os2->version != 0xFFFFu;
  if (has_os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    d.ascent = os2->usWinAscent;
    d.descent = os2->usWinDescent;
  } else {
    d.ascent = face->ascender;
    d.descent = -face->descender;
  }
  if (d.ascent + d.descent <= 0) {
    d.ascent = d.units_per_em * 4 / 5;
    d.descent = d.units_per_em / 5;
  }
  d.underline_position = face->underline_position;
  d.underline_thickness =
      face->underline_thickness > 0 ? face->underline_thickness : d.units_per_em / 14;
  if (has_os2 && os2->yStrikeoutSize > 0) {
    d.strike_position = os2->yStrikeoutPosition;
    d.strike_thickness = os2->yStrikeoutSize;
  } else {
    d.strike_position = d.units_per_em * 3 / 10;
    d.strike_thickness = d.underline_thickness;
  }
  return d;
}

// One open FreeType face and the size last set on it.
class OpenFace {
 public:
  OpenFace(FT_Face face, std::string file, std::int32_t index)
      : face_(face), file_(std::move(file)), index_(index), design_(DesignOf(face)) {
    // Faces without a Unicode character map (symbol fonts) map U+F000 + byte, as GDI does.
    symbol_ = face->charmap == nullptr && FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
  }
  ~OpenFace() { FT_Done_Face(face_); }
  OpenFace(const OpenFace&) = delete;
  OpenFace& operator=(const OpenFace&) = delete;

  FT_Face Handle() const { return face_; }
  const std::string& File() const { return file_; }
  std::int32_t Index() const { return index_; }
  const FaceDesign& Design() const { return design_; }
  bool Symbol() const { return symbol_; }
  // Whether the face itself is bold (weight class 600 or more) or italic.
  bool Bold() const {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFFu) return os2->usWeightClass >= 600;
    return (face_->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  }
  bool Italic() const { return (face_->style_flags & FT_STYLE_FLAG_ITALIC) != 0; }
  bool SetSize(std::int64_t em_26_6) {
    if (em_26_6 == size_) return true;
    if (FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(em_26_6), 72, 72) != 0) return false;
    size_ = em_26_6;
    return true;
  }

 private:
  FT_Face face_;
  std::string file_;
  std::int32_t index_;
  FaceDesign design_;
  bool symbol_ = false;
  std::int64_t size_ = 0;
};

std::shared_ptr<OpenFace> OpenCached(const std::string& file, std::int32_t index) {
  static auto* cache =
      new LruCache<std::pair<std::string, std::int32_t>, std::shared_ptr<OpenFace>>(kOpenFaces);
  if (auto* hit = cache->Find({file, index})) return *hit;
  FT_Face face = OpenFreeTypeFace(file, index);
  if (face == nullptr) return nullptr;
  if (!FT_IS_SCALABLE(face)) {  // bitmap-only faces leave the text to the built-in font
    FT_Done_Face(face);
    return nullptr;
  }
  return cache->Insert({file, index}, std::make_shared<OpenFace>(face, file, index));
}

class FreeTypeFace final : public FontFace {
 public:
  FreeTypeFace(std::shared_ptr<OpenFace> face, bool same_family, bool embolden, bool oblique)
      : face_(std::move(face)), same_(same_family), embolden_(embolden), oblique_(oblique) {}
  const std::string& File() const override { return face_->File(); }
  std::int32_t Index() const override { return face_->Index(); }
  bool SameFamily() const override { return same_; }
  bool NeedsEmbolden() const override { return embolden_; }
  bool NeedsOblique() const override { return oblique_; }
  const FaceDesign& Design() const override { return face_->Design(); }
  std::uint32_t GlyphIndex(char32_t code) override;
  bool LoadGlyph(const GlyphRendering& r, std::uint32_t glyph, GlyphMetrics& out) override;
  bool RenderGlyph(const GlyphRendering& r, std::uint32_t glyph, GlyphCoverage& out) override;
  bool HasKerning() const override { return FT_HAS_KERNING(face_->Handle()); }
  std::int64_t Kerning(const GlyphRendering& r, std::uint32_t left, std::uint32_t right) override;

 private:
  // Loads the glyph into the face's slot with the rendering's synthetic styles applied.
  FT_GlyphSlot Load(const GlyphRendering& r, std::uint32_t glyph);
  std::shared_ptr<OpenFace> face_;
  bool same_, embolden_, oblique_;
};

std::uint32_t FreeTypeFace::GlyphIndex(char32_t code) {
  FT_Face f = face_->Handle();
  if (face_->Symbol()) return code < 0x100 ? FT_Get_Char_Index(f, 0xF000 + code) : 0;
  return FT_Get_Char_Index(f, code);
}

FT_GlyphSlot FreeTypeFace::Load(const GlyphRendering& r, std::uint32_t glyph) {
  FT_Face f = face_->Handle();
  if (!face_->SetSize(r.em_26_6)) return nullptr;
  const FT_Int32 flags = FT_LOAD_NO_BITMAP | (r.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(f, glyph, flags) != 0) return nullptr;
  FT_GlyphSlot slot = f->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
  if (r.embolden) FT_GlyphSlot_Embolden(slot);
  if (r.oblique) {
    FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
    FT_Outline_Transform(&slot->outline, &shear);
  }
  return slot;
}

bool FreeTypeFace::LoadGlyph(const GlyphRendering& r, std::uint32_t glyph, GlyphMetrics& out) {
  FT_GlyphSlot slot = Load(r, glyph);
  if (slot == nullptr) return false;
  FT_BBox box;
  FT_Outline_Get_CBox(&slot->outline, &box);
  out.advance_26_6 = slot->advance.x;
  // Pixels, y down; one pixel more on every side than the outline's box.
  out.left = static_cast<std::int32_t>((box.xMin >> 6) - 1);
  out.right = static_cast<std::int32_t>(((box.xMax + 63) >> 6) + 1);
  out.top = static_cast<std::int32_t>(-((box.yMax + 63) >> 6) - 1);
  out.bottom = static_cast<std::int32_t>(-(box.yMin >> 6) + 1);
  return true;
}

bool FreeTypeFace::RenderGlyph(const GlyphRendering& r, std::uint32_t glyph, GlyphCoverage& out) {
  FT_GlyphSlot slot = Load(r, glyph);
  if (slot == nullptr) return false;
  if (FT_Render_Glyph(slot, r.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
    return false;
  const FT_Bitmap& b = slot->bitmap;
  const bool mono = b.pixel_mode == FT_PIXEL_MODE_MONO;
  if (!mono && b.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
  if (std::int64_t{b.width} * b.rows > kMaxGlyphPixels) return false;
  out.left = slot->bitmap_left;
  out.top = -slot->bitmap_top;
  out.width = static_cast<std::int32_t>(b.width);
  out.height = static_cast<std::int32_t>(b.rows);
  out.alpha.assign(static_cast<std::size_t>(b.width) * b.rows, 0);
  const std::size_t pitch = static_cast<std::size_t>(b.pitch < 0 ? -b.pitch : b.pitch);
  for (unsigned y = 0; y < b.rows; ++y) {
    const unsigned stored = b.pitch < 0 ? b.rows - 1 - y : y;
    const unsigned char* row = b.buffer + stored * pitch;
    std::uint8_t* to = &out.alpha[static_cast<std::size_t>(y) * b.width];
    for (unsigned x = 0; x < b.width; ++x)
      to[x] = mono ? ((row[x >> 3] >> (7 - (x & 7))) & 1u ? 255 : 0) : row[x];
  }
  return true;
}

std::int64_t FreeTypeFace::Kerning(const GlyphRendering& r, std::uint32_t left,
                                   std::uint32_t right) {
  FT_Vector delta{0, 0};
  if (!face_->SetSize(r.em_26_6) ||
      FT_Get_Kerning(face_->Handle(), left, right, FT_KERNING_DEFAULT, &delta) != 0)
    return 0;
  return delta.x;
}

// What fontconfig matched: the file, and whether it has the family asked for.
struct Matched {
  std::string file;
  int index = 0;
  bool same_family = false;
};

bool Match(const FaceRequest& request, Matched& out) {
  FcConfig* config = SystemFontConfig();
  FcPattern* pattern = config != nullptr ? FcPatternCreate() : nullptr;
  if (pattern == nullptr) return false;
  const std::string family = ToUtf8(request.family);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (request.pixel_size > 0) FcPatternAddDouble(pattern, FC_PIXEL_SIZE, request.pixel_size);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* file = nullptr;
  const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (found) {
    // The index may name a variable font's instance in its upper bits, as FreeType takes it.
    out.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
      if (name != nullptr && SameAsciiName(reinterpret_cast<const char*>(name), family))
        out.same_family = true;
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace

FcConfig* SystemFontConfig() {
  // Destroyed at exit: fontconfig keeps some of its data where a leak checker cannot see it.
  static const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(
      FcInitLoadConfigAndFonts(), &FcConfigDestroy);
  return config.get();
}

FT_Library SystemFreeType() {
  static FT_Library const library = [] {
    FT_Library lib = nullptr;
    return FT_Init_FreeType(&lib) == 0 ? lib : nullptr;
  }();
  return library;
}

FT_Face OpenFreeTypeFace(const std::string& file, std::int32_t index) {
  std::lock_guard lock(TextMutex());
  FT_Library library = SystemFreeType();
  FT_Face face = nullptr;
  if (library == nullptr || index < 0 ||
      FT_New_Face(library, file.c_str(), static_cast<FT_Long>(index), &face) != 0)
    return nullptr;
  return face;
}

void CloseFreeTypeFace(FT_Face face) {
  std::lock_guard lock(TextMutex());
  if (face != nullptr) FT_Done_Face(face);
}

std::shared_ptr<FontFace> MatchFace(const FaceRequest& request) {
  Matched m;
  if (!Match(request, m)) return nullptr;
  std::shared_ptr<OpenFace> face = OpenCached(m.file, m.index);
  if (face == nullptr) return nullptr;
  // The face's own weight and slant decide (fontconfig reports those asked for on faces it
  // would synthesise them for).
  const bool embolden = request.bold && !face->Bold();
  const bool oblique = request.italic && !face->Italic();
  return std::make_shared<FreeTypeFace>(std::move(face), m.same_family, embolden, oblique);
}

}  // namespace krv::detail
