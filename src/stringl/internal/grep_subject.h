// The subject as both stages of a TGrep search see it: its characters (folded when the search
// ignores case), whether a token's unit lies at a position, and where a final token's match
// ends. Positions are 0-based.
#pragma once

#include <cstdint>
#include <string_view>

#include "korvex/platform/casefold.h"
#include "stringl/internal/grep_program.h"

namespace krv::detail {

template <bool kFold>
class GrepSubject {
 public:
  GrepSubject(const GrepProgram& prog, std::u16string_view s)
      : prog_(prog), s_(s), L_(static_cast<std::int32_t>(s.size())) {}

  std::u16string_view View() const { return s_; }
  std::int32_t Length() const { return L_; }
  Char At(std::int32_t x) const {
    const Char c = s_[static_cast<std::size_t>(x)];
    return kFold ? AsciiLower(c) : c;
  }
  const Char* Literal(const GrepOp& op) const {
    return prog_.literals.data() + static_cast<std::size_t>(op.lit);
  }

  // Whether a unit of op lies at x (0 <= x <= L).
  bool Unit(const GrepOp& op, std::int32_t x) const {
    switch (op.unit) {
      case GrepUnit::kAny:
        return x < L_;
      case GrepUnit::kSet:
        return x < L_ && op.set.Has(s_[static_cast<std::size_t>(x)]);
      case GrepUnit::kString:
        return StringAt(op, x);
      case GrepUnit::kNone:
        break;
    }
    return false;
  }

  // Units of op taken greedily from q: the position after the last one.
  std::int32_t Greedy(const GrepOp& op, std::int32_t q) const {
    if (op.unit == GrepUnit::kAny) return L_;
    if (op.width <= 0) return q;
    while (Unit(op, q)) q += op.width;
    return q;
  }

  // MatchEndPos (1-based) when op, the last token, passed its test at x.
  std::int32_t LastEnd(const GrepOp& op, std::int32_t x) const {
    switch (op.kind) {
      case taNormal:
        return x + op.width;
      case taAnyByte:
      case taSet:
        return x + 1;
      case taEol:
        return L_;
      case taBol:
        return 1;
      case taMult0:
        return Greedy(op, x);
      case taMult1:
        return Greedy(op, x + op.width);
      case taOpti:
        return Unit(op, x) ? x + op.width : x;
    }
    return x;
  }

 private:
  bool StringAt(const GrepOp& op, std::int32_t x) const {
    const std::int32_t w = op.width;
    if (x > L_ - w) return false;
    const Char* lit = Literal(op);
    for (std::int32_t i = 0; i < w; ++i) {
      if (At(x + i) != lit[i]) return false;
    }
    return true;
  }

  const GrepProgram& prog_;
  std::u16string_view s_;
  std::int32_t L_;
};

}  // namespace krv::detail
