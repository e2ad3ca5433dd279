// The search's second stage: which states (token, position) lead to a match, computed for all
// of them at once, and the walk that follows the backtracking order through them (see
// internal/grep_program.h).
//
// Positions are counted from the end: t = L - p, so that the pass runs forwards in t. Block j
// holds t = 64j .. 64j + 63, bit i of a word standing for t = 64j + i. Row k of block j has
// bit i set when Match(L - t, k) succeeds. Whatever a state depends on lies at a smaller or
// equal t, at most kLag blocks back, which is what lets a block be computed from the blocks
// before it.
//
// Rows are kept for one segment of kSegment blocks at a time. The pass keeps row 0 of every
// block (where the starts are) and, at the start of each segment, the kLag blocks before it
// and the automaton's state. The walk runs towards smaller t; when it leaves the segment at
// hand it computes the one it enters again from that checkpoint. So the work is at most two
// passes, and memory stays a small fraction of a row per token and position.
#include <algorithm>

#include "stringl/internal/grep_program.h"
#include "stringl/internal/grep_subject.h"

namespace krv::detail {
namespace {

// Memory kept between searches; more is released after a search.
constexpr std::size_t kKeepWords = std::size_t{1} << 20;
// Blocks a row can reach back: literals are at most 255 characters wide.
constexpr std::int64_t kLag = (kGrepMaxLiteral >> 6) + 1;
// Blocks a segment holds.
constexpr std::int64_t kSegment = 256;

// Transposes a 64 x 64 bit matrix: afterwards bit i of a[u] is what bit u of a[i] was.
void Transpose64(std::uint64_t* a) {
  std::uint64_t m = 0x00000000FFFFFFFFULL;
  for (int j = 32; j != 0; j >>= 1, m ^= m << j) {
    for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
      const std::uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
      a[k] ^= t << j;
      a[k | j] ^= t;
    }
  }
}

// Bit 0 of each of the eight bytes of x, as bits 0..7.
std::uint64_t GatherLowBits(std::uint64_t x) {
  return ((x & 0x0101010101010101ULL) * 0x0102040810204080ULL) >> 56;
}

// Turns the unit words of 64 positions into the rows of the first count units. With few units
// only their rows are gathered, eight positions per multiplication.
void UnitRows(std::uint64_t* w, int count) {
  if (count > 8) {
    Transpose64(w);
    return;
  }
  std::uint64_t bytes[8];  // the unit words fit a byte: eight positions a word
  for (int g = 0; g < 8; ++g) {
    std::uint64_t b = 0;
    for (int i = 0; i < 8; ++i) b |= w[8 * g + i] << (8 * i);
    bytes[g] = b;
  }
  for (int u = 0; u < count; ++u) {
    std::uint64_t row = 0;
    for (int g = 0; g < 8; ++g) row |= GatherLowBits(bytes[g] >> u) << (8 * g);
    w[u] = row;
  }
}

template <bool kFold>
class LivePass {
 public:
  LivePass(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s, std::int32_t first)
      : p_(prog),
        sc_(scratch),
        subj_(prog, s),
        L_(static_cast<std::int32_t>(s.size())),
        first_(first),
        n_(prog.count),
        blocks_(((static_cast<std::int64_t>(L_) - first) >> 6) + 1) {}

  ~LivePass() {
    for (auto* v : {&sc_.rows, &sc_.first_row, &sc_.saved}) {
      if (v->capacity() > kKeepWords) *v = {};
    }
    if (sc_.saved_state.capacity() > kKeepWords) sc_.saved_state = {};
  }

  bool Run(std::int32_t last, GrepResult& r) {
    const auto n = static_cast<std::size_t>(n_);
    const std::int64_t segments = (blocks_ + kSegment - 1) / kSegment;
    sc_.rows.assign(static_cast<std::size_t>(std::min(blocks_, kSegment) + kLag) * n, 0);
    sc_.first_row.resize(static_cast<std::size_t>(blocks_));
    sc_.saved.resize(static_cast<std::size_t>(segments * kLag) * n);
    sc_.saved_state.resize(static_cast<std::size_t>(segments));
    for (std::int64_t m = 0; m < segments; ++m) ComputeSegment(m, true);
    const std::int32_t x = FirstLiveStart(last);
    if (x < 0) return false;
    return Walk(x, r);
  }

 private:
  const GrepOp& Op(int k) const { return p_.ops[static_cast<std::size_t>(k)]; }

  // The rows of block j, which must lie in the segment at hand or the kLag blocks before it.
  std::uint64_t* Block(std::int64_t j) {
    return sc_.rows.data() +
           static_cast<std::size_t>(j - seg_first_ + kLag) * static_cast<std::size_t>(n_);
  }

  // Row k of block j; row n (after the last token) is true everywhere, no block before 0.
  std::uint64_t Row(int k, std::int64_t j) const {
    if (j < 0) return 0;
    if (k == n_) return ~std::uint64_t{0};
    return sc_.rows[static_cast<std::size_t>(j - seg_first_ + kLag) * static_cast<std::size_t>(n_) +
                    static_cast<std::size_t>(k)];
  }

  // Computes the blocks of segment m. The first time (record) it notes the checkpoint and row 0
  // of each block; later it starts from the checkpoint.
  void ComputeSegment(std::int64_t m, bool record) {
    const auto lag_words = static_cast<std::size_t>(kLag * n_);
    std::uint64_t* saved = sc_.saved.data() + static_cast<std::size_t>(m) * lag_words;
    const std::int64_t first = m * kSegment;
    const std::int64_t end = std::min(first + kSegment, blocks_);
    if (record) {
      if (m > 0) {  // the previous segment's last blocks come first
        std::copy_n(Block(first - kLag), lag_words, sc_.rows.data());
      }
      std::copy_n(sc_.rows.data(), lag_words, saved);
      sc_.saved_state[static_cast<std::size_t>(m)] = trie_state_;
    } else {
      std::copy_n(saved, lag_words, sc_.rows.data());
      trie_state_ = sc_.saved_state[static_cast<std::size_t>(m)];
    }
    seg_first_ = first;
    seg_end_ = end;
    for (std::int64_t j = first; j < end; ++j) {
      ComputeBlock(j);
      if (record) sc_.first_row[static_cast<std::size_t>(j)] = Block(j)[0];
    }
  }

  // The bits for t - w of a row given block by block by f, for the t of block j.
  template <class F>
  static std::uint64_t Back(const F& f, std::int64_t j, std::int32_t w) {
    const std::int64_t jj = j - (w >> 6);
    const int b = w & 63;
    const std::uint64_t hi = jj >= 0 ? f(jj) : 0;
    if (b == 0) return hi;
    const std::uint64_t lo = jj >= 1 ? f(jj - 1) : 0;
    return (hi << b) | (lo >> (64 - b));
  }

  // The bit of block j for t, if t lies in it.
  static std::uint64_t BitAt(std::int64_t j, std::int64_t t) {
    const std::int64_t i = t - 64 * j;
    return (i >= 0 && i < 64) ? std::uint64_t{1} << i : 0;
  }

  // --- The pass. ---

  void ComputeBlock(std::int64_t j) {
    std::uint64_t units[64];
    UnitWords(j, units);
    UnitRows(units, p_.units.count);  // now units[u] is unit u's row
    std::uint64_t* cur = Block(j);
    const std::uint64_t* prev = j > 0 ? cur - n_ : nullptr;
    Around a{j, 0, ~std::uint64_t{0}, j > 0 ? ~std::uint64_t{0} : 0, 0};  // row n: all true
    for (int k = n_ - 1; k >= 0; --k) {
      const int u = Op(k).unit_id;
      a.unit = u >= 0 ? units[u] : 0;
      a.self_prev = prev != nullptr ? prev[k] : 0;
      cur[k] = TokenRow(k, a);
      a.rest = cur[k];
      a.rest_prev = a.self_prev;
    }
  }

  // For each t of block j, the units that lie at L - t.
  void UnitWords(std::int64_t j, std::uint64_t* w) {
    const GrepUnitTable& u = p_.units;
    const bool literals = !u.literals.Empty();
    for (int i = 0; i < 64; ++i) {
      const std::int64_t t = 64 * j + i;
      if (t == 0 || t > L_ - first_) {
        w[i] = 0;  // no character at L, and nothing before the first start
        continue;
      }
      const Char c = subj_.View()[static_cast<std::size_t>(L_ - t)];
      std::uint64_t m = u.OfChar(c);
      if (literals) {
        trie_state_ = u.literals.Step(trie_state_, c);
        m |= u.literals.Out(trie_state_);
      }
      w[i] = m;
    }
  }

  // What row k of block j is computed from.
  struct Around {
    std::int64_t j;
    std::uint64_t unit;       // the token's unit row
    std::uint64_t rest;       // row k + 1 of block j
    std::uint64_t rest_prev;  // row k + 1 of block j - 1
    std::uint64_t self_prev;  // row k of block j - 1
  };

  // Row k of block j; rows k + 1 .. n - 1 of the block are done.
  std::uint64_t TokenRow(int k, const Around& a) const {
    const GrepOp& op = Op(k);
    switch (op.kind) {
      case taNormal:
        if (op.width == 0) return a.rest;
        return a.unit & RestBack(k, a, op.width);
      case taAnyByte:
      case taSet:
        return a.unit & RestBack(k, a, 1);
      case taBol:
        return a.rest & BitAt(a.j, L_);
      case taEol:
        return a.rest & BitAt(a.j, 0);
      case taOpti:
        return a.rest | (a.unit & RestBack(k, a, op.width));
      case taMult0:
        return Star(k, a, a.self_prev);
      case taMult1: {
        // The loop after the first unit: rows k and k + 1 together in the blocks before.
        const std::uint64_t star_prev = a.self_prev | a.rest_prev;
        const std::uint64_t star = Star(k, a, star_prev);
        const std::int32_t w = op.width;
        if (w < 64) return a.unit & ((star << w) | (star_prev >> (64 - w)));
        const auto stars = [&](std::int64_t jj) { return Row(k, jj) | Row(k + 1, jj); };
        return a.unit & Back(stars, a.j, w);
      }
    }
    return 0;
  }

  // Row k + 1 at t - w, for the t of block j.
  std::uint64_t RestBack(int k, const Around& a, std::int32_t w) const {
    if (w < 64) return (a.rest << w) | (a.rest_prev >> (64 - w));
    return Back([&](std::int64_t jj) { return Row(k + 1, jj); }, a.j, w);
  }

  // The repetition loop of token k for block j: from t the rest passes, or a unit lies at t
  // and the loop passes from t - w. star_prev is the loop's value in block j - 1: row k for
  // taMult0, rows k and k + 1 together for taMult1 (whose own row needs one unit first).
  std::uint64_t Star(int k, const Around& a, std::uint64_t star_prev) const {
    const std::int32_t w = Op(k).width;
    const std::uint64_t seeds = a.rest;
    const std::uint64_t unit = a.unit;
    if (w == 1) {
      // Carries run from t - 1 to t exactly as the loop does: a seed generates one, a unit
      // passes one on. The carry into t is the loop's value at t - 1.
      const std::uint64_t in = star_prev >> 63;
      const std::uint64_t p = unit | seeds;
      const std::uint64_t carries = (p + seeds + in) ^ p ^ seeds;
      return seeds | (unit & carries);
    }
    if (w < 64) {
      // Chains of units w apart, doubled in length at each step.
      std::uint64_t y = seeds | (unit & (star_prev >> (64 - w)));
      std::uint64_t g = unit;
      for (int sh = w; sh < 64; sh <<= 1) {
        y |= g & (y << sh);
        g &= g << sh;
      }
      return y;
    }
    const bool plus = Op(k).kind == taMult1;
    const auto before = [&](std::int64_t jj) {
      return plus ? Row(k, jj) | Row(k + 1, jj) : Row(k, jj);
    };
    return seeds | (unit & Back(before, a.j, w));
  }

  // --- The walk. ---

  // Whether Match(p, k) succeeds, for p from the first start on. Brings in the segment that
  // holds p when the one at hand does not.
  bool Live(int k, std::int32_t p) {
    const std::int64_t t = L_ - p;
    const std::int64_t j = t >> 6;
    if (j < seg_first_ || j >= seg_end_) ComputeSegment(j / kSegment, false);
    return ((Row(k, j) >> (t & 63)) & 1) != 0;
  }

  // The first start from first to last from which the search succeeds, or -1.
  std::int32_t FirstLiveStart(std::int32_t last) const {
    for (std::int64_t p = first_; p <= last;) {
      const std::int64_t t = L_ - p;
      const int b = static_cast<int>(t & 63);
      const std::uint64_t bits =
          sc_.first_row[static_cast<std::size_t>(t >> 6)] & (~std::uint64_t{0} >> (63 - b));
      if (bits != 0) {
        const std::int32_t at =
            L_ - static_cast<std::int32_t>((t & ~std::int64_t{63}) + (63 - __builtin_clzll(bits)));
        return at <= last ? at : -1;
      }
      p += b + 1;
    }
    return -1;
  }

  // From a live start, each choice takes the first option that is live: the path the
  // backtracking search would return.
  bool Walk(std::int32_t x, GrepResult& r) {
    std::int32_t p = x;
    for (int k = 0;; ++k) {
      const GrepOp& op = Op(k);
      r.valid_from[static_cast<std::size_t>(k)] = p + 1;
      if (k == n_ - 1) {
        r.start = x + 1;
        r.end = subj_.LastEnd(op, p);
        return true;
      }
      switch (op.kind) {
        case taNormal:
        case taAnyByte:
        case taSet:
          p += op.width;
          break;
        case taBol:
        case taEol:
          break;
        case taOpti:
          if (!Live(k + 1, p)) p += op.width;
          break;
        case taMult0:
        case taMult1:
          p = FirstLiveRest(k, op.kind == taMult1 ? std::int64_t{p} + op.width : p);
          if (p < 0) return false;
          break;
      }
    }
  }

  // Repetition k's loop from q: the first position it reaches where the rest is live.
  std::int32_t FirstLiveRest(int k, std::int64_t q) {
    const std::int32_t w = Op(k).width;
    while (q <= L_ && !Live(k + 1, static_cast<std::int32_t>(q))) q += w;
    return q <= L_ ? static_cast<std::int32_t>(q) : -1;  // beyond the end only if rows were wrong
  }

  const GrepProgram& p_;
  GrepScratch& sc_;
  GrepSubject<kFold> subj_;
  const std::int32_t L_;
  const std::int32_t first_;
  const int n_;
  const std::int64_t blocks_;
  std::int64_t seg_first_ = 0;  // the blocks of the segment at hand
  std::int64_t seg_end_ = 0;
  std::int32_t trie_state_ = 0;
};

}  // namespace

bool GrepLiveSearch(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
                    std::int32_t first, std::int32_t last, GrepResult& r) {
  if (prog.ignore_case) return LivePass<true>(prog, scratch, s, first).Run(last, r);
  return LivePass<false>(prog, scratch, s, first).Run(last, r);
}

}  // namespace krv::detail
