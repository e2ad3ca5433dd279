// DecimalTextToDouble on top of std::from_chars, with overflow and underflow told apart.
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

#include "streams/internal/decimal_text.h"

namespace krv::detail {
namespace {

// Decimal magnitude of the text: the position of its leading significant digit relative
// to the decimal point, plus its exponent. Positive means at least 1, so an out-of-range
// conversion overflowed; otherwise it underflowed.
std::int64_t DecimalMagnitude(std::string_view t) {
  std::size_t i = 0;
  std::int64_t lead = 0;  // digits before the point, after leading zeros
  bool seen = false;      // a non-zero digit was seen
  std::int64_t zeros_after_point = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    if (t[i] != '0') seen = true;
    if (seen) ++lead;
    ++i;
  }
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      if (!seen) {
        if (t[i] != '0') {
          seen = true;
        } else {
          ++zeros_after_point;
        }
      }
      ++i;
    }
  }
  std::int64_t exponent = 0;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
      if (exponent < 1000000000) exponent = exponent * 10 + (t[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return (lead > 0 ? lead : -zeros_after_point) + exponent;
}

}  // namespace

bool DecimalTextToDouble(std::string_view text, double& value) {
  value = 0;
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return false;
  double v = 0;
  const auto [ptr, ec] =
      std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    v = DecimalMagnitude(text) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (ec != std::errc() || ptr != text.data() + text.size()) {
    return false;
  }
  value = negative ? -v : v;
  return true;
}

}  // namespace krv::detail
