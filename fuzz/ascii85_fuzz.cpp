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

#include "../tests/dstruct/ascii85_reference.h"
#include "../tests/test_support/trickle_stream.h"
#include "korvex/dstruct/ascii85.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

using krv::testing::Decoded;
constexpr auto ReferenceDecode = krv::testing::RefDecode;

using krv::testing::TrickleStream;

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
