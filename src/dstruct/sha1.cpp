// SHA-1: the incremental context, the portable compression function, the choice of
// compression function, and the digests of strings and their hexadecimal form.
#include "korvex/dstruct/sha1.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "dstruct/internal/big_endian.h"
#include "dstruct/internal/checksum_dispatch.h"

namespace krv {
namespace {

using detail::LoadBE32;
using detail::StoreBE32;

}  // namespace

namespace detail {

void Sha1CompressPortable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t nblocks) {
  // Fully unrolled: the five working variables rotate through the macro arguments instead of
  // being moved each round, and the schedule is kept in a ring of 16 words.
#define KRV_W(i) \
  (w[(i)&15] = std::rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define KRV_R(a, b, c, d, e, f, k, wi)     \
  e += std::rotl(a, 5) + (f) + (k) + (wi); \
  b = std::rotl(b, 30)
#define KRV_F1(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define KRV_F2(b, c, d) ((b) ^ (c) ^ (d))
#define KRV_F3(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))
#define KRV_R0(a, b, c, d, e, i) KRV_R(a, b, c, d, e, KRV_F1(b, c, d), 0x5A827999u, w[i])
#define KRV_R1(a, b, c, d, e, i) KRV_R(a, b, c, d, e, KRV_F1(b, c, d), 0x5A827999u, KRV_W(i))
#define KRV_R2(a, b, c, d, e, i) KRV_R(a, b, c, d, e, KRV_F2(b, c, d), 0x6ED9EBA1u, KRV_W(i))
#define KRV_R3(a, b, c, d, e, i) KRV_R(a, b, c, d, e, KRV_F3(b, c, d), 0x8F1BBCDCu, KRV_W(i))
#define KRV_R4(a, b, c, d, e, i) KRV_R(a, b, c, d, e, KRV_F2(b, c, d), 0xCA62C1D6u, KRV_W(i))
#define KRV_FIVE(R, i)     \
  R(a, b, c, d, e, i);     \
  R(e, a, b, c, d, i + 1); \
  R(d, e, a, b, c, i + 2); \
  R(c, d, e, a, b, i + 3); \
  R(b, c, d, e, a, i + 4)
  for (; nblocks > 0; --nblocks, blocks += 64) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(blocks + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    KRV_FIVE(KRV_R0, 0);
    KRV_FIVE(KRV_R0, 5);
    KRV_FIVE(KRV_R0, 10);
    KRV_R0(a, b, c, d, e, 15);
    KRV_R1(e, a, b, c, d, 16);
    KRV_R1(d, e, a, b, c, 17);
    KRV_R1(c, d, e, a, b, 18);
    KRV_R1(b, c, d, e, a, 19);
    KRV_FIVE(KRV_R2, 20);
    KRV_FIVE(KRV_R2, 25);
    KRV_FIVE(KRV_R2, 30);
    KRV_FIVE(KRV_R2, 35);
    KRV_FIVE(KRV_R3, 40);
    KRV_FIVE(KRV_R3, 45);
    KRV_FIVE(KRV_R3, 50);
    KRV_FIVE(KRV_R3, 55);
    KRV_FIVE(KRV_R4, 60);
    KRV_FIVE(KRV_R4, 65);
    KRV_FIVE(KRV_R4, 70);
    KRV_FIVE(KRV_R4, 75);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
#undef KRV_FIVE
#undef KRV_R4
#undef KRV_R3
#undef KRV_R2
#undef KRV_R1
#undef KRV_R0
#undef KRV_F3
#undef KRV_F2
#undef KRV_F1
#undef KRV_R
#undef KRV_W
}

Sha1CompressFn SelectedSha1Compress() {
  if (GetChecksumPath() != ChecksumPath::kPortable && CpuHasShaNi()) return &Sha1CompressShaNi;
  return &Sha1CompressPortable;
}

}  // namespace detail

void TSHA1Context::Reset() {
  bit_length_ = 0;
  waiting_ = 0;
  chaining_ = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
}

void TSHA1Context::Update(const void* data, std::size_t n) {
  if (n == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  bit_length_ += static_cast<std::uint64_t>(n) << 3;
  const detail::Sha1CompressFn compress = detail::SelectedSha1Compress();
  if (waiting_ > 0) {
    const std::size_t take = std::min(n, block_.size() - waiting_);
    std::memcpy(block_.data() + waiting_, p, take);
    waiting_ += take;
    p += take;
    n -= take;
    if (waiting_ < block_.size()) return;
    compress(chaining_.data(), block_.data(), 1);
    waiting_ = 0;
  }
  if (n >= 64) {
    compress(chaining_.data(), p, n / 64);
    p += n & ~std::size_t{63};
    n &= 63;
  }
  if (n > 0) {
    std::memcpy(block_.data(), p, n);
    waiting_ = n;
  }
}

TSHACode TSHA1Context::Final() {
  // Padding: 0x80, zeros up to 56 bytes mod 64, then the bit length big-endian.
  const std::uint64_t bits = bit_length_;
  std::uint8_t pad[72] = {0x80};
  const std::size_t pad_len = (waiting_ < 56 ? 56 : 120) - waiting_;
  for (int i = 0; i < 8; ++i) pad[pad_len + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Update(pad, pad_len + 8);

  TSHACode code;
  for (int i = 0; i < 5; ++i) StoreBE32(code.data() + 4 * i, chaining_[i]);
  Reset();
  return code;
}

TSHACode SHA1FromString(const String& s) {
  TSHA1Context ctx;
  if constexpr (std::endian::native == std::endian::little) {
    ctx.Update(s.data(), s.size() * sizeof(Char));
  } else {
    std::uint8_t chunk[1024];
    for (std::size_t i = 0; i < s.size();) {
      std::size_t n = 0;
      for (; n < sizeof chunk && i < s.size(); n += 2, ++i) {
        chunk[n] = static_cast<std::uint8_t>(s[i] & 0xFF);
        chunk[n + 1] = static_cast<std::uint8_t>(s[i] >> 8);
      }
      ctx.Update(chunk, n);
    }
  }
  return ctx.Final();
}

String SHA1DigestToHex(const TSHACode& code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  String hex(40, u'0');
  for (std::size_t i = 0; i < code.size(); ++i) {
    hex[2 * i] = static_cast<Char>(kDigits[code[i] >> 4]);
    hex[2 * i + 1] = static_cast<Char>(kDigits[code[i] & 0x0F]);
  }
  return hex;
}

}  // namespace krv
