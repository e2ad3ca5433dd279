// The decimal-number grammar and its conversion on top of std::from_chars, with overflow and
// underflow told apart.
#include "platform/internal/decimal_number.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace krv::detail {
namespace {

constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal magnitude of an unsigned number text: the position of its leading significant digit
// relative to the decimal point, plus its exponent. Positive means at least 1, so an
// out-of-range conversion overflowed; otherwise it underflowed.
std::int64_t DecimalMagnitude(std::string_view t) {
  std::size_t i = 0;
  std::int64_t lead = 0;  // digits before the point, after leading zeros
  bool seen = false;      // a non-zero digit was seen
  std::int64_t zeros_after_point = 0;
  for (; i < t.size() && IsDigit(t[i]); ++i) {
    if (t[i] != '0') seen = true;
    if (seen) ++lead;
  }
  if (i < t.size() && t[i] == '.') {
    for (++i; i < t.size() && IsDigit(t[i]); ++i) {
      if (seen) continue;
      if (t[i] != '0') {
        seen = true;
      } else {
        ++zeros_after_point;
      }
    }
  }
  std::int64_t exponent = 0;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    for (; i < t.size() && IsDigit(t[i]); ++i) {
      if (exponent < 1000000000) exponent = exponent * 10 + (t[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return (lead > 0 ? lead : -zeros_after_point) + exponent;
}

// A decimal number's significant digits (no leading or trailing zeros; empty for zero) and
// the power of ten of the first of them.
struct Significand {
  std::string digits;
  std::int64_t exponent = 0;
};

Significand Normalize(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::string mantissa;
  std::int64_t before_point = 0;
  for (; i < t.size() && IsDigit(t[i]); ++i, ++before_point) mantissa += t[i];
  if (i < t.size() && t[i] == '.')
    for (++i; i < t.size() && IsDigit(t[i]); ++i) mantissa += t[i];
  std::int64_t exponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    // Capped far beyond any digit count, so that the sum below cannot overflow.
    for (; i < t.size() && IsDigit(t[i]); ++i)
      if (exponent < (std::int64_t{1} << 50)) exponent = exponent * 10 + (t[i] - '0');
    if (negative) exponent = -exponent;
  }
  Significand s;
  const std::size_t first = mantissa.find_first_not_of('0');
  if (first == std::string::npos) return s;
  const std::size_t last = mantissa.find_last_not_of('0');
  s.digits = mantissa.substr(first, last - first + 1);
  s.exponent = before_point - static_cast<std::int64_t>(first) - 1 + exponent;
  return s;
}

}  // namespace

bool IsDecimalNumber(std::string_view t) {
  std::size_t i = 0, digits = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t exp_digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  return i == t.size();
}

bool DecimalNumberToDouble(std::string_view text, double& value) {
  value = 0;
  if (!IsDecimalNumber(text)) return false;
  const bool negative = text.front() == '-';
  if (text.front() == '+' || text.front() == '-') text.remove_prefix(1);
  double v = 0;
  const char* last = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), last, v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    v = DecimalMagnitude(text) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || ptr != last) {
    return false;  // not reached: from_chars takes every text of the grammar whole
  }
  value = negative ? -v : v;
  return true;
}

int CompareDecimalMagnitudes(std::string_view a, std::string_view b) {
  const Significand x = Normalize(a), y = Normalize(b);
  if (x.digits.empty() || y.digits.empty())
    return static_cast<int>(!x.digits.empty()) - static_cast<int>(!y.digits.empty());
  if (x.exponent != y.exponent) return x.exponent < y.exponent ? -1 : 1;
  // Without trailing zeros, a longer text with the same leading digits is the larger one.
  const int c = x.digits.compare(y.digits);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace krv::detail
