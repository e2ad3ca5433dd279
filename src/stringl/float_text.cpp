#include "stringl/internal/float_text.h"

#include "stringl/internal/extended_digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

namespace krv::detail {
namespace {

// Most texts are short: they are built on the stack, long ones on the heap.
class CharBuffer {
 public:
  explicit CharBuffer(std::size_t size)
      : heap_(size > sizeof(stack_) ? std::make_unique<char[]>(size) : nullptr), size_(size) {}
  char* begin() { return heap_ ? heap_.get() : stack_; }
  char* end() { return begin() + size_; }

 private:
  char stack_[400];
  std::unique_ptr<char[]> heap_;
  std::size_t size_;
};

// [first, last) widened to a String, with pad blanks in front.
String Widen(const char* first, const char* last, std::int32_t width) {
  const std::size_t len = static_cast<std::size_t>(last - first);
  const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > len
                              ? static_cast<std::size_t>(width) - len
                              : 0;
  String out(pad + len, u' ');
  Char* dst = out.data() + pad;
  for (const char* p = first; p != last; ++p) *dst++ = static_cast<Char>(*p);
  return out;
}

// True when a double holds value exactly, so that both have the same decimal text.
bool FitsDouble(long double value) {
  return static_cast<long double>(static_cast<double>(value)) == value;
}

// Zero of either sign is written as +0.
template <class T>
T PositiveZero(T value) {
  return value == 0 ? T(0) : value;
}

// Digits needed before the point, plus sign and point, for each type.
template <class T>
constexpr std::size_t kFixedOverhead = sizeof(T) == sizeof(double) ? 320 : 4945;

template <class T>
String Fixed(T value, std::int32_t width, std::int32_t decimals) {
  const int d = std::max(decimals, 0);
  CharBuffer buf(kFixedOverhead<T> + static_cast<std::size_t>(d));
  if constexpr (sizeof(T) > sizeof(double)) {
    if (char* end = ExtendedFixedChars(buf.begin(), value, d))
      return Widen(buf.begin(), end, width);
  }
  const auto r =
      std::to_chars(buf.begin(), buf.end(), PositiveZero(value), std::chars_format::fixed, d);
  return Widen(buf.begin(), r.ptr, width);
}

// "d.ddd" + "e+XX" as to_chars writes it, rewritten as sign-or-blank, mantissa, 'E', sign, four
// exponent digits.
template <class T>
String Scientific(T value, std::int32_t width) {
  const int p = std::max(width - 9, 1);
  CharBuffer buf(static_cast<std::size_t>(p) + 32);
  char* const first = buf.begin() + 1;
  char* end = nullptr;
  if constexpr (sizeof(T) > sizeof(double)) end = ExtendedScientificChars(first, value, p);
  if (end == nullptr)
    end = std::to_chars(first, buf.end() - 8, PositiveZero(value), std::chars_format::scientific, p)
              .ptr;
  char* mant = first;
  if (*mant == '-') ++mant;
  char* e = std::find(mant, end, 'e');
  // Lay out again in place: the sign slot in front of the mantissa, then E and the exponent.
  char* out = mant - 1;
  *out = value < 0 ? '-' : ' ';
  char exponent[8];
  const char exp_sign = e + 1 < end ? e[1] : '+';
  const char* exp_digits = e + 2 < end ? e + 2 : end;
  const std::size_t n_exp = static_cast<std::size_t>(end - exp_digits);
  std::size_t k = 0;
  for (std::size_t i = n_exp; i < 4; ++i) exponent[k++] = '0';
  for (std::size_t i = 0; i < n_exp && k < sizeof(exponent); ++i) exponent[k++] = exp_digits[i];
  char* tail = e;
  *tail++ = 'E';
  *tail++ = exp_sign;
  std::memcpy(tail, exponent, k);
  tail += k;
  return Widen(out, tail, width);
}

}  // namespace

String NonFiniteText(long double value, std::int32_t width) {
  const char* word = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
  return Widen(word, word + std::strlen(word), width);
}

String FixedLayout(double value, std::int32_t width, std::int32_t decimals) {
  if (!std::isfinite(value)) return NonFiniteText(value, width);
  return Fixed(value, width, decimals);
}

String FixedLayout(long double value, std::int32_t width, std::int32_t decimals) {
  if (!std::isfinite(value)) return NonFiniteText(value, width);
  if (FitsDouble(value)) return Fixed(static_cast<double>(value), width, decimals);
  return Fixed(value, width, decimals);
}

String ScientificLayout(long double value, std::int32_t width) {
  if (!std::isfinite(value)) return NonFiniteText(value, width);
  if (FitsDouble(value)) return Scientific(static_cast<double>(value), width);
  return Scientific(value, width);
}

}  // namespace krv::detail
