// Reads a stream line by line with ReadLnStream and checks it against a plain reference:
// the same lines, end flags and positions, and the end reached within one call per byte.
//
// Input: byte 0 picks the line-end mode (0-4, or 5 for "never"), the rest is the stream.
#include <cstdint>
#include <string>

#include "korvex/platform/stream.h"
#include "korvex/streams/text_io.h"
#include "streams_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size == 0 || size > 65536) return 0;
  const std::int32_t mode = data[0] % 6;
  TMemoryStream s;
  s.WriteBuffer(data + 1, size - 1);
  s.SetPosition(0);
  const std::size_t n = size - 1;

  std::size_t i = 0;  // the reference's position
  for (std::size_t call = 0;; ++call) {
    STREAMS_CHECK(call <= n + 1);
    bool eos = false;
    const String line = ReadLnStream(s, eos, mode);
    // Reference: collect bytes until the mode's line end or the end of the data.
    String expected;
    bool ended = false;
    while (i < n && !ended) {
      const Byte b = data[1 + i++];
      expected.push_back(b);
      const std::size_t k = expected.size();
      ended = (mode == 0 && b == 10) || (mode == 1 && b == 13) ||
              (mode == 2 && (b == 10 || b == 13)) ||
              (mode == 3 && b == 13 && k >= 2 && expected[k - 2] == 10) ||
              (mode == 4 && b == 10 && k >= 2 && expected[k - 2] == 13);
    }
    if (ended) {
      for (int r = 0; r < 2; ++r) {
        if (!expected.empty() && (expected.back() == 10 || expected.back() == 13)) {
          expected.pop_back();
        }
      }
    }
    STREAMS_CHECK(line == expected);
    STREAMS_CHECK(eos == !ended);
    STREAMS_CHECK(s.Position() == static_cast<std::int64_t>(i));
    if (eos) break;
  }
  return 0;
}
