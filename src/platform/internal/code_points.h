// Walking a UTF-16 text by code points, as the text drawing code reads it.
#pragma once

#include <cstddef>

#include "korvex/platform/types.h"

namespace krv::detail {

// Calls f(code point) for each character of a UTF-16 text, a surrogate pair as one code
// point; lone surrogates pass as they are. Stops early when f returns false.
template <typename F>
void ForEachCodePoint(const String& text, F&& f) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (!f(c)) return;
  }
}

}  // namespace krv::detail
