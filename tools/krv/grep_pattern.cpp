// krv grep's patterns: compiling, wrapping for -w and -x, -F, the strict reading, and the
// prefilter.
#include "grep_pattern.h"

#include <algorithm>
#include <climits>
#include <string>

#include "cli.h"
#include "encoding.h"
#include "korvex/platform/text.h"
#include "os.h"

namespace krv::tool {
namespace {

// ---- Pattern text made from compiled tokens ------------------------------------------------
// The wrapped patterns of -w and -x, and the form -o uses for a lone repetition, are built
// from the tokens the user's pattern compiled to, not from its text: an open set or group,
// a final back slash or a \#hh escape then cannot change what the added parts mean. With
// -i the subject is folded, so a capital in a set (one of [^a]) never meets a character;
// the rebuilt text leaves such members out, as folding it would turn them into small
// letters.

bool IsCapital(Char c) {
  return c >= u'A' && c <= u'Z';
}

void AppendChar(String& out, Char c, std::u16string_view syntax, bool fold) {
  if (fold && IsCapital(c)) return;
  if (syntax.find(c) != std::u16string_view::npos) out += u'\\';
  out += c;
}

void AppendSet(String& out, const TGrepToken& t, bool fold) {
  out += u'[';
  for (unsigned c = 0; c < 256; ++c)
    if (t.Params[c] == u'*') AppendChar(out, static_cast<Char>(c), u"-^]\\", fold);
  out += u']';
}

// A literal string as a group, so that it stays a token of its own.
void AppendGroup(String& out, const TGrepToken& t, bool fold) {
  out += u'(';
  for (Integer i = 1; i <= t.NumChars; ++i)
    AppendChar(out, t.Params[static_cast<std::size_t>(i)], u")^\\", fold);
  out += u')';
}

// The text of one token; action replaces its kind (for taMult0 made taMult1).
String TokenText(const TGrepToken& t, TGrepTokenAct action, bool fold) {
  String out;
  switch (action) {
    case taNormal:
      AppendGroup(out, t, fold);
      break;
    case taAnyByte:
      out = u".";
      break;
    case taSet:
      AppendSet(out, t, fold);
      break;
    case taBol:
      out = u"^";
      break;
    case taEol:
      out = u"$";
      break;
    case taMult0:
    case taMult1:
    case taOpti:
      if (t.NumChars < 0) {
        AppendSet(out, t, fold);
      } else if (t.NumChars == 0) {
        out = u".";
      } else {
        AppendGroup(out, t, fold);
      }
      out += action == taMult0 ? u'*' : action == taMult1 ? u'+' : u'?';
      break;
  }
  return out;
}

// A set of the characters up to U+00FF that are not word characters.
String NonWordSet() {
  TGrepToken t;
  for (unsigned c = 0; c < 256; ++c) t.Params[c] = IsWordChar(c) ? u' ' : u'*';
  return TokenText(t, taSet, false);
}

// Equal tokens; with fold, sets that differ only in capitals count as equal.
bool SameToken(const TGrepToken& a, const TGrepToken& b, bool fold) {
  if (a.Action != b.Action || a.NumChars != b.NumChars) return false;
  const bool set = a.Action == taSet || a.NumChars < 0;
  if (set && fold) {
    for (unsigned c = 0; c < 256; ++c)
      if (!IsCapital(static_cast<Char>(c)) && a.Params[c] != b.Params[c]) return false;
    return true;
  }
  // A set uses entries 0..255, a string 1..NumChars.
  const auto from = set ? a.Params.begin() : a.Params.begin() + 1;
  const auto to = set ? a.Params.end() : from + std::max<Integer>(a.NumChars, 0);
  return std::equal(from, to, b.Params.begin() + (from - a.Params.begin()));
}

std::vector<TGrepToken> Tokens(const TGrep& g) {
  std::vector<TGrepToken> tokens;
  for (Integer k = 1; k <= g.NrOfRegExpTokens(); ++k) tokens.push_back(g.GetRegExpToken(k));
  return tokens;
}

// -F: the text as groups of literal characters, at most 255 to a group.
String FixedText(std::u16string_view text) {
  String out;
  for (std::size_t i = 0; i < text.size(); i += kGrepMaxLiteral) {
    out += u'(';
    for (Char c : text.substr(i, kGrepMaxLiteral)) {
      if (c == u')' || c == u'^' || c == u'\\') out += u'\\';
      out += c;
    }
    out += u')';
  }
  return out;
}

bool IsAsciiLetter(unsigned c) {
  return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

}  // namespace

bool IsWordChar(unsigned c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

// ---- Prefilter ----------------------------------------------------------------------------

std::optional<Prefilter> Prefilter::From(const std::vector<TGrepToken>& tokens, bool ignore_case,
                                         bool anywhere) {
  Prefilter f;
  f.fold_ = ignore_case;
  int members = INT_MAX;
  bool class_first = false, plain = true;
  std::array<bool, 256> best{};
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const TGrepToken& t = tokens[k];
    const bool needed = t.Action == taNormal || t.Action == taSet || t.Action == taMult1;
    if (!needed) continue;
    if (t.Action == taSet || t.NumChars < 0) {
      std::array<bool, 256> set{};
      bool set_plain = true;
      const int n = ClassOf(t, ignore_case, set, set_plain);
      if (n > 0 && n < members) {
        members = n;
        best = set;
        plain = set_plain;
        class_first = k == 0;
      }
    } else {
      f.TakeRuns(t, k == 0);
    }
  }
  if (!f.literal_.empty()) {
    f.exact_ = f.literal_whole_;
    f.starts_match_ = f.literal_first_;
    // A whole first literal followed by a set every match needs: the byte after the
    // literal must be one of the set's (x[0-9]+ skips the x of "box").
    if (f.literal_first_ && f.literal_whole_ && tokens.size() > 1 &&
        (tokens[1].Action == taSet || (tokens[1].Action == taMult1 && tokens[1].NumChars < 0))) {
      std::array<bool, 256> next{};
      bool next_plain = true;
      if (ClassOf(tokens[1], ignore_case, next, next_plain) > 0) f.follow_ = next;
    }
  } else if (members == INT_MAX) {
    return std::nullopt;
  } else {
    f.class_.emplace(best);
    f.exact_ = plain;
    f.starts_match_ = class_first;
  }
  f.exact_ = f.exact_ && anywhere && tokens.size() == 1;
  f.starts_match_ = f.starts_match_ && anywhere;
  return f;
}

std::size_t Prefilter::Find(std::string_view text) const {
  if (class_) return class_->Find(text);
  for (std::size_t from = 0;;) {
    const std::size_t hit = FindNeedle(text.substr(from), literal_, fold_);
    if (hit == std::string_view::npos || !follow_)
      return hit == std::string_view::npos ? hit : from + hit;
    const std::size_t after = from + hit + literal_.size();
    // At the end of text the byte after is not known: a candidate all the same.
    if (after >= text.size() || (*follow_)[static_cast<unsigned char>(text[after])])
      return from + hit;
    from += hit + 1;
  }
}

// Fills set with the bytes that can stand for a member of t's set; returns their number.
// plain is false when a member is not a byte of its own (beyond ASCII, a CR).
int Prefilter::ClassOf(const TGrepToken& t, bool ignore_case, std::array<bool, 256>& set,
                       bool& plain) {
  for (unsigned c = 0; c < 256; ++c) {
    if (t.Params[c] != u'*' || c == '\n') continue;  // no line holds a line feed
    if (c >= 0x80) {
      plain = false;
      for (unsigned b = 0x80; b < 256; ++b) set[b] = true;
      continue;
    }
    if (c == '\r') plain = false;
    set[c] = true;
    if (ignore_case && IsAsciiLetter(c)) set[c ^ 0x20] = true;
  }
  return static_cast<int>(std::count(set.begin(), set.end(), true));
}

// Keeps the longest run of t's literal characters that are plain ASCII bytes. first: t is
// the pattern's first token, so a run that begins it begins every match.
void Prefilter::TakeRuns(const TGrepToken& t, bool first) {
  std::string run;
  Integer run_start = 1;
  for (Integer i = 1; i <= t.NumChars + 1; ++i) {
    const Char c = i <= t.NumChars ? t.Params[static_cast<std::size_t>(i)] : 0;
    if (c > 0 && c < 0x80 && c != '\n' && c != '\r') {
      if (run.empty()) run_start = i;
      run += static_cast<char>(c);
      continue;
    }
    if (run.size() > literal_.size()) {
      literal_ = run;
      literal_whole_ = static_cast<Integer>(run.size()) == t.NumChars;
      literal_first_ = first && t.Action == taNormal && run_start == 1;
    }
    run.clear();
  }
}

// ---- Matcher ------------------------------------------------------------------------------

Matcher::Matcher(std::string_view pattern, const PatternReading& reading) : shown_(pattern) {
  bool utf8 = true;
  String text = DecodeText(pattern, utf8);
  if (reading.fixed) {
    text = FixedText(text);
  } else {
    CheckEnding(text);
  }
  Compile(grep_, text, reading.ignore_case);
  const std::vector<TGrepToken> tokens = Tokens(grep_);
  tokens_ = tokens;
  if (reading.fit != Fit::kAnywhere) {
    Wrap(tokens, reading.ignore_case, reading.fit);
  } else if (tokens.empty()) {
    everything_ = true;  // the empty pattern selects every line, as in grep
  } else if (tokens.size() == 1 && tokens[0].Action == taMult0) {
    // A lone repetition reports the whole line as its match; its non-empty matches are
    // those of the same unit taken one or more times.
    lone_ = true;
    Compile(only_, TokenText(tokens[0], taMult1, reading.ignore_case), reading.ignore_case);
  }
  if (SelectsEveryLine()) tokens_.clear();
  filter_ = Prefilter::From(tokens, reading.ignore_case, reading.fit == Fit::kAnywhere);
}

// The dialect builds a set or group left open as far as it goes and reads a final back slash
// as itself; on a command line those are slips, so they are refused, with the place.
void Matcher::CheckEnding(const String& text) const {
  const TGrepEnding end = GrepPatternEnding(text);
  const std::string at = std::to_string(end.Position);
  switch (end.Kind) {
    case TGrepLooseEnd::None:
      return;
    case TGrepLooseEnd::OpenSet:
      throw Failure{"", "pattern '" + shown_ + "': the set opened by '[' at character " + at +
                            " is not closed by ']'"};
    case TGrepLooseEnd::OpenGroup:
      throw Failure{"", "pattern '" + shown_ + "': the group opened by '(' at character " + at +
                            " is not closed by ')'"};
    case TGrepLooseEnd::LoneBackslash:
      throw Failure{"", "pattern '" + shown_ + "': the back slash at character " + at +
                            " escapes nothing (write \\\\ for a back slash)"};
  }
}

void Matcher::SetLine(std::u16string_view line) {
  length_ = static_cast<Integer>(line.size());
  if (!left_ && !right_) {
    subject_ = line;
    return;
  }
  padded_.clear();
  if (left_) padded_ += u' ';
  padded_ += line;
  if (right_) padded_ += u' ';
  subject_ = padded_;
}

bool Matcher::Selects() {
  if (everything_) return true;
  grep_.SetSearchStartPos(1);
  Integer pos = 0;
  return grep_.MatchString(subject_, pos);
}

bool Matcher::Find(Integer from, Integer& first, Integer& last) {
  if (everything_) return false;  // only empty matches
  TGrep& g = lone_ ? only_ : grep_;
  g.SetSearchStartPos(from);
  Integer pos = 0;
  if (!g.MatchString(subject_, pos)) return false;
  // A word match starts with the character before the word (or the blank standing for
  // the line's start) and ends with the one after it.
  first = g.MatchStartPos();
  last = std::min(g.MatchEndPos() - (left_ ? 1 : 0) - (right_ ? 1 : 0), length_);
  return true;
}

void Matcher::Compile(TGrep& g, const String& text, bool ignore_case) {
  g.SetName(u"grep");
  g.SetStopOnError(false);
  g.SetIgnoreCase(ignore_case);
  g.SetRegExp(text);
  if (g.LastError() != 0)
    throw Failure{"", "pattern '" + shown_ + "': " + ToUtf8(GrepErrorText(g.LastError()))};
}

// Compiles the pattern anchored at both ends (-x) or between word boundaries (-w): a
// set of non-word characters before and after it, which meet the blanks SetLine puts
// at the line's ends. An anchor of the pattern's own stands for its boundary.
void Matcher::Wrap(const std::vector<TGrepToken>& tokens, bool ignore_case, Fit fit) {
  const bool bol = !tokens.empty() && tokens.front().Action == taBol;
  const bool eol = !tokens.empty() && tokens.back().Action == taEol;
  const std::size_t added = (bol ? 0 : 1) + (eol ? 0 : 1);
  if (tokens.size() + added > static_cast<std::size_t>(kGrepMaxTokens))
    throw Failure{"", "pattern '" + shown_ + "': too many tokens for " +
                          std::string(fit == Fit::kLine ? "-x" : "-w") + " (at most " +
                          std::to_string(kGrepMaxTokens - static_cast<int>(added)) + "; it adds " +
                          std::to_string(added) + ")"};
  const String boundary = NonWordSet();
  String text;
  if (!bol) text += fit == Fit::kLine ? String(u"^") : boundary;
  for (const TGrepToken& t : tokens) text += TokenText(t, t.Action, ignore_case);
  if (!eol) text += fit == Fit::kLine ? String(u"$") : boundary;
  Compile(grep_, text, ignore_case);
  left_ = fit == Fit::kWord && !bol;
  right_ = fit == Fit::kWord && !eol;
  // The rebuilt pattern holds the user's tokens unchanged between the added ones.
  const std::vector<TGrepToken> wrapped = Tokens(grep_);
  const std::size_t skip = bol ? 0 : 1;
  bool same = wrapped.size() == tokens.size() + skip + (eol ? 0 : 1);
  for (std::size_t k = 0; same && k < tokens.size(); ++k)
    same = SameToken(tokens[k], wrapped[k + skip], ignore_case);
  if (!same)
    throw Failure{"", "pattern '" + shown_ + "': cannot be combined with " +
                          std::string(fit == Fit::kLine ? "-x" : "-w")};
  tokens_ = wrapped;
}

}  // namespace krv::tool
