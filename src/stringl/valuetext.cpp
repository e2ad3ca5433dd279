#include "korvex/stringl/valuetext.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"

namespace krv {
namespace {

// n with at least two digits, the missing one being pad.
void AppendTwo(String& out, std::uint64_t n, Char pad) {
  if (n < 10) out += pad;
  const std::string digits = std::to_string(n);
  out.append(digits.begin(), digits.end());
}

}  // namespace

String BinString(bool flag, const String& ifTrue, const String& ifFalse) {
  return flag ? ifTrue : ifFalse;
}

String BoolToStr(bool flag, std::int32_t kind) {
  static constexpr const char16_t* kWords[8][2] = {
      {u"TRUE", u"FALSE"}, {u"T", u"F"},   {u".T.", u".F."}, {u"1", u"0"},
      {u"-1", u"0"},       {u"FF", u"00"}, {u"YES", u"NO"},  {u"GOOD", u"BAD"}};
  if (kind < 0 || kind > 7) kind = 0;
  return kWords[kind][flag ? 0 : 1];
}

String TriStateToStr(TTriState value, std::int32_t kind) {
  static constexpr const char16_t* kWords[3][3] = {
      {u"false", u"true", u""}, {u"-1", u"1", u"0"}, {u"no", u"yes", u"unknown"}};
  if (kind < 0 || kind > 2) kind = 0;
  const int v = value == tsFalse ? 0 : value == tsTrue ? 1 : 2;
  return kWords[kind][v];
}

TTriState StrToTriState(const String& text) {
  String s = StripLTBlanks(text);
  for (Char& c : s) c = AsciiLower(c);
  if (s == u"true" || s == u"1" || s == u"+1" || s == u"yes") return tsTrue;
  if (s == u"false" || s == u"-1" || s == u"no") return tsFalse;
  return tsUndefined;
}

String TimeString(double seconds, std::uint8_t format) {
  if (!(seconds > 0)) seconds = 0;  // negative and NaN
  seconds = std::min(seconds, kMaxTimeStringSeconds);
  const auto h = static_cast<std::uint64_t>(std::trunc(seconds / 3600));
  const double r = std::max(seconds - static_cast<double>(h) * 3600, 0.0);
  const auto m = static_cast<std::uint64_t>(std::trunc(r / 60));
  const auto s =
      static_cast<std::uint64_t>(std::max(std::trunc(r - static_cast<double>(m) * 60), 0.0));
  const auto c = static_cast<std::uint64_t>(std::trunc((seconds - std::trunc(seconds)) * 100));
  String out;
  switch (format) {
    case 0:
    case 1:
    case 4:
      AppendTwo(out, h, u'0');
      out += u':';
      AppendTwo(out, m, u'0');
      if (format == 4) break;
      out += u':';
      AppendTwo(out, s, u'0');
      if (format == 1) break;
      out += u'.';
      AppendTwo(out, c, u'0');
      break;
    case 2:
    case 3:
      AppendTwo(out, h, u' ');
      out += u'h';
      AppendTwo(out, m, u'0');
      if (format == 2) break;
      out += u'\'';
      AppendTwo(out, s, u'0');
      out += u'"';
      break;
    case 5: {
      const std::uint64_t h12 = h == 0 ? 12 : (h > 12 ? h - 12 : h);
      AppendTwo(out, h12, u' ');
      out += u':';
      AppendTwo(out, m, u'0');
      out += h < 12 ? u'a' : u'p';
      break;
    }
    default:
      break;
  }
  return out;
}

}  // namespace krv
