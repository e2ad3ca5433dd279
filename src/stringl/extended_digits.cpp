#include "stringl/internal/extended_digits.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace krv::detail {
namespace {

// A fraction below 2^k (k <= 124) as two 64-bit words, with the three operations the digit
// stream needs: times ten, the bits at and above k, and clearing them. Two words rather than
// a compiler's 128-bit integer so that 32-bit targets build the same digits.
class Fraction128 {
 public:
  void Set(std::uint64_t v) { hi_ = 0, lo_ = v; }
  bool IsZero() const { return (hi_ | lo_) == 0; }
  // *this * 10 = *this * 8 + *this * 2; below 10 * 2^124 < 2^128, so nothing is lost.
  void Times10() {
    const std::uint64_t hi8 = (hi_ << 3) | (lo_ >> 61), lo8 = lo_ << 3;
    const std::uint64_t hi2 = (hi_ << 1) | (lo_ >> 63), lo2 = lo_ << 1;
    lo_ = lo8 + lo2;
    hi_ = hi8 + hi2 + (lo_ < lo8 ? 1 : 0);
  }
  // Bits k and above (a decimal digit after Times10), then cleared.
  int TakeAbove(int k) {
    if (k >= 64) {
      const int s = k - 64;
      const auto d = static_cast<int>(hi_ >> s);
      hi_ &= (std::uint64_t{1} << s) - 1;
      return d;
    }
    const auto d = static_cast<int>((hi_ << (64 - k)) | (lo_ >> k));
    hi_ = 0;
    lo_ &= (std::uint64_t{1} << k) - 1;
    return d;
  }

 private:
  std::uint64_t hi_ = 0;
  std::uint64_t lo_ = 0;
};

// The decimal digits of a value int_part + frac / 2^k, integer digits first (without leading
// zeros), then as many fraction digits as asked for.
class DigitStream {
 public:
  // False when the value is outside the range this class handles.
  bool Init(long double a) {
    int e = 0;
    const long double m = std::frexp(a, &e);  // a = m * 2^e, 0.5 <= m < 1
    const auto mant = static_cast<std::uint64_t>(std::ldexp(m, 64));
    const int exp2 = e - 64;  // a = mant * 2^exp2 exactly
    if (exp2 > 0 || exp2 < -124) return false;
    k_ = -exp2;
    std::uint64_t int_part = 0;
    if (k_ == 0) {
      int_part = mant;
    } else if (k_ >= 64) {
      frac_.Set(mant);
    } else {
      int_part = mant >> k_;
      frac_.Set(mant & ((std::uint64_t{1} << k_) - 1));
    }
    if (int_part != 0) {
      n_int_ = static_cast<int>(std::to_chars(int_, int_ + sizeof int_, int_part).ptr - int_);
    }
    return true;
  }

  int IntDigits() const { return n_int_; }
  int Next() {
    if (pos_ < n_int_) return int_[pos_++] - '0';
    if (k_ == 0) return 0;
    frac_.Times10();
    return frac_.TakeAbove(k_);
  }
  // True when every digit after the ones taken so far is 0.
  bool RestIsZero() const {
    for (int i = pos_; i < n_int_; ++i)
      if (int_[i] != '0') return false;
    return frac_.IsZero();
  }
  // Whether the digits taken so far, followed by the rest, round up when cut here: above
  // half up, below half down, exactly half to the even neighbour of last_digit.
  bool RoundsUp(int last_digit) {
    const int next = Next();
    if (next != 5) return next > 5;
    return !RestIsZero() || last_digit % 2 == 1;
  }

 private:
  char int_[24];
  int n_int_ = 0;
  int pos_ = 0;
  Fraction128 frac_;
  int k_ = 0;
};

// Adds one to the decimal digits in [first, last), skipping a point. Returns true when the
// carry runs out of the first digit (the digits are then all 0).
bool Increment(char* first, char* last) {
  for (char* p = last; p-- != first;) {
    if (*p == '.') continue;
    if (*p != '9') {
      ++*p;
      return false;
    }
    *p = '0';
  }
  return true;
}

}  // namespace

char* ExtendedFixedChars(char* out, long double value, int decimals) {
  if (!std::isfinite(value) || value == 0) return nullptr;
  DigitStream digits;
  if (!digits.Init(std::fabs(value))) return nullptr;
  char* p = out;
  if (value < 0) *p++ = '-';
  char* const first_digit = p;
  *p++ = '0';  // room for a carry into a new leading digit
  if (digits.IntDigits() == 0) *p++ = '0';
  for (int i = 0; i < digits.IntDigits(); ++i) *p++ = static_cast<char>('0' + digits.Next());
  if (decimals > 0) {
    *p++ = '.';
    for (int i = 0; i < decimals; ++i) *p++ = static_cast<char>('0' + digits.Next());
  }
  if (digits.RoundsUp(p[-1] - '0')) Increment(first_digit, p);
  if (*first_digit == '0') {  // no carry: drop the spare digit
    std::memmove(first_digit, first_digit + 1, static_cast<std::size_t>(p - first_digit - 1));
    --p;
  }
  return p;
}

char* ExtendedScientificChars(char* out, long double value, int mantissa_decimals) {
  if (!std::isfinite(value) || value == 0) return nullptr;
  DigitStream digits;
  if (!digits.Init(std::fabs(value))) return nullptr;
  int exp10;
  int first;
  if (digits.IntDigits() > 0) {
    exp10 = digits.IntDigits() - 1;
    first = digits.Next();
  } else {
    exp10 = -1;
    while ((first = digits.Next()) == 0) --exp10;
  }
  char* p = out;
  if (value < 0) *p++ = '-';
  char* const lead = p;
  *p++ = static_cast<char>('0' + first);
  if (mantissa_decimals > 0) {
    *p++ = '.';
    for (int i = 0; i < mantissa_decimals; ++i) *p++ = static_cast<char>('0' + digits.Next());
  }
  if (digits.RoundsUp(p[-1] - '0') && Increment(lead, p)) {
    *lead = '1';  // 9.99 became 10.0: 1.00 with the next exponent
    ++exp10;
  }
  *p++ = 'e';
  *p++ = exp10 < 0 ? '-' : '+';
  const int a = exp10 < 0 ? -exp10 : exp10;
  if (a < 10) *p++ = '0';
  return std::to_chars(p, p + 8, a).ptr;
}

}  // namespace krv::detail
