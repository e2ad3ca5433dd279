// Fuzz target for Adobe's ASCII85 form (DecodeASCII85Adobe, EncodeASCII85Adobe).
//
// The input is decoded as text from a string stream and from a stream that gives only a few
// bytes per read (the count taken from the first byte); both must agree with a plain
// reference decoder on the fault, its offset, the bytes and how far the input was read. Text
// that decodes soundly must re-encode to text that decodes to the same bytes. Then the input
// is encoded as bytes, with a line width taken from its last byte, which must give the
// reference's text and decode back to the input unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../tests/dstruct/ascii85_adobe_reference.h"
#include "../tests/test_support/trickle_stream.h"
#include "korvex/dstruct/ascii85.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

using krv::testing::AdobeDecoded;

using krv::testing::TrickleStream;

AdobeDecoded Decode(krv::TStream& in) {
  krv::TStringStream out;
  AdobeDecoded d;
  d.result = krv::DecodeASCII85Adobe(in, out);
  d.bytes = out.Bytes();
  d.consumed = static_cast<std::size_t>(in.Position());
  return d;
}

std::string Encode(const std::string& bytes, std::size_t width) {
  krv::TStringStream in(bytes), out;
  krv::EncodeASCII85Adobe(in, out, width);
  return out.Bytes();
}

// Encodes bytes and decodes the text back.
void CheckRoundTrip(const std::string& bytes, std::size_t width) {
  const std::string text = Encode(bytes, width);
  Check(text == krv::testing::RefEncodeAdobe(bytes, width));
  krv::TStringStream in(text);
  const AdobeDecoded back = Decode(in);
  Check(back.result.fault == krv::a85Sound && back.bytes == bytes &&
        back.result.offset == static_cast<std::int64_t>(text.size()) &&
        back.consumed == text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const AdobeDecoded want = krv::testing::RefDecodeAdobe(input);
  Check(want.result.fault <= krv::a85NoTerminator);

  krv::TStringStream whole(input);
  Check(Decode(whole) == want);
  TrickleStream trickle(input, size > 0 ? 1 + data[0] % 16 : 1);
  Check(Decode(trickle) == want);

  const std::size_t width = size > 0 ? data[size - 1] % 100 : 0;
  if (want.result.fault == krv::a85Sound) CheckRoundTrip(want.bytes, width);
  CheckRoundTrip(input, width);
  return 0;
}
