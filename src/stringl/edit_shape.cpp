// Reversing, padding, cutting and re-casing.
#include <algorithm>

#include "korvex/stringl/casemap.h"
#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"

namespace krv {

String ReverseString(const String& s) {
  return String(s.rbegin(), s.rend());
}

String CenterString(const String& s, std::uint8_t width) {
  if (s.size() >= width) return s.substr(0, width);
  const std::size_t missing = width - s.size();
  const std::size_t left = missing / 2;
  return String(left, u' ') + s + String(missing - left, u' ');
}

String LeftString(const String& s, std::uint8_t width) {
  if (s.size() >= width) return s.substr(0, width);
  return s + String(width - s.size(), u' ');
}

String RightString(const String& s, std::uint8_t width) {
  if (s.size() >= width) return s.substr(0, width);
  return String(width - s.size(), u' ') + s;
}

String MultiChar(Char c, std::int32_t count) {
  return String(static_cast<std::size_t>(std::clamp(count, 1, 255)), c);
}

String AbbrevString(const String& s, std::int32_t maxLength) {
  if (maxLength >= 0 && s.size() <= static_cast<std::size_t>(maxLength)) return s;
  if (maxLength < 2) return u"..";
  return s.substr(0, static_cast<std::size_t>(maxLength) - 2) + u"..";
}

String CapitalizeString(const String& s) {
  String out(s);
  bool wordMayStart = true;
  for (Char& c : out) {
    if (IsLetter(c) || c > 127) {
      if (wordMayStart) c = AsciiUpper(c);
      wordMayStart = false;
    } else if (IsDigit(c)) {
      wordMayStart = false;
    } else {
      wordMayStart = true;
    }
  }
  return out;
}

String ChangeCase(const String& s) {
  String out(s);
  for (Char& c : out) {
    const Char upper = UnicodeUpper(c);
    c = upper == c ? UnicodeLower(c) : upper;
  }
  return out;
}

String ExpandDiphthongs(const String& s) {
  String out;
  out.reserve(s.size() + s.size() / 4);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const Char c = s[i];
    const bool smallNext = i + 1 < s.size() && s[i + 1] >= u'a' && s[i + 1] <= u'z';
    switch (c) {
      case 0xE4:
        out += u"ae";
        break;
      case 0xF6:
        out += u"oe";
        break;
      case 0xFC:
        out += u"ue";
        break;
      case 0xDF:
        out += u"ss";
        break;
      case 0xB5:
        out += u'u';
        break;
      case 0xC4:
        out += smallNext ? u"Ae" : u"AE";
        break;
      case 0xD6:
        out += smallNext ? u"Oe" : u"OE";
        break;
      case 0xDC:
        out += smallNext ? u"Ue" : u"UE";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

}  // namespace krv
