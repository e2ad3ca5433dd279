// strff and the layouts built on it.
#include "korvex/stringl/format.h"

#include <algorithm>
#include <cmath>

#include "korvex/base/univconst.h"
#include "korvex/stringl/edit.h"
#include "stringl/internal/float_text.h"

namespace krv {
namespace {

std::int32_t ClampWidth(std::int32_t w) {
  return std::clamp(w, -kMaxFormatWidth, kMaxFormatWidth);
}
std::int32_t ClampDecimals(std::int32_t d) {
  return std::min(d, kMaxFormatDecimals);
}

// Leading blanks become '0'; a minus sign right after them becomes '0' and moves to the front.
void ZeroFill(String& s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == u' ') s[i++] = u'0';
  if (i < s.size() && s[i] == u'-') {
    s[i] = u'0';
    s[0] = u'-';
  }
}

// The short scientific layout: the scientific layout in m + 2 characters with the two
// leading exponent digits removed, or all asterisks when they are not both zero.
String ShortScientific(Extended value, std::int32_t m) {
  String s = detail::ScientificLayout(value, m + 2);
  // Exponent digits are the last four characters: "E+dddd".
  const std::size_t n = s.size();
  const bool fits = s[n - 4] == u'0' && s[n - 3] == u'0';
  s.erase(n - 4, 2);
  if (!fits) s.assign(s.size(), u'*');
  return s;
}

// The fixed layout as strff writes it, so a negative width zero-fills here too.
String FixedOrZeroFilled(double value, std::int32_t width, std::int32_t decimals) {
  return strff(value, width, std::max(decimals, 0));
}

}  // namespace

String strff(Extended value, std::int32_t width, std::int32_t decimals) {
  width = ClampWidth(width);
  decimals = ClampDecimals(decimals);
  const std::int32_t m = width < 0 ? -width : width;
  if (!std::isfinite(value)) return detail::NonFiniteText(value, m);
  String s;
  if (decimals == -2) {
    s = ShortScientific(value, m);
  } else if (decimals < 0) {
    s = detail::ScientificLayout(value, m);
  } else {
    s = detail::FixedLayout(value, m, decimals);
  }
  if (width < 0) ZeroFill(s);
  return s;
}

String strffForcePlus(Extended value, std::int32_t width, std::int32_t decimals) {
  String s = strff(value, width, decimals);
  if (!(value >= 0)) return s;
  const std::size_t first = s.find_first_not_of(u' ');
  if (first != 0 && !s.empty()) {
    // Leading blanks (or nothing but blanks): the last of them carries the sign.
    s[(first == String::npos ? s.size() : first) - 1] = u'+';
  } else if (s.size() >= 2 && s[0] == u'0' && s[1] != u'.') {
    s[0] = u'+';  // zero-filled
  } else {
    s.insert(s.begin(), u'+');
  }
  return s;
}

String FormatData(double value, std::int32_t width, std::int32_t decimals) {
  // Largest and smallest magnitudes that keep nine significant digits at most.
  static constexpr double kUpper[9] = {999999999, 9999999.9, 999999.99, 99999.999, 9999.9999,
                                       999.99999, 99.999999, 9.9999999, 0.99999999};
  static constexpr double kLower[9] = {1,       0.1,      0.01,      0.001,     0.0001,
                                       0.00001, 0.000001, 0.0000001, 0.00000001};
  width = ClampWidth(width);
  if (decimals >= 0 && decimals <= 8) {
    const double a = std::fabs(value);
    if (a <= kUpper[decimals] && (a >= kLower[decimals] || value == 0))
      return FixedOrZeroFilled(value, width, decimals);
  }
  return strff(value, width + 6, -2);
}

String SigDigStr(double value, std::int32_t width, std::int32_t digits) {
  width = ClampWidth(width);
  digits = std::clamp(digits, -kMaxFormatDecimals, kMaxFormatDecimals);
  if (!std::isfinite(value)) return strff(value, width, 0);
  if (value == 0) return FixedOrZeroFilled(value, width, digits - 1);
  const Extended lg = std::log(static_cast<Extended>(std::fabs(value))) / uc_ln10;
  const std::int32_t e = static_cast<std::int32_t>(std::floor(lg + 1));
  const std::int32_t sci_width = std::max(width, digits + 6);
  if (digits < e) {
    if (e > width - 1) return strff(value, sci_width, -2);
    return FixedOrZeroFilled(value, width, 0);
  }
  if (e < digits - width + 3) return strff(value, sci_width, -2);
  return FixedOrZeroFilled(value, width, digits - e);
}

String SigDigStr(double value, std::int32_t width, std::int32_t digits, bool stripBlanks) {
  String s = SigDigStr(value, width, digits);
  return stripBlanks ? StripLTBlanks(s) : s;
}

String AutoFormatData(double value, std::int32_t digits) {
  digits = std::clamp(digits, 2, 16);
  if (value == 0) return StripLTBlanks(strff(value, 1, digits - 1));
  const double lg =
      static_cast<double>(std::log(static_cast<Extended>(std::fabs(value))) / uc_ln10);
  String s;
  if (digits - 1 > lg && lg > -1) {
    s = strff(value, 1, digits - static_cast<std::int32_t>(std::trunc(lg)) - 1);
  } else {
    s = strff(value, digits + 6, -2);
  }
  return StripLTBlanks(s);
}

String AutoFormatData(double value, std::int32_t digits, bool comma) {
  String s = AutoFormatData(value, digits);
  if (comma) std::replace(s.begin(), s.end(), u'.', u',');
  return s;
}

String SortableNumericString(const String& text, Char decimalChar, std::int32_t position) {
  String s = StripLTBlanks(text);
  const std::size_t found = s.find(decimalChar);
  const std::int64_t p = found == String::npos ? 0 : static_cast<std::int64_t>(found) + 1;
  const std::int64_t pad = std::min<std::int64_t>(position - p, kMaxSortablePad);
  if (pad > 0) s.insert(0, static_cast<std::size_t>(pad), u' ');
  return s;
}

}  // namespace krv
