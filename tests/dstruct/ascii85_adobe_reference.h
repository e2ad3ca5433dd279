// Plain, one-character-at-a-time coders for Adobe's ASCII85 form, written from its rules and
// Python's base64.a85encode, shared by the unit tests and the fuzz target as the references
// the fast coders must agree with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "korvex/dstruct/ascii85.h"

namespace krv {
inline std::ostream& operator<<(std::ostream& os, const TASCII85AdobeResult& r) {
  return os << "fault " << int{r.fault} << " at " << r.offset;
}
}  // namespace krv

namespace krv::testing {

// Adobe's text of bytes, broken as a85encode(bytes, adobe=True, wrapcol=width) breaks it:
// the text with its "<~" is cut into lines of width characters, joined with LF, and a line
// of its own is added for "~>" when the last line has no room for it.
inline std::string RefEncodeAdobe(const std::string& bytes, std::size_t width) {
  std::string text = "<~";
  for (std::size_t pos = 0; pos < bytes.size(); pos += 4) {
    const std::size_t k = std::min<std::size_t>(4, bytes.size() - pos);
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
      v = v << 8 | (i < k ? static_cast<std::uint8_t>(bytes[pos + i]) : 0);
    if (k == 4 && v == 0) {
      text += 'z';
      continue;
    }
    char digits[5];
    for (int i = 4; i >= 0; --i, v /= 85) digits[i] = static_cast<char>('!' + v % 85);
    text.append(digits, k + 1);
  }
  if (width == 0) return text + "~>";
  width = std::max<std::size_t>(width, 2);
  std::string lines, last;
  for (std::size_t i = 0; i < text.size(); i += width) {
    if (i > 0) lines += '\n';
    last = text.substr(i, width);
    lines += last;
  }
  if (last.size() + 2 > width) lines += '\n';
  return lines + "~>";
}

// What decoding a text gives.
struct AdobeDecoded {
  std::string bytes;
  TASCII85AdobeResult result;
  std::size_t consumed = 0;  // characters read from the text
  bool operator==(const AdobeDecoded&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const AdobeDecoded& d) {
  os << d.result << ", consumed " << d.consumed << ", " << d.bytes.size() << " bytes:";
  for (std::size_t i = 0; i < d.bytes.size() && i < 24; ++i)
    os << ' ' << static_cast<int>(static_cast<unsigned char>(d.bytes[i]));
  return os;
}

inline AdobeDecoded RefDecodeAdobe(const std::string& text) {
  AdobeDecoded d;
  std::size_t pos = 0;
  std::uint64_t value = 0;
  int count = 0;
  auto stop = [&](TASCII85AdobeFault fault, std::size_t at) {
    d.result = {fault, static_cast<std::int64_t>(at)};
    d.consumed = std::min(at + 1, text.size());
    return d;
  };
  auto white = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == '\0';
  };
  auto emit = [&](int n) {
    for (int i = 0; i < n; ++i) d.bytes += static_cast<char>(value >> (24 - 8 * i));
    value = 0;
    count = 0;
  };
  while (pos < text.size() && white(text[pos])) ++pos;
  if (pos + 1 < text.size() && text[pos] == '<' && text[pos + 1] == '~') pos += 2;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c >= '!' && c <= 'u') {
      value = value * 85 + static_cast<std::uint64_t>(c - '!');
      if (++count == 5) {
        if (value > 0xFFFFFFFFu) return stop(a85GroupTooLarge, pos);
        emit(4);
      }
    } else if (c == 'z') {
      if (count != 0) return stop(a85ZInsideGroup, pos);
      d.bytes.append(4, '\0');
    } else if (c == '~') {
      if (++pos == text.size()) return stop(a85NoTerminator, pos);
      if (text[pos] != '>') return stop(a85TildeWithoutGreater, pos);
      if (count == 1) return stop(a85OneDigitGroup, pos);
      if (count > 0) {
        const int n = count - 1;
        for (; count < 5; ++count) value = value * 85 + 84;
        if (value > 0xFFFFFFFFu) return stop(a85GroupTooLarge, pos);
        emit(n);
      }
      d.result = {a85Sound, static_cast<std::int64_t>(pos + 1)};
      d.consumed = pos + 1;
      return d;
    } else if (!white(c)) {
      return stop(a85BadCharacter, pos);
    }
  }
  return stop(a85NoTerminator, text.size());
}

}  // namespace krv::testing
