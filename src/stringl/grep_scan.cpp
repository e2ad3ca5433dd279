// The TGrep matcher's block scans in their portable, SSE2 and AVX2 forms, and the choice
// between them.
#include "stringl/internal/grep_scan.h"

#include <atomic>

#include "korvex/platform/casefold.h"
#include "korvex/platform/cpu_features.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define KRV_GREP_X86 1
#define KRV_AVX2_TARGET __attribute__((target("avx2")))
#endif

namespace krv::detail {
namespace {

constexpr std::size_t npos = std::u16string_view::npos;

std::atomic<GrepScanPath> g_path{GrepScanPath::kBest};

// Under folding a lower-case letter also matches its capital, which differs from it only in
// this bit (0 for any other character): compare c against (x | the bit).
Char FoldBit(Char c, bool fold) {
  return fold ? static_cast<Char>(c ^ AsciiUpper(c)) : Char{0};
}

// --- Portable. ---

std::size_t FindCharPortable(std::u16string_view s, std::size_t from, Char c, bool fold) {
  const Char mask = FoldBit(c, fold);
  for (std::size_t i = from; i < s.size(); ++i) {
    if (static_cast<Char>(s[i] | mask) == c) return i;
  }
  return npos;
}

std::size_t FindInSetPortable(std::u16string_view s, std::size_t from, const GrepScanSet& set) {
  for (std::size_t i = from; i < s.size(); ++i) {
    if (set.Has(s[i])) return i;
  }
  return npos;
}

#if defined(KRV_GREP_X86)

// --- SSE2: 16 characters per step. ---
//
// A subject of at least one step's length ends with one more step over its last characters,
// overlapping the one before and ignoring what that one already covered; shorter subjects go
// to the narrower form.

// Bit i set when character i of the 16 at p equals c (or its capital when folding).
unsigned EqualSse2(const Char* p, __m128i needle, __m128i orv) {
  const auto* q = reinterpret_cast<const __m128i*>(p);
  const __m128i a = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(q), orv), needle);
  const __m128i b = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(q + 1), orv), needle);
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
}

std::size_t FindCharSse2(std::u16string_view s, std::size_t from, Char c, bool fold) {
  const std::size_t n = s.size();
  if (n - from < 16) return FindCharPortable(s, from, c, fold);
  const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
  const __m128i orv = _mm_set1_epi16(static_cast<short>(FoldBit(c, fold)));
  std::size_t i = from;
  for (; i + 16 <= n; i += 16) {
    const unsigned m = EqualSse2(s.data() + i, needle, orv);
    if (m != 0) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  if (i == n) return npos;
  const unsigned m = EqualSse2(s.data() + n - 16, needle, orv) >> (i - (n - 16));
  return m != 0 ? i + static_cast<std::size_t>(__builtin_ctz(m)) : npos;
}

// Lanes of v (eight characters) that lie in one of the set's ranges.
__m128i InRangesSse2(__m128i v, const GrepScanSet& set) {
  __m128i hit = _mm_setzero_si128();
  for (int r = 0; r < set.ranges; ++r) {
    const Char lo = set.bounds[static_cast<std::size_t>(2 * r)];
    const Char span = static_cast<Char>(set.bounds[static_cast<std::size_t>(2 * r + 1)] - lo);
    // v - lo <= span, unsigned: the saturating difference to span is then zero.
    const __m128i off = _mm_sub_epi16(v, _mm_set1_epi16(static_cast<short>(lo)));
    const __m128i over = _mm_subs_epu16(off, _mm_set1_epi16(static_cast<short>(span)));
    hit = _mm_or_si128(hit, _mm_cmpeq_epi16(over, _mm_setzero_si128()));
  }
  return hit;
}

unsigned InSetSse2(const Char* p, const GrepScanSet& set) {
  const auto* q = reinterpret_cast<const __m128i*>(p);
  const __m128i a = InRangesSse2(_mm_loadu_si128(q), set);
  const __m128i b = InRangesSse2(_mm_loadu_si128(q + 1), set);
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
}

std::size_t FindInSetSse2(std::u16string_view s, std::size_t from, const GrepScanSet& set) {
  const std::size_t n = s.size();
  if (set.ranges == 0 || n - from < 16) return FindInSetPortable(s, from, set);
  std::size_t i = from;
  for (; i + 16 <= n; i += 16) {
    const unsigned m = InSetSse2(s.data() + i, set);
    if (m != 0) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  if (i == n) return npos;
  const unsigned m = InSetSse2(s.data() + n - 16, set) >> (i - (n - 16));
  return m != 0 ? i + static_cast<std::size_t>(__builtin_ctz(m)) : npos;
}

// --- AVX2: 32 characters per step. ---

// The 32 lanes of two 16-lane comparisons as one bit each, in subject order.
KRV_AVX2_TARGET unsigned PackMask(__m256i a, __m256i b) {
  // packs interleaves the 128-bit halves; the permutation puts them back in order.
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(a, b), 0xD8);
  return static_cast<unsigned>(_mm256_movemask_epi8(packed));
}

KRV_AVX2_TARGET unsigned EqualAvx2(const Char* p, __m256i needle, __m256i orv) {
  const auto* q = reinterpret_cast<const __m256i*>(p);
  const __m256i a = _mm256_cmpeq_epi16(_mm256_or_si256(_mm256_loadu_si256(q), orv), needle);
  const __m256i b = _mm256_cmpeq_epi16(_mm256_or_si256(_mm256_loadu_si256(q + 1), orv), needle);
  return PackMask(a, b);
}

KRV_AVX2_TARGET std::size_t FindCharAvx2(std::u16string_view s, std::size_t from, Char c,
                                         bool fold) {
  const std::size_t n = s.size();
  if (n - from < 32) return FindCharSse2(s, from, c, fold);
  const __m256i needle = _mm256_set1_epi16(static_cast<short>(c));
  const __m256i orv = _mm256_set1_epi16(static_cast<short>(FoldBit(c, fold)));
  std::size_t i = from;
  for (; i + 32 <= n; i += 32) {
    const unsigned m = EqualAvx2(s.data() + i, needle, orv);
    if (m != 0) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  if (i == n) return npos;
  const unsigned m = EqualAvx2(s.data() + n - 32, needle, orv) >> (i - (n - 32));
  return m != 0 ? i + static_cast<std::size_t>(__builtin_ctz(m)) : npos;
}

KRV_AVX2_TARGET __m256i InRangesAvx2(__m256i v, const GrepScanSet& set) {
  __m256i hit = _mm256_setzero_si256();
  for (int r = 0; r < set.ranges; ++r) {
    const Char lo = set.bounds[static_cast<std::size_t>(2 * r)];
    const Char span = static_cast<Char>(set.bounds[static_cast<std::size_t>(2 * r + 1)] - lo);
    const __m256i off = _mm256_sub_epi16(v, _mm256_set1_epi16(static_cast<short>(lo)));
    const __m256i over = _mm256_subs_epu16(off, _mm256_set1_epi16(static_cast<short>(span)));
    hit = _mm256_or_si256(hit, _mm256_cmpeq_epi16(over, _mm256_setzero_si256()));
  }
  return hit;
}

KRV_AVX2_TARGET unsigned InSetAvx2(const Char* p, const GrepScanSet& set) {
  const auto* q = reinterpret_cast<const __m256i*>(p);
  return PackMask(InRangesAvx2(_mm256_loadu_si256(q), set),
                  InRangesAvx2(_mm256_loadu_si256(q + 1), set));
}

// The set's tables, ready for a lookup of 32 characters at once.
struct SetTablesAvx2 {
  __m256i low_rows;
  __m256i high_rows;
  __m256i bit_of;  // 1 << (h & 7) for h = 0..15
};

KRV_AVX2_TARGET void LoadTables(const GrepScanSet& set, SetTablesAvx2& t) {
  const auto* low = reinterpret_cast<const __m128i*>(set.low_rows.data());
  const auto* high = reinterpret_cast<const __m128i*>(set.high_rows.data());
  t.low_rows = _mm256_broadcastsi128_si256(_mm_loadu_si128(low));
  t.high_rows = _mm256_broadcastsi128_si256(_mm_loadu_si128(high));
  t.bit_of = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4,
                              8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
}

// The members among the 32 characters at p, one bit each: the low four bits of a code pick a
// row of the table, its high four bits a bit of that row. Codes above 255 are never members.
KRV_AVX2_TARGET unsigned InSetTablesAvx2(const Char* p, const SetTablesAvx2& t) {
  const auto* q = reinterpret_cast<const __m256i*>(p);
  const __m256i a = _mm256_loadu_si256(q);
  const __m256i b = _mm256_loadu_si256(q + 1);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low_byte = _mm256_set1_epi16(0xFF);
  const __m256i bytes = _mm256_permute4x64_epi64(
      _mm256_packus_epi16(_mm256_and_si256(a, low_byte), _mm256_and_si256(b, low_byte)), 0xD8);
  const __m256i narrow = _mm256_permute4x64_epi64(
      _mm256_packs_epi16(_mm256_cmpeq_epi16(_mm256_srli_epi16(a, 8), zero),
                         _mm256_cmpeq_epi16(_mm256_srli_epi16(b, 8), zero)),
      0xD8);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i lo = _mm256_and_si256(bytes, nibble);
  const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble);
  // The byte's top bit says whether the high four bits are 8 or more.
  const __m256i row = _mm256_blendv_epi8(_mm256_shuffle_epi8(t.low_rows, lo),
                                         _mm256_shuffle_epi8(t.high_rows, lo), bytes);
  const __m256i bit = _mm256_shuffle_epi8(t.bit_of, hi);
  const __m256i hit = _mm256_cmpeq_epi8(_mm256_and_si256(row, bit), bit);
  return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(hit, narrow)));
}

KRV_AVX2_TARGET std::size_t FindInTablesAvx2(std::u16string_view s, std::size_t from,
                                             const GrepScanSet& set) {
  const std::size_t n = s.size();
  SetTablesAvx2 t;
  LoadTables(set, t);
  std::size_t i = from;
  for (; i + 32 <= n; i += 32) {
    const unsigned m = InSetTablesAvx2(s.data() + i, t);
    if (m != 0) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  if (i == n) return npos;
  const unsigned m = InSetTablesAvx2(s.data() + n - 32, t) >> (i - (n - 32));
  return m != 0 ? i + static_cast<std::size_t>(__builtin_ctz(m)) : npos;
}

KRV_AVX2_TARGET std::size_t FindInSetAvx2(std::u16string_view s, std::size_t from,
                                          const GrepScanSet& set) {
  const std::size_t n = s.size();
  if (n - from < 32) return FindInSetSse2(s, from, set);
  if (set.ranges == 0) return FindInTablesAvx2(s, from, set);
  std::size_t i = from;
  for (; i + 32 <= n; i += 32) {
    const unsigned m = InSetAvx2(s.data() + i, set);
    if (m != 0) return i + static_cast<std::size_t>(__builtin_ctz(m));
  }
  if (i == n) return npos;
  const unsigned m = InSetAvx2(s.data() + n - 32, set) >> (i - (n - 32));
  return m != 0 ? i + static_cast<std::size_t>(__builtin_ctz(m)) : npos;
}

#endif  // KRV_GREP_X86

using FindCharFn = std::size_t (*)(std::u16string_view, std::size_t, Char, bool);
using FindInSetFn = std::size_t (*)(std::u16string_view, std::size_t, const GrepScanSet&);

struct ScanFns {
  FindCharFn find_char;
  FindInSetFn find_in_set;
};

const ScanFns* Resolve(GrepScanPath path) {
  static constexpr ScanFns kPortable{FindCharPortable, FindInSetPortable};
#if defined(KRV_GREP_X86)
  static constexpr ScanFns kSse2{FindCharSse2, FindInSetSse2};
  static constexpr ScanFns kAvx2{FindCharAvx2, FindInSetAvx2};
  switch (path) {
    case GrepScanPath::kBest:
      return GetCpuFeatures().Avx2 ? &kAvx2 : &kSse2;
    case GrepScanPath::kSse2:
      return &kSse2;
    case GrepScanPath::kPortable:
      break;
  }
#else
  (void)path;
#endif
  return &kPortable;
}

std::atomic<const ScanFns*> g_selected{nullptr};

const ScanFns& Selected() {
  const ScanFns* fns = g_selected.load(std::memory_order_relaxed);
  if (fns == nullptr) {
    fns = Resolve(g_path.load(std::memory_order_relaxed));
    g_selected.store(fns, std::memory_order_relaxed);
  }
  return *fns;
}

}  // namespace

void SetGrepScanPath(GrepScanPath path) {
  g_path.store(path, std::memory_order_relaxed);
  g_selected.store(Resolve(path), std::memory_order_relaxed);
}

GrepScanPath GetGrepScanPath() {
  return g_path.load(std::memory_order_relaxed);
}

void GrepScanSet::Prepare() {
  for (unsigned c = 0; c < 256; ++c) {
    if (!Has(static_cast<Char>(c))) continue;
    auto& rows = c < 128 ? low_rows : high_rows;
    rows[c & 15] = static_cast<std::uint8_t>(rows[c & 15] | (1u << ((c >> 4) & 7)));
  }
  ranges = 0;
  int found = 0;
  for (unsigned c = 0; c < 256;) {
    if (!Has(static_cast<Char>(c))) {
      ++c;
      continue;
    }
    unsigned end = c;
    while (end + 1 < 256 && Has(static_cast<Char>(end + 1))) ++end;
    if (found == kMaxRanges) return;  // too many: scans use the bits
    bounds[static_cast<std::size_t>(2 * found)] = static_cast<Char>(c);
    bounds[static_cast<std::size_t>(2 * found + 1)] = static_cast<Char>(end);
    ++found;
    c = end + 1;
  }
  ranges = found;
}

std::size_t GrepFindChar(std::u16string_view s, std::size_t from, Char c, bool fold) {
  if (from >= s.size()) return npos;
  return Selected().find_char(s, from, c, fold);
}

std::size_t GrepFindInSet(std::u16string_view s, std::size_t from, const GrepScanSet& set) {
  if (from >= s.size()) return npos;
  return Selected().find_in_set(s, from, set);
}

}  // namespace krv::detail
