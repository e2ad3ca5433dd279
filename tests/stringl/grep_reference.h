// A slow reference for TGrep's search, written straight from the recursive definition:
// Match(p, k) tests token k at subject position p and then tries the rest, repetitions
// shortest first, with no memory of failed states. Exponential on purpose; keep subjects
// short. Used by the differential test and the differential fuzz target.
#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

#include "korvex/stringl/grep.h"

namespace krv::grep_reference {

struct Result {
  bool found = false;
  int start = 0;
  int end = 0;
  std::vector<int> valid_from;  // per token, after a successful search
};

class Matcher {
 public:
  // tokens: the compiled tokens 1..n (as GetRegExpToken gives them).
  Matcher(std::vector<TGrepToken> tokens, bool ignore_case)
      : t_(std::move(tokens)), fold_(ignore_case) {}

  Result Search(std::u16string_view subject, int search_start) {
    s_.assign(subject.begin(), subject.end());
    if (fold_) {
      for (Char& c : s_)
        if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
    }
    L_ = static_cast<int>(s_.size());
    Result r;
    const int n = static_cast<int>(t_.size());
    const int start = std::max(search_start, 1);
    if (n == 0) return r;
    vf_.assign(static_cast<std::size_t>(n) + 1, 0);
    if (n == 1 && t_[0].Action == taMult0) {
      if (L_ == 0 || start <= L_) {
        r.found = true;
        r.start = 1;
        r.end = L_;
        r.valid_from = {1};
      }
      return r;
    }
    if (start > L_ + 1) return r;
    for (int i = start;; ++i) {
      if (Match(i, 1)) {
        r.found = true;
        r.start = vf_[1];
        r.end = end_;
        r.valid_from.assign(vf_.begin() + 1, vf_.end());
        return r;
      }
      if (Tok(1).Action == taBol || i + 1 > L_) return r;
    }
  }

 private:
  const TGrepToken& Tok(int k) const { return t_[static_cast<std::size_t>(k - 1)]; }

  // What one unit of token k is: -1 a set, 0 any character, n > 0 a string of n characters.
  static int What(const TGrepToken& t) {
    switch (t.Action) {
      case taNormal:
        return std::max(t.NumChars, 0);
      case taAnyByte:
        return 0;
      case taSet:
        return -1;
      default:
        return t.NumChars;
    }
  }
  static int Width(const TGrepToken& t) { return What(t) > 0 ? What(t) : 1; }

  bool UnitAt(const TGrepToken& t, int p) const {
    const int what = t.Action == taNormal ? std::max(t.NumChars, 0) : What(t);
    if (t.Action == taNormal && what == 0) return p - 1 <= L_;  // an empty literal
    if (what == 0) return p <= L_;
    if (what < 0) {
      if (p > L_) return false;
      const Char c = s_[static_cast<std::size_t>(p - 1)];
      return c <= 255 && t.Params[c] == u'*';
    }
    if (p + what - 1 > L_) return false;
    for (int i = 0; i < what; ++i) {
      if (s_[static_cast<std::size_t>(p - 1 + i)] != t.Params[static_cast<std::size_t>(i + 1)])
        return false;
    }
    return true;
  }

  int UnitWidth(const TGrepToken& t) const {
    return t.Action == taNormal ? std::max(t.NumChars, 0) : Width(t);
  }

  bool Match(int p, int k) {
    const TGrepToken& t = Tok(k);
    const int n = static_cast<int>(t_.size());
    const int w = UnitWidth(t);
    // 1. The token test.
    switch (t.Action) {
      case taNormal:
      case taAnyByte:
      case taSet:
      case taMult1:
        if (!UnitAt(t, p)) return false;
        break;
      case taMult0:
      case taOpti:
        break;
      case taBol:
        if (p != 1) return false;
        break;
      case taEol:
        if (p != L_ + 1) return false;
        break;
    }
    vf_[static_cast<std::size_t>(k)] = p;
    // 2. The last token ends the match.
    if (k == n) {
      switch (t.Action) {
        case taNormal:
          end_ = p + w - 1;
          break;
        case taAnyByte:
        case taSet:
          end_ = p;
          break;
        case taEol:
          end_ = L_;
          break;
        case taBol:
          end_ = 1;
          break;
        case taMult0:
        case taMult1: {
          int q = t.Action == taMult0 ? p : p + w;
          while (UnitAt(t, q)) q += w;
          end_ = q - 1;
          break;
        }
        case taOpti:
          end_ = UnitAt(t, p) ? p + w - 1 : p - 1;
          break;
      }
      return true;
    }
    // 3. The continuation.
    switch (t.Action) {
      case taNormal:
        return Match(p + w, k + 1);
      case taAnyByte:
      case taSet:
        return Match(p + 1, k + 1);
      case taBol:
        return Match(1, k + 1);
      case taEol:
        return Match(p, k + 1);
      case taMult0:
      case taMult1: {
        int q = t.Action == taMult0 ? p : p + w;
        for (;;) {
          if (Match(q, k + 1)) return true;
          if (!UnitAt(t, q)) return false;
          q += w;
        }
      }
      case taOpti:
        if (Match(p, k + 1)) return true;
        if (UnitAt(t, p)) return Match(p + w, k + 1);
        return false;
    }
    return false;
  }

  std::vector<TGrepToken> t_;
  bool fold_;
  String s_;
  int L_ = 0;
  int end_ = 0;
  std::vector<int> vf_;
};

// The tokens of a compiled TGrep, in order.
inline std::vector<TGrepToken> TokensOf(const TGrep& g) {
  std::vector<TGrepToken> out;
  for (int k = 1; k <= g.NrOfRegExpTokens(); ++k) out.push_back(g.GetRegExpToken(k));
  return out;
}

}  // namespace krv::grep_reference
