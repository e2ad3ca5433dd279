// ScanStreamDecimal and ScanStreamFPNum.
#include "korvex/streams/number_scan.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <string>

#include "korvex/base/univconst.h"
#include "platform/internal/decimal_number.h"

namespace krv {
namespace {

// One byte from the stream, or -1 at its end (also when the stream raises).
int NextByte(TStream& stream) {
  Byte b;
  try {
    return stream.Read(&b, 1) == 1 ? b : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

}  // namespace

std::int32_t ScanStreamDecimal(TStream& stream) {
  int c = NextByte(stream);
  while (c == ' ' || c == 10 || c == 13) c = NextByte(stream);
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = NextByte(stream);
  }
  // Accumulate up to one past the largest magnitude; further digits only saturate.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  while (c >= '0' && c <= '9') {
    value = std::min(value * 10 + (c - '0'), kLimit);
    c = NextByte(stream);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

namespace {

enum Class { kSep, kDigit, kSign, kE, kBlank, kOther };
enum : int { kFail = -1, kEnd = 0 };

// The transition table; column order as in Class. 6 marks "6 or end" for the E column.
constexpr int kNext[9][6] = {
    {},                                      // unused
    {4, 3, 2, kFail, 1, kFail},              // 1 start
    {4, 3, kFail, kFail, kFail, kFail},      // 2 after sign
    {4, 3, kEnd, 6, kEnd, kEnd},             // 3 integer digits
    {kFail, 5, kEnd, 6, kEnd, kEnd},         // 4 after separator
    {kFail, 5, kEnd, 6, kEnd, kEnd},         // 5 fraction digits
    {kFail, 8, 7, kFail, kFail, kFail},      // 6 after E
    {kFail, 8, kFail, kFail, kFail, kFail},  // 7 after exponent sign
    {kEnd, 8, kEnd, kEnd, kEnd, kEnd},       // 8 exponent digits
};

Class Classify(int c, std::int32_t sepOption) {
  if (c < 0) return kOther;
  if ((c == '.' && (sepOption == 1 || sepOption == 3)) ||
      (c == ',' && (sepOption == 2 || sepOption == 3))) {
    return kSep;
  }
  if (c >= '0' && c <= '9') return kDigit;
  if (c == '+' || c == '-') return kSign;
  if (c == 'E' || c == 'e') return kE;
  if (c == ' ' || c == 9 || c == 10 || c == 13) return kBlank;
  return kOther;
}

}  // namespace

double ScanStreamFPNum(TStream& stream, bool allowExp, std::int32_t sepOption) {
  std::string text;
  int state = 1;
  std::int64_t exponent = 0;
  bool keep = true;  // false once the exponent has passed 4200
  for (;;) {
    const int c = NextByte(stream);
    const Class cls = Classify(c, sepOption);
    int next = kNext[state][cls];
    if (cls == kE && next == 6 && !allowExp) next = kEnd;
    if (next <= 0) {
      if (next == kFail) return 0.0;
      break;
    }
    if (next >= 6 && cls == kDigit) {
      exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 100000);
      if (exponent > 4200) keep = false;
    }
    if (keep && cls != kBlank) {
      text.push_back(cls == kSep ? '.' : cls == kE ? 'E' : static_cast<char>(c));
    }
    state = next;
  }
  if (!text.empty() && text.back() == '.') text.push_back('0');
  double value = 0;
  if (!detail::DecimalNumberToDouble(text, value)) return 0.0;
  const double max = static_cast<double>(uc_MaxDouble);
  return std::clamp(value, -max, max);
}

}  // namespace krv
