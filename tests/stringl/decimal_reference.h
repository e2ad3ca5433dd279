// Slow, obviously correct decimal text of binary floating-point values, for checking the
// fast layouts: the exact value is expanded into all its decimal digits with big-integer
// arithmetic and then rounded half to even by hand.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace krv::testing {

// value = digits * 10^-scale exactly, digits without leading zeros ("0" for zero).
struct ExactDecimal {
  bool negative = false;
  std::string digits;
  int scale = 0;
};

// Little-endian base-10^9 big integer, only what the expansion needs.
class BigDecimal {
 public:
  explicit BigDecimal(std::uint64_t v) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(v % kBase));
      v /= kBase;
    } while (v != 0);
  }
  void Multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t x = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(x % kBase);
      carry = x / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }
  void MultiplyPow(std::uint32_t base, int exp) {
    // Chunks of base^k that stay below 2^31.
    std::uint32_t chunk = 1;
    int k = 0;
    while (std::uint64_t{chunk} * base < (1u << 31)) chunk *= base, ++k;
    for (; exp >= k; exp -= k) Multiply(chunk);
    for (; exp > 0; --exp) Multiply(base);
  }
  std::string ToString() const {
    std::string s = std::to_string(limbs_.back());
    for (std::size_t i = limbs_.size() - 1; i-- > 0;) {
      std::string part = std::to_string(limbs_[i]);
      s += std::string(9 - part.size(), '0') + part;
    }
    return s;
  }

 private:
  static constexpr std::uint64_t kBase = 1000000000;
  std::vector<std::uint32_t> limbs_;
};

// Exact expansion of a finite value.
inline ExactDecimal Expand(long double v) {
  ExactDecimal r;
  r.negative = std::signbit(v);
  v = std::fabs(v);
  if (v == 0) {
    r.digits = "0";
    return r;
  }
  int e = 0;
  const long double m = std::frexp(v, &e);  // v = m * 2^e, 0.5 <= m < 1
  const auto mant = static_cast<std::uint64_t>(std::ldexp(m, 64));
  int exp2 = e - 64;  // v = mant * 2^exp2
  BigDecimal big(mant);
  if (exp2 >= 0) {
    big.MultiplyPow(2, exp2);
  } else {
    big.MultiplyPow(5, -exp2);  // mant / 2^k = mant * 5^k / 10^k
    r.scale = -exp2;
  }
  r.digits = big.ToString();
  return r;
}

// Adds one to a string of decimal digits; may grow it by one digit.
inline void Increment(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

// Keeps the first keep digits of digits, rounding half to even on the rest.
inline std::string RoundDigits(const std::string& digits, std::size_t keep) {
  if (keep >= digits.size()) return digits + std::string(keep - digits.size(), '0');
  std::string kept = digits.substr(0, keep);
  const char first = digits[keep];
  const bool rest_zero = digits.find_first_not_of('0', keep + 1) == std::string::npos;
  bool up = first > '5' || (first == '5' && !rest_zero);
  if (first == '5' && rest_zero) up = !kept.empty() && (kept.back() - '0') % 2 == 1;
  if (kept.empty()) kept = "0";
  if (up) Increment(kept);
  return kept;
}

// "-123.45": the value rounded to decimals places, minus only for a negative nonzero value.
inline std::string FixedReference(long double v, int decimals) {
  ExactDecimal x = Expand(v);
  // Pad so that there are at least scale + 1 digits (a digit before the point).
  std::string digits = x.digits;
  if (static_cast<int>(digits.size()) <= x.scale)
    digits = std::string(x.scale + 1 - digits.size(), '0') + digits;
  const int int_len = static_cast<int>(digits.size()) - x.scale;
  std::string r = RoundDigits(digits, static_cast<std::size_t>(int_len + decimals));
  // A carry may have added a digit in front.
  const int new_int_len = static_cast<int>(r.size()) - decimals;
  std::string out = r.substr(0, new_int_len);
  out.erase(0, std::min(out.find_first_not_of('0'), out.size() - 1));
  if (decimals > 0) out += "." + r.substr(new_int_len);
  if (x.negative && v != 0) out.insert(out.begin(), '-');
  return out;
}

// Scientific text "-d.ddd", exponent10 returned apart; mantissa_decimals >= 0.
inline std::string ScientificReference(long double v, int mantissa_decimals, int& exponent10) {
  ExactDecimal x = Expand(v);
  std::string out;
  if (v == 0) {
    exponent10 = 0;
    out = "0";
    if (mantissa_decimals > 0) out += "." + std::string(mantissa_decimals, '0');
    return out;
  }
  exponent10 = static_cast<int>(x.digits.size()) - 1 - x.scale;
  std::string r = RoundDigits(x.digits, static_cast<std::size_t>(mantissa_decimals + 1));
  if (static_cast<int>(r.size()) > mantissa_decimals + 1) {
    r.pop_back();
    ++exponent10;
  }
  out = r.substr(0, 1);
  if (mantissa_decimals > 0) out += "." + r.substr(1);
  if (x.negative) out.insert(out.begin(), '-');
  return out;
}

}  // namespace krv::testing
