// Outline faces on Windows (platform/internal/font_faces.h): this build has no FreeType, so no
// request matches a face and text is drawn with the built-in bitmap font.
#include "platform/internal/font_faces.h"

namespace krv::detail {

std::shared_ptr<FontFace> MatchFace(const FaceRequest&) {
  return nullptr;
}

}  // namespace krv::detail
