// Shared arithmetic of the streams' Seek.
#pragma once

#include <cstdint>
#include <limits>

#include "korvex/platform/stream.h"

namespace krv::detail {

// Computes the target of a seek from the current position and size. False when the target
// lies before 0 or outside the range of std::int64_t.
inline bool SeekTarget(std::int64_t current, std::int64_t size, std::int64_t offset,
                       TSeekOrigin origin, std::int64_t& target) {
  std::int64_t base = 0;
  switch (origin) {
    case soFromBeginning:
      base = 0;
      break;
    case soFromCurrent:
      base = current;
      break;
    case soFromEnd:
      base = size;
      break;
    default:
      return false;
  }
  if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) return false;
  target = base + offset;
  return target >= 0;
}

}  // namespace krv::detail
