// krv sum: CRC-16, CRC-32 and SHA-1 of files, one line per file as the usual checksum tools
// print them (or BSD-style tagged lines with --tag), and --check to verify such lines the way
// GNU sha1sum -c does: the same lines read, the same lines printed, the same exit status.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/platform/text.h"
#include "sum_check.h"

namespace krv::tool {
namespace {

using sum::CheckLine;
using sum::InfoOf;
using sum::Kind;
using sum::Layout;

// All the sums of one input, fed block by block.
class Sums {
 public:
  explicit Sums(const std::vector<Kind>& kinds) : kinds_(kinds) {}

  void Feed(const Byte* p, std::size_t n) {
    for (Kind k : kinds_) {
      switch (k) {
        case Kind::kCrc16XModem:
          crc16x_ = UpdateCRC16(crc16x_, p, n);
          break;
        case Kind::kCrc16Ccitt:
          crc16c_ = UpdateCRC16(crc16c_, p, n);
          break;
        case Kind::kCrc32:
          crc32_ = UpdateCRC32(crc32_, p, n);
          break;
        case Kind::kSha1:
          sha1_.Update(p, n);
          break;
      }
    }
  }

  // The values in upper-case hexadecimal, in the order of the kinds.
  std::vector<std::string> Values() {
    std::vector<std::string> values;
    char hex[16];
    for (Kind k : kinds_) {
      switch (k) {
        case Kind::kCrc16XModem:
          std::snprintf(hex, sizeof hex, "%04X", crc16x_);
          values.emplace_back(hex);
          break;
        case Kind::kCrc16Ccitt:
          std::snprintf(hex, sizeof hex, "%04X", crc16c_);
          values.emplace_back(hex);
          break;
        case Kind::kCrc32:
          std::snprintf(hex, sizeof hex, "%08X", ~crc32_);
          values.emplace_back(hex);
          break;
        case Kind::kSha1:
          values.push_back(ToUtf8(SHA1DigestToHex(sha1_.Final())));
          break;
      }
    }
    return values;
  }

 private:
  const std::vector<Kind>& kinds_;
  Word crc16x_ = 0x0000;
  Word crc16c_ = 0xFFFF;
  Cardinal crc32_ = 0xFFFFFFFFu;
  TSHA1Context sha1_;
};

// Large reads go from the file straight into this block.
constexpr std::size_t kBlock = 1 << 20;

// The sums of one input; throws Failure when it cannot be read.
std::vector<std::string> SumOne(const std::string& name, const std::vector<Kind>& kinds,
                                Byte* block, bool progress) {
  Input in(name);
  if (progress) in.ShowProgress();
  Sums sums(kinds);
  while (const std::size_t n = in.Read(block, kBlock)) sums.Feed(block, n);
  return sums.Values();
}

// ---- Names as sha1sum writes and reads them ----

using sum::Escaped;
using sum::NeedsEscape;

// A name in the OK / FAILED lines of --check: as sha1sum prints it, escaped (with a leading
// backslash) only when it holds a line feed, so that every result stays one line.
std::string ShownInCheck(const std::string& name) {
  return name.find('\n') == std::string::npos ? name : "\\" + Escaped(name);
}

// ---- Lines written ----

// A line of values, then the name: "V1 V2  NAME", escaped where needed.
std::string SumLine(const std::vector<std::string>& values, const std::string& name) {
  std::string line = NeedsEscape(name) ? "\\" : "";
  for (std::size_t i = 0; i < values.size(); ++i) line += (i > 0 ? " " : "") + values[i];
  return line + "  " + (NeedsEscape(name) ? Escaped(name) : name) + "\n";
}

// One tagged line per value: "TAG (NAME) = VALUE", escaped as sha1sum --tag escapes.
std::string TagLines(const std::vector<Kind>& kinds, const std::vector<std::string>& values,
                     const std::string& name) {
  const bool escape = NeedsEscape(name);
  std::string lines;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    lines += std::string(escape ? "\\" : "") + std::string(InfoOf(kinds[i]).tag) + " (" +
             (escape ? Escaped(name) : name) + ") = " + values[i] + "\n";
  }
  return lines;
}

bool SameHex(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// The lines of an input, split at LF (which is dropped); the last one may lack it.
class LineReader {
 public:
  explicit LineReader(Input& in) : in_(in) {}

  // The next line; false at the end, or after a read error that Error() then holds.
  bool Next(std::string& line) {
    while (!error_) {
      const std::size_t eol = buffer_.find('\n', scanned_);
      if (eol != std::string::npos) {
        line.assign(buffer_, start_, eol - start_);
        start_ = scanned_ = eol + 1;
        return true;
      }
      buffer_.erase(0, start_);
      start_ = 0;
      scanned_ = buffer_.size();
      block_.resize(1 << 16);
      std::size_t n = 0;
      try {
        n = in_.Read(block_.data(), block_.size());
      } catch (const Failure& f) {
        error_ = f;
        return false;
      }
      if (n == 0) {
        if (buffer_.empty()) return false;
        line.swap(buffer_);
        buffer_.clear();
        scanned_ = 0;
        return true;
      }
      buffer_.append(block_.data(), n);
    }
    return false;
  }
  const std::optional<Failure>& Error() const { return error_; }

 private:
  Input& in_;
  std::string buffer_, block_;
  std::size_t start_ = 0;    // where the next line begins in buffer_
  std::size_t scanned_ = 0;  // buffer_ holds no LF before this
  std::optional<Failure> error_;
};

// ---- --check ----

// What --check prints besides the failures; of --quiet, --status and --warn the last given
// decides, as with sha1sum.
enum class Verbosity { kNormal, kQuiet, kStatus, kWarn };

struct CheckOptions {
  std::vector<Kind> given;  // the kinds named by options, in their order; empty: any
  Verbosity verbosity = Verbosity::kNormal;
  bool strict = false;
  bool ignore_missing = false;
};

// "1 line is" / "2 lines are": sha1sum's WARNING lines, singular only for one.
std::string Counted(std::uintmax_t n, std::string_view one, std::string_view many) {
  return "WARNING: " + std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// Checks checksum files one after the other, as sha1sum -c does.
class Checker {
 public:
  Checker(const CheckOptions& o, Byte* block, Output& out) : o_(o), block_(block), out_(out) {}

  // Checks the lines of one checksum file; false unless every check passed.
  bool CheckFile(const std::string& list);

 private:
  struct Counts {
    std::uintmax_t misformatted = 0, unreadable = 0, mismatched = 0;
    bool sound = false;    // a properly formatted line was met
    bool matched = false;  // a file's sums were as its line says
  };

  void CheckText(std::string_view s, std::uintmax_t number, const std::string& list, Counts& c);
  void CheckOne(const CheckLine& line, Counts& c);
  bool Finish(const std::string& shown, const Counts& c);
  void Print(const std::string& text) {
    if (o_.verbosity != Verbosity::kStatus) out_.Write(text);
  }

  const CheckOptions& o_;
  Byte* block_;
  Output& out_;
  Layout layout_ = Layout::kUnknown;  // kept from one checksum file to the next, as sha1sum
};

bool Checker::CheckFile(const std::string& list) {
  if (IsAnOutput(list)) {
    Report({list, "skipped: it is the output"});
    return false;
  }
  std::unique_ptr<Input> in;
  try {
    in = std::make_unique<Input>(list);
  } catch (const Failure& f) {
    Report(f);
    return false;
  }
  LineReader lines(*in);
  Counts c;
  std::string text;
  for (std::uintmax_t number = 1; lines.Next(text); ++number) CheckText(text, number, list, c);
  if (lines.Error()) {
    Report(*lines.Error());
    return false;
  }
  return Finish(list == "-" ? "standard input" : list, c);
}

// One line of the checksum file `list`, its LF taken off.
void Checker::CheckText(std::string_view s, std::uintmax_t number, const std::string& list,
                        Counts& c) {
  s = sum::CheckLineText(s);
  if (s.empty()) return;
  const std::optional<CheckLine> parsed = sum::ParseCheckLine(s, o_.given, layout_);
  if (parsed && !(list == "-" && parsed->name == "-")) {
    c.sound = true;
    CheckOne(*parsed, c);
    return;
  }
  ++c.misformatted;
  if (o_.verbosity == Verbosity::kWarn) {
    const std::string kind = o_.given.size() == 1 ? std::string(InfoOf(o_.given[0]).tag) + " " : "";
    Report({(list == "-" ? "standard input" : list) + ": " + std::to_string(number),
            "improperly formatted " + kind + "checksum line"});
  }
}

// Sums one file named by a properly formatted line and prints the result.
void Checker::CheckOne(const CheckLine& line, Counts& c) {
  const std::string shown = ShownInCheck(line.name);
  if (IsAnOutput(line.name)) {
    Report({line.name, "skipped: it is the output"});
    ++c.unreadable;
    Print(shown + ": FAILED open or read\n");
    return;
  }
  std::vector<std::string> values;
  try {
    values = SumOne(line.name, line.kinds, block_, o_.verbosity != Verbosity::kStatus);
  } catch (const Failure& f) {
    if (o_.ignore_missing && f.reason == ErrnoText(ENOENT)) return;
    Report(f);
    ++c.unreadable;
    Print(shown + ": FAILED open or read\n");
    return;
  }
  bool same = true;
  for (std::size_t i = 0; i < values.size(); ++i) same = same && SameHex(values[i], line.values[i]);
  if (!same) {
    ++c.mismatched;
    Print(shown + ": FAILED\n");
  } else {
    c.matched = true;
    if (o_.verbosity != Verbosity::kQuiet) Print(shown + ": OK\n");
  }
}

// The closing warnings of one checksum file; whether all of it passed. The results go out
// first, so that they come before the warnings and a write error ends the command before.
bool Checker::Finish(const std::string& shown, const Counts& c) {
  FinishStdOut();
  if (!c.sound) {
    Report({shown, "no properly formatted checksum lines found"});
    return false;
  }
  if (o_.verbosity != Verbosity::kStatus) {
    if (c.misformatted != 0)
      Report({"", Counted(c.misformatted, "line is improperly formatted",
                          "lines are improperly formatted")});
    if (c.unreadable != 0)
      Report({"", Counted(c.unreadable, "listed file could not be read",
                          "listed files could not be read")});
    if (c.mismatched != 0)
      Report({"", Counted(c.mismatched, "computed checksum did NOT match",
                          "computed checksums did NOT match")});
    if (o_.ignore_missing && !c.matched) Report({shown, "no file was verified"});
  }
  return c.matched && c.mismatched == 0 && c.unreadable == 0 && (!o_.strict || c.misformatted == 0);
}

// ---- The command ----

struct Options {
  std::vector<std::string> files;
  std::vector<std::string> crc16;  // "xmodem" or "ccitt", one per --crc16
  bool check = false, tag = false, status = false, warn = false, strict = false;
  bool ignore_missing = false;
  CLI::App* app = nullptr;
};

// The sums asked for, in the order of their options.
std::vector<Kind> KindsInOrder(const Options& o) {
  std::vector<Kind> kinds;
  std::size_t crc16_seen = 0;
  for (const CLI::Option* opt : o.app->parse_order()) {
    Kind k;
    if (opt->check_name("--crc16")) {
      k = o.crc16.at(crc16_seen++) == "ccitt" ? Kind::kCrc16Ccitt : Kind::kCrc16XModem;
    } else if (opt->check_name("--crc32")) {
      k = Kind::kCrc32;
    } else if (opt->check_name("--sha1")) {
      k = Kind::kSha1;
    } else {
      continue;
    }
    if (std::find(kinds.begin(), kinds.end(), k) == kinds.end()) kinds.push_back(k);
  }
  return kinds;
}

// The last of --quiet, --status and --warn given.
Verbosity VerbosityOf(const Options& o) {
  Verbosity v = Verbosity::kNormal;
  for (const CLI::Option* opt : o.app->parse_order()) {
    if (opt->check_name("--quiet")) v = Verbosity::kQuiet;
    if (opt->check_name("--status")) v = Verbosity::kStatus;
    if (opt->check_name("--warn")) v = Verbosity::kWarn;
  }
  return v;
}

int RunCheck(const Options& o, const std::vector<std::string>& lists, Byte* block, Output& out) {
  const CheckOptions co{KindsInOrder(o), VerbosityOf(o), o.strict, o.ignore_missing};
  Checker checker(co, block, out);
  bool ok = true;
  for (const std::string& list : lists) ok = checker.CheckFile(list) && ok;
  return ok ? kExitOk : kExitNo;
}

// Sums each file; an input that is the output itself (`krv sum * > SUMS`) is left out.
int RunSums(const Options& o, const std::vector<std::string>& files, Byte* block, Output& out) {
  std::vector<Kind> kinds = KindsInOrder(o);
  if (kinds.empty()) kinds.push_back(Kind::kCrc32);
  int status = kExitOk;
  for (const std::string& name : files) {
    if (IsAnOutput(name)) {
      Report({name, "skipped: it is the output"});
      continue;
    }
    std::vector<std::string> values;
    try {
      values = SumOne(name, kinds, block, true);
    } catch (const Failure& f) {
      status = Report(f);
      continue;
    }
    out.Write(o.tag ? TagLines(kinds, values, name) : SumLine(values, name));
  }
  return status;
}

int Run(const Options& o) {
  std::vector<std::string> files = o.files;
  if (files.empty()) files.push_back("-");
  const std::unique_ptr<Byte[]> block(new Byte[kBlock]);
  Output out("-");
  const int status =
      o.check ? RunCheck(o, files, block.get(), out) : RunSums(o, files, block.get(), out);
  out.Commit();
  return status;
}

// Options of -c alone, and --tag, which -c has no use for, are usage errors, as for sha1sum.
void RefuseMisplacedOptions(const Options& o) {
  if (o.check && o.tag) throw CLI::ValidationError("--tag", "meaningless with -c");
  if (o.check) return;
  for (const char* name : {"--status", "--warn", "--strict", "--ignore-missing"})
    if (o.app->count(name) > 0) throw CLI::ValidationError(name, "meaningful only with -c");
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  o->app = &app;
  app.add_flag("--crc16{xmodem}", o->crc16,
               "CRC-16 with polynomial 0x1021, no final inversion; MODE xmodem (start 0x0000, "
               "CRC-16/XMODEM, the default) or ccitt (start 0xFFFF, CRC-16/IBM-3740)")
      ->transform(OneOf({"xmodem", "ccitt"}))
      ->option_text("[=MODE]");
  app.add_flag("--crc32")->description(
      "CRC-32 as zlib, PNG and Ethernet compute it (CRC-32/ISO-HDLC)");
  app.add_flag("--sha1")->description("SHA-1 digest; alone, the lines read as those of sha1sum");
  app.add_flag("-c,--check", o->check, "read checksum lines from the FILEs and verify them");
  app.add_flag("--tag", o->tag, "write tagged lines 'TAG (FILE) = VALUE', one per value");
  AddQuietFlag(app);
  app.get_option("--quiet")->description(
      "no progress line on standard error; with -c, no line for a file that passed");
  app.add_flag("--status", o->status, "with -c: print nothing; the exit status tells");
  app.add_flag("-w,--warn", o->warn, "with -c: warn about each improperly formatted line");
  app.add_flag("--strict", o->strict, "with -c: improperly formatted lines make the check fail");
  app.add_flag("--ignore-missing", o->ignore_missing,
               "with -c: a listed file that does not exist is neither reported nor a failure");
  app.callback([o] { RefuseMisplacedOptions(*o); });
  KeepOperands(app.add_option("FILE", o->files, "files to sum ('-' is standard input)"));
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "sum",
     .summary = "CRC-16, CRC-32 and SHA-1 checksums of files, and checking them",
     .usage = "krv sum [--crc16[=MODE]] [--crc32] [--sha1] [--tag] [-q] [FILE...]\n"
              "krv sum -c [--crc16[=MODE]] [--crc32] [--sha1] [-q|--status|-w]\n"
              "        [--strict] [--ignore-missing] [FILE...]",
     .description =
         "Prints checksums of each FILE, one line per file: the values in upper-case\n"
         "hexadecimal, in the order the options are given and a blank apart, then two\n"
         "blanks and the file name. With no FILE, or where FILE is '-', standard input is\n"
         "read. Without options, --crc32 is assumed. With --tag, each value has a line of\n"
         "its own, 'TAG (FILE) = VALUE' as BSD tools write it; the TAG is SHA1 (as in\n"
         "sha1sum --tag), CRC-16/XMODEM, CRC-16/IBM-3740 or CRC-32/ISO-HDLC. A name\n"
         "holding a backslash, a line feed or a carriage return is written as sha1sum\n"
         "writes it: the line starts with a backslash and those characters appear as \\\\,\n"
         "\\n and \\r. A FILE that is the file standard output writes to (SUMS in\n"
         "'krv sum * > SUMS') is skipped with a warning and gets no line.\n"
         "\n"
         "With -c, each FILE holds such lines, plain or tagged, from krv sum or sha1sum\n"
         "('HEX  NAME', 'HEX *NAME', 'HEX NAME', 'SHA1 (NAME) = HEX'), and each file they\n"
         "name is summed again and reported as 'NAME: OK', 'NAME: FAILED' or, after the\n"
         "reason on standard error, 'NAME: FAILED open or read'. Empty lines (a lone\n"
         "carriage return included) and lines starting with '#' are passed over; any\n"
         "other line that is no checksum line is improperly formatted. Warnings at the\n"
         "end count such lines, the files that could not be read and the sums that did\n"
         "not match. The kinds of the values follow from the options when given (in\n"
         "their order; a tagged line must be of one of them), otherwise from the tags\n"
         "or the lengths: 4 digits CRC-16/XMODEM, 8 CRC-32, 40 SHA-1. With --sha1 alone,\n"
         "-c reads and prints what sha1sum -c does, and exits as it does. Of --quiet,\n"
         "--status and --warn, the last one given decides what is printed.\n"
         "\n"
         "A progress line is shown on standard error for long files when it is a terminal,\n"
         "unless -q or --status is given.",
     .exit_status = "0  every file was summed; with -c, every check passed\n"
                    "1  with -c: a sum did not match, a listed file could not be read, a\n"
                    "   checksum file had no properly formatted line or could not be read,\n"
                    "   with --strict a line was improperly formatted, with\n"
                    "   --ignore-missing a checksum file had no file to verify\n"
                    "2  without -c: a file could not be read; a usage error, or standard\n"
                    "   output could not be written",
     .examples = "krv sum --sha1 report.pdf\n"
                 "krv sum --crc16=ccitt --crc32 --sha1 *.bin\n"
                 "krv sum --sha1 * > SUMS && krv sum --sha1 -c SUMS\n"
                 "krv sum --tag --crc32 --sha1 *.iso > SUMS && krv sum -c --quiet SUMS\n"
                 "krv sum -c --ignore-missing --strict SHA1SUMS\n"
                 "printf 123456789 | krv sum --crc16 --crc16=ccitt --crc32"},
    &Setup};

}  // namespace
}  // namespace krv::tool
