// A plain character-by-character ASCII85 decoder written from the format's rules, shared by
// the unit tests and the fuzz target as the reference the fast decoder must agree with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "korvex/platform/types.h"

namespace krv::testing {

// What decoding a text gives: the bytes, the result code and how many characters were read.
struct Decoded {
  std::string bytes;
  krv::Integer result = 0;
  std::size_t consumed = 0;  // characters read from the text
  bool operator==(const Decoded&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Decoded& d) {
  os << "result " << d.result << ", consumed " << d.consumed << ", " << d.bytes.size() << " bytes:";
  for (std::size_t i = 0; i < d.bytes.size() && i < 24; ++i)
    os << ' ' << static_cast<int>(static_cast<unsigned char>(d.bytes[i]));
  return os;
}

inline Decoded RefDecode(const std::string& text) {
  Decoded d;
  std::size_t pos = 0;
  auto next = [&]() -> int {
    while (pos < text.size()) {
      const auto c = static_cast<unsigned char>(text[pos++]);
      if (c != '\r' && c != '\n') return c;
    }
    return -1;
  };
  for (;;) {
    const int first = next();
    if (first < 0) break;
    if (first == 'z') {
      d.bytes.append(4, '\0');
      continue;
    }
    std::vector<int> group{first};
    bool last = false;
    while (group.size() < 5) {
      const int c = next();
      if (c < 0) {
        last = true;
        break;
      }
      group.push_back(c);
    }
    std::size_t m = group.size();
    for (std::size_t i = group.size(); i-- > 0;)
      if (group[i] == '~') {
        m = i;
        last = true;
        break;
      }
    std::uint32_t v = 0;
    std::uint64_t exact = 0;
    bool sound = true;
    for (std::size_t i = 0; i < m; ++i) {
      const int c = group[i];
      if (c < '!' || c > 'u') {
        d.result = c == 'z' ? -2 : -1;
        sound = false;
      }
      v = v * 85 + static_cast<std::uint32_t>(c - 33);
      exact = exact * 85 + static_cast<std::uint64_t>(c - 33);
    }
    if (m >= 2) {
      if (sound && exact >= (std::uint64_t{1} << (8 * (m - 1)))) d.result = -1;
      for (std::size_t i = m - 1; i-- > 0;) d.bytes += static_cast<char>(v >> (8 * i));
    }
    if (last) break;
  }
  d.consumed = pos;
  return d;
}

}  // namespace krv::testing
