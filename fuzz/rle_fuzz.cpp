// Fuzz target for the run-length decoder (and the encoder on the same bytes).
//
// The first byte picks the block length (1..256) and the split points; the rest is fed to
// the decoder byte by byte and in bulk, which must agree with a plain reference decoder.
// The same bytes are then encoded and decoded back, which must give them unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "korvex/dstruct/rle.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Check(bool ok) {
  if (!ok) std::abort();
}

Bytes ReferenceDecode(const std::uint8_t* p, std::size_t n) {
  Bytes out;
  for (std::size_t i = 0; i < n;) {
    if (p[i] != 0xA5) {
      out.push_back(p[i++]);
    } else if (i + 2 < n) {
      out.insert(out.end(), p[i + 1], p[i + 2]);
      i += 3;
    } else {
      break;
    }
  }
  return out;
}

// Fetches every full block, then the remainder through a block length that fits it.
void Drain(krv::TRLEncoder& e, Bytes& out) {
  Bytes block(static_cast<std::size_t>(e.BufLeng()));
  while (e.GetResult(block)) out.insert(out.end(), block.begin(), block.end());
  if (e.Pending() > 0) {
    const auto rest = static_cast<std::int32_t>(e.Pending());
    e.SetBufLeng(rest);
    block.resize(static_cast<std::size_t>(rest));
    Check(e.GetResult(block));
    out.insert(out.end(), block.begin(), block.end());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::int32_t bl = 1 + data[0];
  const std::uint8_t* p = data + 1;
  const std::size_t n = size - 1;
  const Bytes want = ReferenceDecode(p, n);

  // Byte by byte, fetching blocks as they are reported.
  krv::TRLEncoder one;
  one.SetBufLeng(bl);
  Bytes got1, block(static_cast<std::size_t>(bl));
  for (std::size_t i = 0; i < n; ++i)
    if (one.Decode(p[i]))
      while (one.GetResult(block)) got1.insert(got1.end(), block.begin(), block.end());
  Drain(one, got1);
  Check(got1 == want);

  // In bulk, split every `step` bytes, without fetching until the end.
  krv::TRLEncoder bulk;
  bulk.SetBufLeng(bl);
  const std::size_t step = 1 + data[0] % 17;
  for (std::size_t i = 0; i < n; i += step)
    bulk.Decode(std::span<const std::uint8_t>(p + i, std::min(step, n - i)));
  Bytes got2;
  Drain(bulk, got2);
  Check(got2 == want);
  Check(one.DecodeState() == bulk.DecodeState());

  // Encode the raw bytes and decode them back.
  krv::TRLEncoder enc;
  enc.SetBufLeng(bl);
  Bytes coded;
  for (std::size_t i = 0; i < n; i += step) {
    const auto k = static_cast<std::int32_t>(std::min(step, n - i));
    if (enc.Encode(std::span<const std::uint8_t>(p + i, static_cast<std::size_t>(k)), k))
      while (enc.GetResult(block)) coded.insert(coded.end(), block.begin(), block.end());
  }
  for (;;) {
    const std::int32_t k = enc.Finish(block);
    Check(k >= 0 && k <= bl);
    coded.insert(coded.end(), block.begin(), block.begin() + k);
    if (k < bl) break;
  }
  Check(ReferenceDecode(coded.data(), coded.size()) == Bytes(p, p + n));
  return 0;
}
