// krv grep: searches files line by line for patterns of the library's dialect (TGrep).
#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "cli.h"
#include "encoding.h"
#include "io.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/grep.h"
#include "os.h"

namespace krv::tool {
namespace {

constexpr std::size_t kBlock = std::size_t{1} << 18;

struct Options {
  std::vector<std::string> operands;  // PATTERN (without -e), then the files
  std::vector<std::string> patterns;  // -e
  bool ignore_case = false, numbers = false, count = false, only = false, invert = false;
  bool list = false, quiet = false, word = false, whole_line = false, text = false;
  bool positions = false;
  int names = -1;  // -H 1, -h 0, neither -1 (names when there are several files)
};

// Where a match must lie in the line.
enum class Fit { kAnywhere, kWord, kLine };

// Letters, digits and '_' up to U+00FF; -w treats those beyond as word characters too,
// since a set of the dialect cannot name them.
bool IsWordChar(unsigned c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

// ---- Pattern text made from compiled tokens ------------------------------------------------
// The wrapped patterns of -w and -x, and the form -o uses for a lone repetition, are built
// from the tokens the user's pattern compiled to, not from its text: an open set or group,
// a final back slash or a \#hh escape then cannot change what the added parts mean.

void AppendChar(String& out, Char c, std::u16string_view syntax) {
  if (syntax.find(c) != std::u16string_view::npos) out += u'\\';
  out += c;
}

void AppendSet(String& out, const TGrepToken& t) {
  out += u'[';
  for (unsigned c = 0; c < 256; ++c)
    if (t.Params[c] == u'*') AppendChar(out, static_cast<Char>(c), u"-^]\\");
  out += u']';
}

// A literal string as a group, so that it stays a token of its own.
void AppendGroup(String& out, const TGrepToken& t) {
  out += u'(';
  for (Integer i = 1; i <= t.NumChars; ++i)
    AppendChar(out, t.Params[static_cast<std::size_t>(i)], u")^\\");
  out += u')';
}

// The text of one token; action replaces its kind (for taMult0 made taMult1).
String TokenText(const TGrepToken& t, TGrepTokenAct action) {
  String out;
  switch (action) {
    case taNormal:
      AppendGroup(out, t);
      break;
    case taAnyByte:
      out = u".";
      break;
    case taSet:
      AppendSet(out, t);
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
        AppendSet(out, t);
      } else if (t.NumChars == 0) {
        out = u".";
      } else {
        AppendGroup(out, t);
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
  return TokenText(t, taSet);
}

bool SameToken(const TGrepToken& a, const TGrepToken& b) {
  if (a.Action != b.Action || a.NumChars != b.NumChars) return false;
  const bool set = a.Action == taSet || a.NumChars < 0;
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

// ---- Candidate lines found in raw bytes ---------------------------------------------------
// An ASCII character is the same byte whether a line is read as UTF-8 or as Windows-1252,
// and no other byte stands for it. So a run of ASCII characters that every match holds is
// found in the raw bytes of each matching line, and a set of the pattern has a member among
// them; lines without are skipped undecoded.

bool IsAsciiLetter(unsigned c) {
  return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// What every matching line holds as bytes: a literal (ASCII letters in either case with -i)
// or one byte of a class.
class Prefilter {
 public:
  // From the tokens of one pattern: the longest literal run a match needs, else the smallest
  // set it needs. None when no token is needed by every match.
  static std::optional<Prefilter> From(const std::vector<TGrepToken>& tokens, bool ignore_case,
                                       bool anywhere) {
    Prefilter f;
    f.fold_ = ignore_case;
    int members = INT_MAX;
    for (const TGrepToken& t : tokens) {
      const bool needed = t.Action == taNormal || t.Action == taSet || t.Action == taMult1;
      if (!needed) continue;
      if (t.Action == taSet || t.NumChars < 0) {
        std::array<bool, 256> set{};
        bool plain = true;
        const int n = ClassOf(t, ignore_case, set, plain);
        if (n > 0 && n < members) {
          members = n;
          f.class_ = set;
          f.exact_ = plain;
        }
      } else {
        f.TakeRuns(t);
      }
    }
    if (!f.literal_.empty()) {
      f.exact_ = f.literal_whole_;
      f.Anchor();
    } else if (members == INT_MAX) {
      return std::nullopt;
    }
    f.exact_ = f.exact_ && anywhere && tokens.size() == 1;
    return f;
  }

  // The offset in text of the first byte of a candidate (npos when there is none).
  std::size_t Find(std::string_view text) const {
    if (literal_.empty()) {
      for (std::size_t i = 0; i < text.size(); ++i)
        if (class_[static_cast<unsigned char>(text[i])]) return i;
      return std::string_view::npos;
    }
    if (!fold_) {
      return os::FindBytes(text, literal_);
    }
    return FindFolded(text);
  }

  // True when holding the literal or a byte of the class is the same as matching.
  bool exact() const { return exact_; }

 private:
  // Fills set with the bytes that can stand for a member of t's set; returns their number.
  // plain is false when a member is not a byte of its own (beyond ASCII, a CR).
  static int ClassOf(const TGrepToken& t, bool ignore_case, std::array<bool, 256>& set,
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

  // Keeps the longest run of t's literal characters that are plain ASCII bytes.
  void TakeRuns(const TGrepToken& t) {
    std::string run;
    for (Integer i = 1; i <= t.NumChars + 1; ++i) {
      const Char c = i <= t.NumChars ? t.Params[static_cast<std::size_t>(i)] : 0;
      if (c > 0 && c < 0x80 && c != '\n' && c != '\r') {
        run += static_cast<char>(c);
        continue;
      }
      if (run.size() > literal_.size()) {
        literal_ = run;
        literal_whole_ = static_cast<Integer>(run.size()) == t.NumChars;
      }
      run.clear();
    }
  }

  // With -i: the byte looked for first, a non-letter when there is one.
  void Anchor() {
    for (std::size_t i = 0; fold_ && i < literal_.size(); ++i)
      if (!IsAsciiLetter(static_cast<unsigned char>(literal_[i]))) anchor_ = i;
  }

  bool EqualsFolded(const char* at) const {
    for (std::size_t i = 0; i < literal_.size(); ++i) {
      const auto c = static_cast<unsigned char>(at[i]);
      const auto l = static_cast<unsigned char>(literal_[i]);
      if (c != l && !(IsAsciiLetter(c) && (c ^ 0x20) == l)) return false;
    }
    return true;
  }

  // The first place of the literal, letters in either case: the anchor byte is looked for
  // in both cases, each with memchr, keeping the next place of each.
  std::size_t FindFolded(std::string_view text) const {
    const std::size_t len = literal_.size();
    if (text.size() < len) return std::string_view::npos;
    const char* base = text.data();
    const char* end = base + text.size() - (len - 1 - anchor_);
    const auto a = static_cast<unsigned char>(literal_[anchor_]);
    const char cases[2] = {static_cast<char>(a),
                           static_cast<char>(IsAsciiLetter(a) ? a ^ 0x20 : a)};
    const char* next[2] = {nullptr, nullptr};
    for (const char* from = base + anchor_; from < end;) {
      for (int k = 0; k < 2; ++k)
        if (next[k] != end && next[k] < from) {
          const void* p = std::memchr(from, cases[k], static_cast<std::size_t>(end - from));
          next[k] = p ? static_cast<const char*>(p) : end;
        }
      const char* hit = std::min(next[0], next[1]);
      if (hit == end) break;
      if (EqualsFolded(hit - anchor_)) return static_cast<std::size_t>(hit - anchor_ - base);
      from = hit + 1;
    }
    return std::string_view::npos;
  }

  std::string literal_;  // lower case with -i (the compiled pattern is folded so)
  bool literal_whole_ = false;
  std::array<bool, 256> class_{};
  bool fold_ = false, exact_ = false;
  std::size_t anchor_ = 0;
};

// ---- One pattern --------------------------------------------------------------------------

// A compiled pattern and the line it is applied to.
class Matcher {
 public:
  // Compiles the pattern (bytes as given); throws Failure naming it on an error.
  Matcher(std::string_view pattern, bool ignore_case, Fit fit) : shown_(pattern) {
    bool utf8 = true;
    const String text = DecodeText(pattern, utf8);
    Compile(grep_, text, ignore_case);
    const std::vector<TGrepToken> tokens = Tokens(grep_);
    if (fit != Fit::kAnywhere) {
      Wrap(tokens, ignore_case, fit);
    } else if (tokens.empty()) {
      everything_ = true;  // the empty pattern selects every line, as in grep
    } else if (tokens.size() == 1 && tokens[0].Action == taMult0) {
      // A lone repetition reports the whole line as its match; its non-empty matches are
      // those of the same unit taken one or more times.
      lone_ = true;
      Compile(only_, TokenText(tokens[0], taMult1), ignore_case);
    }
    filter_ = Prefilter::From(tokens, ignore_case, fit == Fit::kAnywhere);
  }

  // What the raw bytes of every line this pattern selects hold, if known.
  const Prefilter* filter() const { return filter_ ? &*filter_ : nullptr; }

  // Sets the line the next calls look at (UTF-16, without its line end).
  void SetLine(std::u16string_view line) {
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

  // True when the line holds a match.
  bool Selects() {
    if (everything_) return true;
    grep_.SetSearchStartPos(1);
    Integer pos = 0;
    return grep_.MatchString(subject_, pos);
  }

  // The first match that starts at `from` or later: its first and last positions in the
  // line (1-based; last < first for an empty match). False when there is none.
  bool Find(Integer from, Integer& first, Integer& last) {
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

 private:
  void Compile(TGrep& g, const String& text, bool ignore_case) {
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
  void Wrap(const std::vector<TGrepToken>& tokens, bool ignore_case, Fit fit) {
    const bool bol = !tokens.empty() && tokens.front().Action == taBol;
    const bool eol = !tokens.empty() && tokens.back().Action == taEol;
    const String boundary = NonWordSet();
    String text;
    if (!bol) text += fit == Fit::kLine ? String(u"^") : boundary;
    for (const TGrepToken& t : tokens) text += TokenText(t, t.Action);
    if (!eol) text += fit == Fit::kLine ? String(u"$") : boundary;
    Compile(grep_, text, ignore_case);
    left_ = fit == Fit::kWord && !bol;
    right_ = fit == Fit::kWord && !eol;
    // The rebuilt pattern holds the user's tokens unchanged between the added ones.
    const std::vector<TGrepToken> wrapped = Tokens(grep_);
    const std::size_t skip = bol ? 0 : 1;
    bool same = wrapped.size() == tokens.size() + skip + (eol ? 0 : 1);
    for (std::size_t k = 0; same && k < tokens.size(); ++k)
      same = SameToken(tokens[k], wrapped[k + skip]);
    if (!same)
      throw Failure{"", "pattern '" + shown_ + "': a set without members cannot be used with " +
                            (fit == Fit::kLine ? "-x" : "-w")};
  }

  std::string shown_;
  std::optional<Prefilter> filter_;
  TGrep grep_, only_;
  bool everything_ = false, lone_ = false;
  bool left_ = false, right_ = false;  // -w blanks around the line
  Integer length_ = 0;
  String padded_;
  std::u16string_view subject_;
};

// ---- The search ---------------------------------------------------------------------------

// A failed read, told apart from a failed write (which ends the command).
struct ReadError {
  Failure failure;
};

// Byte offsets in a line of the positions of its decoded text, walked forwards.
class ByteCursor {
 public:
  ByteCursor(std::string_view line, bool utf8) : line_(line), utf8_(utf8) {}
  // The byte offset of 0-based UTF-16 position unit (never before the last one asked).
  std::size_t At(std::size_t unit) {
    if (!utf8_) return unit;
    while (unit_ < unit && byte_ < line_.size()) {
      const auto c = static_cast<unsigned char>(line_[byte_]);
      const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      byte_ += len;
      unit_ += len == 4 ? 2 : 1;
    }
    return byte_;
  }

 private:
  std::string_view line_;
  bool utf8_;
  std::size_t unit_ = 0, byte_ = 0;
};

bool IsHighSurrogate(Char c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(Char c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

class Search {
 public:
  Search(const Options& o, std::vector<std::unique_ptr<Matcher>>& matchers, Output& out, bool names)
      : o_(o), matchers_(matchers), out_(out), names_(names) {
    // Tests compare with every line decoded and matched when KRV_GREP_EVERY_LINE is set.
    if (matchers_.size() == 1 && !o_.invert && std::getenv("KRV_GREP_EVERY_LINE") == nullptr)
      filter_ = matchers_[0]->filter();
    exact_ = filter_ != nullptr && filter_->exact() && !o_.only;
  }

  // Searches one input; returns the number of selected lines. Throws ReadError.
  long File(Input& in, const std::string& label) {
    label_ = label;
    number_ = 0;
    selected_ = 0;
    std::string block(kBlock, '\0');
    std::string pending;  // a line that began in an earlier block
    bool more = true;
    while (more) {
      const std::size_t n = Read(in, block);
      if (n == 0) {
        if (!pending.empty()) Line(pending);
        break;
      }
      std::string_view rest(block.data(), n);
      if (!pending.empty()) {  // the end of a line begun earlier
        const std::size_t eol = rest.find('\n');
        if (eol == std::string_view::npos) {
          pending.append(rest);
          continue;
        }
        pending.append(rest.substr(0, eol));
        more = Line(pending);
        pending.clear();
        rest.remove_prefix(eol + 1);
      }
      if (more) more = Lines(rest, pending);
    }
    if (o_.count && !o_.list && !o_.quiet) {
      text_.clear();
      if (names_) text_.append(label_).append(":");
      text_.append(std::to_string(selected_)).append("\n");
      out_.Write(text_);
    }
    return selected_;
  }

  // True once -q has seen a selected line: nothing more needs reading.
  bool Done() const { return done_; }

 private:
  static std::size_t Read(Input& in, std::string& block) {
    try {
      return in.Read(block.data(), block.size());
    } catch (const Failure& f) {
      throw ReadError{f};
    }
  }

  // Handles the whole lines of text and appends the part after its last LF to pending;
  // false when the rest of the input is not needed. With a filter, only lines that hold a
  // candidate are looked at; the lines skipped are counted for -n.
  bool Lines(std::string_view text, std::string& pending) {
    while (!text.empty()) {
      if (filter_ != nullptr) {
        const std::size_t hit = filter_->Find(text);
        const std::size_t before = hit == std::string_view::npos ? text.size() : hit;
        const std::size_t lf = os::FindLastByte(text.substr(0, before), '\n');
        const std::size_t start = lf == std::string_view::npos ? 0 : lf + 1;
        if (o_.numbers) number_ += CountLineFeeds(text.substr(0, start));
        text.remove_prefix(start);
        if (hit == std::string_view::npos) break;
      }
      const std::size_t eol = text.find('\n');
      if (eol == std::string_view::npos) break;
      // (A line of 2^31 - 1 characters or more never matches.)
      if (!Line(text.substr(0, eol), exact_ && eol < INT_MAX)) return false;
      text.remove_prefix(eol + 1);
    }
    pending.append(text);
    return true;
  }

  static long long CountLineFeeds(std::string_view text) {
    long long n = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= text.size(); i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      n += __builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf))));
    }
#endif
    for (; i < text.size(); ++i) n += text[i] == '\n';
    return n;
  }

  // Handles one line (without its LF); false when the rest of the input is not needed.
  // selected: the line is known to match (so it need not be decoded; never with -o or -v).
  bool Line(std::string_view raw, bool selected = false) {
    ++number_;
    std::string_view line = raw;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    bool utf8 = true;
    bool matched = selected;
    if (!selected) {
      decoded_ = DecodeText(line, utf8);
      for (auto& m : matchers_) {
        m->SetLine(decoded_);
        if (m->Selects()) {
          matched = true;
          break;
        }
      }
    }
    if (matched == o_.invert) return true;
    ++selected_;
    if (o_.quiet) {
      done_ = true;
      return false;
    }
    if (o_.list) {
      out_.Write(label_ + "\n");
      return false;
    }
    if (o_.count) return true;
    if (!o_.text && line.find('\0') != std::string_view::npos) {
      out_.Write("Binary file " + label_ + " matches\n");
      return false;
    }
    if (!o_.only) {
      Prefix();
      text_.append(raw).append("\n");
      out_.Write(text_);
    } else if (matched) {
      PrintMatches(line, utf8);
    }
    return true;
  }

  void Prefix() {
    text_.clear();
    if (names_) text_.append(label_).append(":");
    if (o_.numbers) text_.append(std::to_string(number_)).append(":");
  }

  // Each non-empty match on a line of its own, in whole characters: a match that begins or
  // ends inside a surrogate pair takes the whole pair.
  void PrintMatches(std::string_view line, bool utf8) {
    const std::u16string_view text = decoded_;
    const auto length = static_cast<Integer>(text.size());
    for (auto& m : matchers_) m->SetLine(text);
    ByteCursor bytes(line, utf8);
    Integer from = 1;
    while (from <= length) {
      Integer first = INT_MAX, last = 0;
      for (auto& m : matchers_) {
        Integer f = 0, l = 0;
        if (m->Find(from, f, l) && (f < first || (f == first && l > last))) {
          first = f;
          last = l;
        }
      }
      if (first == INT_MAX) break;
      if (last < first) {  // empty: look again one character further
        from = first + 1;
        continue;
      }
      if (first > 1 && IsLowSurrogate(text[first - 1]) && IsHighSurrogate(text[first - 2])) --first;
      if (last < length && IsHighSurrogate(text[last - 1]) && IsLowSurrogate(text[last])) ++last;
      Prefix();
      if (o_.positions)
        text_.append(std::to_string(first)).append("-").append(std::to_string(last)).append(":");
      const std::size_t begin = bytes.At(static_cast<std::size_t>(first - 1));
      const std::size_t end = bytes.At(static_cast<std::size_t>(last));
      text_.append(line.substr(begin, end - begin)).append("\n");
      out_.Write(text_);
      from = last + 1;
    }
  }

  const Options& o_;
  std::vector<std::unique_ptr<Matcher>>& matchers_;
  Output& out_;
  bool names_;
  const Prefilter* filter_ = nullptr;  // skips lines that cannot match
  bool exact_ = false;                 // a line holding a candidate is selected
  std::string label_;
  long long number_ = 0;
  long selected_ = 0;
  bool done_ = false;
  String decoded_;
  std::string text_;  // the output line being built
};

// The patterns: the -e ones, or the first operand; each split at its line breaks.
std::vector<std::string> Patterns(const Options& o, std::vector<std::string>& files) {
  files = o.operands;
  std::vector<std::string> given = o.patterns;
  if (given.empty()) {
    if (files.empty()) throw Failure{"", "no PATTERN given; run 'krv grep --help'"};
    given.push_back(files.front());
    files.erase(files.begin());
  }
  std::vector<std::string> patterns;
  for (std::string_view p : given) {
    for (;;) {
      const std::size_t nl = p.find('\n');
      patterns.emplace_back(p.substr(0, nl));
      if (nl == std::string_view::npos) break;
      p.remove_prefix(nl + 1);
    }
  }
  return patterns;
}

int Run(const Options& o) {
  std::vector<std::string> files;
  const Fit fit = o.whole_line ? Fit::kLine : o.word ? Fit::kWord : Fit::kAnywhere;
  std::vector<std::unique_ptr<Matcher>> matchers;
  for (const std::string& p : Patterns(o, files))
    matchers.push_back(std::make_unique<Matcher>(p, o.ignore_case, fit));
  if (files.empty()) files.push_back("-");
  Output out("-");
  Search search(o, matchers, out, o.names < 0 ? files.size() > 1 : o.names == 1);
  bool error = false;
  long selected = 0;
  for (const std::string& name : files) {
    std::optional<Input> in;
    try {
      in.emplace(name);
    } catch (const Failure& f) {
      error = true;
      Report(f);
      continue;
    }
    if (!o.quiet) in->ShowProgress();
    try {
      selected += search.File(*in, name == "-" ? "(standard input)" : name);
    } catch (const ReadError& r) {
      error = true;
      Report(r.failure);
    }
    if (search.Done()) break;
  }
  out.Commit();
  if (error) return kExitError;
  return selected > 0 ? kExitOk : kExitNo;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  KeepOperands(app.add_option("PATTERN", o->operands,
                              "the pattern (unless -e gives it), then the files ('-' or none: "
                              "standard input)"));
  app.add_option("-e,--regexp", o->patterns, "a pattern; may be given several times")
      ->allow_extra_args(false)
      ->option_text(" PATTERN");
  app.add_flag("-i,--ignore-case", o->ignore_case, "ignore the case of the letters A-Z");
  app.add_flag("-v,--invert-match", o->invert, "select the lines that do not match");
  app.add_flag("-w,--word-regexp", o->word,
               "select lines with a match that is a whole word (not next to a letter, "
               "digit or '_')");
  app.add_flag("-x,--line-regexp", o->whole_line, "select lines that match as a whole");
  app.add_flag("-c,--count", o->count, "print only the number of selected lines per file");
  app.add_flag("-l,--files-with-matches", o->list,
               "print only the names of files with a selected line");
  app.add_flag("-o,--only-matching", o->only,
               "print each non-empty match of a selected line on a line of its own");
  app.add_flag("--positions", o->positions,
               "with -o, put START-END: before each match (positions of characters in the "
               "line, from 1)");
  app.add_flag("-q,--quiet,--silent", o->quiet,
               "print nothing (not even a progress line); stop at the first selected line");
  app.add_flag("-n,--line-number", o->numbers, "put the line number before each output line");
  CLI::Option* with =
      app.add_flag("-H,--with-filename")->description("put the file name before each line");
  CLI::Option* without =
      app.add_flag("-h,--no-filename")->description("never put file names before lines");
  app.add_flag("-a,--text", o->text, "print selected lines that hold NUL bytes as they are");
  return [o, &app, with, without] {
    for (const CLI::Option* opt : app.parse_order()) {
      if (opt == with) o->names = 1;
      if (opt == without) o->names = 0;
    }
    return Run(*o);
  };
}

const KrvCommand reg{
    {.name = "grep",
     .summary = "search files for lines that match a pattern",
     .usage = "krv grep [OPTIONS] PATTERN [FILE...]\n"
              "krv grep [OPTIONS] -e PATTERN [-e PATTERN...] [FILE...]",
     .description =
         "Searches each FILE line by line for PATTERN and prints the lines that match. Without\n"
         "FILE, or for '-', reads standard input. With more than one FILE each output line\n"
         "begins with the file name and a colon (-H and -h choose). With several patterns\n"
         "(-e, or a PATTERN holding line breaks) a line matches when one of them does.\n"
         "\n"
         "PATTERN is in the Korvex pattern dialect: literal characters, \\c for c taken\n"
         "literally, . for any character, sets [a-z0-9] and [^0-9], literal groups (abc),\n"
         "each optionally followed by * (any number), + (one or more) or ? (optional); ^ at\n"
         "the start and $ at the end anchor the match; \\#hh is the character of hexadecimal\n"
         "code hh. A mark after a run of characters applies to the last one: ab* is a\n"
         "followed by any number of b; (ab)* repeats the group. There is no | and no {n}.\n"
         "\n"
         "Where the dialect differs from grep -E:\n"
         "- Repetitions are tried shortest first; only one at the end of the pattern takes\n"
         "  all it can. The same lines are selected, but -o may print less: '.*b?' on 'ab'\n"
         "  prints 'b', where grep -E prints 'ab'.\n"
         "- A match is looked for at each character of a line, not after its last one: a\n"
         "  pattern that can only match empty text there does not select the line. 'b*$'\n"
         "  does not select 'abc' (grep -E selects it); '^$' selects empty lines.\n"
         "- The empty pattern selects every line, as in grep, and so does a pattern that is a\n"
         "  single repetition ('x*'). Empty matches are never printed by -o.\n"
         "- -i folds the letters A-Z only. For -w a word character is a letter, a digit or\n"
         "  '_'; every character beyond U+00FF counts as one.\n"
         "\n"
         "Lines are read as UTF-8 when they are valid UTF-8, otherwise as Windows-1252; a CR\n"
         "before the line end is not part of the line. Patterns are read the same way.\n"
         "Matches printed by -o are whole characters, as bytes of the line. A selected line\n"
         "that holds a NUL byte prints 'Binary file NAME matches' instead, and the rest of\n"
         "that file is skipped, unless -a is given.",
     .exit_status = "0  a line was selected\n"
                    "1  no line was selected\n"
                    "2  an error: a bad pattern or option, a file that cannot be read, a write\n"
                    "   error (also when lines were selected)",
     .examples = "krv grep -n 'ab[0-9]+x' notes.txt\n"
                 "krv grep -o -i 'sensor[ _]?[0-9]+' log.txt\n"
                 "krv grep -c -e error -e warning a.log b.log\n"
                 "krv grep -lw TODO *.cpp\n"
                 "krv grep -q '^#featdef' m.txt && echo 'a feature-matrix file'\n"
                 "krv grep -- -x notes.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
