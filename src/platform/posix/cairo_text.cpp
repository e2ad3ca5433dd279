// PLACEHOLDER owned by the text work: replaced by the FreeType/cairo implementation.
#include "platform/posix/cairo_text.h"

namespace krv::detail {

void ShowTextOnCairo(cairo_t*, TPoint, const String&, const TFont&, const TBrush&) {}

}  // namespace krv::detail
