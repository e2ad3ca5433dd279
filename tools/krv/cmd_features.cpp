// krv features: shows feature-matrix files and converts them to and from CSV.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "encoding.h"
#include "io.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "os.h"

namespace krv::tool {
namespace {

constexpr std::size_t kBlock = std::size_t{1} << 18;
constexpr std::size_t kFindingsShown = 25;

// Whether a double feature's getter reads v: its check passes and its conversion succeeds.
bool ReadsAsDouble(const String& v) {
  double value = 0;
  return TryFeatStrToFloat(v, value);
}

struct Options {
  std::string file = "-";  // the feature-matrix file, or the CSV for from-csv
  std::string output = "-";
  std::int64_t rows = -1;  // show: at most this many objects
  bool strict = false;
  std::string encoding = "auto";
  bool lossy = false;
};

std::string U8(const String& s) {
  return ToUtf8(s);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(static_cast<Char>(static_cast<unsigned char>(x))) ==
                  AsciiLower(static_cast<Char>(static_cast<unsigned char>(y)));
         });
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Splits s at its first blank: the text before it, and everything after it.
std::pair<std::string_view, std::string_view> SplitAtBlank(std::string_view s) {
  const std::size_t b = s.find(' ');
  if (b == std::string_view::npos) return {s, {}};
  return {s.substr(0, b), s.substr(b + 1)};
}

// File text (Windows-1252) quoted for a message, cut to 40 characters.
std::string Quoted(std::string_view bytes) {
  std::string q = "'" + U8(FromAnsi(bytes.substr(0, 40)));
  return q + (bytes.size() > 40 ? "...'" : "'");
}

// The library's conversion of a count or number text; false when it refuses the text.
bool ToInt(std::string_view bytes, std::int32_t& v) {
  try {
    v = FeatStrToInt(FromAnsi(bytes));
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// ---- The check of a feature-matrix file ---------------------------------------------------

// One thing the check found; line 0 stands for the file as a whole.
struct Finding {
  std::int64_t line = 0;
  std::string text;
};

// Reads a feature-matrix file line by line as the library's reader does and notes what
// that reader passes over in silence: a file cut before #featend, a missing #featvals,
// counts that disagree with the lines, indexes beyond the counts, values that do not fit
// their feature's kind, keywords it does not know. Fatal() is the problem that makes the
// reader refuse the file, if there is one.
class FileCheck {
 public:
  // One line, without its line end.
  void Line(std::string_view line) {
    ++number_;
    if (fatal_) return;  // the reader stops there
    switch (state_) {
      case State::kOutside:
        Outside(line);
        break;
      case State::kDefinitions:
        Definition(line);
        break;
      case State::kValues:
        Value(line);
        break;
      case State::kAfter:
        After(line);
        break;
    }
  }

  void End() {
    if (fatal_) return;
    if (state_ == State::kDefinitions) {
      Fatal(number_, "the file ends inside the definitions: " + std::to_string(remaining_) +
                         " of " + std::to_string(std::int64_t{def_count_} * kPropertyLines) +
                         " property lines are missing (" + Announced() + ")");
    } else if (state_ == State::kValues) {
      Note(number_, "the file ends before #featend: it may have been cut");
    } else if (state_ == State::kAfter && !ended_ && stop_empty_ && !after_noted_) {
      Note(stop_line_,
           "the values end at an empty line and no #featend follows: the file "
           "may have been cut");
    } else if (state_ == State::kOutside && !values_seen_) {
      if (!def_seen_)
        Fatal(0, "no #featdef or #featvals line: not a feature-matrix file");
      else
        Note(number_, "no #featvals section: the file holds no values");
    }
  }

  // The first findings (kFindingsShown of them at most) and how many there were.
  const std::vector<Finding>& Notes() const { return notes_; }
  std::int64_t NoteCount() const { return note_count_; }
  const std::optional<Finding>& Fatal() const { return fatal_; }

 private:
  enum class State { kOutside, kDefinitions, kValues, kAfter };
  static constexpr const char* kKeys[] = {"fplFeatNum", "fplFeatName", "fplFeatKind",
                                          "fplComment", "fplPresets",  "fplSorted"};
  static constexpr const char* kKinds[] = {"fkUndefined", "fkInteger", "fkDouble", "fkString",
                                           "fkTriState"};
  static constexpr std::int64_t kPropertyLines = std::size(kKeys);  // per feature

  // What the last #featdef line said, in its own count: "#featdef at line 1 announces 2
  // features, 6 property lines per feature".
  std::string Announced() const {
    return "#featdef at line " + std::to_string(def_line_) + " announces " +
           std::to_string(def_count_) + (def_count_ == 1 ? " feature, " : " features, ") +
           std::to_string(kPropertyLines) + " property lines per feature";
  }

  void Note(std::int64_t line, std::string text) {
    if (notes_.size() < kFindingsShown) notes_.push_back({line, std::move(text)});
    ++note_count_;
  }
  void Fatal(std::int64_t line, std::string text) { fatal_ = Finding{line, std::move(text)}; }

  // Lines outside the sections: only "#featdef" and "#featvals" lines count.
  void Outside(std::string_view line) {
    if (line.empty() || line[0] != '#') return;
    const auto [keyword, rest] = SplitAtBlank(line.substr(1));
    const auto [first, second] = SplitAtBlank(TrimBlanks(rest));
    if (EqualsIgnoreCase(keyword, "featdef")) {
      Definitions(first, TrimBlanks(second));
    } else if (EqualsIgnoreCase(keyword, "featvals")) {
      Values(first, TrimBlanks(second));
    }
  }

  // Both numbers of a header line, as the reader converts them; fatal when one is none.
  bool Numbers(const std::string& header, std::string_view a, std::string_view b, std::int32_t& x,
               std::int32_t& y) {
    if (ToInt(a, x) && ToInt(b, y)) return true;
    Fatal(number_,
          header + " needs two numbers, not " + Quoted(std::string(a) + " " + std::string(b)));
    return false;
  }

  // Fatal when counts are negative or ask for more memory than the reader allows.
  bool ShapeOk(const std::string& header, std::int32_t nf, std::int32_t no) {
    if (nf < 0 || no < 0) {
      Fatal(number_, header + " gives a negative count");
    } else if (FeatMatShapeBytes(nf, no) > kFeatMatMaxLoadBytes) {
      Fatal(number_, header + " asks for more than a feature-matrix file may hold (" +
                         std::to_string(kFeatMatMaxLoadBytes >> 20) + " MiB as a matrix)");
    }
    return !fatal_;
  }

  void Definitions(std::string_view count_text, std::string_view version_text) {
    def_seen_ = true;
    std::int32_t count = 0, version = 0;
    if (!Numbers("#featdef", count_text, version_text, count, version)) return;
    if (version != 1) {
      Note(number_, "format version " + std::to_string(version) +
                        " is not 1: the definitions that follow are skipped");
      return;
    }
    if (!ShapeOk("#featdef", count, 0)) return;
    def_count_ = count;
    remaining_ = std::int64_t{count} * kPropertyLines;
    keys_.assign(static_cast<std::size_t>(count), 0);
    kinds_.assign(static_cast<std::size_t>(count), fkUndefined);
    def_line_ = number_;
    state_ = remaining_ > 0 ? State::kDefinitions : State::kOutside;
  }

  // A property line: blank lines before it are skipped; it starts with a feature index.
  void Definition(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= 32) ++i;
    if (i == line.size()) return;
    std::size_t end = i;
    while (end < line.size() && static_cast<unsigned char>(line[end]) > 32) ++end;
    std::int64_t index = 0;
    if (!ReadIndex(line.substr(i, end - i), index)) {
      Fatal(number_, "a property line should start with a feature index, not " + Quoted(line) +
                         " (" + Announced() + ")");
      return;
    }
    const auto [key, value] = SplitAtBlank(TrimBlanks(line.substr(end)));
    if (index < 1 || index > def_count_) {
      Note(number_, "a property line of feature " + std::to_string(index) + ", beyond the " +
                        std::to_string(def_count_) + " features of #featdef: skipped");
    } else {
      Property(static_cast<std::size_t>(index - 1), key, value);
    }
    if (--remaining_ > 0) return;
    state_ = State::kOutside;
    for (std::size_t f = 0; f < keys_.size(); ++f) {
      for (std::size_t k = 0; k < std::size(kKeys); ++k) {
        if ((keys_[f] >> k & 1) == 0)
          Note(def_line_, "feature " + std::to_string(f + 1) + " has no " + kKeys[k] + " line");
      }
    }
  }

  // The integer the reader takes at the start of a property line: decimal with an
  // optional sign, or hexadecimal after '$' or '0x'; false when it refuses the token.
  static bool ReadIndex(std::string_view t, std::int64_t& v) {
    std::size_t i = 0;
    const bool negative = t[0] == '-';
    if (t[0] == '-' || t[0] == '+') ++i;
    int base = 10;
    if (i < t.size() && t[i] == '$') {
      base = 16;
      ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
      base = 16;
      i += 2;
    }
    const std::int64_t limit = base == 16 ? 0xFFFFFFFF : negative ? 0x80000000 : 0x7FFFFFFF;
    if (i == t.size()) return false;
    v = 0;
    for (; i < t.size(); ++i) {
      const auto c = static_cast<char>(AsciiLower(static_cast<Char>(t[i])));
      const int digit = c >= '0' && c <= '9'                 ? c - '0'
                        : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                             : -1;
      if (digit < 0) return false;
      v = v * base + digit;
      if (v > limit) return false;
    }
    v = static_cast<std::int32_t>(static_cast<std::uint32_t>(negative ? -v : v));
    return true;
  }

  void Property(std::size_t f, std::string_view key, std::string_view value) {
    const std::string feature = "feature " + std::to_string(f + 1);
    std::size_t k = 0;
    while (k < std::size(kKeys) && !EqualsIgnoreCase(key, kKeys[k])) ++k;
    if (k == std::size(kKeys)) {
      if (!EqualsIgnoreCase(key, "fplGUIElem"))
        Note(number_, "unknown keyword " + Quoted(key) + " of " + feature + ": skipped");
      return;
    }
    if (keys_[f] >> k & 1)
      Note(number_,
           std::string("a second ") + kKeys[k] + " line of " + feature + " replaces the first");
    keys_[f] |= static_cast<std::uint8_t>(1u << k);
    std::int32_t number = 0;
    switch (k) {
      case 0:
        if (!ToInt(value, number))
          Fatal(number_, "fplFeatNum of " + feature + " is not a number: " + Quoted(value));
        break;
      case 1:
      case 3: {
        const std::size_t most = k == 1 ? kFeatNameMax : kFeatCommentMax;
        if (value.size() > most)
          Note(number_, std::string(k == 1 ? "the name" : "the comment") + " of " + feature +
                            " is longer than " + std::to_string(most) + " characters and is cut");
        break;
      }
      case 2: {
        std::size_t kind = 0;
        while (kind < std::size(kKinds) && !EqualsIgnoreCase(value, kKinds[kind])) ++kind;
        if (kind == std::size(kKinds)) {
          Note(number_, "the kind " + Quoted(value) + " of " + feature +
                            " is none of fkUndefined, fkInteger, fkDouble, fkString, "
                            "fkTriState: read as fkUndefined");
          kind = fkUndefined;
        }
        kinds_[f] = static_cast<TFeatKind>(kind);
        break;
      }
      case 5:
        if (!EqualsIgnoreCase(value, "true") && !EqualsIgnoreCase(value, "false"))
          Note(number_, "fplSorted of " + feature + " is " + Quoted(value) +
                            ", neither TRUE nor FALSE: read as FALSE");
        break;
      default:
        break;
    }
  }

  void Values(std::string_view nf_text, std::string_view no_text) {
    values_seen_ = true;
    std::int32_t nf = 0, no = 0;
    if (!Numbers("#featvals", nf_text, no_text, nf, no) || !ShapeOk("#featvals", nf, no)) return;
    if (def_count_ < 0) {
      Note(number_, "no #featdef before the values: the features have no definitions");
    } else if (nf != def_count_) {
      Note(number_, "#featvals counts " + std::to_string(nf) + " features where #featdef (line " +
                        std::to_string(def_line_) + ") counts " + std::to_string(def_count_) +
                        ": the definitions follow #featvals");
    }
    nf_ = nf;
    no_ = no;
    kinds_.resize(static_cast<std::size_t>(nf), fkUndefined);
    undefined_noted_.assign(static_cast<std::size_t>(nf), false);
    cells_.assign(static_cast<std::size_t>(nf) * static_cast<std::size_t>(no), false);
    state_ = State::kValues;
  }

  // A value index as the reader takes it: blanks skipped, a sign, digits up to the first
  // non-digit (none give 0); -1 beyond the 32-bit range.
  static std::int64_t ParseIndex(std::string_view s, std::size_t& i) {
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
      if (v <= 0x7FFFFFFF) v = v * 10 + (s[i] - '0');
    if (v > 0x7FFFFFFF) return -1;
    return negative ? -v : v;
  }

  void Value(std::string_view line) {
    if (line.empty() || line[0] == '#') {
      state_ = State::kAfter;
      stop_line_ = number_;
      stop_empty_ = line.empty();
      ended_ = !line.empty() && EqualsIgnoreCase(SplitAtBlank(line.substr(1)).first, "featend");
      if (!ended_ && !stop_empty_) {
        Note(number_, Quoted(line) + " ends the values: it and the lines after it are not read");
        after_noted_ = true;
      }
      return;
    }
    std::size_t pos = 0;
    const std::int64_t f = ParseIndex(line, pos);
    const std::int64_t o = ParseIndex(line, pos);
    const std::string_view value = TrimBlanks(line.substr(pos));
    if (f < 1 || f > nf_ || o < 1 || o > no_) {
      Note(number_, "a value of feature " + std::to_string(f) + ", object " + std::to_string(o) +
                        " lies outside the counts (" + std::to_string(nf_) + " features, " +
                        std::to_string(no_) + " objects): skipped");
      return;
    }
    const auto fi = static_cast<std::size_t>(f - 1);
    const std::size_t cell = fi * static_cast<std::size_t>(no_) + static_cast<std::size_t>(o - 1);
    if (cells_[cell])
      Note(number_, "a second value of feature " + std::to_string(f) + ", object " +
                        std::to_string(o) + " replaces the first");
    cells_[cell] = true;
    if (!value.empty()) CheckKind(fi, value);
  }

  void CheckKind(std::size_t f, std::string_view value) {
    const String v = FromAnsi(value);
    const std::string feature = "feature " + std::to_string(f + 1);
    switch (kinds_[f]) {
      case fkUndefined:
        if (!undefined_noted_[f])
          Note(number_, feature + " has values but no kind (fkUndefined): they are not shown");
        undefined_noted_[f] = true;
        return;
      case fkInteger:
        if (!IsValidFeatInteger(v) || !Converts([&] { FeatStrToInt(v); }))
          Note(number_, Quoted(value) + " is not an integer, the kind of " + feature);
        return;
      case fkDouble:
        if (!ReadsAsDouble(v))
          Note(number_, Quoted(value) + " is not a floating-point number, the kind of " + feature);
        return;
      case fkTriState:
        if (!EqualsIgnoreCase(value, "true") && !EqualsIgnoreCase(value, "false"))
          Note(number_, Quoted(value) + " is not true or false, the kind of " + feature);
        return;
      default:
        return;
    }
  }

  static bool Converts(const std::function<void()>& convert) {
    try {
      convert();
      return true;
    } catch (const Exception&) {
      return false;
    }
  }

  void After(std::string_view line) {
    if (after_noted_ || TrimBlanks(line).empty()) return;
    after_noted_ = true;
    if (ended_)
      Note(number_, "text after #featend is not read");
    else
      Note(stop_line_, "an empty line ends the values: the lines after it are not read");
  }

  State state_ = State::kOutside;
  std::int64_t number_ = 0;
  std::vector<Finding> notes_;
  std::int64_t note_count_ = 0;
  std::optional<Finding> fatal_;
  bool def_seen_ = false, values_seen_ = false;
  std::int32_t def_count_ = -1;  // -1: no definitions read
  std::int64_t def_line_ = 0;
  std::int64_t remaining_ = 0;      // property lines still to come
  std::vector<std::uint8_t> keys_;  // per feature: the keywords seen, one bit each
  std::vector<TFeatKind> kinds_;
  std::int32_t nf_ = 0, no_ = 0;
  std::vector<bool> cells_, undefined_noted_;
  std::int64_t stop_line_ = 0;  // the line that ended the values
  bool stop_empty_ = false, ended_ = false, after_noted_ = false;
};

// ---- Loading ------------------------------------------------------------------------------

// An open file, closed on destruction, and the name the library opens it by.
struct Fd {
  int fd = -1;
  std::string path;
  bool scratch = false, named = false;
  Fd() = default;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd < 0) return;
    if (scratch) {
      os::CloseScratch(fd, path, named);
    } else {
      os::Close(fd);
    }
  }
  String Path() const { return ToUtf16(path); }
};

// Makes a temporary file that leaves nothing behind.
void MakeScratch(Fd& f) {
  f.fd = os::OpenScratch("features", f.path, f.named);
  if (f.fd < 0) throw Failure{"", "cannot make a temporary file: " + ErrnoText(errno)};
  f.scratch = true;
}

void WriteAll(int fd, const char* data, std::size_t n) {
  if (!os::WriteAll(fd, data, n))
    throw Failure{"", "cannot write a temporary file: " + ErrnoText(errno)};
}

// Reads the input once through the check, line by line. A pipe or standard input is kept
// in a temporary file for the library to read; a named file is read again by its name.
void CheckInput(Input& in, FileCheck& check, Fd* spool) {
  std::string block(kBlock, '\0');
  std::string pending;
  auto line = [&](std::string_view l) {
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    check.Line(l);
  };
  while (const std::size_t n = in.Read(block.data(), block.size())) {
    if (spool != nullptr) WriteAll(spool->fd, block.data(), n);
    std::string_view rest(block.data(), n);
    for (std::size_t eol; (eol = rest.find('\n')) != std::string_view::npos;) {
      if (pending.empty()) {
        line(rest.substr(0, eol));
      } else {
        pending.append(rest.substr(0, eol));
        line(pending);
        pending.clear();
      }
      rest.remove_prefix(eol + 1);
    }
    pending.append(rest);
  }
  if (!pending.empty()) line(pending);
  check.End();
}

std::string At(const std::string& name, std::int64_t line) {
  return line > 0 ? name + ":" + std::to_string(line) : name;
}

// Loads a feature-matrix file after checking it; prints each finding on standard error.
// Throws Failure when the library cannot read the file, and with strict on any finding.
void LoadChecked(const std::string& name, bool strict, TFeatureMatrix& m) {
  FileCheck check;
  Fd source;
  {
    Input in(name);
    in.ShowProgress();
    const bool reread = name != "-" && in.Size() >= 0;
    if (reread) {
      source.fd = os::OpenRead(name);
      if (source.fd < 0) throw Failure{name, ErrnoText(errno)};
      source.path = os::OpenFileName(source.fd, name);
    } else {
      MakeScratch(source);
    }
    CheckInput(in, check, reread ? nullptr : &source);
  }
  for (const Finding& f : check.Notes()) Report({At(name, f.line), f.text});
  const std::int64_t count = check.NoteCount();
  if (count > static_cast<std::int64_t>(check.Notes().size()))
    Report({name, std::to_string(count - static_cast<std::int64_t>(check.Notes().size())) +
                      " more findings"});
  const std::int32_t r = m.Load(source.Path());
  if (r != 0) {
    if (const auto& fatal = check.Fatal()) throw Failure{At(name, fatal->line), fatal->text};
    throw Failure{name, "the file is malformed"};
  }
  if (strict && count > 0)
    throw Failure{name, "refused (--strict): " + std::to_string(count) +
                            (count == 1 ? " finding" : " findings")};
}

// ---- show ---------------------------------------------------------------------------------

// Display width of UTF-8 text: one column per code point.
std::size_t Width(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

using Row = std::vector<std::string>;

// Prints rows of cells in columns two blanks apart, with a rule under the header. Row i of
// n (0 is the header) comes from row(i), which is asked twice, to measure and to print, so
// that no table is held in memory however many objects a file declares.
void PrintGrid(Output& out, std::size_t n, const std::function<Row(std::size_t)>& row) {
  std::vector<std::size_t> w;
  for (std::size_t i = 0; i < n; ++i) {
    const Row r = row(i);
    w.resize(std::max(w.size(), r.size()), 0);
    for (std::size_t c = 0; c < r.size(); ++c) w[c] = std::max(w[c], Width(r[c]));
  }
  std::string line;
  for (std::size_t i = 0; i < n; ++i) {
    const Row r = row(i);
    line.clear();
    for (std::size_t c = 0; c < r.size(); ++c) {
      line += r[c];
      if (c + 1 < r.size()) line.append(w[c] - Width(r[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out.Write(line + "\n");
    if (i == 0) {
      line.clear();
      for (std::size_t c = 0; c < w.size(); ++c)
        line.append(c > 0 ? 2 : 0, ' ').append(std::max<std::size_t>(w[c], 1), '-');
      out.Write(line + "\n");
    }
  }
}

int Show(const Options& o) {
  Output out(o.output);
  TFeatureMatrix m;
  LoadChecked(o.file, o.strict, m);
  const std::int32_t nf = m.NFeatures();
  out.Write(o.file + ": " + std::to_string(nf) + " features, " + std::to_string(m.NObjects()) +
            " objects\n\n");
  PrintGrid(out, static_cast<std::size_t>(nf) + 1, [&](std::size_t i) -> Row {
    if (i == 0) return {"#", "number", "name", "kind", "sorted", "comment", "presets"};
    const TFeatProps p = m.GetFeatProps(static_cast<std::int32_t>(i));
    return {std::to_string(i),        std::to_string(p.FeatNum),
            U8(FromAnsi(p.FeatName)), U8(String(FEATKINDIDS[p.FeatKind])),
            p.Sorted ? "yes" : "no",  U8(FromAnsi(p.Comment)),
            U8(p.PresetValues)};
  });
  if (nf > 0 && m.NObjects() > 0) {
    out.Write("\n");
    Row header{"object"};
    std::vector<bool> undefined;
    for (std::int32_t f = 1; f <= nf; ++f) {
      const TFeatProps p = m.GetFeatProps(f);
      header.push_back(U8(FromAnsi(p.FeatName)));
      undefined.push_back(p.FeatKind == fkUndefined);
    }
    const std::int32_t shown =
        o.rows < 0 ? m.NObjects()
                   : static_cast<std::int32_t>(std::min<std::int64_t>(o.rows, m.NObjects()));
    PrintGrid(out, static_cast<std::size_t>(shown) + 1, [&](std::size_t i) -> Row {
      if (i == 0) return header;
      const auto obj = static_cast<std::int32_t>(i);
      Row row{std::to_string(obj)};
      for (std::int32_t f = 1; f <= nf; ++f)
        row.push_back(undefined[static_cast<std::size_t>(f - 1)] ? "?"
                                                                 : U8(m.GetFeatValStr(f, obj)));
      return row;
    });
    if (shown < m.NObjects())
      out.Write("(" + std::to_string(m.NObjects() - shown) + " more objects)\n");
  }
  out.Commit();
  return kExitOk;
}

// ---- to-csv -------------------------------------------------------------------------------

std::string CsvField(const std::string& s) {
  const bool quote = s.find_first_of(",\"\r\n") != std::string::npos ||
                     (!s.empty() && (s.front() == ' ' || s.back() == ' '));
  if (!quote) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

int ToCsv(const Options& o) {
  Output out(o.output);
  TFeatureMatrix m;
  LoadChecked(o.file, o.strict, m);
  std::string row;
  for (std::int32_t f = 1; f <= m.NFeatures(); ++f) {
    if (f > 1) row += ',';
    row += CsvField(U8(FromAnsi(m.GetFeatProps(f).FeatName)));
  }
  out.Write(row + "\r\n");
  for (std::int32_t obj = 1; obj <= m.NObjects(); ++obj) {
    row.clear();
    for (std::int32_t f = 1; f <= m.NFeatures(); ++f) {
      if (f > 1) row += ',';
      if (m.GetFeatProps(f).FeatKind != fkUndefined) row += CsvField(U8(m.GetFeatValStr(f, obj)));
    }
    out.Write(row + "\r\n");
  }
  out.Commit();
  return kExitOk;
}

// ---- from-csv -----------------------------------------------------------------------------

using Record = std::vector<String>;

// "NAME:LINE:COLUMN" of the character at offset pos of text; columns count characters.
std::string Place(const std::string& name, std::u16string_view text, std::size_t pos) {
  const std::size_t start = text.rfind(u'\n', pos == 0 ? 0 : pos - 1);
  const std::size_t from = start == std::u16string_view::npos || pos == 0 ? 0 : start + 1;
  const auto line =
      1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(from), u'\n');
  const auto column = 1 + std::count_if(text.begin() + static_cast<std::ptrdiff_t>(from),
                                        text.begin() + static_cast<std::ptrdiff_t>(pos),
                                        [](Char c) { return c < 0xDC00 || c > 0xDFFF; });
  return name + ":" + std::to_string(line) + ":" + std::to_string(column);
}

// RFC 4180 records: fields separated by commas, quoted fields may hold commas, doubled
// quotes and line breaks; records end at LF or CR LF. A last empty line is no record.
std::vector<Record> ParseCsv(std::u16string_view text, const std::string& name) {
  std::vector<Record> records;
  Record rec;
  String field;
  bool quoted = false, was_quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Char c = text[i];
    if (quoted) {
      if (c != u'"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == u'"') {
        field += u'"';
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == u'"' && field.empty() && !was_quoted) {
      quoted = was_quoted = true;
    } else if (c == u',') {
      rec.push_back(std::move(field));
      field.clear();
      was_quoted = false;
    } else if (c == u'\n' || (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')) {
      if (c == u'\r') ++i;
      rec.push_back(std::move(field));
      field.clear();
      was_quoted = false;
      records.push_back(std::move(rec));
      rec.clear();
    } else if (was_quoted) {
      throw Failure{Place(name, text, i), "text after a closing quote"};
    } else {
      field += c;
    }
  }
  if (quoted) throw Failure{name, "a quoted field is not closed"};
  if (!field.empty() || !rec.empty() || was_quoted) {
    rec.push_back(std::move(field));
    records.push_back(std::move(rec));
  }
  return records;
}

TFeatKind InferKind(const std::vector<Record>& records, std::size_t col) {
  bool any = false, ints = true, doubles = true, tris = true;
  auto converts = [](auto convert) {
    try {
      convert();
      return true;
    } catch (const EConvertError&) {
      return false;
    }
  };
  for (std::size_t r = 1; r < records.size(); ++r) {
    if (col >= records[r].size() || records[r][col].empty()) continue;
    any = true;
    const String& v = records[r][col];
    ints = ints && IsValidFeatInteger(v) && converts([&] { FeatStrToInt(v); });
    doubles = doubles && ReadsAsDouble(v);
    if (tris) {
      String l = v;
      for (auto& ch : l) ch = AsciiLower(ch);
      tris = l == u"true" || l == u"false";
    }
  }
  if (!any) return fkString;
  if (ints) return fkInteger;
  if (doubles) return fkDouble;
  if (tris) return fkTriState;
  return fkString;
}

// The CSV's text: UTF-8 when it is valid UTF-8 (or --encoding=utf-8 says so), otherwise
// Windows-1252. how tells what was taken, for the summary line.
String DecodeCsv(const std::string& bytes, const Options& o, const std::string& name,
                 std::string& how) {
  const std::size_t valid = Utf8Prefix(bytes);
  const bool utf8 = o.encoding == "utf-8" || (o.encoding == "auto" && valid == bytes.size());
  if (!utf8) {
    how = o.encoding == "auto" ? "Windows-1252 (not valid UTF-8)" : "Windows-1252";
    return FromAnsi(bytes);
  }
  if (valid < bytes.size()) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(bytes[valid]));
    const String before = ToUtf16(std::string_view(bytes).substr(0, valid));
    throw Failure{Place(name, before, before.size()),
                  std::string("not valid UTF-8 (byte ") + byte +
                      "); --encoding=windows-1252 reads the file as Windows-1252"};
  }
  how = "UTF-8";
  String text = ToUtf16(bytes);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);  // byte order mark
  return text;
}

// Throws Failure naming the line and column of the first character that a feature-matrix
// file (Windows-1252) cannot hold.
void CheckWindows1252(std::u16string_view text, const std::string& name) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char b;
    if (CharToAnsi(text[i], b)) continue;
    char32_t cp = text[i];
    std::size_t len = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      len = 2;
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    throw Failure{Place(name, text, i), "'" + ToUtf8(text.substr(i, len)) + "' (" + code +
                                            ") has no place in a feature-matrix file, which "
                                            "is Windows-1252; --lossy writes it as '?'"};
  }
}

std::string ReadAll(Input& in) {
  std::string bytes, block(kBlock, '\0');
  while (const std::size_t n = in.Read(block.data(), block.size())) bytes.append(block, 0, n);
  return bytes;
}

int FromCsv(const Options& o) {
  Output out(o.output);
  std::string bytes;
  {
    Input in(o.file);
    in.ShowProgress();
    bytes = ReadAll(in);
  }
  std::string how;
  const String text = DecodeCsv(bytes, o, o.file, how);
  bytes = {};
  if (!o.lossy) CheckWindows1252(text, o.file);
  const std::vector<Record> records = ParseCsv(text, o.file);
  if (records.empty()) throw Failure{o.file, "no header row"};
  const std::size_t nf = records[0].size();
  for (std::size_t r = 1; r < records.size(); ++r) {
    if (records[r].size() > nf)
      throw Failure{o.file, "record " + std::to_string(r + 1) + " has " +
                                std::to_string(records[r].size()) + " fields, the header " +
                                std::to_string(nf)};
  }
  // Short records make a matrix of header fields x records, which a small CSV can make huge:
  // refuse what a feature-matrix file could not load back.
  const auto objects = static_cast<std::int64_t>(records.size() - 1);
  TFeatureMatrix m;
  if (objects > INT32_MAX ||
      FeatMatShapeBytes(static_cast<std::int64_t>(nf), objects) > kFeatMatMaxLoadBytes ||
      !m.Resize(static_cast<std::int32_t>(nf), static_cast<std::int32_t>(objects)))
    throw Failure{o.file, "too many values (" + std::to_string(nf) + " features x " +
                              std::to_string(objects) + " objects)"};
  for (std::size_t f = 0; f < nf; ++f) {
    TFeatProps p;
    p.FeatNum = static_cast<std::int32_t>(f + 1);
    p.FeatName = ToAnsi(records[0][f]);
    p.FeatKind = InferKind(records, f);
    m.SetFeatProps(static_cast<std::int32_t>(f + 1), p);
    for (std::size_t r = 1; r < records.size(); ++r)
      if (f < records[r].size())
        m.SetFeatValStr(static_cast<std::int32_t>(f + 1), static_cast<std::int32_t>(r),
                        records[r][f]);
  }
  // The library writes files by name: into a temporary file, then through the output.
  Fd saved;
  MakeScratch(saved);
  try {
    m.Save(saved.Path());
  } catch (const EInOutError& e) {
    throw Failure{"", std::string("cannot write a temporary file: ") + e.what()};
  }
  std::string block(kBlock, '\0');
  for (std::int64_t at = 0;;) {
    const std::ptrdiff_t n = os::ReadAt(saved.fd, block.data(), block.size(), at);
    if (n < 0) throw Failure{"", "cannot read a temporary file: " + ErrnoText(errno)};
    if (n == 0) break;
    out.Write(block.data(), static_cast<std::size_t>(n));
    at += n;
  }
  out.Commit();
  const std::string summary = out.Name() + ": " + std::to_string(nf) + " features, " +
                              std::to_string(objects) + " objects; CSV read as " + how + "\n";
  std::fputs(summary.c_str(), stderr);
  return kExitOk;
}

// ---- Command line -------------------------------------------------------------------------

// What show and to-csv share: --strict, -o and -q.
void AddCheckOptions(CLI::App& mode, Options& o) {
  mode.add_flag("--strict", o.strict, "exit with status 2 when the check finds anything");
  AddOutputOption(mode, o.output);
  AddQuietFlag(mode);
}

CLI::App* AddShow(CLI::App& app, Options& o) {
  CLI::App* show = AddMode(
      app, {.name = "show",
            .summary = "print the counts, the definitions and the values",
            .usage = "krv features show [--rows N] [--strict] [-o OUT] [-q] [FILE]",
            .description =
                "Prints FILE's counts, its feature definitions and a table of its values, all\n"
                "objects or the first N. FILE defaults to standard input; the output goes to\n"
                "standard output or to OUT.\n"
                "\n"
                "The file is checked line by line while it is read; what the reader would pass\n"
                "over in silence is reported on standard error with its line number: a file cut\n"
                "before #featend, no #featvals section, counts that disagree with the lines,\n"
                "indexes beyond the counts, values that do not fit their feature's kind. The file\n"
                "is shown all the same, unless --strict is given.",
            .exit_status = "0  the file was shown (findings are reported, not errors)\n"
                           "2  the file cannot be read or is no feature-matrix file, --strict and\n"
                           "   a finding, the output could not be written, or a usage error",
            .examples = "krv features show samples.txt\n"
                        "krv features show --rows 10 --strict samples.txt\n"
                        "krv features show - < samples.txt"});
  show->add_option("FILE", o.file, "the feature-matrix file ('-' or none: standard input)");
  show->add_option("--rows", o.rows, "show the first N objects only")
      ->transform(WholeNumber(0, kNoUpperBound))
      ->option_text(" N");
  AddCheckOptions(*show, o);
  return show;
}

CLI::App* AddToCsv(CLI::App& app, Options& o) {
  CLI::App* to_csv = AddMode(
      app, {.name = "to-csv",
            .summary = "write the values as CSV",
            .usage = "krv features to-csv [--strict] [-o OUT] [-q] [FILE]",
            .description =
                "Writes FILE's values as CSV (UTF-8, comma-separated, CR LF line ends, RFC 4180\n"
                "quoting): a first row of feature names, then one row per object. FILE\n"
                "defaults to standard input; the output goes to standard output or to OUT,\n"
                "which is replaced only when the command succeeds and may not be FILE itself.\n"
                "\n"
                "The file is checked as by 'krv features show'; findings are reported on\n"
                "standard error, and with --strict nothing is written.",
            .exit_status = "0  the CSV was written (findings are reported, not errors)\n"
                           "2  the file cannot be read or is no feature-matrix file, --strict\n"
                           "   and a finding, the output is FILE or could not be written, or a\n"
                           "   usage error",
            .examples = "krv features to-csv samples.txt -o samples.csv\n"
                        "krv features to-csv --strict samples.txt | head -3"});
  to_csv->add_option("FILE", o.file, "the feature-matrix file ('-' or none: standard input)");
  AddCheckOptions(*to_csv, o);
  return to_csv;
}

void AddFromCsv(CLI::App& app, Options& o) {
  CLI::App* from_csv = AddMode(
      app,
      {.name = "from-csv",
       .summary = "make a feature-matrix file from CSV",
       .usage = "krv features from-csv [--encoding=auto|utf-8|windows-1252] [--lossy]\n"
                "                      [-o OUT] [-q] [CSV]",
       .description =
           "Reads CSV whose first row holds the feature names and writes a feature-matrix\n"
           "file. Each column's kind is inferred from its non-empty values: integer when all\n"
           "are integers of 32 bits, double when all are numbers, tristate when all are\n"
           "true/false, string otherwise. Names longer than 20 characters are cut. CSV\n"
           "defaults to standard input; the output goes to standard output or to OUT, which\n"
           "is replaced only when the command succeeds and may not be CSV itself. A table\n"
           "larger than a feature-matrix file may hold (128 MiB as a matrix) is refused.\n"
           "\n"
           "The CSV is read as UTF-8 when it is valid UTF-8 (a byte order mark is dropped),\n"
           "otherwise as Windows-1252; --encoding chooses. A feature-matrix file holds\n"
           "Windows-1252 only: a character it cannot hold is an error naming its line and\n"
           "column, unless --lossy is given, which writes it as '?'. A line on standard\n"
           "error tells the counts and the encoding taken.\n"
           "\n"
           "The file format keeps no blanks at the ends of a value and no line breaks inside\n"
           "one.",
       .exit_status = "0  the file was written\n"
                      "2  the CSV cannot be read, is malformed or holds a character the file\n"
                      "   cannot (without --lossy), the table is too large, the output is the\n"
                      "   CSV or could not be written, or a usage error",
       .examples = "krv features from-csv samples.csv -o samples.txt\n"
                   "krv features from-csv --encoding=windows-1252 old.csv -o old.txt\n"
                   "krv features from-csv --lossy names.csv > names.txt"});
  from_csv->add_option("CSV", o.file, "the CSV file ('-' or none: standard input)");
  from_csv->add_option("--encoding", o.encoding, "how the CSV's bytes are read")
      ->transform(OneOf({"auto", "utf-8", "windows-1252"}))
      ->option_text("=auto|utf-8|windows-1252");
  from_csv->add_flag("--lossy", o.lossy, "write characters Windows-1252 lacks as '?'");
  AddOutputOption(*from_csv, o.output);
  AddQuietFlag(*from_csv);
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* show = AddShow(app, *o);
  CLI::App* to_csv = AddToCsv(app, *o);
  AddFromCsv(app, *o);
  return [o, show, to_csv] {
    if (show->parsed()) return Show(*o);
    if (to_csv->parsed()) return ToCsv(*o);
    return FromCsv(*o);  // the parse requires a mode, and from-csv is the one left
  };
}

const KrvCommand reg{
    {.name = "features",
     .summary = "show feature-matrix files, convert them to and from CSV",
     .usage = "krv features show [--rows N] [--strict] [-o OUT] [FILE]\n"
              "krv features to-csv [--strict] [-o OUT] [FILE]\n"
              "krv features from-csv [--encoding=E] [--lossy] [-o OUT] [CSV]",
     .description =
         "Works with feature-matrix files (the '#featdef ... #featend' text format, Windows-\n"
         "1252). 'krv help features MODE' shows one mode's page. Every FILE, CSV and OUT may\n"
         "be '-' for standard input or output, which they default to.",
     .exit_status = "0  success (findings of the check are reported, not errors)\n"
                    "2  an unreadable or malformed input, --strict and a finding, an output\n"
                    "   that is the input or could not be written, or a usage error",
     .examples = "krv features show features-sample.txt\n"
                 "krv features to-csv features-sample.txt -o sample.csv\n"
                 "krv features from-csv sample.csv -o copy.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
