#include "korvex/dstruct/rle.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "internal/heap_error.h"

namespace krv {
namespace {
// Input is encoded in slices of this size, so that the room reserved for the worst case
// (three output bytes per input byte) stays small.
constexpr std::size_t kEncodeSlice = 1 << 16;
}  // namespace

TRLEncoder::TRLEncoder(TComponent* AOwner) : TComponent(AOwner) {
  detail::WithHeapGuard(*this, detail::kNoHeapText, [&] { FBuffer.assign(1024, 0); });
}

String TRLEncoder::ClassName() const {
  return u"TRLEncoder";
}

void TRLEncoder::SetBufLeng(std::int32_t BufLeng) {
  if (BufLeng <= 0 || BufLeng == FBufLeng) return;
  FBufLeng = BufLeng;
}

void TRLEncoder::Reset() {
  FStart = FEnd = 0;
  FCount = 0;
  FLastB = 0;
  FDecodeSt = rlData;
  FFinishing = false;
}

std::uint8_t* TRLEncoder::Reserve(std::size_t n) {
  if (FBuffer.size() - FEnd < n) {
    // Move the pending bytes to the front first; grow only when that is not enough.
    if (FStart > 0) {
      std::memmove(FBuffer.data(), FBuffer.data() + FStart, FEnd - FStart);
      FEnd -= FStart;
      FStart = 0;
    }
    if (FBuffer.size() - FEnd < n) {
      const std::size_t want = std::max(FBuffer.size() * 2, FEnd + n);
      detail::WithHeapGuard(*this, detail::kNoHeapText, [&] { FBuffer.resize(want); });
    }
  }
  return FBuffer.data() + FEnd;
}

void TRLEncoder::AppendTriple(std::uint8_t count, std::uint8_t value) {
  std::uint8_t* p = Reserve(3);
  p[0] = kLeadIn;
  p[1] = count;
  p[2] = value;
  FEnd += 3;
}

bool TRLEncoder::Encode(std::span<const std::uint8_t> InBuf, std::int32_t NumBytes) {
  const std::size_t n = NumBytes <= 0 ? 0 : std::min<std::size_t>(NumBytes, InBuf.size());
  return EncodeBytes(InBuf.data(), n);
}

bool TRLEncoder::EncodeBytes(const std::uint8_t* in, std::size_t n) {
  FFinishing = false;
  while (n > 0) {
    const std::size_t slice = std::min(n, kEncodeSlice);
    // Worst case: every byte closes a run of two 0xA5 (a triple) or is a literal.
    std::uint8_t* const base = Reserve(3 * slice + 3);
    std::uint8_t* out = base;
    std::uint8_t count = FCount;
    std::uint8_t last = FLastB;
    const std::uint8_t* p = in;
    const std::uint8_t* const end = in + slice;
    while (p < end) {
      if (count == 0) {
        last = *p++;
        count = 1;
        continue;
      }
      if (count == 1 && last != kLeadIn) {
        // Literal stretch: each byte that differs from the next one stands for itself.
        while (p < end && *p != last && last != kLeadIn) {
          *out++ = last;
          last = *p++;
        }
        if (p == end) break;
      }
      // Extend the current run, at most up to 255.
      const std::uint8_t* stop = p + std::min<std::ptrdiff_t>(end - p, 255 - count);
      const std::uint8_t* q = p;
      while (q < stop && *q == last) ++q;
      count = static_cast<std::uint8_t>(count + (q - p));
      p = q;
      if (count == 255) {
        out[0] = kLeadIn, out[1] = 255, out[2] = last, out += 3;
        count = 0;
        continue;
      }
      if (p == end) break;
      // A different byte: flush the run, start a new one.
      if (last != kLeadIn && count <= 2) {
        out[0] = last;
        out[1] = last;
        out += count;
      } else {
        out[0] = kLeadIn, out[1] = count, out[2] = last, out += 3;
      }
      last = *p++;
      count = 1;
    }
    FCount = count;
    FLastB = last;
    FEnd += static_cast<std::size_t>(out - base);
    in += slice;
    n -= slice;
  }
  return BlockReady();
}

bool TRLEncoder::Decode(std::span<const std::uint8_t> InBuf) {
  FFinishing = false;
  const std::uint8_t* p = InBuf.data();
  const std::uint8_t* const end = p + InBuf.size();
  // Finish a triple left open by an earlier call.
  while (p < end && FDecodeSt != rlData) Decode(*p++);
  std::uint8_t* buf = FBuffer.data();
  std::size_t fill = FEnd;
  std::size_t cap = FBuffer.size();
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  constexpr std::uint64_t kLeadIns = kOnes * kLeadIn;
  // One step writes at most a word of which up to 7 bytes are kept, then a run of 255.
  constexpr std::size_t kRoom = 8 + 255;
  while (p < end) {
    if (cap - fill < kRoom) {
      FEnd = fill;
      Reserve(kRoom);
      buf = FBuffer.data();
      fill = FEnd;
      cap = FBuffer.size();
    }
    if (end - p >= 8) {
      // Eight bytes at a time: copy them all, keep those before the first lead-in.
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      std::memcpy(buf + fill, &w, 8);
      const std::uint64_t x = w ^ kLeadIns;
      const std::uint64_t hit = (x - kOnes) & ~x & kHighs;  // lowest set bit is exact
      if (hit == 0) {
        fill += 8;
        p += 8;
        continue;
      }
      const auto k = static_cast<std::size_t>(std::countr_zero(hit) >> 3);
      fill += k;
      p += k;
    } else if (*p != kLeadIn) {
      buf[fill++] = *p++;
      continue;
    }
    // *p is a lead-in.
    if (end - p < 3) break;  // a triple cut by the end of this piece
    const std::uint8_t n = p[1];
    std::memset(buf + fill, p[2], n);
    fill += n;
    p += 3;
  }
  FEnd = fill;
  while (p < end) Decode(*p++);
  return BlockReady();
}

void TRLEncoder::Deliver(std::uint8_t* out, std::size_t n) {
  std::memcpy(out, FBuffer.data() + FStart, n);
  FStart += n;
  if (FStart == FEnd) FStart = FEnd = 0;
}

bool TRLEncoder::GetResult(std::span<std::uint8_t> OutBuf) {
  const auto block = static_cast<std::size_t>(FBufLeng);
  if (!BlockReady() || OutBuf.size() < block) return false;
  Deliver(OutBuf.data(), block);
  return true;
}

std::int32_t TRLEncoder::Finish(std::span<std::uint8_t> OutBuf) {
  const auto block = static_cast<std::size_t>(FBufLeng);
  if (OutBuf.size() < block) return -1;
  if (!FFinishing || FBufLeng > 3) AppendTriple(FCount, FLastB);
  FCount = 0;
  if (!BlockReady()) {
    const std::size_t n = FEnd - FStart;
    Deliver(OutBuf.data(), n);
    FFinishing = false;
    return static_cast<std::int32_t>(n);
  }
  Deliver(OutBuf.data(), block);
  FFinishing = true;
  return FBufLeng;
}

}  // namespace krv
