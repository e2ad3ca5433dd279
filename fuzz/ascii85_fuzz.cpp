// Fuzz target for the ASCII85 decoder (and the encoder on the same bytes).
//
// The input is decoded as text twice: from a string stream, and from a stream that gives only
// a few bytes per read (the count taken from the first byte), so groups straddle every read.
// Both must agree with a plain character-by-character reference decoder on the result, the
// bytes and how far the input was read. The overload that reports the first fault must give
// the same result, bytes and reading as the two-argument form, over both streams, and the
// fault the reference finds first: none exactly when the result is 0, else its code and an
// offset within the characters read, at a character that is no line break (a bad one, or a
// digit or "~" ending a group too large). Then the input is encoded and decoded back, which
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

Decoded Decode(krv::TStream& in, krv::TASCII85Fault* fault = nullptr) {
  krv::TStringStream out;
  Decoded d;
  d.result = fault != nullptr ? krv::DecodeASCII85(in, out, *fault) : krv::DecodeASCII85(in, out);
  d.bytes = out.Bytes();
  d.consumed = static_cast<std::size_t>(in.Position());
  return d;
}

bool IsDigit(int c) {
  return c >= '!' && c <= 'u';
}

// The first fault of a text, found group by group as the reference decoder reads it.
krv::TASCII85Fault RefFirstFault(const std::string& text) {
  std::size_t pos = 0;
  auto next = [&]() -> int {
    while (pos < text.size()) {
      const auto c = static_cast<unsigned char>(text[pos++]);
      if (c != '\r' && c != '\n') return c;
    }
    return -1;
  };
  for (;;) {
    int c = next();
    if (c < 0) break;
    if (c == 'z') continue;
    int chars[5];
    std::int64_t at[5];
    std::size_t count = 0;
    bool last = false;
    for (;;) {
      at[count] = static_cast<std::int64_t>(pos) - 1;
      chars[count++] = c;
      if (count == 5) break;
      if ((c = next()) < 0) {
        last = true;
        break;
      }
    }
    std::size_t m = count;
    for (std::size_t i = count; i-- > 0;)
      if (chars[i] == '~') {
        m = i;
        last = true;
        break;
      }
    std::uint64_t exact = 0;
    for (std::size_t i = 0; i < m; ++i) {
      if (!IsDigit(chars[i])) return {chars[i] == 'z' ? -2 : -1, at[i], false};
      exact = exact * 85 + static_cast<std::uint64_t>(chars[i] - '!');
    }
    if (m >= 2 && exact >> (8 * (m - 1)) != 0) return {-1, at[m < count ? m : m - 1], true};
    if (last) break;
  }
  return {};
}

// The overload that reports the first fault, against the two-argument form.
void CheckFirstFault(const std::string& input, const Decoded& want) {
  const krv::TASCII85Fault expected = RefFirstFault(input);
  krv::TStringStream whole(input);
  TrickleStream trickle(input, input.empty() ? 1 : 1 + static_cast<unsigned char>(input[0]) % 7);
  krv::TStream* const streams[] = {&whole, &trickle};
  for (krv::TStream* in : streams) {
    krv::TASCII85Fault fault{7, 7, true};
    Check(Decode(*in, &fault) == want);
    Check(fault == expected);
    Check((want.result == 0) == (fault.code == 0));
    if (fault.code == 0) {
      Check(fault.offset == -1 && !fault.group_too_large);
      continue;
    }
    Check(fault.offset >= 0 && static_cast<std::size_t>(fault.offset) < want.consumed);
    const int c = static_cast<unsigned char>(input[static_cast<std::size_t>(fault.offset)]);
    Check(c != '\r' && c != '\n');
    if (fault.group_too_large)
      Check(fault.code == -1 && (IsDigit(c) || c == '~'));
    else
      Check(!IsDigit(c) && (c == 'z') == (fault.code == -2));
  }
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
  CheckFirstFault(input, want);

  krv::TStringStream bytes(input), text;
  krv::EncodeASCII85(bytes, text);
  text.SetPosition(0);
  const Decoded back = Decode(text);
  Check(back.result == 0 && back.bytes == input && back.consumed >= text.Bytes().size() - 1);
  return 0;
}
