// SHA-1 compression with the x86 SHA extensions. One 128-bit register holds A..D, another E;
// sha1rnds4 does four rounds, sha1nexte derives the next E, and sha1msg1 / sha1msg2 with an
// xor compute the message schedule four words at a time:
//   W[4h..4h+3] = msg2(msg1(W[4h-16..], W[4h-12..]) ^ W[4h-8..], W[4h-4..]).
// The schedule of group h+1, h+2 and h+3 is advanced while group h runs, as in Intel's
// published example code for these instructions.
#include "dstruct/internal/checksum_dispatch.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#include <utility>

namespace krv::detail {
namespace {

#define KRV_SHA_TARGET __attribute__((target("sha,ssse3,sse4.1")))

struct Regs {
  __m128i abcd;
  __m128i e[2];    // alternate: one feeds the current rounds, the other keeps the next E
  __m128i msg[4];  // the message words of four consecutive groups of rounds
};

// Rounds 4g..4g+3 and the schedule work that goes with them.
template <int G>
KRV_SHA_TARGET inline void Group(Regs& r) {
  constexpr int cur = G % 4;
  constexpr int ei = G % 2;
  if constexpr (G == 0) {
    r.e[0] = _mm_add_epi32(r.e[0], r.msg[0]);
  } else {
    r.e[ei] = _mm_sha1nexte_epu32(r.e[ei], r.msg[cur]);
  }
  r.e[1 - ei] = r.abcd;
  if constexpr (G >= 3 && G <= 18)
    r.msg[(G + 1) % 4] = _mm_sha1msg2_epu32(r.msg[(G + 1) % 4], r.msg[cur]);
  r.abcd = _mm_sha1rnds4_epu32(r.abcd, r.e[ei], G / 5);
  if constexpr (G >= 1 && G <= 16)
    r.msg[(G + 3) % 4] = _mm_sha1msg1_epu32(r.msg[(G + 3) % 4], r.msg[cur]);
  if constexpr (G >= 2 && G <= 17)
    r.msg[(G + 2) % 4] = _mm_xor_si128(r.msg[(G + 2) % 4], r.msg[cur]);
}

template <int... G>
KRV_SHA_TARGET inline void AllGroups(Regs& r, std::integer_sequence<int, G...>) {
  (Group<G>(r), ...);
}

}  // namespace

KRV_SHA_TARGET void Sha1CompressShaNi(std::uint32_t state[5], const std::uint8_t* blocks,
                                      std::size_t nblocks) {
  // Reverses all 16 bytes: big-endian words, first word in the highest lane.
  const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  Regs r;
  r.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

  for (; nblocks > 0; --nblocks, blocks += 64) {
    const __m128i abcd_save = r.abcd;
    const __m128i e_save = e;
    for (int i = 0; i < 4; ++i)
      r.msg[i] = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), reverse);
    r.e[0] = e;
    AllGroups(r, std::make_integer_sequence<int, 20>{});
    // After group 19, e[0] holds A..D from before its rounds: the source of the final E.
    e = _mm_sha1nexte_epu32(r.e[0], e_save);
    r.abcd = _mm_add_epi32(r.abcd, abcd_save);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(r.abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

}  // namespace krv::detail

#else

namespace krv::detail {
// Never selected on other processors.
void Sha1CompressShaNi(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t nblocks) {
  Sha1CompressPortable(state, blocks, nblocks);
}
}  // namespace krv::detail

#endif
