// Reads the same bytes through a stream that hands out buffer views of odd sizes (and now
// and then none) and through one that only has Read, with ReadLnStream in every mode,
// FindInStream and ReadNextTagInStream in a mixed order: the results and the positions
// must agree after every call.
//
// Input: byte 0 seeds the view sizes and the order of the calls, the rest is the stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <string>

#include "../tests/test_support/view_streams.h"
#include "korvex/platform/stream.h"
#include "korvex/streams/tags.h"
#include "korvex/streams/text_io.h"
#include "streams_fuzz_check.h"

using namespace krv;
using krv::testing::ChunkedViewStream;
using krv::testing::ReadOnlyStream;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 65536) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  ChunkedViewStream viewed(bytes, data[0] + 1u, 9, 16);
  ReadOnlyStream plain(bytes);
  std::minstd_rand rng(data[0] + 7u);
  static const TTagList kList = {u"a", u"/a", u"b", u""};
  for (std::size_t call = 0; call <= bytes.size() + 1; ++call) {
    switch (rng() % 3) {
      case 0: {
        const std::int32_t mode = static_cast<std::int32_t>(rng() % 6);
        bool eos1 = false, eos2 = true;
        const String line = ReadLnStream(viewed, eos1, mode);
        STREAMS_CHECK(line == ReadLnStream(plain, eos2, mode));
        STREAMS_CHECK(eos1 == eos2);
        break;
      }
      case 1: {
        const Byte b = static_cast<Byte>("\n\r<a"[rng() % 4]);
        STREAMS_CHECK(FindInStream(viewed, b) == FindInStream(plain, b));
        break;
      }
      default: {
        String a1, c1, a2, c2;
        const std::int32_t index = ReadNextTagInStream(viewed, kList, a1, c1);
        STREAMS_CHECK(index == ReadNextTagInStream(plain, kList, a2, c2));
        STREAMS_CHECK(a1 == a2 && c1 == c2);
        break;
      }
    }
    STREAMS_CHECK(viewed.Position() == plain.Position());
    if (plain.Position() >= static_cast<std::int64_t>(bytes.size())) break;
  }
  return 0;
}
