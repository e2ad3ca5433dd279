// Windows builds carry no PDF writer: documents keep their pages as bitmaps only
// (platform/internal/pdf_vectors.h).
#include "platform/internal/pdf_vectors.h"

namespace krv::detail {

bool PdfVectorsAvailable() {
  return false;
}

std::unique_ptr<PdfVectors> MakePdfVectors(std::int32_t, std::int32_t, std::int32_t) {
  return nullptr;
}

}  // namespace krv::detail
