// krv grep: searches files line by line with a TGrep pattern.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "command.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/grep.h"

namespace krv::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: krv grep [-i] [-n] [-c] [-o] [-v] PATTERN [FILE...]\n"
    "\n"
    "Searches each FILE line by line for PATTERN and prints the lines that match. Without\n"
    "FILE, or for -, reads standard input. With more than one FILE each output line begins\n"
    "with the file name and a colon.\n"
    "\n"
    "PATTERN is in the Korvex pattern dialect: literal characters, \\c for c taken literally,\n"
    ". for any character, sets [a-z0-9] and [^0-9], literal groups (abc), each optionally\n"
    "followed by * (any number), + (one or more) or ? (optional); ^ at the start and $ at the\n"
    "end anchor the match; \\#hh is the character of hexadecimal code hh. A mark after a run\n"
    "of characters applies to the last one: ab* is a followed by any number of b; (ab)* repeats\n"
    "the group. Repetitions are tried shortest first; one at the end of the pattern takes all\n"
    "it can. A pattern that is a single repetition (x*) matches every line.\n"
    "\n"
    "Lines are read as UTF-8 when they are valid UTF-8, otherwise as Windows-1252; a CR before\n"
    "the line end is not part of the line. Positions count characters (UTF-16 code units) from 1.\n"
    "\n"
    "Options:\n"
    "  -i   ignore the case of the letters A-Z\n"
    "  -n   put the line number before each output line\n"
    "  -c   print only the number of selected lines (per file)\n"
    "  -o   print each non-empty match on a line of its own as START-END:TEXT\n"
    "  -v   select the lines that do not match\n"
    "\n"
    "Exit status: 0 when a line was selected, 1 when none was, 2 on a pattern error (its text\n"
    "is printed), a bad option or a file that cannot be read.\n";

struct Options {
  bool ignore_case = false;
  bool numbers = false;
  bool count = false;
  bool only = false;
  bool invert = false;
};

// True when bytes form well-formed UTF-8 (no overlong forms, surrogates or codes past U+10FFFF).
bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int more;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(more) >= s.size()) return false;
    for (int k = 1; k <= more; ++k) {
      const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if (d < lo || d > hi) return false;
      lo = 0x80;
      hi = 0xBF;
    }
    i += static_cast<std::size_t>(more) + 1;
  }
  return true;
}

// Decodes a line or the pattern; utf8 tells which reading was taken.
String Decode(std::string_view bytes, bool& utf8) {
  utf8 = IsUtf8(bytes);
  return utf8 ? ToUtf16(bytes) : FromAnsi(bytes);
}

std::string Encode(std::u16string_view s, bool utf8) {
  return utf8 ? ToUtf8(s) : ToAnsi(String(s));
}

class Searcher {
 public:
  Searcher(TGrep& grep, const Options& opt, bool with_names)
      : grep_(grep), opt_(opt), with_names_(with_names) {}

  // Searches one stream; returns the number of selected lines.
  long Run(std::istream& in, const std::string& name) {
    long selected = 0;
    long number = 0;
    std::string raw;
    while (std::getline(in, raw)) {
      ++number;
      std::string_view line = raw;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      bool utf8 = true;
      const String text = Decode(line, utf8);
      grep_.SetSearchStartPos(1);
      Integer pos = 0;
      const bool matched = grep_.MatchString(text, pos);
      if (matched == opt_.invert) continue;
      ++selected;
      if (opt_.count) continue;
      if (!opt_.only) {
        Prefix(name, number);
        std::cout << raw << '\n';
      } else if (matched) {
        PrintMatches(text, utf8, name, number);
      }
    }
    if (opt_.count) {
      if (with_names_) std::cout << name << ':';
      std::cout << selected << '\n';
    }
    return selected;
  }

 private:
  void Prefix(const std::string& name, long number) {
    if (with_names_) std::cout << name << ':';
    if (opt_.numbers) std::cout << number << ':';
  }

  // Every match of the line, each search starting after the previous match.
  void PrintMatches(const String& text, bool utf8, const std::string& name, long number) {
    const auto length = static_cast<Integer>(text.size());
    Integer from = 1;
    Integer pos = 0;
    while (from <= length + 1) {
      grep_.SetSearchStartPos(from);
      if (!grep_.MatchString(text, pos)) break;
      const Integer start = grep_.MatchStartPos();
      const Integer end = grep_.MatchEndPos();
      if (end >= start && end <= length) {
        Prefix(name, number);
        const auto view = std::u16string_view(text).substr(
            static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1));
        std::cout << start << '-' << end << ':' << Encode(view, utf8) << '\n';
      }
      from = end >= start ? end + 1 : start + 1;
    }
  }

  TGrep& grep_;
  const Options& opt_;
  bool with_names_;
};

int RunGrep(const Args& args) {
  Options opt;
  std::vector<std::string> operands;
  bool options_done = false;
  for (const std::string& a : args) {
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      for (std::size_t i = 1; i < a.size(); ++i) {
        switch (a[i]) {
          case 'i':
            opt.ignore_case = true;
            break;
          case 'n':
            opt.numbers = true;
            break;
          case 'c':
            opt.count = true;
            break;
          case 'o':
            opt.only = true;
            break;
          case 'v':
            opt.invert = true;
            break;
          default:
            return Fail("grep", "unknown option '-" + std::string(1, a[i]) + "'", true);
        }
      }
    } else {
      operands.push_back(a);
    }
  }
  if (operands.empty()) return Fail("grep", "missing PATTERN", true);

  TGrep grep;
  grep.SetName(u"grep");
  grep.SetStopOnError(false);
  grep.SetIgnoreCase(opt.ignore_case);
  bool utf8 = true;
  grep.SetRegExp(Decode(operands[0], utf8));
  if (grep.LastError() != 0) {
    std::cerr << "krv grep: error in regular expression - "
              << ToUtf8(GrepErrorText(grep.LastError())) << '\n';
    return kExitUsage;
  }

  std::vector<std::string> files(operands.begin() + 1, operands.end());
  if (files.empty()) files.push_back("-");
  Searcher searcher(grep, opt, files.size() > 1);
  long selected = 0;
  bool failed = false;
  for (const std::string& f : files) {
    if (f == "-") {
      selected += searcher.Run(std::cin, "(standard input)");
      continue;
    }
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(f, ec)) in.open(f, std::ios::binary);
    if (!in.is_open()) {
      std::cerr << "krv grep: " << f << ": cannot open the file\n";
      failed = true;
      continue;
    }
    selected += searcher.Run(in, f);
    if (in.bad()) {
      std::cerr << "krv grep: " << f << ": read error\n";
      failed = true;
    }
  }
  std::cout.flush();
  if (failed) return kExitUsage;
  return selected > 0 ? kExitOk : kExitFailure;
}

const KrvCommand reg{"grep", "search files for a TGrep pattern", kUsage, &RunGrep};

}  // namespace
}  // namespace krv::tool
