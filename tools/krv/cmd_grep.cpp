// krv grep: searches files line by line for patterns of the library's dialect (TGrep), with
// GNU grep's options. The search itself is in grep_search.h, -r in grep_tree.h.
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "grep_search.h"
#include "grep_tree.h"
#include "io.h"
#include "os.h"

namespace krv::tool {
namespace {

class OutputSink : public GrepSink {
 public:
  explicit OutputSink(Output& out) : out_(out) {}
  void Write(std::string_view text) override { out_.Write(text); }

 private:
  Output& out_;
};

// Appends the lines of text, each a pattern.
void SplitLines(std::string_view text, std::vector<std::string>& patterns) {
  for (;;) {
    const std::size_t nl = text.find('\n');
    patterns.emplace_back(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
}

// The patterns of -f FILE: one per line; an empty file gives none (and selects nothing).
void ReadPatternFile(const std::string& name, std::vector<std::string>& patterns) {
  Input in(name);
  std::string text, block(1 << 16, '\0');
  while (const std::size_t n = in.Read(block.data(), block.size())) {
    text.append(block.data(), n);
    if (text.size() > (std::size_t{64} << 20)) throw Failure{name, "more than 64 MiB of patterns"};
  }
  if (text.empty()) return;
  if (text.back() == '\n') text.pop_back();
  SplitLines(text, patterns);
}

// The patterns: the -e and -f ones, or else the first operand; each split at its line
// breaks.
std::vector<std::string> Patterns(const GrepOptions& o, std::vector<std::string>& files) {
  files = o.operands;
  std::vector<std::string> patterns;
  for (const std::string& p : o.patterns) SplitLines(p, patterns);
  for (const std::string& f : o.pattern_files) ReadPatternFile(f, patterns);
  if (o.patterns.empty() && o.pattern_files.empty()) {
    if (files.empty()) throw Failure{"", "no PATTERN given; run 'krv grep --help'"};
    SplitLines(files.front(), patterns);
    files.erase(files.begin());
  }
  return patterns;
}

GrepColors Colors(const GrepOptions& o) {
  GrepColors colors;
  const char* term = std::getenv("TERM");
  colors.on = o.color == "always" || (o.color == "auto" && os::IsTerminal(1) && term != nullptr &&
                                      std::string_view(term) != "dumb");
  if (const char* settings = std::getenv("GREP_COLORS"); colors.on && settings != nullptr)
    colors.Apply(settings);
  return colors;
}

// Searches the files one after the other; an input that cannot be opened is reported and
// the others are searched.
GrepTotals SearchFiles(const GrepOptions& o, GrepSearch& search,
                       const std::vector<std::string>& files, Output& out) {
  GrepTotals totals;
  OutputSink sink(out);
  for (const std::string& name : files) {
    std::optional<Input> in;
    try {
      in.emplace(name);
    } catch (const Failure& f) {
      totals.error = true;
      if (!o.silent) Report(f);
      continue;
    }
    if (!o.quiet) in->ShowProgress();
    const GrepFileResult r = search.File(*in, name == "-" ? "(standard input)" : name, sink);
    totals.selected += r.selected;
    totals.error = totals.error || r.error;
    if (search.Done()) break;
  }
  return totals;
}

int Run(const GrepOptions& o) {
  std::vector<std::string> files;
  const std::vector<std::string> patterns = Patterns(o, files);
  const GrepColors colors = Colors(o);
  const bool names = o.names < 0 ? files.size() > 1 || o.recursive : o.names == 1;
  GrepSearch search(o, patterns, colors, names);  // compiles (and checks) the patterns
  Output out("-");
  GrepTotals totals;
  if (o.recursive) {
    totals = SearchTree(o, patterns, colors, names, files, out);
  } else {
    if (files.empty()) files.push_back("-");
    totals = SearchFiles(o, search, files, out);
  }
  out.Commit();
  // As POSIX has it: with -q a selected line is the answer, whatever else failed.
  if (o.quiet && totals.selected > 0) return kExitOk;
  if (totals.error) return kExitError;
  return totals.selected > 0 ? kExitOk : kExitNo;
}

void AddSelectionOptions(CLI::App& app, GrepOptions& o) {
  app.add_option("-e,--regexp", o.patterns, "a pattern; may be given several times")
      ->allow_extra_args(false)
      ->option_text(" PATTERN");
  app.add_option("-f,--file", o.pattern_files,
                 "read patterns from FILE, one per line ('-': standard input)")
      ->allow_extra_args(false)
      ->option_text(" FILE");
  app.add_flag("-F,--fixed-strings", o.fixed,
               "take every character of the patterns literally (no dialect)");
  app.add_flag("-i,--ignore-case", o.ignore_case, "ignore the case of the letters A-Z");
  app.add_flag("-v,--invert-match", o.invert, "select the lines that do not match");
  app.add_flag("-w,--word-regexp", o.word,
               "select lines with a match that is a whole word (not next to a letter, "
               "digit or '_')");
  app.add_flag("-x,--line-regexp", o.whole_line, "select lines that match as a whole");
  app.add_option("-m,--max-count", o.max_count, "stop reading a file after NUM selected lines")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)  // as in grep: the last counts
      ->transform(WholeNumber(0, kNoUpperBound))
      ->option_text(" NUM");
}

void AddOutputOptions(CLI::App& app, GrepOptions& o) {
  app.add_flag("-c,--count", o.count, "print only the number of selected lines per file");
  app.add_flag("-l,--files-with-matches", o.list,
               "print only the names of files with a selected line");
  app.add_flag("-L,--files-without-match", o.list_without,
               "print only the names of files without a selected line");
  app.add_flag("-o,--only-matching", o.only,
               "print each non-empty match of a selected line on a line of its own");
  app.add_flag("--positions", o.positions,
               "with -o, put START-END: before each match (positions of characters in the "
               "line, from 1)");
  app.add_flag("-q,--quiet,--silent", o.quiet,
               "print nothing (not even a progress line); stop at the first selected line");
  app.add_flag("-s,--no-messages", o.silent,
               "no messages about files that cannot be read (the exit status still tells)");
  app.add_flag("-n,--line-number", o.numbers, "put the line number before each output line");
  app.add_flag("-b,--byte-offset", o.byte_offset,
               "put the byte offset in the file of each output line (with -o: of each match) "
               "before it");
  app.add_flag("-a,--text", o.text, "print selected lines that hold NUL bytes as they are");
  // A flag, so that a following operand is never taken for WHEN; --color=WHEN sets it.
  app.add_flag("--color{auto},--colour{auto}", o.color,
               "colour matches, names, numbers and separators: always, never, or auto (when "
               "standard output is a terminal); GREP_COLORS changes the colours as in GNU grep")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
      ->transform(OneOf({"always", "never", "auto"}))
      ->option_text("[=WHEN]");
}

void AddContextOptions(CLI::App& app, GrepOptions& o) {
  const auto lines = [&](const char* names, int& into, const char* what) {
    app.add_option(names, into, what)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->transform(WholeNumber(0, 1 << 30))
        ->option_text(" NUM");
  };
  lines("-A,--after-context", o.after, "print NUM lines of context after each selected line");
  lines("-B,--before-context", o.before, "print NUM lines of context before each selected line");
  lines("-C,--context", o.context,
        "print NUM lines of context before and after (groups apart "
        "are parted by a line '--')");
}

void AddFileOptions(CLI::App& app, GrepOptions& o) {
  app.add_flag("-r,--recursive", o.recursive,
               "search the files in each FOLDER and its subfolders (without FILE: the current "
               "folder), on every core; symbolic links only when given as operands");
  app.add_flag("-R,--dereference-recursive", o.follow_links,
               "as -r, and follow every symbolic link");
  const auto masks = [&](const char* names, std::vector<std::string>& into, const char* what) {
    app.add_option(names, into, what)->allow_extra_args(false)->option_text("=MASK");
  };
  masks("--include", o.include, "with -r, search only files whose name matches MASK");
  masks("--exclude", o.exclude, "skip files whose name matches MASK");
  masks("--exclude-dir", o.exclude_dir, "with -r, skip folders whose name matches MASK");
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<GrepOptions>();
  KeepOperands(app.add_option("PATTERN", o->operands,
                              "the pattern (unless -e or -f gives it), then the files ('-' or "
                              "none: standard input)"));
  AddSelectionOptions(app, *o);
  AddOutputOptions(app, *o);
  AddContextOptions(app, *o);
  AddFileOptions(app, *o);
  CLI::Option* with =
      app.add_flag("-H,--with-filename")->description("put the file name before each line");
  CLI::Option* without =
      app.add_flag("-h,--no-filename")->description("never put file names before lines");
  return [o, &app, with, without] {
    for (const CLI::Option* opt : app.parse_order()) {
      if (opt == with) o->names = 1;
      if (opt == without) o->names = 0;
    }
    if (o->follow_links) o->recursive = true;
    if (o->color.empty()) o->color = "auto";
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
         "krv grep is stricter than the dialect itself: a pattern that leaves a set or a group\n"
         "open ('fo[o', '(ab') or ends in a lone back slash is refused, naming the character\n"
         "where the set or group began. With -F every character is itself. Limits: a pattern\n"
         "compiles to at most 64 tokens (62 with -w or -x, which add two), and a run of\n"
         "literal characters holds at most 255 (-F splits longer text into several runs).\n"
         "\n"
         "Lines are read as UTF-8 when they are valid UTF-8, otherwise as Windows-1252; a CR\n"
         "before the line end is not part of the line. Patterns are read the same way.\n"
         "Matches printed by -o are whole characters, as bytes of the line. A selected line\n"
         "that holds a NUL byte prints 'Binary file NAME matches' instead, and the rest of\n"
         "that file is skipped, unless -a is given.\n"
         "\n"
         "Memory stays bounded: a line longer than 32 MiB is searched as it streams past,\n"
         "which needs its bytes to be ASCII (otherwise it is reported and not searched); such a\n"
         "line is printed by reading it again, so from a regular file only, and not with -o,\n"
         "--color or context. A line of 2^31 - 1 characters or more never matches.\n"
         "\n"
         "-r searches the files below each FOLDER on every core and prints each file's lines\n"
         "together, the files in the order of the walk: names sorted byte by byte within each\n"
         "folder. Devices, FIFOs and sockets met on the way are not read. --include, --exclude\n"
         "and --exclude-dir masks use the Windows wildcard rules of 'krv files' (* and ?),\n"
         "matched case-sensitively against the last name of each path.",
     .exit_status = "0  a line was selected (with -q: also when an error occurred)\n"
                    "1  no line was selected\n"
                    "2  an error: a bad pattern or option, a file that cannot be read, a write\n"
                    "   error (also when lines were selected, unless -q)",
     .examples = "krv grep -n 'ab[0-9]+x' notes.txt\n"
                 "krv grep -o -i 'sensor[ _]?[0-9]+' log.txt\n"
                 "krv grep -c -e error -e warning a.log b.log\n"
                 "krv grep -lw TODO *.cpp\n"
                 "krv grep -q '^#featdef' m.txt && echo 'a feature-matrix file'\n"
                 "krv grep -rn --include='*.cpp' -w TODO src\n"
                 "krv grep -C 2 --color=auto -F 'a[i]' log.txt\n"
                 "krv grep -- -x notes.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
