// The search's first stage: quick checks, candidate starts and backtracking on a budget (see
// internal/grep_program.h for how the two stages bound the cost).
#include <algorithm>
#include <atomic>

#include "stringl/internal/grep_program.h"
#include "stringl/internal/grep_subject.h"

namespace krv::detail {
namespace {

// The backtracking stage may spend this many units of work per subject position from the
// search start, and this many in any case. A unit is a token test (one more per eight
// characters of a literal) or 16 characters scanned.
constexpr std::int64_t kBudgetPerChar = 1;
constexpr std::int64_t kBudgetBase = 256;
constexpr std::int64_t kSmallBudget = 6;

std::atomic<GrepEngine> g_engine{GrepEngine::kAuto};

template <bool kFold>
class Searcher {
 public:
  Searcher(const GrepProgram& prog, GrepScratch& scratch, std::u16string_view s,
           std::int32_t start0)
      : p_(prog),
        sc_(scratch),
        subj_(prog, s),
        L_(static_cast<std::int32_t>(s.size())),
        S0_(start0),
        n_(prog.count) {
    switch (g_engine.load(std::memory_order_relaxed)) {
      case GrepEngine::kAuto:
        budget_ = kBudgetPerChar * (static_cast<std::int64_t>(L_) - start0 + 1) + kBudgetBase;
        break;
      case GrepEngine::kSmallBudget:
        budget_ = kSmallBudget;
        break;
      case GrepEngine::kLivenessOnly:
        budget_ = 0;
        break;
    }
  }

  bool Run(GrepResult& r) {
    if (!MayMatch()) return false;
    const bool anchored = Op(0).kind == taBol;
    // Starts are tried from S0 up to the last character (or at S0 alone when it lies past it).
    const std::int32_t last = anchored ? S0_ : std::max(S0_, L_ - 1);
    for (std::int32_t x = S0_; x <= last; ++x) {
      x = NextPass(0, x);
      if (x < 0 || x > last || L_ - x < p_.min_length) return false;
      switch (Try(x, r)) {
        case Outcome::kMatch:
          return true;
        case Outcome::kFail:
          x = FailedRunEnd(x);
          break;
        case Outcome::kOutOfBudget:
          return GrepLiveSearch(p_, sc_, subj_.View(), x, last, r);
      }
    }
    return false;
  }

 private:
  enum class Outcome { kMatch, kFail, kOutOfBudget };

  const GrepOp& Op(int k) const { return p_.ops[static_cast<std::size_t>(k)]; }

  // A unit test costs one, and one more per eight literal characters.
  bool Unit(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    budget_ -= 1 + op.width / 8;
    return subj_.Unit(op, x);
  }

  // Charges a scan that went from a to b.
  void ChargeScan(std::int64_t a, std::int64_t b) {
    budget_ -= 1 + std::max<std::int64_t>(b - a, 0) / 16;
  }

  // The last start known to fail once the start x has failed. When the first token repeats a
  // one-character unit, a start one unit further on only has fewer choices: if the loop
  // failed from x with a unit at x, it fails from x + 1 too, and so on along the run of units,
  // up to and including the first position after the run.
  std::int32_t FailedRunEnd(std::int32_t x) {
    const GrepOp& op = Op(0);
    if ((op.kind != taMult0 && op.kind != taMult1) || op.width != 1) return x;
    std::int32_t y = x;
    if (op.unit == GrepUnit::kAny) {
      y = L_;
    } else {
      while (y < L_ && subj_.Unit(op, y)) ++y;
    }
    ChargeScan(x, y);
    return y;
  }

  // --- Quick checks. ---

  // False when the subject certainly holds no match from S0 on.
  bool MayMatch() {
    if (Op(0).kind == taBol && S0_ != 0) return false;
    if (L_ - S0_ < p_.min_length) return false;
    if (p_.suffix_first >= 0 && !SuffixEndsSubject()) return false;
    if (Op(0).kind == taBol || p_.required < 0) return true;
    // The literal every match contains must occur; the search gives up on this check (and
    // assumes it may occur) once it has cost half the budget.
    const std::int64_t allowance = budget_ / 2;
    const std::int64_t rest = budget_ - allowance;
    budget_ = allowance;
    const bool may = NextLiteral(p_.required, S0_) >= 0 || budget_ < 0;
    budget_ = rest + std::max<std::int64_t>(budget_, 0);
    return may;
  }

  // With a final $: the fixed-width tokens before it lie at the end of the subject.
  bool SuffixEndsSubject() {
    std::int32_t x = L_ - p_.suffix_width;
    if (x < S0_) return false;
    for (int k = p_.suffix_first; k < n_ - 1; ++k) {
      if (!subj_.Unit(Op(k), x)) return false;
      x += Op(k).width;
    }
    return true;
  }

  // --- Where a token can pass its test. ---

  // Smallest position from x on (at most L) where token k may pass its test, or -1. Exact for
  // every kind but literals of two or more characters, where it only finds the rarest one.
  std::int32_t NextPass(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    switch (op.kind) {
      case taMult0:
      case taOpti:
        return x;
      case taBol:
        return x == 0 ? 0 : -1;
      case taEol:
        return x <= L_ ? L_ : -1;
      default:
        break;
    }
    switch (op.unit) {
      case GrepUnit::kAny:
        return x < L_ ? x : -1;
      case GrepUnit::kSet: {
        const std::size_t at = GrepFindInSet(subj_.View(), static_cast<std::size_t>(x), op.set);
        return Found(x, at, 0);
      }
      case GrepUnit::kString: {
        if (op.width == 0) return x <= L_ ? x : -1;
        const Char key = subj_.Literal(op)[op.rare];
        const std::size_t at = GrepFindChar(
            subj_.View(), static_cast<std::size_t>(x) + static_cast<std::size_t>(op.rare), key,
            kFold);
        return Found(x, at, op.rare);
      }
      case GrepUnit::kNone:
        break;
    }
    return x;
  }

  // The start of a unit whose character at offset `offset` a scan from x found at `at`.
  std::int32_t Found(std::int32_t x, std::size_t at, std::int32_t offset) {
    if (at == std::u16string_view::npos) {
      ChargeScan(x, L_);
      return -1;
    }
    ChargeScan(x, static_cast<std::int64_t>(at));
    return static_cast<std::int32_t>(at) - offset;
  }

  // Smallest position from x on where literal token k occurs, or -1.
  std::int32_t NextLiteral(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    while (budget_ >= 0) {
      x = NextPass(k, x);
      if (x < 0 || x > L_ - op.width) return -1;
      if (Unit(k, x)) return x;
      ++x;
    }
    return -1;
  }

  // --- Backtracking. ---

  // Match(x0, first token), as the recursive definition gives it, unless the budget runs out.
  Outcome Try(std::int32_t x0, GrepResult& r) {
    int k = 0;
    std::int32_t x = x0;
    for (;;) {
      if (--budget_ < 0) return Outcome::kOutOfBudget;
      if (Enter(k, x)) {
        if (k == n_ - 1) {
          Finish(r);
          return Outcome::kMatch;
        }
        x = rest_[static_cast<std::size_t>(k)];
        ++k;
        continue;
      }
      // Token k failed at x: back to the nearest token before it with another choice.
      do {
        if (k == 0) return Outcome::kFail;
        --k;
      } while (!NextChoice(k));
      if (budget_ < 0) return Outcome::kOutOfBudget;
      x = rest_[static_cast<std::size_t>(k)];
      ++k;
    }
  }

  // Token k's test at x. When it passes, records x and where the rest is tried first.
  bool Enter(int k, std::int32_t x) {
    const GrepOp& op = Op(k);
    const auto ks = static_cast<std::size_t>(k);
    std::int32_t rest = x;
    switch (op.kind) {
      case taNormal:
      case taAnyByte:
      case taSet:
      case taMult1:
        if (!Unit(k, x)) return false;
        rest = x + op.width;
        break;
      case taBol:
        if (x != 0) return false;
        break;
      case taEol:
        if (x != L_) return false;
        break;
      case taOpti:
        option_taken_[ks] = false;
        break;
      case taMult0:
        break;
    }
    if ((op.kind == taMult0 || op.kind == taMult1) && k + 1 < n_) {
      rest = SkipToRest(k, rest);
      if (rest < 0) return false;  // no repetition count lets the rest pass
    }
    pos_[ks] = x;
    rest_[ks] = rest;
    return true;
  }

  // The rest after token k failed from where it was tried: token k's next choice. False when
  // it has none left.
  bool NextChoice(int k) {
    const GrepOp& op = Op(k);
    const auto ks = static_cast<std::size_t>(k);
    switch (op.kind) {
      case taMult0:
      case taMult1: {
        // One more unit, and the rest after it.
        const std::int32_t q = rest_[ks];
        if (!Unit(k, q)) return false;
        rest_[ks] = SkipToRest(k, q + op.width);
        return rest_[ks] >= 0;
      }
      case taOpti:
        // The rest after the optional unit.
        if (option_taken_[ks] || !Unit(k, pos_[ks])) return false;
        option_taken_[ks] = true;
        rest_[ks] = pos_[ks] + op.width;
        return true;
      default:
        return false;
    }
  }

  // A repetition of any character takes every character up to where the rest may pass, so
  // its loop can jump there at once (the rest fails everywhere in between). Other units are
  // tried one at a time.
  std::int32_t SkipToRest(int k, std::int32_t q) {
    if (Op(k).unit != GrepUnit::kAny) return q;
    return NextPass(k + 1, q);
  }

  void Finish(GrepResult& r) const {
    const int last = n_ - 1;
    r.start = pos_[0] + 1;
    r.end = subj_.LastEnd(Op(last), pos_[static_cast<std::size_t>(last)]);
    for (int i = 0; i < n_; ++i) {
      r.valid_from[static_cast<std::size_t>(i)] = pos_[static_cast<std::size_t>(i)] + 1;
    }
  }

  const GrepProgram& p_;
  GrepScratch& sc_;
  GrepSubject<kFold> subj_;
  const std::int32_t L_;
  const std::int32_t S0_;
  const int n_;
  std::int64_t budget_ = 0;
  std::array<std::int32_t, kGrepMaxTokens> pos_;   // where each token passed its test
  std::array<std::int32_t, kGrepMaxTokens> rest_;  // where the rest after it is being tried
  std::array<bool, kGrepMaxTokens> option_taken_;  // an option's unit is being tried
};

}  // namespace

void SetGrepEngine(GrepEngine engine) {
  g_engine.store(engine, std::memory_order_relaxed);
}

GrepEngine GetGrepEngine() {
  return g_engine.load(std::memory_order_relaxed);
}

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
