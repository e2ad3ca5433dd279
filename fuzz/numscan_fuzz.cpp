// Feeds arbitrary text to the number scanner and checks its promises: the value is finite
// and within +-1.7E308, the position stays in the text (or where it was when it started
// outside), and the digits strff writes for the value read back to the same value.
//
// Input: byte 0 flags (separator option, exponent allowed), byte 1 the start position
// (signed), then the text.
#include <cmath>
#include <cstdint>

#include "korvex/stringl/format.h"
#include "korvex/stringl/numscan.h"
#include "stringl_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 8192) return 0;
  fuzz::Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::int32_t start = static_cast<std::int8_t>(in.Byte());
  const String text = in.Text();
  const std::int32_t option = flags % 5;
  const bool allow_exp = (flags & 0x80) != 0;

  std::int32_t pos = start;
  const double v = ScanStringFPNum(text, allow_exp, option, pos);
  fuzz::Check(std::isfinite(v) && std::fabs(v) <= 1.7e308);
  const auto len = static_cast<std::int32_t>(text.size());
  if (start >= 1 && start <= len) {
    fuzz::Check(pos >= start && pos <= len + 1);
  } else {
    fuzz::Check(pos == start && v == 0);
  }
  // Seventeen significant digits identify a double: the scanner reads them back exactly.
  const String digits = strff(v, 9 + 16, -1);
  std::int32_t p2 = 1;
  fuzz::Check(ScanStringFPNum(digits, true, 1, p2) == v);
  fuzz::Check(p2 == static_cast<std::int32_t>(digits.size()) + 1);
  return 0;
}
