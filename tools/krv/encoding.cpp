// UTF-8 validation and the UTF-8-or-Windows-1252 reading of text.
#include "encoding.h"

#include "korvex/platform/text.h"

namespace krv::tool {

std::size_t Utf8Prefix(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t more;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return i;
    }
    if (s.size() - i <= more) return i;
    for (std::size_t k = 1; k <= more; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if (d < lo || d > hi) return i;
      lo = 0x80;
      hi = 0xBF;
    }
    i += more + 1;
  }
  return i;
}

String DecodeText(std::string_view bytes, bool& utf8) {
  utf8 = IsUtf8(bytes);
  return utf8 ? ToUtf16(bytes) : FromAnsi(bytes);
}

}  // namespace krv::tool
