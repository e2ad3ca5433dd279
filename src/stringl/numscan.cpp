#include "korvex/stringl/numscan.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "korvex/base/univconst.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

enum Class : std::uint8_t { kSep, kBlank, kSign, kDigit, kExp, kOther };

// Transition targets: states 1-8, kEnd, kFail, and kExpOrEnd (state 6 when the exponent is
// allowed, else the end).
constexpr std::int8_t kEnd = 0;
constexpr std::int8_t kFail = -1;
constexpr std::int8_t kExpOrEnd = 9;

constexpr std::int8_t kNext[9][6] = {
    //  sep   blank  sign   digit  E          other/end
    {kFail, kFail, kFail, kFail, kFail, kFail},  // (unused)
    {4, 1, 2, 3, kFail, kFail},                  // 1 start
    {4, kFail, kFail, 3, kFail, kFail},          // 2 after sign
    {4, kEnd, kEnd, 3, kExpOrEnd, kEnd},         // 3 integer digits
    {kFail, kEnd, kEnd, 5, kExpOrEnd, kEnd},     // 4 after separator
    {kFail, kEnd, kEnd, 5, kExpOrEnd, kEnd},     // 5 fraction digits
    {kFail, kFail, 7, 8, kFail, kEnd},           // 6 after E
    {kFail, kFail, kFail, 8, kFail, kEnd},       // 7 after exponent sign
    {kEnd, kEnd, kEnd, 8, kEnd, kEnd},           // 8 exponent digits
};

constexpr std::int32_t kMaxExponent = 4200;

// The mantissa text: on the stack while short, on the heap beyond.
class Digits {
 public:
  void push_back(char c) {
    if (size_ < sizeof(stack_)) {
      stack_[size_++] = c;
      return;
    }
    if (heap_.empty()) heap_.assign(stack_, size_);
    heap_ += c;
    ++size_;
  }
  const char* data() const { return size_ <= sizeof(stack_) ? stack_ : heap_.data(); }
  std::size_t size() const { return size_; }

 private:
  char stack_[64];
  std::string heap_;
  std::size_t size_ = 0;
};

Class Classify(Char c, bool dot_sep, bool comma_sep) {
  if ((c == u'.' && dot_sep) || (c == u',' && comma_sep)) return kSep;
  if (c == u' ') return kBlank;
  if (c == u'+' || c == u'-') return kSign;
  if (IsDigit(c)) return kDigit;
  if (c == u'E') return kExp;
  return kOther;
}

// Decimal order of magnitude of the unsigned mantissa digits m times 10^exponent: only used
// to tell overflow from underflow, so a rough figure is enough.
std::int64_t Magnitude(const char* m, std::size_t n, std::int64_t exponent) {
  std::size_t i = 0;
  while (i < n && m[i] == '0') ++i;
  std::int64_t int_digits = 0;
  while (i < n && m[i] != '.') ++i, ++int_digits;
  if (int_digits > 0) return int_digits - 1 + exponent;
  if (i < n) ++i;  // the point
  std::int64_t zeros = 0;
  while (i < n && m[i] == '0') ++i, ++zeros;
  return -zeros - 1 + exponent;
}

// Converts the unsigned mantissa (digits with at most one point, at least one digit) and
// exponent; correctly rounded, clamped to the library's largest double.
double Convert(const Digits& mantissa, bool negative, bool has_exp, bool exp_negative,
               std::int32_t exponent) {
  constexpr double kMax = static_cast<double>(uc_MaxDouble);
  std::string buf;
  const char* first = mantissa.data();
  std::size_t n = mantissa.size();
  char small[96];
  char* text = small;
  const std::size_t need = n + 8;
  if (need > sizeof(small)) {
    buf.resize(need);
    text = buf.data();
  }
  std::memcpy(text, first, n);
  std::size_t len = n;
  if (has_exp) {
    text[len++] = 'e';
    if (exp_negative) text[len++] = '-';
    len += static_cast<std::size_t>(std::to_chars(text + len, text + need, exponent).ptr -
                                    (text + len));
  }
  double value = 0;
  const auto r = std::from_chars(text, text + len, value);
  if (r.ec == std::errc::result_out_of_range) {
    const std::int64_t e = has_exp ? (exp_negative ? -exponent : exponent) : 0;
    value = Magnitude(first, n, e) > 0 ? kMax : 0.0;
  } else if (r.ec != std::errc() || r.ptr != text + len) {
    value = 0;  // cannot happen for the texts the machine builds
  }
  value = std::min(value, kMax);
  return negative ? -value : value;
}

}  // namespace

double ScanStringFPNum(const String& text, bool allowExp, std::int32_t sepOption,
                       std::int32_t& position) {
  const bool dot_sep = sepOption == 1 || sepOption == 3;
  const bool comma_sep = sepOption == 2 || sepOption == 3;
  const std::int64_t len = static_cast<std::int64_t>(text.size());
  std::int64_t pos = position;

  Digits mantissa;  // digits and point, without the sign
  bool negative = false;
  bool has_mantissa_digit = false;
  bool has_exp_digit = false;
  bool exp_negative = false;
  std::int32_t exponent = 0;
  int state = 1;
  std::int8_t next;
  for (;;) {
    // A position outside the text reads as an end mark, which is of no class.
    const Char c =
        pos >= 1 && pos <= len ? AsciiUpper(text[static_cast<std::size_t>(pos - 1)]) : Char{0};
    const Class cls = pos >= 1 && pos <= len ? Classify(c, dot_sep, comma_sep) : kOther;
    ++pos;
    next = kNext[state][cls];
    if (next == kExpOrEnd) next = allowExp ? 6 : kEnd;
    if (next == kEnd || next == kFail) break;
    switch (next) {
      case 2:
        negative = c == u'-';
        break;
      case 3:
      case 5:
        if (cls == kDigit) {
          mantissa.push_back(static_cast<char>(c));
          has_mantissa_digit = true;
        }
        break;
      case 4:
        mantissa.push_back('.');
        break;
      case 7:
        exp_negative = c == u'-';
        break;
      case 8:
        // Digits beyond the cap are consumed but leave the exponent at 4200.
        exponent = std::min(exponent * 10 + (c - u'0'), kMaxExponent + 1);
        has_exp_digit = true;
        break;
      default:  // 1 (leading blank) and 6 (the E) add nothing to the value
        break;
    }
    state = next;
  }
  position = static_cast<std::int32_t>(pos - 1);
  if (next == kFail) return 0;
  if (!has_mantissa_digit) return negative ? -0.0 : 0.0;
  return Convert(mantissa, negative, has_exp_digit, exp_negative, std::min(exponent, kMaxExponent));
}

}  // namespace krv
