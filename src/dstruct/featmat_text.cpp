// The value texts of TFeatureMatrix: validity tests, number-to-text and text-to-number.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "korvex/dstruct/featmat.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/variant.h"
#include "korvex/stringl/chars.h"
#include "platform/internal/decimal_number.h"

namespace krv {
namespace {

[[noreturn]] void ConvertError(const String& s, const char16_t* what) {
  throw EConvertError(u"'" + s + u"' is not a valid " + what);
}

bool IsAsciiDigit(Char c) {
  return c >= u'0' && c <= u'9';
}

// The midpoint between the extended (64-bit mantissa) value nearest to 1.79769313486232E308
// and the next extended value above it, exactly. That extended value has an even mantissa, so
// a text equal to the midpoint rounds down to it.
constexpr std::string_view kExtendedLimitMidpoint =
    "179769313486232000007901799799063854641384311937013395898824512144883751569496820876062848"
    "676938856859693575463128209005888137074358619650493767580113002422327188427482120531653246"
    "673873418037483523085945907861047951479655159846924153226791647810833890397815072859277715"
    "182804696406750912063335860073486352384";

}  // namespace

bool IsValidFeatInteger(const String& s) {
  if (s.empty()) return false;
  const Char c0 = s[0];
  if (s.size() == 1) return IsAsciiDigit(c0);
  if (!IsAsciiDigit(c0) && c0 != u'+' && c0 != u'-') return false;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!IsAsciiDigit(s[i])) return false;
  return true;
}

bool IsValidFeatDouble(const String& s) {
  if (s.empty()) return false;
  enum Cls { kSep, kBlank, kSign, kDigit, kE, kOther };
  constexpr int kFail = -1, kAccept = 0;
  // Rows: states 1..8; columns: the classes in the order above.
  static constexpr int kNext[8][6] = {
      {4, 1, 2, 3, kFail, kFail},                        // 1 start
      {4, kFail, kFail, 3, kFail, kFail},                // 2 after sign
      {4, kAccept, kAccept, 3, 6, kAccept},              // 3 integer digits
      {kFail, kAccept, kAccept, 5, 6, kAccept},          // 4 after separator
      {kFail, kAccept, kAccept, 5, 6, kAccept},          // 5 fraction digits
      {kFail, kFail, 7, 8, kFail, kAccept},              // 6 after E
      {kFail, kFail, kFail, 8, kFail, kAccept},          // 7 after exponent sign
      {kAccept, kAccept, kAccept, 8, kAccept, kAccept},  // 8 exponent digits
  };
  int state = 1;
  int exponent = 0;
  for (std::size_t i = 0;; ++i) {
    Cls cls = kOther;
    if (i < s.size()) {
      const Char c = AsciiUpper(s[i]);
      if (c == u'.')
        cls = kSep;
      else if (c == u' ')
        cls = kBlank;
      else if (c == u'+' || c == u'-')
        cls = kSign;
      else if (IsAsciiDigit(c))
        cls = kDigit;
      else if (c == u'E')
        cls = kE;
    }
    const int next = kNext[state - 1][cls];
    if (next == kAccept) return true;
    if (next == kFail) return false;
    if (next == 8 && cls == kDigit) {
      exponent = exponent * 10 + (s[i] - u'0');
      if (exponent > 4200) return false;
    }
    state = next;
  }
}

String FeatIntToStr(std::int64_t v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return String(buf, r.ptr);
}

String FeatFloatToStr(double v) {
  return FloatToStrGeneral(v, 15);
}

String FeatTriStateToStr(TTriState v) {
  switch (v) {
    case tsFalse:
      return u"false";
    case tsTrue:
      return u"true";
    default:
      return String();
  }
}

std::int32_t FeatStrToInt(const String& s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';
  int base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16, i += 2;
  }
  if (i == s.size()) ConvertError(s, u"integer value");
  std::int64_t v = 0;
  for (; i < s.size(); ++i) {
    const Char c = AsciiUpper(s[i]);
    int d;
    if (IsAsciiDigit(c))
      d = c - u'0';
    else if (base == 16 && c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      ConvertError(s, u"integer value");
    v = v * base + d;
    if (v > std::int64_t{1} << 32) ConvertError(s, u"integer value");
  }
  if (neg) v = -v;
  // Hexadecimal texts cover the 32 bits as written (FFFFFFFF is -1); decimal ones must fit.
  if (base == 16 && v >= 0 && v <= 0xFFFFFFFF)
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    ConvertError(s, u"integer value");
  return static_cast<std::int32_t>(v);
}

namespace {

// The number FeatStrToFloat reads from s, or false when s is not one. Blanks around the
// number are allowed; the rest must be [sign] digits [. digits] [E [sign] digits] with at
// least one mantissa digit. exponent gets the value of the exponent's digits (capped far above
// 4200), which IsValidFeatDouble bounds. Texts of up to 64 characters are read without
// allocating.
bool ParseFeatFloat(std::u16string_view s, double& value, int& exponent) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  char small[64];
  std::string large;
  char* t = small;  // every character read gives at most one character here
  if (e - b > sizeof small) {
    large.resize(e - b);
    t = large.data();
  }
  std::size_t n = 0, i = b;
  bool neg = false;
  if (i < e && (s[i] == u'+' || s[i] == u'-')) neg = s[i++] == u'-';
  std::size_t digits = 0;
  for (; i < e && IsAsciiDigit(s[i]); ++i, ++digits) t[n++] = static_cast<char>(s[i]);
  if (i < e && s[i] == u'.') {
    t[n++] = '.';
    for (++i; i < e && IsAsciiDigit(s[i]); ++i, ++digits) t[n++] = static_cast<char>(s[i]);
  }
  if (digits == 0) return false;
  exponent = 0;
  if (i < e && AsciiUpper(s[i]) == u'E') {
    t[n++] = 'e';
    ++i;
    if (i < e && (s[i] == u'+' || s[i] == u'-')) t[n++] = static_cast<char>(s[i++]);
    if (i == e || !IsAsciiDigit(s[i])) return false;
    for (; i < e && IsAsciiDigit(s[i]); ++i) {
      t[n++] = static_cast<char>(s[i]);
      exponent = std::min(exponent * 10 + (s[i] - u'0'), 1000000);
    }
  }
  if (i != e) return false;
  const std::string_view text(t, n);
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Beyond the double range. Underflow gives 0. Overflow is an error, except for texts up
    // to the largest double written with 15 digits (1.79769313486232E308, which the matrix
    // itself writes for it): they read as the largest double. "Up to" means rounding to at
    // most that number in 64-bit-mantissa extended precision, that is, not above the midpoint
    // of its extended value and the next (a tie rounds down to the even one); the comparison
    // is exact, so it does not depend on the run-time's long double.
    if (detail::CompareDecimalMagnitudes(text, "1") < 0)
      v = 0;
    else if (detail::CompareDecimalMagnitudes(text, kExtendedLimitMidpoint) <= 0)
      v = std::numeric_limits<double>::max();
    else
      return false;
  } else if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    return false;
  }
  value = neg ? -v : v;
  return true;
}

}  // namespace

double FeatStrToFloat(const String& s) {
  double v = 0;
  int exponent = 0;
  if (!ParseFeatFloat(s, v, exponent)) ConvertError(s, u"floating point value");
  return v;
}

bool TryFeatStrToFloat(std::u16string_view s, double& value) {
  int exponent = 0;
  return ParseFeatFloat(s, value, exponent) && exponent <= 4200;
}

}  // namespace krv
