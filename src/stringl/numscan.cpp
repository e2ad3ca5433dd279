// The number scanner. The state machine is written out as straight-line code, one block per
// state (the numbers in the comments), which keeps the common case to a few compares per
// character:
//
//   state                  separator  blank  sign  digit  E              other or end
//   1 start                4          1      2     3      fail           fail
//   2 after sign           4          fail   fail  3      fail           fail
//   3 integer digits       4          end    end   3      6 (if allowed) end
//   4 after separator      fail       end    end   5      6 (if allowed) end
//   5 fraction digits      fail       end    end   5      6 (if allowed) end
//   6 after E              fail       fail   7     8      fail           end
//   7 after exponent sign  fail       fail   fail  8      fail           end
//   8 exponent digits      end        end    end   8      end            end
//
// Classes are tested in the order of the columns; a position outside the text is the end.
#include "korvex/stringl/numscan.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "korvex/base/univconst.h"
#include "korvex/stringl/chars.h"
#include "platform/internal/decimal_number.h"

namespace krv {
namespace {

constexpr std::int32_t kMaxExponent = 4200;
constexpr double kMax = static_cast<double>(uc_MaxDouble);

// The number text: on the stack while short, on the heap beyond. Keeps room for an exponent.
class NumberText {
 public:
  void push_back(char c) {
    if (size_ < kStack) {
      stack_[size_++] = c;
      return;
    }
    if (heap_.empty()) heap_.assign(stack_, size_);
    heap_ += c;
    ++size_;
  }
  // The text with "e" and the exponent appended (when has_exp).
  std::pair<const char*, const char*> Finish(bool has_exp, bool exp_negative,
                                             std::int32_t exponent) {
    char tail[16];
    char* t = tail;
    if (has_exp) {
      *t++ = 'e';
      if (exp_negative) *t++ = '-';
      t = std::to_chars(t, tail + sizeof tail, exponent).ptr;
    }
    for (const char* q = tail; q != t; ++q) push_back(*q);
    const char* d = size_ <= kStack ? stack_ : heap_.data();
    return {d, d + size_};
  }

 private:
  static constexpr std::size_t kStack = 120;
  char stack_[kStack];
  std::string heap_;
  std::size_t size_ = 0;
};

}  // namespace

double ScanStringFPNum(const String& text, bool allowExp, std::int32_t sepOption,
                       std::int32_t& position) {
  const bool dot_sep = sepOption == 1 || sepOption == 3;
  const bool comma_sep = sepOption == 2 || sepOption == 3;
  const std::int64_t len = static_cast<std::int64_t>(text.size());
  std::int64_t p = position;
  // The character at p, ASCII upper-cased; the end mark 0 belongs to no class.
  auto at = [&](std::int64_t q) -> Char {
    return q >= 1 && q <= len ? AsciiUpper(text[static_cast<std::size_t>(q - 1)]) : Char{0};
  };
  auto is_sep = [&](Char c) { return (c == u'.' && dot_sep) || (c == u',' && comma_sep); };
  auto fail = [&] {
    position = static_cast<std::int32_t>(p);
    return 0.0;
  };

  NumberText number;
  bool negative = false;
  bool has_digit = false;
  Char c = at(p);
  while (c == u' ') c = at(++p);  // 1
  if (!is_sep(c)) {
    if (c == u'+' || c == u'-') {  // 2
      negative = c == u'-';
      c = at(++p);
      if (!is_sep(c) && !IsDigit(c)) return fail();
    } else if (!IsDigit(c)) {
      return fail();
    }
    while (IsDigit(c)) {  // 3
      number.push_back(static_cast<char>(c));
      has_digit = true;
      c = at(++p);
    }
  }
  if (is_sep(c)) {  // 4
    number.push_back('.');
    c = at(++p);
    while (IsDigit(c)) {  // 5
      number.push_back(static_cast<char>(c));
      has_digit = true;
      c = at(++p);
    }
    if (is_sep(c)) return fail();
  }
  bool has_exp = false;
  bool exp_negative = false;
  std::int32_t exponent = 0;
  if (c == u'E' && allowExp) {  // 6
    c = at(++p);
    if (is_sep(c) || c == u' ' || c == u'E') return fail();
    if (c == u'+' || c == u'-') {  // 7
      exp_negative = c == u'-';
      c = at(++p);
      if (is_sep(c) || c == u' ' || c == u'+' || c == u'-' || c == u'E') return fail();
    }
    while (IsDigit(c)) {  // 8; digits beyond the cap are consumed but change nothing
      exponent = std::min(exponent * 10 + (c - u'0'), kMaxExponent);
      has_exp = true;
      c = at(++p);
    }
  }
  position = static_cast<std::int32_t>(p);
  if (!has_digit) return negative ? -0.0 : 0.0;  // "." or "-." alone

  // The text built above is a decimal number: digits around an optional point, then "e",
  // an optional "-" and the (capped) exponent digits.
  const auto [first, last] = number.Finish(has_exp, exp_negative, exponent);
  double value = 0;
  detail::DecimalNumberToDouble(std::string_view(first, static_cast<std::size_t>(last - first)),
                                value);
  value = std::min(value, kMax);  // an overflow gives infinity
  return negative ? -value : value;
}

}  // namespace krv
