// Scans numbers with ScanStreamFPNum until the stream ends and checks its promises: every
// value is finite and within +-uc_MaxDouble, each call consumes at least one byte while
// bytes remain, and a number written with 17 significant digits reads back exactly.
//
// Input: byte 0 flags (separator option in the low bits, exponent allowed in bit 7), then
// the stream.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "korvex/base/univconst.h"
#include "korvex/platform/stream.h"
#include "korvex/streams/number_scan.h"
#include "streams_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size == 0 || size > 65536) return 0;
  const std::int32_t option = data[0] % 5;
  const bool allow_exp = (data[0] & 0x80) != 0;
  TMemoryStream s;
  s.WriteBuffer(data + 1, size - 1);
  s.SetPosition(0);
  const double max = static_cast<double>(uc_MaxDouble);
  std::int64_t before = 0;
  while (before < s.Size()) {
    const double v = ScanStreamFPNum(s, allow_exp, option);
    STREAMS_CHECK(std::isfinite(v) && std::fabs(v) <= max);
    const std::int64_t after = s.Position();
    STREAMS_CHECK(after > before && after <= s.Size());
    before = after;

    char text[64];
    std::snprintf(text, sizeof text, "%.17e ", v);
    TMemoryStream t;
    t.WriteBuffer(text, std::char_traits<char>::length(text));
    t.SetPosition(0);
    STREAMS_CHECK(ScanStreamFPNum(t, true, 1) == v);
  }
  return 0;
}
