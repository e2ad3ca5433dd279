// Scans numbers with ScanStreamDecimal until the stream ends and checks that each call
// consumes at least one byte while bytes remain, and that every value matches the digits
// consumed (saturated to the 32-bit range).
#include <cstdint>
#include <limits>

#include "korvex/platform/stream.h"
#include "korvex/streams/number_scan.h"
#include "streams_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 65536) return 0;
  TMemoryStream s;
  s.WriteBuffer(data, size);
  s.SetPosition(0);
  std::int64_t before = 0;
  while (before < static_cast<std::int64_t>(size)) {
    const std::int32_t v = ScanStreamDecimal(s);
    const std::int64_t after = s.Position();
    STREAMS_CHECK(after > before && after <= static_cast<std::int64_t>(size));
    // Reference over the consumed bytes.
    std::size_t i = static_cast<std::size_t>(before);
    const std::size_t end = static_cast<std::size_t>(after);
    while (i < end && (data[i] == ' ' || data[i] == 10 || data[i] == 13)) ++i;
    bool negative = false;
    if (i < end && (data[i] == '-' || data[i] == '+')) negative = data[i++] == '-';
    std::int64_t value = 0;
    for (; i < end && data[i] >= '0' && data[i] <= '9'; ++i) {
      value = value * 10 + (data[i] - '0');
      if (value > (std::int64_t{1} << 40)) value = std::int64_t{1} << 40;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
      value = std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
      value = std::numeric_limits<std::int32_t>::min();
    STREAMS_CHECK(v == value);
    before = after;
  }
  return 0;
}
