// Block helpers for the stream text readers: finding line-end bytes and turning bytes into
// characters of the same code, sixteen bytes at a time where SSE2 is available.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

#include "korvex/platform/types.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace krv::detail {

// The first byte in [p, end) equal to `b`, or nullptr.
inline const Byte* FindByte(const Byte* p, const Byte* end, Byte b) {
  if (p >= end) return nullptr;
  return static_cast<const Byte*>(std::memchr(p, b, static_cast<std::size_t>(end - p)));
}

// The first CR (13) or LF (10) in [p, end), or nullptr.
inline const Byte* FindCrOrLf(const Byte* p, const Byte* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8(13);
  const __m128i lf = _mm_set1_epi8(10);
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
    if (hits != 0) return p + std::countr_zero(hits);
  }
#endif
  for (; p < end; ++p) {
    if (*p == 13 || *p == 10) return p;
  }
  return nullptr;
}

// Appends `n` bytes to `s`, each as the character of the same code.
inline void AppendBytes(String& s, const Byte* p, std::size_t n) {
  const std::size_t old = s.size();
  s.resize(old + n);
  Char* out = s.data() + old;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; n - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < n; ++i) out[i] = p[i];
}

}  // namespace krv::detail
