// 128-bit integers for exact products of two 64-bit values: the compiler's __int128 where it
// has one, otherwise Wide128, a two-word class with the same results (32-bit targets).
#pragma once

#include <compare>
#include <concepts>
#include <cstdint>
#include <type_traits>

namespace krv::detail {

// Two's-complement 128-bit integer, signed or unsigned. +, -, * wrap modulo 2^128; / and %
// truncate toward zero as the built-in types do (the divisor must not be zero).
template <bool kSigned>
class Wide128 {
 public:
  constexpr Wide128() = default;
  template <std::integral T>
  constexpr Wide128(T v)  // NOLINT: converts implicitly, like a built-in integer
      : lo_(static_cast<std::uint64_t>(v)), hi_(std::is_signed_v<T> && v < 0 ? ~0ULL : 0) {}
  // Same bits, other signedness.
  template <bool kOther>
  requires(kOther != kSigned) explicit constexpr Wide128(Wide128<kOther> v)
      : lo_(v.lo_), hi_(v.hi_) {}

  template <std::integral T>
  explicit constexpr operator T() const {
    return static_cast<T>(lo_);
  }
  explicit constexpr operator long double() const {
    if (Negative()) return -static_cast<long double>(Wide128<false>(-*this));
    return static_cast<long double>(hi_) * 18446744073709551616.0L + static_cast<long double>(lo_);
  }

  friend constexpr Wide128 operator+(Wide128 a, Wide128 b) {
    const std::uint64_t lo = a.lo_ + b.lo_;
    return Make(a.hi_ + b.hi_ + (lo < a.lo_ ? 1 : 0), lo);
  }
  friend constexpr Wide128 operator-(Wide128 a, Wide128 b) {
    return Make(a.hi_ - b.hi_ - (a.lo_ < b.lo_ ? 1 : 0), a.lo_ - b.lo_);
  }
  friend constexpr Wide128 operator-(Wide128 a) { return Wide128() - a; }
  friend constexpr Wide128 operator*(Wide128 a, Wide128 b) {
    Wide128 r = MulWords(a.lo_, b.lo_);
    r.hi_ += a.lo_ * b.hi_ + a.hi_ * b.lo_;
    return r;
  }
  constexpr Wide128& operator++() { return *this = *this + 1; }
  constexpr Wide128& operator--() { return *this = *this - 1; }
  friend constexpr Wide128 operator/(Wide128 a, Wide128 b) { return DivMod(a, b, true); }
  friend constexpr Wide128 operator%(Wide128 a, Wide128 b) { return DivMod(a, b, false); }

  friend constexpr bool operator==(const Wide128&, const Wide128&) = default;
  friend constexpr std::strong_ordering operator<=>(Wide128 a, Wide128 b) {
    if (a.hi_ == b.hi_) return a.lo_ <=> b.lo_;
    if constexpr (kSigned) {
      return static_cast<std::int64_t>(a.hi_) <=> static_cast<std::int64_t>(b.hi_);
    } else {
      return a.hi_ <=> b.hi_;
    }
  }

 private:
  template <bool>
  friend class Wide128;

  static constexpr Wide128 Make(std::uint64_t hi, std::uint64_t lo) {
    Wide128 r;
    r.hi_ = hi;
    r.lo_ = lo;
    return r;
  }
  constexpr bool Negative() const { return kSigned && (hi_ >> 63) != 0; }

  // The full product of two 64-bit words.
  static constexpr Wide128 MulWords(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    return Make(p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (mid << 32) | (p00 & 0xFFFFFFFFu));
  }

  // Quotient (want_quotient) or remainder of a / b, from the division of the magnitudes.
  static constexpr Wide128 DivMod(Wide128 a, Wide128 b, bool want_quotient) {
    const bool neg_a = a.Negative(), neg_b = b.Negative();
    const Wide128<false> n(neg_a ? -a : a), d(neg_b ? -b : b);
    Wide128<false> q, r;
    if (n.hi_ == 0 && d.hi_ == 0) {
      q.lo_ = n.lo_ / d.lo_;
      r.lo_ = n.lo_ % d.lo_;
    } else {
      for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (r.hi_ >> 63) != 0;  // r << 1 would pass 2^128, so it exceeds d
        r.hi_ = (r.hi_ << 1) | (r.lo_ >> 63);
        r.lo_ = (r.lo_ << 1) | (((bit >= 64 ? n.hi_ : n.lo_) >> (bit % 64)) & 1);
        if (carry || r >= d) {
          r = r - d;
          (bit >= 64 ? q.hi_ : q.lo_) |= 1ULL << (bit % 64);
        }
      }
    }
    if (want_quotient) return neg_a != neg_b ? -Wide128(q) : Wide128(q);
    return neg_a ? -Wide128(r) : Wide128(r);
  }

  std::uint64_t lo_ = 0;
  std::uint64_t hi_ = 0;
};

#if defined(__SIZEOF_INT128__)
__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;
#else
using Int128 = Wide128<true>;
using UInt128 = Wide128<false>;
#endif

}  // namespace krv::detail
