// Fuzz target for the ASCII85 decoder (and the encoder on the same bytes).
//
// The input is decoded as text twice: from a string stream, and from a stream that gives only
// a few bytes per read (the count taken from the first byte), so groups straddle every read.
// Both must agree with a plain character-by-character reference decoder on the result, the
// bytes and how far the input was read. Then the input is encoded and decoded back, which
// must give it unchanged with result 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "korvex/dstruct/ascii85.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Decoded {
  std::string bytes;
  krv::Integer result = 0;
  std::size_t consumed = 0;
  bool operator==(const Decoded&) const = default;
};

Decoded ReferenceDecode(const std::string& text) {
  Decoded d;
  std::size_t pos = 0;
  auto next = [&]() -> int {
    while (pos < text.size()) {
      const auto c = static_cast<unsigned char>(text[pos++]);
      if (c != '\r' && c != '\n') return c;
    }
    return -1;
  };
  for (;;) {
    const int first = next();
    if (first < 0) break;
    if (first == 'z') {
      d.bytes.append(4, '\0');
      continue;
    }
    std::vector<int> group{first};
    bool last = false;
    while (group.size() < 5) {
      const int c = next();
      if (c < 0) {
        last = true;
        break;
      }
      group.push_back(c);
    }
    std::size_t m = group.size();
    for (std::size_t i = group.size(); i-- > 0;)
      if (group[i] == '~') {
        m = i;
        last = true;
        break;
      }
    std::uint32_t v = 0;
    std::uint64_t exact = 0;
    bool sound = true;
    for (std::size_t i = 0; i < m; ++i) {
      if (group[i] < '!' || group[i] > 'u') {
        d.result = group[i] == 'z' ? -2 : -1;
        sound = false;
      }
      v = v * 85 + static_cast<std::uint32_t>(group[i] - 33);
      exact = exact * 85 + static_cast<std::uint64_t>(group[i] - 33);
    }
    if (m >= 2) {
      if (sound && exact >= (std::uint64_t{1} << (8 * (m - 1)))) d.result = -1;
      for (std::size_t i = m - 1; i-- > 0;) d.bytes += static_cast<char>(v >> (8 * i));
    }
    if (last) break;
  }
  d.consumed = pos;
  return d;
}

class TrickleStream : public krv::TStringStream {
 public:
  TrickleStream(std::string bytes, std::size_t chunk)
      : krv::TStringStream(std::move(bytes)), chunk_(chunk) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    return krv::TStringStream::Read(buffer, std::min(count, chunk_));
  }

 private:
  std::size_t chunk_;
};

Decoded Decode(krv::TStream& in) {
  krv::TStringStream out;
  Decoded d;
  d.result = krv::DecodeASCII85(in, out);
  d.bytes = out.Bytes();
  d.consumed = static_cast<std::size_t>(in.Position());
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const Decoded want = ReferenceDecode(input);
  Check(want.result == 0 || want.result == -1 || want.result == -2);

  krv::TStringStream whole(input);
  Check(Decode(whole) == want);
  TrickleStream trickle(input, size > 0 ? 1 + data[0] % 16 : 1);
  Check(Decode(trickle) == want);

  krv::TStringStream bytes(input), text;
  krv::EncodeASCII85(bytes, text);
  text.SetPosition(0);
  const Decoded back = Decode(text);
  Check(back.result == 0 && back.bytes == input && back.consumed >= text.Bytes().size() - 1);
  return 0;
}
