// The search of one input for krv grep: reading it in blocks, choosing the lines, and
// printing them as GNU grep does (names, numbers, byte offsets, context, colours).
//
// Speed: lines are found in raw bytes. A prefilter (grep_pattern.h) skips lines that cannot
// match without looking at them line by line; a line of ASCII bytes is then decided by the
// automaton of grep_dfa.h; only lines with other bytes are decoded and given to TGrep, as
// are the selected lines whose matches -o or --color must show.
//
// Memory: a line is held while it is shorter than kWindow. A longer line is decided as it
// streams past (its bytes must be ASCII, so that the automaton can decide it); when it must
// be printed it is read again from the file, which must then be seekable. So memory stays
// near kWindow plus one block, whatever the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grep_dfa.h"
#include "grep_pattern.h"

namespace krv::tool {

class Input;
struct Failure;

struct GrepOptions {
  std::vector<std::string> operands;       // PATTERN (without -e or -f), then the files
  std::vector<std::string> patterns;       // -e
  std::vector<std::string> pattern_files;  // -f
  bool ignore_case = false, numbers = false, count = false, only = false, invert = false;
  bool list = false, list_without = false, quiet = false, silent = false, word = false;
  bool whole_line = false, text = false, positions = false, fixed = false, byte_offset = false;
  bool recursive = false, follow_links = false;
  long long max_count = -1;                   // -m; -1 for no limit
  int after = -1, before = -1, context = -1;  // -A, -B, -C; -1 when not given
  std::string color = "never";
  std::vector<std::string> include, exclude, exclude_dir;
  int names = -1;  // -H 1, -h 0, neither -1 (names when there are several files)
};

// The escape sequences of --color (GNU grep's names and defaults, GREP_COLORS applied).
struct GrepColors {
  bool on = false;
  std::string selected_match = "01;31", context_match = "01;31";
  std::string file_name = "35", line_number = "32", byte_offset = "32", separator = "36";
  bool erase_line = true;  // \33[K after each start and end ("ne" turns it off)
  // The defaults overridden by a GREP_COLORS value such as "ms=01;32:fn=34:ne".
  void Apply(std::string_view settings);
};

// Where output goes: standard output, or a buffer of one file's output in a parallel search.
class GrepSink {
 public:
  virtual ~GrepSink() = default;
  virtual void Write(std::string_view text) = 0;
};

// What the search of one input found.
struct GrepFileResult {
  long long selected = 0;
  bool error = false;
};

class GrepSearch {
 public:
  static constexpr std::size_t kBlock = std::size_t{256} << 10;
  static constexpr std::size_t kWindow = std::size_t{32} << 20;

  // Compiles the patterns (each split at its line breaks already); throws Failure.
  GrepSearch(const GrepOptions& o, const std::vector<std::string>& patterns,
             const GrepColors& colors, bool names);
  ~GrepSearch();

  // Searches one input; errors reading it are reported and counted, not thrown. A write
  // error is thrown.
  GrepFileResult File(Input& in, const std::string& label, GrepSink& sink);
  // True once -q has seen a selected line: nothing more needs reading.
  bool Done() const { return quit_; }
  // Keeps the messages about the inputs in reports instead of printing them (a search on
  // another thread; null: print them).
  void set_reports(std::vector<Failure>* reports) { reports_ = reports; }
  // True when some output was written (for the "--" between context groups of files).
  bool wrote_group() const { return wrote_group_; }
  void set_wrote_group(bool v) { wrote_group_ = v; }

 private:
  struct LongLine;
  enum class Known : std::uint8_t { kNo, kYes, kUnknown };
  // A match in a line: its bytes, and its positions as characters (1-based, inclusive).
  struct Span {
    std::size_t begin, end;
    Integer first, last;
  };

  bool Lines(std::string_view text, std::string& pending);
  bool Skipped(std::string_view lines);
  bool Line(std::string_view raw, Known known, std::size_t hint = 0);
  bool Matches(std::string_view line, std::size_t hint);
  // The prefilter, when its candidates are where matches start.
  const LineDfa::StartFinder* Starts() const {
    return filter_ != nullptr && filter_->starts_match() ? filter_ : nullptr;
  }
  bool Selected(std::string_view raw, std::string_view line, bool matched);
  void Context(std::string_view raw, bool matched);
  void PrintLine(std::string_view raw, long long number, std::int64_t offset, char sep,
                 bool matched);
  void PrintMatches(std::string_view raw, long long number, std::int64_t offset);
  const std::vector<Span>& Spans(std::string_view line);
  void Decode(std::string_view line, bool& utf8);
  void Highlighted(std::string_view raw, const std::string& sgr);
  void Prefix(char sep, long long number, std::int64_t offset);
  void Separator();
  void Colored(const std::string& sgr, std::string_view text);
  void StartLong(std::string& pending);
  void FeedLong(std::string_view piece);
  bool EndLong();
  void Finish();
  void Tell(const Failure& f);

  const GrepOptions& o_;
  const GrepColors& colors_;
  std::vector<std::unique_ptr<Matcher>> matchers_;
  std::optional<LineDfa> dfa_;
  const Prefilter* filter_ = nullptr;  // skips lines that cannot match
  bool exact_ = false;                 // a line holding a candidate is selected
  bool every_line_ = false;            // every line matches
  bool names_ = false;
  bool context_ = false;  // -A, -B or -C: every line is looked at
  int after_ = 0, before_ = 0;

  // The input being searched.
  Input* in_ = nullptr;
  GrepSink* sink_ = nullptr;
  std::string label_;
  long long number_ = 0;     // the number of the line being handled (counted for -n and -v)
  std::int64_t offset_ = 0;  // the byte offset of the line being handled
  std::int64_t next_offset_ = 0;
  long long selected_ = 0;
  bool stop_ = false;  // the rest of this input is not needed
  bool quit_ = false;  // nothing more of any input is needed (-q)
  bool error_ = false;
  int after_left_ = 0;          // context lines still to print after a selected line
  long long last_printed_ = 0;  // number of the last line printed (0: none in this file)
  bool wrote_group_ = false;
  struct Held {
    long long number;
    std::int64_t offset;
    std::string raw;
  };
  std::deque<Held> held_;  // the lines before the next selected one (-B)
  std::unique_ptr<LongLine> long_;
  String decoded_;
  std::vector<Span> spans_;
  struct AlignedDelete {
    void operator()(char* p) const { ::operator delete (p, std::align_val_t{4096}); }
  };
  std::unique_ptr<char, AlignedDelete> block_;  // what is read, kBlock bytes
  std::vector<Failure>* reports_ = nullptr;
  std::string text_;  // the output line being built
};

}  // namespace krv::tool
