// Turns TGrep's token array into the matcher's program, and the fast character search the
// matcher uses to jump to candidate start positions.
#include "stringl/internal/grep_program.h"

#include <algorithm>

#include "korvex/platform/casefold.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace krv::detail {
namespace {

// Rough frequency rank of ASCII characters in ordinary text (higher is more frequent), used to
// pick the character of a literal that a search should look for first. Characters above 127
// count as rare.
int FrequencyRank(Char c) {
  static constexpr char kByFrequency[] =
      " etaoinsrhldcumfpgwybvk.,xjqzETAISONRHLDCMUBPFGWYVKJXQZ0123456789-'\"()/:;!?_=*&[]<>#$%@+";
  if (c >= 128) return 0;
  for (int i = 0; kByFrequency[i] != '\0'; ++i) {
    if (static_cast<Char>(kByFrequency[i]) == c) return 100 - i;
  }
  return 1;
}

void AppendLiteral(const TGrepToken& tok, bool ignore_case, GrepProgram& prog, GrepOp& op) {
  const int n = tok.NumChars;
  op.unit = GrepUnit::kString;
  op.width = n;
  op.lit = static_cast<std::int32_t>(prog.literals.size());
  int best = 1000;
  for (int i = 0; i < n; ++i) {
    const Char c = tok.Params[static_cast<std::size_t>(i + 1)];
    prog.literals.push_back(c);
    // Under folding an upper-case letter in the pattern never matches: avoid searching for it.
    int rank = FrequencyRank(c);
    if (ignore_case && c >= u'A' && c <= u'Z') rank = 999;
    if (rank < best) best = rank, op.rare = i;
  }
  // KMP prefix function of the literal.
  prog.prefix.resize(prog.literals.size());
  const Char* lit = prog.literals.data() + op.lit;
  std::int32_t* pre = prog.prefix.data() + op.lit;
  if (n > 0) pre[0] = 0;
  for (int i = 1, j = 0; i < n; ++i) {
    while (j > 0 && lit[i] != lit[j]) j = pre[j - 1];
    if (lit[i] == lit[j]) ++j;
    pre[i] = j;
  }
}

void SetUnit(const TGrepToken& tok, bool ignore_case, GrepProgram& prog, GrepOp& op) {
  if (tok.NumChars < 0) {
    op.unit = GrepUnit::kSet;
    op.width = 1;
    for (unsigned c = 0; c < 256; ++c) {
      if (tok.Params[c] == u'*') op.set[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
  } else if (tok.NumChars == 0) {
    op.unit = GrepUnit::kAny;
    op.width = 1;
  } else {
    AppendLiteral(tok, ignore_case, prog, op);
  }
}

}  // namespace

void BuildGrepProgram(const TRegExp& tokens, int count, bool ignore_case, GrepProgram& prog) {
  prog = GrepProgram{};
  prog.count = count;
  prog.ignore_case = ignore_case;
  int longest = 0;
  for (int k = 0; k < count; ++k) {
    const TGrepToken& tok = tokens[k + 1];
    GrepOp& op = prog.ops[static_cast<std::size_t>(k)];
    op.kind = tok.Action;
    switch (tok.Action) {
      case taNormal: {
        TGrepToken lit = tok;
        lit.NumChars = std::max<Integer>(tok.NumChars, 0);
        AppendLiteral(lit, ignore_case, prog, op);
        if (k > 0 && op.width > longest) longest = op.width, prog.required = k;
        break;
      }
      case taAnyByte:
        op.unit = GrepUnit::kAny;
        op.width = 1;
        break;
      case taSet: {
        TGrepToken set = tok;
        set.NumChars = -1;
        SetUnit(set, ignore_case, prog, op);
        break;
      }
      case taMult0:
      case taMult1:
      case taOpti:
        SetUnit(tok, ignore_case, prog, op);
        break;
      case taBol:
      case taEol:
        op.unit = GrepUnit::kNone;
        op.width = 0;
        break;
    }
  }
}

std::size_t GrepFindChar(std::u16string_view s, std::size_t from, Char c, bool fold) {
  const Char* p = s.data();
  const std::size_t n = s.size();
  // Under folding a lower-case letter also matches its capital, which differs from it only in
  // the bit c ^ AsciiUpper(c) (0 for any other c): compare c against (x | that bit).
  const Char mask = fold ? static_cast<Char>(c ^ AsciiUpper(c)) : Char{0};
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
  const __m128i orv = _mm_set1_epi16(static_cast<short>(mask));
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), orv);
    const __m128i b =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8)), orv);
    const int ma = _mm_movemask_epi8(_mm_cmpeq_epi16(a, needle));
    const int mb = _mm_movemask_epi8(_mm_cmpeq_epi16(b, needle));
    if ((ma | mb) != 0) {
      if (ma != 0)
        return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(ma)) >> 1);
      return i + 8 + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mb)) >> 1);
    }
  }
#endif
  for (; i < n; ++i) {
    if (static_cast<Char>(p[i] | mask) == c) return i;
  }
  return std::u16string_view::npos;
}

}  // namespace krv::detail
