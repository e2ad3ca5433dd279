// A fixed array indexed First..Last, so tables keep their natural index ranges
// (HTMLLat1Entities[160] is "&nbsp;", MonthLong[lgFrench][2] is "février ").
#pragma once

#include <array>
#include <cstddef>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

template <typename T, long First, long Last>
struct IndexedArray {
  static_assert(Last >= First);
  static constexpr long kFirst = First;
  static constexpr long kLast = Last;
  static constexpr std::size_t kSize = static_cast<std::size_t>(Last - First + 1);

  std::array<T, kSize> items;

  constexpr const T& operator[](long i) const { return items[static_cast<std::size_t>(i - First)]; }
  constexpr T& operator[](long i) { return items[static_cast<std::size_t>(i - First)]; }
  // True when i lies in First..Last.
  static constexpr bool InRange(long i) { return i >= First && i <= Last; }
  static constexpr std::size_t size() { return kSize; }
  constexpr auto begin() const { return items.begin(); }
  constexpr auto end() const { return items.end(); }
};

}  // namespace krv
KORVEX_API_END
