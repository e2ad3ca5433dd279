// The pattern compiler: \#hh escapes, optional folding, then a state machine that reads the
// pattern character by character into the token array.
#include <algorithm>
#include <memory>
#include <vector>

#include "korvex/platform/casefold.h"
#include "stringl/internal/grep_compile.h"

namespace krv::detail {
namespace {

constexpr Char kMember = u'*';
constexpr Char kNonMember = u' ';

int HexDigit(Char c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads two characters as a hexadecimal number: leading blanks skipped, then an optional $,
// then digits up to the first other character; no digit gives 0.
Char HexPair(Char a, Char b) {
  const Char in[2] = {a, b};
  int k = 0;
  while (k < 2 && in[k] == u' ') ++k;
  if (k < 2 && in[k] == u'$') ++k;
  int value = 0;
  for (; k < 2; ++k) {
    const int d = HexDigit(in[k]);
    if (d < 0) break;
    value = value * 16 + d;
  }
  return static_cast<Char>(value);
}

enum class State { kStart, kAfterAtom, kAfterSet, kAfterGroup, kSetStart, kInSet, kInGroup, kEnd };

class Compiler {
 public:
  Compiler(TRegExp& tokens, Integer& count) : t_(tokens), count_(count) {}

  int Run(std::u16string_view p) {
    t_.items.fill(TGrepToken{});
    count_ = 0;
    remembered_ = u'A';
    std::size_t i = 0;
    while (i < p.size()) {
      const Char ch = p[i];
      // \c takes c literally; a back slash with nothing after it stands for itself.
      bool escaped = false;
      Char c = ch;
      std::size_t next = i + 1;
      if (ch == u'\\') {
        escaped = true;
        if (i + 1 < p.size()) {
          c = p[i + 1];
          next = i + 2;
        } else {
          lone_escape_ = true;
        }
      }
      at_ = i;
      int err = 0;
      switch (state_) {
        case State::kStart:
        case State::kAfterAtom:
        case State::kAfterSet:
        case State::kAfterGroup:
          err = Outside(escaped, c);
          break;
        case State::kSetStart:
        case State::kInSet:
          err = InSet(escaped, c, p, next);
          break;
        case State::kInGroup:
          if (!escaped && c == u')') {
            state_ = State::kAfterGroup;
          } else if (!escaped && c == u'^') {
            err = kGrepCircumflex;
          } else {
            err = Append(c);
          }
          break;
        case State::kEnd:
          err = kGrepAfterEol;
          break;
      }
      if (err != 0) return err;
      i = next;
    }
    return kGrepNoError;
  }

  // After a successful Run: what is left open at the end, and where (0-based, in p).
  TGrepLooseEnd LooseEnd(std::size_t& at) const {
    at = opened_at_;
    if (state_ == State::kSetStart || state_ == State::kInSet) return TGrepLooseEnd::OpenSet;
    if (state_ == State::kInGroup) return TGrepLooseEnd::OpenGroup;
    if (lone_escape_) at = at_;
    return lone_escape_ ? TGrepLooseEnd::LoneBackslash : TGrepLooseEnd::None;
  }

 private:
  TGrepToken& Cur() { return t_[count_]; }

  int NewToken(TGrepTokenAct kind) {
    if (count_ >= kGrepMaxTokens) return kGrepTooManyTokens;
    ++count_;
    Cur() = TGrepToken{};
    Cur().Action = kind;
    return 0;
  }

  int Append(Char c) {
    TGrepToken& tok = Cur();
    if (tok.NumChars >= kGrepMaxLiteral) return kGrepLiteralTooLong;
    ++tok.NumChars;
    tok.Params[static_cast<std::size_t>(tok.NumChars)] = c;
    return 0;
  }

  int NewLiteral(Char c) {
    if (int err = NewToken(taNormal)) return err;
    return Append(c);
  }

  // start, after atom, after set, after group.
  int Outside(bool escaped, Char c) {
    const bool start = state_ == State::kStart;
    if (!escaped) {
      switch (c) {
        case u'$':
          if (start) return kGrepBadStart;
          state_ = State::kEnd;
          return NewToken(taEol);
        case u'*':
        case u'+':
        case u'?':
          if (start) return kGrepBadStart;
          return Mark(c == u'*' ? taMult0 : c == u'+' ? taMult1 : taOpti);
        case u'(':
          state_ = State::kInGroup;
          opened_at_ = at_;
          return NewToken(taNormal);
        case u')':
          return kGrepGroupBrackets;
        case u'.':
          state_ = State::kAfterAtom;
          return NewToken(taAnyByte);
        case u'[': {
          if (int err = NewToken(taSet)) return err;
          Cur().NumChars = -1;
          Cur().Params.fill(kNonMember);
          negated_ = false;
          state_ = State::kSetStart;
          opened_at_ = at_;
          return 0;
        }
        case u'^':
          if (!start) return kGrepCircumflex;
          state_ = State::kAfterAtom;
          return NewToken(taBol);
        case u']':
          return kGrepSetBrackets;
        case u'-':
          if (state_ == State::kAfterSet) return kGrepMinus;
          break;
        default:
          break;
      }
    }
    // A literal character: it extends a run of single characters, or starts a new one.
    if (state_ == State::kAfterAtom && Cur().Action == taNormal) return Append(c);
    state_ = State::kAfterAtom;
    return NewLiteral(c);
  }

  // *, + or ? after an atom, a set or a group.
  int Mark(TGrepTokenAct kind) {
    TGrepToken& tok = Cur();
    switch (tok.Action) {
      case taNormal:
        if (state_ == State::kAfterGroup) {
          if (tok.NumChars == 0) return kGrepEmptyGroupMark;
          tok.Action = kind;  // the whole group is repeated
        } else if (tok.NumChars == 1) {
          tok.Action = kind;
        } else {
          // The mark applies to the last character only: move it into a token of its own.
          const auto last = static_cast<std::size_t>(tok.NumChars);
          const Char c = tok.Params[last];
          if (count_ >= kGrepMaxTokens) return kGrepTooManyTokens;
          tok.Params[last] = 0;
          --tok.NumChars;
          NewToken(kind);
          Cur().NumChars = 1;
          Cur().Params[1] = c;
        }
        return 0;
      case taSet:
        tok.Action = kind;
        tok.NumChars = -1;
        return 0;
      case taAnyByte:
        tok.Action = kind;
        tok.NumChars = 0;
        return 0;
      default:
        return kGrepBadMark;
    }
  }

  int AddMember(Char c) {
    if (c > 255) return kGrepSetMemberTooLarge;
    Cur().Params[c] = kMember;
    return 0;
  }

  // set start and in set; next is the index after the character just read and may move on.
  int InSet(bool escaped, Char c, std::u16string_view p, std::size_t& next) {
    const bool at_start = state_ == State::kSetStart;
    const bool after_negation = after_negation_;
    after_negation_ = false;
    if (!escaped) {
      switch (c) {
        case u'-':
          if (at_start || after_negation) return kGrepMinus;
          if (next >= p.size()) return AddMember(c);  // the pattern ends: the minus is a member
          {
            const Char d = p[next];
            ++next;
            const Char lo = std::min(remembered_, d);
            const Char hi = std::max(remembered_, d);
            if (hi > 255) return kGrepSetMemberTooLarge;
            for (unsigned code = lo; code <= hi; ++code) Cur().Params[code] = kMember;
          }
          return 0;
        case u']':
          if (at_start) return kGrepEmptySet;
          if (negated_) {
            for (Char& e : Cur().Params) e = (e == kMember) ? kNonMember : kMember;
          }
          state_ = State::kAfterSet;
          return 0;
        case u'^':
          if (!at_start) return kGrepCircumflexInSet;
          negated_ = true;
          after_negation_ = true;
          state_ = State::kInSet;
          return 0;
        default:
          break;
      }
    }
    if (int err = AddMember(c)) return err;
    remembered_ = c;
    state_ = State::kInSet;
    return 0;
  }

  TRegExp& t_;
  Integer& count_;
  State state_ = State::kStart;
  Char remembered_ = u'A';
  std::size_t at_ = 0;         // where the character being read starts
  std::size_t opened_at_ = 0;  // where the last set or group began
  bool lone_escape_ = false;   // the pattern ends in a back slash with nothing after it
  bool negated_ = false;
  bool after_negation_ = false;
};

}  // namespace

namespace {

// origin, when given, receives the index in p of each character of the result.
String ResolveHexEscapes(std::u16string_view p, std::vector<std::size_t>* origin) {
  String out;
  out.reserve(p.size());
  std::size_t i = 0;
  const auto put = [&](Char c, std::size_t from) {
    out.push_back(c);
    if (origin != nullptr) origin->push_back(from);
  };
  while (i < p.size()) {
    if (p[i] == u'\\' && i + 3 < p.size() && p[i + 1] == u'#') {
      if (!out.empty() && out.back() == u'\\') {
        for (std::size_t k = 0; k < 4; ++k) put(p[i + k], i + k);  // left alone; on after it
      } else {
        put(HexPair(p[i + 2], p[i + 3]), i);
      }
      i += 4;
    } else {
      put(p[i], i);
      ++i;
    }
  }
  return out;
}

}  // namespace

String ResolveGrepHexEscapes(std::u16string_view p) {
  return ResolveHexEscapes(p, nullptr);
}

int CompileGrepPattern(std::u16string_view pattern, bool ignore_case, TRegExp& tokens,
                       Integer& count) {
  String p = ResolveGrepHexEscapes(pattern);
  if (ignore_case) std::transform(p.begin(), p.end(), p.begin(), AsciiLower<Char>);
  Compiler compiler(tokens, count);
  return compiler.Run(p);
}

}  // namespace krv::detail

namespace krv {

TGrepEnding GrepPatternEnding(std::u16string_view pattern) {
  std::vector<std::size_t> origin;
  const String p = detail::ResolveHexEscapes(pattern, &origin);
  auto tokens = std::make_unique<TRegExp>();
  Integer count = 0;
  detail::Compiler compiler(*tokens, count);
  TGrepEnding ending;
  if (compiler.Run(p) != kGrepNoError) return ending;
  std::size_t at = 0;
  ending.Kind = compiler.LooseEnd(at);
  if (ending.Kind != TGrepLooseEnd::None) ending.Position = static_cast<Integer>(origin[at]) + 1;
  return ending;
}

}  // namespace krv
