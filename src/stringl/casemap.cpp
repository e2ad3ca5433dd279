#include "korvex/stringl/casemap.h"

#include <cstdint>

namespace krv {
namespace {

#include "casemap_table.inc"

Char Apply(const std::uint8_t (&index)[256], const std::uint16_t (*delta)[256], Char c) {
  const std::uint16_t d = delta[index[c >> 8]][c & 0xFF];
  return static_cast<Char>(static_cast<std::uint16_t>(c + d));
}

}  // namespace

Char UnicodeUpper(Char c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? Char(c - 32) : c;
  return Apply(kUpperIndex, kUpperDelta, c);
}

Char UnicodeLower(Char c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? Char(c + 32) : c;
  return Apply(kLowerIndex, kLowerDelta, c);
}

Char UnicodeFold(Char c) {
  return UnicodeLower(UnicodeUpper(c));
}

String UnicodeUpperCase(const String& s) {
  String out(s);
  for (Char& c : out) c = UnicodeUpper(c);
  return out;
}

String UnicodeLowerCase(const String& s) {
  String out(s);
  for (Char& c : out) c = UnicodeLower(c);
  return out;
}

}  // namespace krv
