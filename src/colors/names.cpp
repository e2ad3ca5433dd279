// The named-colour tables (generated into color_names.inc) and the name lookup.
#include "korvex/colors/names.h"

#include "korvex/colors/convert.h"

namespace krv {

#include "color_names.inc"

String ObtainColorName(TColor color) {
  for (long i = AllKRVColors.kFirst; i <= AllKRVColors.kLast; ++i) {
    if (AllKRVColors[i] == color) return String(AllKRVColorNames[i]);
  }
  return ColorToHexStr(color);
}

}  // namespace krv
