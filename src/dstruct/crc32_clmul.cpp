// CRC-32 by carry-less multiplication folding, after Gopal et al., "Fast CRC Computation for
// Generic Polynomials Using PCLMULQDQ Instruction" (Intel, 2009).
//
// Several 128-bit accumulators run over the input: each step multiplies the two 64-bit halves
// of an accumulator by x^(d+32) and x^(d-32) mod P (d = the folding distance in bits) and adds
// the input d bits further on, which keeps the value congruent to the input modulo P. Many
// independent accumulators hide the multiplier's latency. At the end they are folded into one,
// the remaining 16-byte blocks are folded in, and a Barrett reduction gives the 32-bit
// register. Crc32Clmul uses eight SSE accumulators (128 bytes a step); Crc32ClmulWide uses four
// 512-bit registers of four accumulators each (256 bytes a step). The constants are derived
// from the polynomial below and checked against the values published in the paper.
#include "dstruct/internal/checksum_dispatch.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace krv::detail {
namespace {

// The CRC-32 polynomial with its x^32 term, most significant bit first.
constexpr std::uint64_t kPoly = 0x104C11DB7;

constexpr std::uint64_t Reflect(std::uint64_t v, int bits) {
  std::uint64_t r = 0;
  for (int i = 0; i < bits; ++i)
    if (v & (std::uint64_t{1} << i)) r |= std::uint64_t{1} << (bits - 1 - i);
  return r;
}

// x^n mod P.
constexpr std::uint64_t XPowMod(int n) {
  std::uint64_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (std::uint64_t{1} << 32)) r ^= kPoly;
  }
  return r;
}

// floor(x^64 / P), the Barrett constant.
constexpr std::uint64_t BarrettQuotient() {
  std::uint64_t r = 0, q = 0;
  for (int deg = 64; deg >= 0; --deg) {
    r = (r << 1) | (deg == 64 ? 1 : 0);
    q <<= 1;
    if (r & (std::uint64_t{1} << 32)) {
      r ^= kPoly;
      q |= 1;
    }
  }
  return q;
}

// A folding constant in the bit-reflected domain: (x^n mod P) reflected, shifted left by one.
constexpr long long FoldConstant(int n) {
  return static_cast<long long>(Reflect(XPowMod(n), 32) << 1);
}

constexpr long long kPolyReflected = static_cast<long long>(Reflect(kPoly, 33));
constexpr long long kMu = static_cast<long long>(Reflect(BarrettQuotient(), 33));

// The values printed in the paper cited above.
static_assert(FoldConstant(4 * 128 + 32) == 0x154442BD4 &&
              FoldConstant(4 * 128 - 32) == 0x1C6E41596);
static_assert(FoldConstant(128 + 32) == 0x1751997D0 && FoldConstant(128 - 32) == 0x0CCAA009E);
static_assert(FoldConstant(64) == 0x163CD6124);
static_assert(kPolyReflected == 0x1DB710641 && kMu == 0x1F7011641);

// The constant pair for folding over d bits: low half for the low (earlier) 64 bits.
#define KRV_FOLD_PAIR(d) _mm_set_epi64x(FoldConstant((d)-32), FoldConstant((d) + 32))

#define KRV_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))
#define KRV_WIDE_TARGET __attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1")))

KRV_CLMUL_TARGET inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// acc folded over the distance of k, plus data.
KRV_CLMUL_TARGET inline __m128i Fold(__m128i acc, __m128i k, __m128i data) {
  const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
  const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), data);
}

// Folds the remaining whole 16-byte blocks into acc, reduces it to the 32-bit register and
// feeds the last n mod 16 bytes through the tables.
KRV_CLMUL_TARGET inline std::uint32_t Finish(__m128i acc, const std::uint8_t* p, std::size_t n) {
  const __m128i k128 = KRV_FOLD_PAIR(128);
  for (; n >= 16; n -= 16, p += 16) acc = Fold(acc, k128, Load(p));

  // 128 bits to 64: the low half times x^96, added to the high half.
  const __m128i mask32 = _mm_setr_epi32(-1, 0, -1, 0);
  __m128i t = _mm_clmulepi64_si128(acc, k128, 0x10);
  acc = _mm_xor_si128(_mm_srli_si128(acc, 8), t);
  // 64 bits to 32 plus a 32-bit carry: the low word times x^64.
  const __m128i k64 = _mm_set_epi64x(0, FoldConstant(64));
  t = _mm_srli_si128(acc, 4);
  acc = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(acc, mask32), k64, 0x00), t);

  // Barrett reduction to the 32-bit remainder.
  const __m128i poly_mu = _mm_set_epi64x(kMu, kPolyReflected);
  t = _mm_clmulepi64_si128(_mm_and_si128(acc, mask32), poly_mu, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), poly_mu, 0x00);
  acc = _mm_xor_si128(acc, t);
  const auto crc = static_cast<std::uint32_t>(_mm_extract_epi32(acc, 1));
  return Crc32Slicing8(crc, p, n);
}

}  // namespace

KRV_CLMUL_TARGET std::uint32_t Crc32Clmul(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  if (n < 64) return Crc32Slicing8(crc, p, n);

  const __m128i k512 = KRV_FOLD_PAIR(512);
  const __m128i first = _mm_cvtsi32_si128(static_cast<int>(crc));
  __m128i x1 = _mm_xor_si128(Load(p), first);
  __m128i x2 = Load(p + 16);
  __m128i x3 = Load(p + 32);
  __m128i x4 = Load(p + 48);
  if (n >= 128) {
    const __m128i k1024 = KRV_FOLD_PAIR(1024);
    __m128i x5 = Load(p + 64), x6 = Load(p + 80), x7 = Load(p + 96), x8 = Load(p + 112);
    for (p += 128, n -= 128; n >= 128; n -= 128, p += 128) {
      x1 = Fold(x1, k1024, Load(p));
      x2 = Fold(x2, k1024, Load(p + 16));
      x3 = Fold(x3, k1024, Load(p + 32));
      x4 = Fold(x4, k1024, Load(p + 48));
      x5 = Fold(x5, k1024, Load(p + 64));
      x6 = Fold(x6, k1024, Load(p + 80));
      x7 = Fold(x7, k1024, Load(p + 96));
      x8 = Fold(x8, k1024, Load(p + 112));
    }
    x1 = Fold(x1, k512, x5);
    x2 = Fold(x2, k512, x6);
    x3 = Fold(x3, k512, x7);
    x4 = Fold(x4, k512, x8);
  } else {
    p += 64;
    n -= 64;
  }
  for (; n >= 64; n -= 64, p += 64) {
    x1 = Fold(x1, k512, Load(p));
    x2 = Fold(x2, k512, Load(p + 16));
    x3 = Fold(x3, k512, Load(p + 32));
    x4 = Fold(x4, k512, Load(p + 48));
  }
  const __m128i k128 = KRV_FOLD_PAIR(128);
  x1 = Fold(x1, k128, x2);
  x1 = Fold(x1, k128, x3);
  x1 = Fold(x1, k128, x4);
  return Finish(x1, p, n);
}

namespace {

KRV_WIDE_TARGET inline __m512i Load512(const std::uint8_t* p) {
  return _mm512_loadu_si512(p);
}

// The constant pair for folding over d bits in each of the four lanes.
KRV_WIDE_TARGET inline __m512i FoldPair512(int d) {
  const long long lo = FoldConstant(d + 32), hi = FoldConstant(d - 32);
  return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

// Four accumulators folded at once; the xor of three terms is one ternary-logic operation.
KRV_WIDE_TARGET inline __m512i Fold512(__m512i acc, __m512i k, __m512i data) {
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(acc, k, 0x00),
                                   _mm512_clmulepi64_epi128(acc, k, 0x11), data, 0x96);
}

}  // namespace

KRV_WIDE_TARGET std::uint32_t Crc32ClmulWide(std::uint32_t crc, const std::uint8_t* p,
                                             std::size_t n) {
  if (n < 256) return Crc32Clmul(crc, p, n);

  const __m512i first = _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc)));
  __m512i x0 = _mm512_xor_si512(Load512(p), first);
  __m512i x1 = Load512(p + 64), x2 = Load512(p + 128), x3 = Load512(p + 192);
  const __m512i k2048 = FoldPair512(2048);
  for (p += 256, n -= 256; n >= 256; n -= 256, p += 256) {
    x0 = Fold512(x0, k2048, Load512(p));
    x1 = Fold512(x1, k2048, Load512(p + 64));
    x2 = Fold512(x2, k2048, Load512(p + 128));
    x3 = Fold512(x3, k2048, Load512(p + 192));
  }
  const __m512i k512 = FoldPair512(512);
  x0 = Fold512(x0, k512, x1);
  x0 = Fold512(x0, k512, x2);
  x0 = Fold512(x0, k512, x3);
  for (; n >= 64; n -= 64, p += 64) x0 = Fold512(x0, k512, Load512(p));

  // The four 128-bit lanes, 128 bits apart, into one.
  alignas(64) std::uint8_t lanes[64];
  _mm512_store_si512(lanes, x0);
  const __m128i k128 = KRV_FOLD_PAIR(128);
  __m128i acc = Load(lanes);
  acc = Fold(acc, k128, Load(lanes + 16));
  acc = Fold(acc, k128, Load(lanes + 32));
  acc = Fold(acc, k128, Load(lanes + 48));
  return Finish(acc, p, n);
}

}  // namespace krv::detail

#else

namespace krv::detail {
// Never selected on other processors.
std::uint32_t Crc32Clmul(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  return Crc32Slicing8(crc, p, n);
}
std::uint32_t Crc32ClmulWide(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
  return Crc32Slicing8(crc, p, n);
}
}  // namespace krv::detail

#endif
