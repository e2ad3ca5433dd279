// The search: backtracking over the program with a memory of failed states (see
// internal/grep_program.h for the argument that bounds its cost).
#include <algorithm>

#include "korvex/platform/casefold.h"
#include "stringl/internal/grep_program.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace krv::detail {
namespace {

// Literals up to this length are compared directly at every test.
constexpr int kShortLiteral = 16;
// Memory kept between searches; more is released after a search.
constexpr std::size_t kKeepWords = std::size_t{1} << 20;

template <bool kFold>
class Searcher {
 public:
  Searcher(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
           std::int32_t start0)
      : p_(prog),
        sc_(scratch),
        s_(s),
        L_(static_cast<std::int32_t>(s.size())),
        S0_(start0),
        n_(prog.count),
        stride_((static_cast<std::size_t>(L_) + 64) / 64),
        budget_(4 * (static_cast<std::int64_t>(L_) - start0 + 1) + 1024) {}

  ~Searcher() {
    if (memo_ready_) {
      for (std::uint32_t w : sc_.memo_touched) sc_.memo[w] = 0;
      sc_.memo_touched.clear();
      if (sc_.memo.size() > kKeepWords) {
        sc_.memo = {};
        sc_.memo_touched = {};
      }
    }
    for (int k = 0; occ_built_ != 0 && k < n_; ++k) {
      auto& occ = sc_.occurs[static_cast<std::size_t>(k)];
      if (occ.size() > kKeepWords / 16) occ = {};
    }
  }

  bool Run(GrepResult& r) {
    if (!RequiredLiteralMayOccur()) return false;
    if (p_.ops[0].kind == taBol) return Try(S0_, r);
    // Starts are tried from S0 up to the last character (or at S0 alone when it lies past it).
    const std::int32_t last = std::max(S0_, L_ - 1);
    const bool row0_is_match = Op(0).kind != taMult1;
    for (std::int32_t x = S0_; x <= last; ++x) {
      x = NextCandidate(x);
      if (x < 0 || x > last) break;
      if (row0_is_match && Failed(0, x)) {
        x = NextUnmarked(0, x) - 1;  // a start known to fail: jump past the known failures
        continue;
      }
      if (Try(x, r)) return true;
    }
    return false;
  }

 private:
  const GrepOp& Op(int k) const { return p_.ops[static_cast<std::size_t>(k)]; }
  Char At(std::int32_t x) const {
    const Char c = s_[static_cast<std::size_t>(x)];
    return kFold ? AsciiLower(c) : c;
  }
  const Char* Lit(const GrepOp& op) const {
    return p_.literals.data() + static_cast<std::size_t>(op.lit);
  }

  bool InSet(const GrepOp& op, Char c) const {
    return c < 256 && ((op.set[c >> 6] >> (c & 63)) & 1) != 0;
  }

  bool Unit(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    switch (op.unit) {
      case GrepUnit::kAny:
        return x < L_;
      case GrepUnit::kSet:
        return x < L_ && InSet(op, At(x));
      case GrepUnit::kString:
        return StringUnit(k, x);
      case GrepUnit::kNone:
        break;
    }
    return false;
  }

  bool StringUnit(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    const std::int32_t w = op.width;
    if (x > L_ - w) return false;
    const Char* lit = Lit(op);
    if (w <= kShortLiteral) {
      for (std::int32_t i = 0; i < w; ++i) {
        if (At(x + i) != lit[i]) return false;
      }
      return true;
    }
    const std::uint64_t bit = std::uint64_t{1} << k;
    if (occ_built_ & bit) {
      const auto& occ = sc_.occurs[static_cast<std::size_t>(k)];
      return ((occ[static_cast<std::size_t>(x) >> 6] >> (x & 63)) & 1) != 0;
    }
    std::int32_t i = 0;
    while (i < w && At(x + i) == lit[i]) ++i;
    auto& work = work_[static_cast<std::size_t>(k)];
    if (!(work_used_ & bit)) work = 0, work_used_ |= bit;
    work += i + 1;
    if (work > budget_) BuildOccurrences(k);
    return i == w;
  }

  // Marks every position from S0 where literal k occurs (Knuth-Morris-Pratt).
  void BuildOccurrences(int k) {
    const GrepOp& op = Op(k);
    auto& occ = sc_.occurs[static_cast<std::size_t>(k)];
    occ.assign(stride_, 0);
    const Char* lit = Lit(op);
    const std::int32_t* pre = p_.prefix.data() + op.lit;
    const std::int32_t w = op.width;
    std::int32_t j = 0;
    for (std::int32_t i = S0_; i < L_; ++i) {
      const Char c = At(i);
      while (j > 0 && c != lit[j]) j = pre[j - 1];
      if (c == lit[j]) ++j;
      if (j == w) {
        const std::int32_t at = i - w + 1;
        occ[static_cast<std::size_t>(at) >> 6] |= std::uint64_t{1} << (at & 63);
        j = pre[j - 1];
      }
    }
    occ_built_ |= std::uint64_t{1} << k;
  }

  std::size_t MemoBit(int k, std::int32_t x) const {
    return static_cast<std::size_t>(k) * stride_ * 64 + static_cast<std::size_t>(x);
  }
  bool Failed(int k, std::int32_t x) const {
    if (!memo_ready_) return false;
    const std::size_t b = MemoBit(k, x);
    return ((sc_.memo[b >> 6] >> (b & 63)) & 1) != 0;
  }
  void EnsureMemo() {
    if (memo_ready_) return;
    const std::size_t need = static_cast<std::size_t>(n_) * stride_;
    if (sc_.memo.size() < need) sc_.memo.resize(need, 0);
    memo_ready_ = true;
  }
  void SetFailed(int k, std::int32_t x) {
    EnsureMemo();
    const std::size_t b = MemoBit(k, x);
    std::uint64_t& word = sc_.memo[b >> 6];
    if (word == 0) sc_.memo_touched.push_back(static_cast<std::uint32_t>(b >> 6));
    word |= std::uint64_t{1} << (b & 63);
  }
  // Marks positions a..b (a <= b) of row k as failed.
  void MarkRange(int k, std::int32_t a, std::int32_t b) {
    const std::size_t first = MemoBit(k, a);
    const std::size_t last = MemoBit(k, b);
    for (std::size_t w = first >> 6; w <= last >> 6; ++w) {
      std::uint64_t bits = ~std::uint64_t{0};
      if (w == first >> 6) bits &= ~std::uint64_t{0} << (first & 63);
      if (w == last >> 6) bits &= ~std::uint64_t{0} >> (63 - (last & 63));
      std::uint64_t& word = sc_.memo[w];
      if (word == 0) sc_.memo_touched.push_back(static_cast<std::uint32_t>(w));
      word |= bits;
    }
  }
  // The 64 bits of row k for the positions base..base+63 (base a multiple of 64).
  std::uint64_t MemoWord(int k, std::int32_t base) const { return sc_.memo[MemoBit(k, base) >> 6]; }
  // First position from x on not marked in row k (at most the row's end).
  std::int32_t NextUnmarked(int k, std::int32_t x) const {
    if (!memo_ready_) return x;
    const std::int32_t end = static_cast<std::int32_t>(stride_ * 64);
    while (x < end) {
      const std::uint64_t free = ~MemoWord(k, x & ~63) >> (x & 63);
      if (free != 0) return x + static_cast<std::int32_t>(__builtin_ctzll(free));
      x = (x | 63) + 1;
    }
    return end;
  }

  // --- Repetitions of one-character units, 64 positions at a time. ---

  static bool ScansBlocks(const GrepOp& op) {
    return op.unit == GrepUnit::kAny || op.unit == GrepUnit::kSet ||
           (op.unit == GrepUnit::kString && op.width == 1);
  }

  // Bits for the positions base..base+63 that lie before the end of the subject.
  std::uint64_t InSubject(std::int32_t base) const {
    const std::int32_t n = L_ - base;
    if (n <= 0) return 0;
    return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
  }

  // Bits for the positions base..base+63 holding c (ASCII letters folded when folding).
  std::uint64_t EqualMask(Char c, std::int32_t base) const {
    // Under folding c is lower case; a letter differs from its capital only in this bit.
    const Char fold = kFold ? static_cast<Char>(c ^ AsciiUpper(c)) : Char{0};
    const Char* p = s_.data() + base;
    const std::int32_t n = std::min<std::int32_t>(64, L_ - base);
    std::uint64_t m = 0;
#if defined(__SSE2__)
    if (n == 64) {
      const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
      const __m128i orv = _mm_set1_epi16(static_cast<short>(fold));
      for (int j = 0; j < 4; ++j) {
        const auto* q = reinterpret_cast<const __m128i*>(p + 16 * j);
        const __m128i a = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(q), orv), needle);
        const __m128i b = _mm_cmpeq_epi16(_mm_or_si128(_mm_loadu_si128(q + 1), orv), needle);
        const auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
        m |= static_cast<std::uint64_t>(bits & 0xFFFF) << (16 * j);
      }
      return m;
    }
#endif
    for (std::int32_t i = 0; i < n; ++i) {
      if (static_cast<Char>(p[i] | fold) == c) m |= std::uint64_t{1} << i;
    }
    return m;
  }

  std::uint64_t SetMask(const GrepOp& op, std::int32_t base) const {
    const std::int32_t n = std::min<std::int32_t>(64, L_ - base);
    std::uint64_t m = 0;
    for (std::int32_t i = 0; i < n; ++i) {
      if (InSet(op, At(base + i))) m |= std::uint64_t{1} << i;
    }
    return m;
  }

  // Bits for the positions where a unit of op could begin: exact for one-character units,
  // the first character for longer literals.
  std::uint64_t UnitStartMask(const GrepOp& op, std::int32_t base) const {
    switch (op.unit) {
      case GrepUnit::kAny:
        return InSubject(base);
      case GrepUnit::kSet:
        return SetMask(op, base);
      case GrepUnit::kString:
        return op.width == 0 ? ~std::uint64_t{0} : EqualMask(Lit(op)[0], base);
      case GrepUnit::kNone:
        break;
    }
    return 0;
  }

  // Bits for the positions where token c could pass its test.
  std::uint64_t MayPassMask(int c, std::int32_t base) const {
    const GrepOp& op = Op(c);
    switch (op.kind) {
      case taMult0:
      case taOpti:
        return ~std::uint64_t{0};
      case taBol:
        return base == 0 ? 1 : 0;
      case taEol:
        return (L_ >= base && L_ - base < 64) ? std::uint64_t{1} << (L_ - base) : 0;
      default:
        return UnitStartMask(op, base);
    }
  }

  // The loop of repetition k (a one-character unit) from q: the rest is tried at q; if it
  // fails and a unit lies at q, at q + 1, and so on. Returns the next position where the rest
  // may succeed, or -1 when the loop fails. Every position passed is marked failed in row k;
  // reaching a marked position ends the loop, so no position is passed twice.
  std::int32_t StarScan(int k, std::int32_t q) {
    EnsureMemo();
    const auto ks = static_cast<std::size_t>(k);
    const GrepOp& op = Op(k);
    const bool rest_memo = Op(k + 1).kind != taMult1;  // row k+1 records Match(., k+1)
    std::int32_t base = q & ~63;
    for (;;) {
      if (!(block_valid_ & (std::uint64_t{1} << k)) || block_[ks] != base) {
        block_[ks] = base;
        unit_mask_[ks] = UnitStartMask(op, base);
        pass_mask_[ks] = MayPassMask(k + 1, base);
        block_valid_ |= std::uint64_t{1} << k;
      }
      const std::uint64_t marked = MemoWord(k, base);
      std::uint64_t rest = pass_mask_[ks];
      if (rest_memo) rest &= ~MemoWord(k + 1, base);
      const std::uint64_t events =
          (marked | rest | ~unit_mask_[ks]) & (~std::uint64_t{0} << (q - base));
      if (events == 0) {
        MarkRange(k, q, base + 63);
        base += 64;
        q = base;
        continue;
      }
      const int i = __builtin_ctzll(events);
      const std::int32_t p = base + i;
      const std::uint64_t bit = std::uint64_t{1} << i;
      if (marked & bit) {
        if (p > q) MarkRange(k, q, p - 1);
        return -1;
      }
      MarkRange(k, q, p);
      return (rest & bit) ? p : -1;
    }
  }

  // End of a final repetition: it takes units greedily from q. Gives the 1-based last
  // position, which is the 0-based position after the last unit taken.
  std::int32_t Greedy(int k, std::int32_t q) {
    const std::int32_t w = Op(k).width;
    if (w <= 0) return q;
    while (Unit(k, q)) q += w;
    return q;
  }

  // Smallest position from x on where the first token can pass its test, or -1.
  std::int32_t NextCandidate(std::int32_t x) {
    const GrepOp& op = Op(0);
    if (op.kind == taMult0 || op.kind == taOpti) return x;
    switch (op.unit) {
      case GrepUnit::kAny:
        return x < L_ ? x : -1;
      case GrepUnit::kSet:
        for (; x < L_; ++x) {
          if (InSet(op, At(x))) return x;
        }
        return -1;
      case GrepUnit::kString:
        return NextLiteral(0, x);
      case GrepUnit::kNone:
        break;
    }
    return x;
  }

  // Smallest position from x on where literal k occurs, or -1.
  std::int32_t NextLiteral(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    const std::int32_t w = op.width;
    if (w == 0) return x <= L_ ? x : -1;
    const Char key = Lit(op)[op.rare];
    while (x <= L_ - w) {
      if (occ_built_ & (std::uint64_t{1} << k)) {
        const auto& occ = sc_.occurs[static_cast<std::size_t>(k)];
        for (; x <= L_ - w; ++x) {
          const std::uint64_t word = occ[static_cast<std::size_t>(x) >> 6] >> (x & 63);
          if (word == 0) {
            x |= 63;  // nothing more in this word
            continue;
          }
          return x + static_cast<std::int32_t>(__builtin_ctzll(word));
        }
        return -1;
      }
      const std::size_t at = GrepFindChar(s_, static_cast<std::size_t>(x + op.rare), key, kFold);
      if (at == std::u16string_view::npos) return -1;
      x = static_cast<std::int32_t>(at) - op.rare;
      if (x > L_ - w) return -1;
      if (StringUnit(k, x)) return x;
      ++x;
    }
    return -1;
  }

  // False when the subject certainly lacks a literal that every match contains.
  bool RequiredLiteralMayOccur() {
    if (p_.required < 0) return true;
    return NextLiteral(p_.required, S0_) >= 0;
  }

  // Match(x0, first token), as the recursive definition would give it.
  bool Try(std::int32_t x0, GrepResult& r) {
    enum Mode { kEnter, kStar, kFail };
    Mode mode = kEnter;
    int k = 0;
    std::int32_t x = x0;
    std::int32_t q = 0;
    std::int32_t end = 0;
    for (;;) {
      if (mode == kEnter) {
        const GrepOp& op = Op(k);
        const bool last = k == n_ - 1;
        switch (op.kind) {
          case taNormal:
          case taAnyByte:
          case taSet:
            if (Failed(k, x) || !Unit(k, x)) {
              mode = kFail;
              continue;
            }
            pos_[static_cast<std::size_t>(k)] = x;
            if (last) {
              end = x + op.width;
              break;
            }
            fx_[static_cast<std::size_t>(k)] = x;
            x += op.width;
            ++k;
            continue;
          case taBol:
          case taEol:
            if (x != (op.kind == taBol ? 0 : L_)) {
              mode = kFail;
              continue;
            }
            pos_[static_cast<std::size_t>(k)] = x;
            if (last) {
              end = op.kind == taBol ? 1 : L_;
              break;
            }
            fx_[static_cast<std::size_t>(k)] = x;
            ++k;
            continue;
          case taMult0:
          case taMult1:
            if (op.kind == taMult1 && !Unit(k, x)) {
              mode = kFail;
              continue;
            }
            pos_[static_cast<std::size_t>(k)] = x;
            q = op.kind == taMult1 ? x + op.width : x;
            if (last) {
              end = Greedy(k, q);
              break;
            }
            fx_[static_cast<std::size_t>(k)] = x;
            mode = kStar;
            continue;
          case taOpti:
            if (Failed(k, x)) {
              mode = kFail;
              continue;
            }
            pos_[static_cast<std::size_t>(k)] = x;
            if (last) {
              end = Unit(k, x) ? x + op.width : x;
              break;
            }
            fx_[static_cast<std::size_t>(k)] = x;
            stage_[static_cast<std::size_t>(k)] = 0;
            ++k;
            continue;
        }
        // Reached only through a break above: the last token passed.
        r.start = pos_[0] + 1;
        r.end = end;
        for (int i = 0; i < n_; ++i) {
          r.valid_from[static_cast<std::size_t>(i)] = pos_[static_cast<std::size_t>(i)] + 1;
        }
        return true;
      }
      if (mode == kStar) {
        if (ScansBlocks(Op(k))) {
          const std::int32_t p = StarScan(k, q);
          if (p < 0) {
            mode = kFail;
            continue;
          }
          fq_[static_cast<std::size_t>(k)] = p;
          x = p;
          ++k;
          mode = kEnter;
          continue;
        }
        // Repetition k with q units taken so far: try the rest from q. A failed mark is set
        // at once; should the rest succeed, the search ends and the mark is never read.
        if (Failed(k, q)) {
          mode = kFail;
          continue;
        }
        SetFailed(k, q);
        fq_[static_cast<std::size_t>(k)] = q;
        x = q;
        ++k;
        mode = kEnter;
        continue;
      }
      // kFail: the state at level k failed; its parent tries its next choice.
      if (k == 0) return false;
      --k;
      const GrepOp& op = Op(k);
      const auto ks = static_cast<std::size_t>(k);
      switch (op.kind) {
        case taMult0:
        case taMult1:
          q = fq_[ks];
          if (op.width > 0 && Unit(k, q)) {
            q += op.width;
            mode = kStar;
          }
          continue;
        case taOpti:
          if (stage_[ks] == 0 && Unit(k, fx_[ks])) {
            stage_[ks] = 1;
            x = fx_[ks] + op.width;
            ++k;
            mode = kEnter;
            continue;
          }
          SetFailed(k, fx_[ks]);
          continue;
        default:
          SetFailed(k, fx_[ks]);
          continue;
      }
    }
  }

  const GrepProgram& p_;
  GrepScratch& sc_;
  std::u16string_view s_;
  const std::int32_t L_;
  const std::int32_t S0_;
  const int n_;
  const std::size_t stride_;
  const std::int64_t budget_;
  bool memo_ready_ = false;
  std::uint64_t occ_built_ = 0;
  std::uint64_t work_used_ = 0;  // tokens whose work_ entry is in use
  std::array<std::int64_t, kGrepMaxTokens> work_;
  std::array<std::int32_t, kGrepMaxTokens> pos_;
  std::array<std::int32_t, kGrepMaxTokens> fx_;
  std::array<std::int32_t, kGrepMaxTokens> fq_;
  std::array<std::uint8_t, kGrepMaxTokens> stage_;
  // StarScan's masks for one block of 64 positions, per token.
  std::uint64_t block_valid_ = 0;
  std::array<std::int32_t, kGrepMaxTokens> block_;
  std::array<std::uint64_t, kGrepMaxTokens> unit_mask_;
  std::array<std::uint64_t, kGrepMaxTokens> pass_mask_;
};

}  // namespace

bool GrepSearch(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
                std::int32_t start, GrepResult& r) {
  if (prog.count < 1 || start < 1 || static_cast<std::int64_t>(s.size()) >= kGrepMaxSubject ||
      static_cast<std::size_t>(start) > s.size() + 1) {
    return false;
  }
  if (prog.ignore_case) return Searcher<true>(prog, scratch, s, start - 1).Run(r);
  return Searcher<false>(prog, scratch, s, start - 1).Run(r);
}

}  // namespace krv::detail
