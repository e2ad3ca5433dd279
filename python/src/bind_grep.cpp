// TGrep as a compiled pattern object in the manner of re.Pattern: search (a match object with
// the library's 1-based positions), findall, and lines (a filter over an iterable of lines
// that matches 1024 lines at a time without the GIL).
//
// A TGrep keeps the state of its last search, so every search takes the object's mutex; a
// thread waiting for it holds no Python object and needs no GIL while it waits (the
// holder never asks for the GIL either), so two threads sharing one pattern cannot deadlock.
#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "bind.h"
#include "korvex/stringl/grep.h"
#include "strings_text.h"

namespace korvex_py {
namespace {

constexpr std::size_t kReleaseGil = 64 * 1024;
constexpr std::size_t kChunk = 1024;

struct Match {
  krv::Integer start = 0;  // first position, 1-based
  krv::Integer end = 0;    // last position; start - 1 for an empty match
  krv::String text;
};

class Pattern {
 public:
  Pattern(const krv::String& pattern, bool ignore_case) : grep_(std::make_unique<krv::TGrep>()) {
    grep_->SetIgnoreCase(ignore_case);  // compiles the empty pattern: never raises
    grep_->SetRegExp(pattern);          // raises the library's error for a faulty pattern
  }

  const krv::String& pattern() const { return grep_->RegExp(); }
  bool ignore_case() const { return grep_->IgnoreCase(); }
  krv::Integer tokens() const { return grep_->NrOfRegExpTokens(); }
  krv::String Listing() {
    std::lock_guard<std::mutex> lock(mutex_);
    return grep_->RegExpListing();
  }

  // Whether text holds a match from its first position on; call with the mutex held. Cheaper
  // than Find: nothing of the match is kept.
  bool Contains(std::u16string_view text) {
    grep_->SetSearchStartPos(1);
    krv::Integer pos = 0;
    return grep_->MatchString(text, pos);
  }

  // The first match in text at or after the 1-based start; call with the mutex held.
  bool Find(std::u16string_view text, krv::Integer start, Match& m) {
    grep_->SetSearchStartPos(start);
    krv::Integer pos = 0;
    if (!grep_->MatchString(text, pos)) return false;
    m.start = grep_->MatchStartPos();
    m.end = grep_->MatchEndPos();
    const std::size_t first = static_cast<std::size_t>(std::max(m.start, 1) - 1);
    const std::int64_t n = std::int64_t{m.end} - m.start + 1;
    if (first < text.size() && n > 0)
      m.text = krv::String(text.substr(first, static_cast<std::size_t>(n)));
    return true;
  }

  // Every match from the start on, none overlapping; after an empty match the search goes on
  // one position further, so the loop ends for every pattern.
  std::vector<krv::String> FindAll(std::u16string_view text) {
    std::vector<krv::String> out;
    const std::int64_t last = static_cast<std::int64_t>(text.size()) + 1;
    for (std::int64_t from = 1; from <= last;) {
      Match m;
      if (!Find(text, static_cast<krv::Integer>(from), m)) break;
      out.push_back(std::move(m.text));
      const std::int64_t next = std::max<std::int64_t>(std::int64_t{m.end} + 1, m.start + 1);
      from = std::max(next, from + 1);
    }
    return out;
  }

  std::mutex& mutex() { return mutex_; }

 private:
  std::unique_ptr<krv::TGrep> grep_;
  std::mutex mutex_;
};

// Runs f with the mutex held, and without the GIL when the work is large.
template <typename F>
auto Locked(Pattern& p, std::size_t size, F&& f) {
  if (size < kReleaseGil) {
    std::lock_guard<std::mutex> lock(p.mutex());
    return f();
  }
  py::gil_scoped_release release;
  std::lock_guard<std::mutex> lock(p.mutex());
  return f();
}

// Appends a line's characters to units, as matched: without one trailing LF, CR LF or CR.
void AppendSubject(const py::handle& line, std::u16string& units) {
  if (!PyUnicode_Check(line.ptr()))
    throw py::type_error(std::string("lines must be str, not ") + Py_TYPE(line.ptr())->tp_name);
  const std::size_t first = units.size();
  AppendUtf16(line, units);
  if (units.size() > first && units.back() == u'\n') units.pop_back();
  if (units.size() > first && units.back() == u'\r') units.pop_back();
}

// The iterator Pattern.lines returns.
class LineFilter {
 public:
  LineFilter(py::object owner, Pattern& p, const py::object& lines, bool invert, bool numbered)
      : owner_(std::move(owner)),
        pattern_(p),
        it_(py::iter(lines)),
        invert_(invert),
        numbered_(numbered) {}

  py::object Next() {
    while (next_ == ready_.size() && !done_) Fill();
    if (next_ == ready_.size()) throw py::stop_iteration();
    py::object out = std::move(ready_[next_]);
    ++next_;
    return out;
  }

  // The chosen lines not given out yet, at least one unless the lines are all read: a caller
  // that yields from these lists pays one call per chunk rather than one per line.
  py::list Chunk() {
    while (next_ == ready_.size() && !done_) Fill();
    py::list out(ready_.size() - next_);
    for (std::size_t i = next_; i < ready_.size(); ++i)
      PyList_SET_ITEM(out.ptr(), static_cast<Py_ssize_t>(i - next_), ready_[i].release().ptr());
    ready_.clear();
    next_ = 0;
    return out;
  }

 private:
  // Reads up to kChunk lines (with the GIL), matches them (without it), keeps the chosen ones.
  void Fill() {
    lines_.clear();
    units_.clear();
    ends_.clear();
    while (lines_.size() < kChunk) {
      PyObject* item = PyIter_Next(it_.ptr());
      if (item == nullptr) {
        if (PyErr_Occurred() != nullptr) throw py::error_already_set();
        done_ = true;
        break;
      }
      lines_.push_back(py::reinterpret_steal<py::object>(item));
      AppendSubject(lines_.back(), units_);
      ends_.push_back(units_.size());
    }
    hits_.assign(lines_.size(), 0);
    {
      py::gil_scoped_release release;
      std::lock_guard<std::mutex> lock(pattern_.mutex());
      const std::u16string_view all(units_);
      for (std::size_t i = 0, from = 0; i < ends_.size(); from = ends_[i++])
        hits_[i] = pattern_.Contains(all.substr(from, ends_[i] - from)) ? 1 : 0;
    }
    ready_.clear();
    next_ = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      ++number_;
      if ((hits_[i] != 0) == invert_) continue;
      ready_.push_back(numbered_ ? py::make_tuple(number_, lines_[i]) : std::move(lines_[i]));
    }
  }

  py::object owner_;  // keeps the pattern alive
  Pattern& pattern_;
  py::object it_;
  bool invert_, numbered_;
  bool done_ = false;
  std::int64_t number_ = 0;
  std::vector<py::object> ready_;
  std::size_t next_ = 0;
  // The chunk being matched, kept from one chunk to the next so that their storage is reused.
  std::vector<py::object> lines_;
  std::u16string units_;           // the lines' characters, one after the other
  std::vector<std::size_t> ends_;  // where each line's characters end in units_
  std::vector<char> hits_;
};

py::object Search(Pattern& p, const py::str& str, std::int64_t start) {
  const krv::String text = Utf16Of(str);
  const auto from =
      static_cast<krv::Integer>(std::clamp<std::int64_t>(start, INT32_MIN, INT32_MAX));
  Match m;
  if (!Locked(p, text.size(), [&] { return p.Find(text, from, m); })) return py::none();
  return py::cast(std::move(m));
}

void BindMatch(py::module_& m) {
  py::class_<Match>(m, "GrepMatch",
                    "A match of TGrep.search, with the library's 1-based positions.")
      .def_readonly("start", &Match::start, "Position of the first matched character (1-based).")
      .def_readonly("end", &Match::end,
                    "Position of the last matched character; start - 1 for an empty match, so "
                    "text[start - 1:end] is the matched text.")
      .def_property_readonly(
          "length", [](const Match& x) { return x.end - x.start + 1; }, "end - start + 1.")
      .def_property_readonly(
          "text", [](const Match& x) { return StrOf(x.text); }, "The matched text.")
      .def(
          "group", [](const Match& x) { return StrOf(x.text); },
          "The matched text, as re.Match.group().")
      .def("__repr__", [](const Match& x) {
        return py::str("<korvex.GrepMatch start={}, end={}, text={!r}>")
            .format(x.start, x.end, StrOf(x.text));
      });
}

}  // namespace

void BindGrep(py::module_& m) {
  BindMatch(m);
  py::class_<LineFilter>(m, "GrepLines", "The iterator TGrep.lines returns.")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &LineFilter::Next)
      .def("chunk", &LineFilter::Chunk,
           "The next chosen lines as a list (several at once); an empty list at the end.");
  py::class_<Pattern>(m, "TGrep",
                      "A compiled pattern of the library's regular-expression dialect: ^, $, "
                      "., [set] with ranges and ^ negation, (literal group), *, + and ? after "
                      "a set, a group or the last character of a literal run, \\c and \\#hh "
                      "escapes. A faulty pattern raises StringError with the library's message.")
      .def(py::init([](const py::str& pattern, bool ignore_case) {
             return std::make_unique<Pattern>(Utf16Of(pattern), ignore_case);
           }),
           py::arg("pattern"), py::arg("ignore_case") = false)
      .def_property_readonly(
          "pattern", [](const Pattern& p) { return StrOf(p.pattern()); }, "The pattern as given.")
      .def_property_readonly("ignore_case", &Pattern::ignore_case)
      .def_property_readonly("tokens", &Pattern::tokens, "The number of compiled tokens (<= 64).")
      .def_property_readonly(
          "listing", [](Pattern& p) { return StrOf(p.Listing()); },
          "The compiled tokens, one CR LF line each, and a line with the "
          "compile result.")
      .def("search", &Search, py::arg("text"), py::arg("start") = 1,
           "The first match at or after the 1-based start, as a GrepMatch, or None.")
      .def(
          "findall",
          [](Pattern& p, const py::str& str) {
            const krv::String text = Utf16Of(str);
            const std::vector<krv::String> found =
                Locked(p, text.size(), [&] { return p.FindAll(text); });
            py::list out;
            for (const krv::String& f : found) out.append(StrOf(f));
            return out;
          },
          py::arg("text"), "The texts of all matches from the start on, none overlapping.")
      .def(
          "lines",
          [](py::object self, const py::object& lines, bool invert, bool numbered) {
            return LineFilter(self, self.cast<Pattern&>(), lines, invert, numbered);
          },
          py::arg("lines"), py::kw_only(), py::arg("invert") = false, py::arg("numbered") = false,
          "An iterator of the lines (str) of an iterable, such as an open text file, that match "
          "(with invert, that do not); a trailing line end is not matched against. With "
          "numbered it gives (line_number, line) pairs, counting from 1.")
      .def("__repr__", [](const Pattern& p) {
        return py::str("korvex.TGrep({!r}, ignore_case={})")
            .format(StrOf(p.pattern()), p.ignore_case());
      });
}

}  // namespace korvex_py
