#include "korvex/platform/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/rounding.h"
#include "korvex/platform/text.h"
#include "platform/internal/decimal_number.h"

namespace krv {
namespace {

[[noreturn]] void ConvertError(TVarType from, TVarType to) {
  throw EVariantError(u"Could not convert variant of type (" + VarTypeName(from) +
                      u") into type (" + VarTypeName(to) + u")");
}

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
  throw EVariantError(u"Overflow while converting variant of type (" + VarTypeName(from) +
                      u") into type (" + VarTypeName(to) + u")");
}

String AsciiToString(std::string_view s) {
  return String(s.begin(), s.end());
}

// Text without surrounding blanks, narrowed to ASCII; false when a character is not ASCII
// (such text can never be a number).
bool TrimmedAscii(const String& s, std::string& out) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  out.clear();
  for (std::size_t i = b; i < e; ++i) {
    if (s[i] > 0x7F) return false;
    out.push_back(static_cast<char>(s[i]));
  }
  return true;
}

// A decimal number (see platform/internal/decimal_number.h) within the range of double; a
// value too small for a double reads as zero.
bool ParseDecimal(const std::string& t, double& out) {
  double v = 0;
  if (!detail::DecimalNumberToDouble(t, v) || std::isinf(v)) return false;
  out = v;
  return true;
}

// Strict decimal integer with optional sign; false when not one or beyond 64 bits.
bool ParseInt64(const std::string& t, std::int64_t& out) {
  if (t.empty()) return false;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') ++first;
  if (first == last || *first == '+') return false;
  auto [p, ec] = std::from_chars(first, last, out);
  return ec == std::errc() && p == last;
}

template <typename T>
T CheckedFromDouble(double v, TVarType from, TVarType to) {
  if (std::isnan(v)) OverflowError(from, to);
  const double r = RoundHalfEvenF(v);
  // Both limits are exact powers of two (or one less) in double for the types used here.
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi_exclusive = static_cast<double>(std::numeric_limits<T>::max()) + 1.0;
  if (!(r >= lo && r < hi_exclusive)) OverflowError(from, to);
  return static_cast<T>(r);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

// Date text, or false when the value lies outside 0001-01-01..9999-12-31 (or is NaN).
bool DateToText(double value, String& out) {
  constexpr double kMinDate = -693593.0;  // 0001-01-01
  constexpr double kMaxDate = 2958466.0;  // 10000-01-01, exclusive
  if (!(value >= kMinDate && value < kMaxDate)) return false;
  const double whole = std::trunc(value);
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * 86400000.0));
  if (ms > 86399999) ms = 86399999;
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(static_cast<std::int64_t>(whole) - 25569, y, m, d);
  char buf[48];
  int n = std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
  if (ms != 0) {
    const auto secs = ms / 1000;
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), " %02lld:%02lld:%02lld",
                       static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                       static_cast<long long>(secs % 60));
  }
  out = AsciiToString(std::string_view(buf, static_cast<std::size_t>(n)));
  return true;
}

String CurrencyToText(std::int64_t scaled) {
  const bool neg = scaled < 0;
  const std::uint64_t mag =
      neg ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string s = std::to_string(mag / 10000);
  std::uint64_t frac = mag % 10000;
  if (frac != 0) {
    char f[5];
    std::snprintf(f, sizeof f, "%04llu", static_cast<unsigned long long>(frac));
    std::string fs(f);
    while (fs.back() == '0') fs.pop_back();
    s += '.' + fs;
  }
  if (neg) s.insert(s.begin(), '-');
  return AsciiToString(s);
}

}  // namespace

Currency Currency::FromDouble(double v) {
  return Currency{CheckedFromDouble<std::int64_t>(v * 10000.0, varDouble, varCurrency)};
}

String VarTypeName(TVarType t) {
  switch (t) {
    case varEmpty:
      return u"Empty";
    case varNull:
      return u"Null";
    case varSmallint:
      return u"Smallint";
    case varInteger:
      return u"Integer";
    case varSingle:
      return u"Single";
    case varDouble:
      return u"Double";
    case varCurrency:
      return u"Currency";
    case varDate:
      return u"Date";
    case varBoolean:
      return u"Boolean";
    case varShortInt:
      return u"ShortInt";
    case varByte:
      return u"Byte";
    case varWord:
      return u"Word";
    case varLongWord:
      return u"LongWord";
    case varInt64:
      return u"Int64";
    case varUInt64:
      return u"UInt64";
    case varUString:
      return u"UnicodeString";
  }
  return u"Unknown";
}

String FloatToStrGeneral(double v, int digits) {
  if (std::isnan(v)) return u"NAN";
  if (std::isinf(v)) return v > 0 ? u"INF" : u"-INF";
  if (v == 0) return u"0";
  if (digits < 1) digits = 1;
  if (digits > 17) digits = 17;
  // "%.*e" gives d.ddde[+-]XX with the rounding done once, at the wanted digit count.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, std::fabs(v));
  std::string mant;
  const char* p = buf;
  for (; *p != 'e'; ++p)
    if (*p != '.') mant.push_back(*p);
  const int exp = std::atoi(p + 1);
  while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
  std::string out = v < 0 ? "-" : "";
  if (exp >= -5 && exp < digits) {
    if (exp < 0) {
      out += "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + mant;
    } else if (static_cast<std::size_t>(exp) + 1 >= mant.size()) {
      out += mant + std::string(static_cast<std::size_t>(exp) + 1 - mant.size(), '0');
    } else {
      out.append(mant, 0, static_cast<std::size_t>(exp) + 1)
          .append(".")
          .append(mant, static_cast<std::size_t>(exp) + 1);
    }
  } else {
    // Appended piece by piece (GCC 12 warns falsely about "." + std::string at -O3).
    out.append(mant, 0, 1);
    if (mant.size() > 1) out.append(".").append(mant, 1);
    out.append("E").append(std::to_string(exp));
  }
  return AsciiToString(out);
}

bool Variant::IsIntegerKind() const {
  switch (type_) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
      return true;
    default:
      return false;
  }
}

static bool IsUnsignedKind(TVarType t) {
  return t == varByte || t == varWord || t == varLongWord || t == varUInt64;
}

String Variant::AsString() const {
  switch (type_) {
    case varEmpty:
    case varNull:
      ConvertError(type_, varUString);
    case varSingle:
      return FloatToStrGeneral(static_cast<double>(RawSingle()), 7);
    case varDouble:
      return FloatToStrGeneral(RawDouble(), 15);
    case varCurrency:
      return CurrencyToText(RawSigned());
    case varDate: {
      String s;
      if (!DateToText(RawDouble(), s)) ConvertError(type_, varUString);
      return s;
    }
    case varBoolean:
      return RawBoolean() ? u"True" : u"False";
    case varUString:
      return s_;
    default:
      return AsciiToString(IsUnsignedKind(type_) ? std::to_string(RawUnsigned())
                                                 : std::to_string(RawSigned()));
  }
}

double Variant::AsDouble() const {
  switch (type_) {
    case varSingle:
      return static_cast<double>(RawSingle());
    case varDouble:
    case varDate:
      return RawDouble();
    case varCurrency:
      return static_cast<double>(RawSigned()) / 10000.0;
    case varBoolean:
      return RawBoolean() ? -1.0 : 0.0;
    case varUString: {
      std::string t;
      double v = 0;
      if (!TrimmedAscii(s_, t) || !ParseDecimal(t, v)) ConvertError(type_, varDouble);
      return v;
    }
    case varEmpty:
    case varNull:
      ConvertError(type_, varDouble);
    default:
      return IsUnsignedKind(type_) ? static_cast<double>(RawUnsigned())
                                   : static_cast<double>(RawSigned());
  }
}

std::int64_t Variant::AsInt64() const {
  switch (type_) {
    case varSingle:
    case varDouble:
    case varDate:
      return CheckedFromDouble<std::int64_t>(AsDouble(), type_, varInt64);
    case varCurrency: {
      // Round the scaled count to whole units, ties to even, without going through double.
      std::int64_t q = RawSigned() / 10000, r = RawSigned() % 10000;
      if (r > 5000 || (r == 5000 && (q & 1))) ++q;
      if (r < -5000 || (r == -5000 && (q & 1))) --q;
      return q;
    }
    case varBoolean:
      return RawBoolean() ? -1 : 0;
    case varUString: {
      std::string t;
      std::int64_t n = 0;
      if (!TrimmedAscii(s_, t)) ConvertError(type_, varInt64);
      if (ParseInt64(t, n)) return n;
      double v = 0;
      if (!ParseDecimal(t, v)) ConvertError(type_, varInt64);
      return CheckedFromDouble<std::int64_t>(v, type_, varInt64);
    }
    case varEmpty:
    case varNull:
      ConvertError(type_, varInt64);
    case varUInt64:
      if (RawUnsigned() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        OverflowError(type_, varInt64);
      return static_cast<std::int64_t>(RawUnsigned());
    default:
      return IsUnsignedKind(type_) ? static_cast<std::int64_t>(RawUnsigned()) : RawSigned();
  }
}

std::int32_t Variant::AsInteger() const {
  if (type_ == varUInt64 && RawUnsigned() > 0x7FFFFFFFu) OverflowError(type_, varInteger);
  if (type_ == varSingle || type_ == varDouble || type_ == varDate)
    return CheckedFromDouble<std::int32_t>(AsDouble(), type_, varInteger);
  const std::int64_t v = AsInt64();
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    OverflowError(type_, varInteger);
  return static_cast<std::int32_t>(v);
}

bool Variant::AsBoolean() const {
  switch (type_) {
    case varBoolean:
      return RawBoolean();
    case varUString: {
      std::string t;
      if (TrimmedAscii(s_, t)) {
        std::string lower;
        for (char c : t) lower.push_back(AsciiLower(c));
        if (lower == "true") return true;
        if (lower == "false") return false;
        double v = 0;
        if (ParseDecimal(t, v)) return v != 0;
      }
      ConvertError(type_, varBoolean);
    }
    case varEmpty:
    case varNull:
      ConvertError(type_, varBoolean);
    case varSingle:
      return RawSingle() != 0;
    case varDouble:
    case varDate:
      return RawDouble() != 0;
    default:
      return IsUnsignedKind(type_) ? RawUnsigned() != 0 : RawSigned() != 0;
  }
}

bool operator==(const Variant& a, const Variant& b) {
  // Every kind keeps its whole payload in bits_ (text in s_, other kinds leave it empty), so
  // floats compare bit for bit and no kind needs a case of its own.
  return a.type_ == b.type_ && a.bits_ == b.bits_ && a.s_ == b.s_;
}

String VarToStr(const Variant& v) {
  if (v.IsEmpty() || v.IsNull()) return String();
  return v.AsString();
}

}  // namespace krv
