// The scans of byte_scan.h.
#include "byte_scan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace krv::tool {
namespace {

bool IsSmallLetter(unsigned char c) {
  return c >= 'a' && c <= 'z';
}

bool Equals(const char* at, std::string_view needle, bool fold) {
  if (!fold) return std::memcmp(at, needle.data(), needle.size()) == 0;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    const auto c = static_cast<unsigned char>(at[i]);
    const auto n = static_cast<unsigned char>(needle[i]);
    if (c != n && !(IsSmallLetter(n) && (c | 0x20) == n)) return false;
  }
  return true;
}

// How often a byte is met in ordinary text, roughly: higher is more often.
int Frequency(unsigned char c) {
  static constexpr std::string_view kByFrequency = " etaoinsrhldcumfpgwybvkxjqz";
  const std::size_t at = kByFrequency.find(static_cast<char>(c | 0x20));
  if (at != std::string_view::npos) return 100 - static_cast<int>(at);
  return c >= 0x80 ? 0 : 20;  // digits, punctuation, capitals are rarer
}

// The two places of the needle to screen by: its rarest bytes (first and second in order).
void ScreenPlaces(std::string_view needle, std::size_t& a, std::size_t& b) {
  a = 0;
  b = needle.size() - 1;
  if (needle.size() < 3) return;
  std::size_t best = 0, second = 1;
  if (Frequency(needle[second]) < Frequency(needle[best])) std::swap(best, second);
  for (std::size_t i = 2; i < needle.size(); ++i) {
    const int f = Frequency(static_cast<unsigned char>(needle[i]));
    if (f < Frequency(static_cast<unsigned char>(needle[best]))) {
      second = best;
      best = i;
    } else if (f < Frequency(static_cast<unsigned char>(needle[second]))) {
      second = i;
    }
  }
  a = std::min(best, second);
  b = std::max(best, second);
}

#ifdef __SSE2__
// The bytes of a block equal to c, or with fold to its capital when c is a small letter.
inline unsigned MatchMask(__m128i v, unsigned char c, bool fold) {
  const __m128i case_bit = _mm_set1_epi8(fold && IsSmallLetter(c) ? 0x20 : 0);
  return static_cast<unsigned>(_mm_movemask_epi8(
      _mm_cmpeq_epi8(_mm_or_si128(v, case_bit), _mm_set1_epi8(static_cast<char>(c)))));
}
#endif

}  // namespace

// The first phase of FindNeedle: memchr (the C library's widest scan) on the needle's rarest
// byte, each hit checked in full, for as long as the hits stay rare. Gives the start of the
// needle (found), npos when there is none, or the first start not yet ruled out when the
// byte proved common (so the block screen goes on from there).
namespace {

struct RarestScan {
  std::size_t at;  // the needle's start, npos, or where the block screen goes on
  bool found;      // at is the needle's start
};

RarestScan MemchrRarest(std::string_view text, std::string_view needle, bool fold) {
  const std::size_t n = needle.size();
  std::size_t r = std::string_view::npos;  // a byte memchr can look for: not one to fold
  for (std::size_t k = 0; k < n; ++k) {
    const auto c = static_cast<unsigned char>(needle[k]);
    if (fold && IsSmallLetter(c)) continue;
    if (r == std::string_view::npos ||
        Frequency(c) < Frequency(static_cast<unsigned char>(needle[r])))
      r = k;
  }
  if (r == std::string_view::npos) return {0, false};
  const std::size_t last = text.size() - (n - 1 - r);  // the rare byte's places end here
  std::size_t from = r, misses = 0;
  while (from < last) {
    const void* p = std::memchr(text.data() + from, needle[r], last - from);
    if (p == nullptr) return {std::string_view::npos, false};
    const auto at = static_cast<std::size_t>(static_cast<const char*>(p) - text.data());
    if (Equals(text.data() + at - r, needle, fold)) return {at - r, true};
    from = at + 1;
    if (++misses > 16 && from < misses * 64) return {from - r, false};  // common: screen blocks
  }
  return {std::string_view::npos, false};
}

}  // namespace

std::size_t FindNeedlePlain(std::string_view text, std::string_view needle, bool fold) {
  if (text.size() < needle.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i)
    if (Equals(text.data() + i, needle, fold)) return i;
  return std::string_view::npos;
}

std::size_t FindNeedle(std::string_view text, std::string_view needle, bool fold) {
  const std::size_t n = needle.size();
  if (text.size() < n) return std::string_view::npos;
  if (n == 1 && !(fold && IsSmallLetter(static_cast<unsigned char>(needle[0])))) {
    const void* p = std::memchr(text.data(), needle[0], text.size());
    return p == nullptr ? std::string_view::npos
                        : static_cast<std::size_t>(static_cast<const char*>(p) - text.data());
  }
  const RarestScan first = MemchrRarest(text, needle, fold);
  if (first.found || first.at == std::string_view::npos) return first.at;
  std::size_t i = first.at;
#ifdef __SSE2__
  std::size_t pa = 0, pb = 0;
  ScreenPlaces(needle, pa, pb);
  const auto ca = static_cast<unsigned char>(needle[pa]);
  const auto cb = static_cast<unsigned char>(needle[pb]);
  for (; i + n - 1 + 16 <= text.size(); i += 16) {
    const char* at = text.data() + i;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + pa));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + pb));
    unsigned mask = MatchMask(a, ca, fold) & MatchMask(b, cb, fold);
    if (mask != 0 && n <= 2) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    while (mask != 0) {
      const int k = __builtin_ctz(mask);
      if (Equals(at + k, needle, fold)) return i + static_cast<std::size_t>(k);
      mask &= mask - 1;
    }
  }
#endif
  const std::size_t rest = FindNeedlePlain(text.substr(i), needle, fold);
  return rest == std::string_view::npos ? rest : i + rest;
}

ByteClass::ByteClass(const std::array<bool, 256>& members) : members_(members) {
  int ranges = 0;
  for (unsigned c = 0; c < 256; ++c) {
    if (!members[c] || (c > 0 && members[c - 1])) continue;
    unsigned hi = c;
    while (hi + 1 < 256 && members[hi + 1]) ++hi;
    if (ranges == kMaxRanges) {
      ranges_ = 0;
      return;
    }
    bounds_[static_cast<std::size_t>(2 * ranges)] = static_cast<unsigned char>(c);
    bounds_[static_cast<std::size_t>(2 * ranges + 1)] = static_cast<unsigned char>(hi);
    ++ranges;
  }
  ranges_ = ranges;
}

std::size_t FindInClassPlain(std::string_view text, const std::array<bool, 256>& members) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (members[static_cast<unsigned char>(text[i])]) return i;
  return std::string_view::npos;
}

// A byte v is in lo..hi when v - lo (mod 256) is at most hi - lo: min_epu8 tells.
std::size_t ByteClass::Find(std::string_view text) const {
  std::size_t i = 0;
#ifdef __SSE2__
  if (ranges_ > 0) {
    __m128i lo[kMaxRanges], span[kMaxRanges];
    for (int r = 0; r < ranges_; ++r) {
      lo[r] = _mm_set1_epi8(static_cast<char>(bounds_[static_cast<std::size_t>(2 * r)]));
      span[r] = _mm_set1_epi8(static_cast<char>(bounds_[static_cast<std::size_t>(2 * r + 1)] -
                                                bounds_[static_cast<std::size_t>(2 * r)]));
    }
    for (; i + 16 <= text.size(); i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      __m128i hit = _mm_setzero_si128();
      for (int r = 0; r < ranges_; ++r) {
        const __m128i d = _mm_sub_epi8(v, lo[r]);
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_min_epu8(d, span[r]), d));
      }
      const int mask = _mm_movemask_epi8(hit);
      if (mask != 0)
        return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
  }
#endif
  const std::size_t rest = FindInClassPlain(text.substr(i), members_);
  return rest == std::string_view::npos ? rest : i + rest;
}

long long CountLineFeeds(std::string_view text) {
  long long n = 0;
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 64 <= text.size(); i += 64) {
    unsigned long long bits = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 16 * k));
      bits |= static_cast<unsigned long long>(
                  static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf))))
              << (16 * k);
    }
    n += __builtin_popcountll(bits);
  }
#endif
  for (; i < text.size(); ++i) n += text[i] == '\n';
  return n;
}

bool WidenAscii(std::string_view text, std::u16string& out) {
  out.resize(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  char16_t* to = out.data();
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(v) != 0) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < text.size(); ++i) {
    if (p[i] >= 0x80) return false;
    to[i] = p[i];
  }
  return true;
}

}  // namespace krv::tool
