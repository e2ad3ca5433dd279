// The run lengths (on, off, on, ...) of the dashed pen styles, shared by the canvas's pixels
// and the PDF pages' vectors so both draw the same dashes.
#pragma once

#include <array>
#include <span>

#include "korvex/platform/graphics.h"

namespace krv::detail {

// Empty for the solid styles (and psClear, psInsideFrame).
inline std::span<const int> DashPattern(TPenStyle style) {
  static constexpr std::array<int, 2> kDash = {18, 6};
  static constexpr std::array<int, 2> kDot = {3, 3};
  static constexpr std::array<int, 4> kDashDot = {9, 6, 3, 6};
  static constexpr std::array<int, 6> kDashDotDot = {9, 3, 3, 3, 3, 3};
  switch (style) {
    case psDash:
      return kDash;
    case psDot:
      return kDot;
    case psDashDot:
      return kDashDot;
    case psDashDotDot:
      return kDashDotDot;
    default:
      return {};
  }
}

}  // namespace krv::detail
