#include "korvex/dstruct/rle.h"

#include <algorithm>
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

bool TRLEncoder::Decode(std::uint8_t InByte) {
  FFinishing = false;
  switch (FDecodeSt) {
    case rlData:
      if (InByte == kLeadIn)
        FDecodeSt = rlLeadin;
      else
        Append(InByte);
      break;
    case rlLeadin:
      FCount = InByte;
      FDecodeSt = rlCnt;
      break;
    case rlCnt:
      std::memset(Reserve(FCount), InByte, FCount);
      FEnd += FCount;
      FCount = 0;
      FDecodeSt = rlData;
      break;
  }
  return BlockReady();
}

bool TRLEncoder::Decode(std::span<const std::uint8_t> InBuf) {
  FFinishing = false;
  const std::uint8_t* p = InBuf.data();
  const std::uint8_t* const end = p + InBuf.size();
  while (p < end) {
    if (FDecodeSt != rlData) {
      Decode(*p++);
      continue;
    }
    // Copy the literal stretch up to the next lead-in in one go.
    const std::size_t avail = static_cast<std::size_t>(end - p);
    const void* hit = std::memchr(p, kLeadIn, avail);
    const std::size_t lit =
        hit == nullptr ? avail
                       : static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - p);
    if (lit > 0) {
      std::memcpy(Reserve(lit), p, lit);
      FEnd += lit;
      p += lit;
    }
    if (p < end) {
      FDecodeSt = rlLeadin;
      ++p;
    }
  }
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
