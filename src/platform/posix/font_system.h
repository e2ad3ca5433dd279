// The POSIX font system shared by the text backends: one fontconfig configuration and one
// FreeType library for the process (platform/fonts.h lists the families of the same
// configuration the text code matches faces in).
#pragma once

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

namespace krv::detail {

// The system's fontconfig configuration with its fonts, loaded on first use; nullptr when
// fontconfig cannot load one. It lives until the process exits; callers never destroy it.
FcConfig* SystemFontConfig();
// The process's FreeType library, or nullptr when it cannot be set up. Every call on it and
// its faces runs under TextMutex() (text_layout.h).
FT_Library SystemFreeType();
// A face of its own on face `index` of `file` (for a renderer that changes its size at will),
// or nullptr. CloseFreeTypeFace releases it and takes the text lock itself, so it may be
// called from a destroy callback.
FT_Face OpenFreeTypeFace(const std::string& file, std::int32_t index);
void CloseFreeTypeFace(FT_Face face);

}  // namespace krv::detail
