// krv text: the library's text-file utilities on files: byte-order type, line count, last
// lines, first match, CR LF repair and ASC headers. Files are POSIX names; their text is
// read as the library reads text files, one Windows-1252 character per byte, and lines are
// printed with their bytes unchanged.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli.h"
#include "io.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "os.h"

namespace krv::tool {
namespace {

struct Options {
  std::string file = "-", in, out = "-", text;
  std::int32_t count = 10;
  bool ignore_case = false;
};

// The name the library opens for a file operand ("-" is standard input), after the operand
// passed the checks every krv input gets (missing, unreadable, a directory). Where standard
// input has no name, it is copied to `copy` first.
String LibraryName(const std::string& operand, std::optional<ScratchFile>& copy) {
  Input check(operand);
  std::string native = operand;
  if (operand == "-") {
    native = os::StdinName();
    if (native.empty()) {
      copy.emplace("text");
      copy->CopyFrom(check);
      return copy->Path();
    }
  }
#ifdef _WIN32
  return ToUtf16(native);
#else
  // The verbatim form names exactly this path: no case, drive or `\` rule applies to it.
  return u"\\\\?\\" + FromNativeName(native);
#endif
}

// Runs a library call on the operand's file; the library's errors name the operand.
template <typename Fn>
auto OnFile(const std::string& operand, Fn fn) {
  std::optional<ScratchFile> copy;
  const String name = LibraryName(operand, copy);
  try {
    return fn(name);
  } catch (const krv::Exception& e) {
    throw Failure{operand, e.what()};
  }
}

int Type(const Options& o) {
  static constexpr const char* kNames[] = {"tftUnicode_le",  "tftUnicode_be", "tftUnicode4_le",
                                           "tftUnicode4_be", "tftRTF",        "tftUTF8",
                                           "tftUnknown"};
  Output out("-");
  const TTextfileType type = OnFile(o.file, [](const String& n) { return CheckTextFileType(n); });
  out.Text() << kNames[type] << '\n';
  out.Commit();
  return kExitOk;
}

int Lines(const Options& o) {
  Output out("-");
  out.Text() << OnFile(o.file, [](const String& n) { return CountLinesInTextFile(n); }) << '\n';
  out.Commit();
  return kExitOk;
}

int Tail(const Options& o) {
  Output out("-");
  std::int32_t total = 0;
  const TStrArray lines =
      OnFile(o.file, [&](const String& n) { return ReadLastNLinesOfTextFile(n, o.count, total); });
  // The library pads a short file's lines with empty strings in front; those are not lines.
  const std::size_t kept = std::min(lines.size(), static_cast<std::size_t>(total));
  for (std::size_t i = lines.size() - kept; i < lines.size(); ++i) {
    out.Write(ToAnsi(lines[i]));
    out.Write("\n");
  }
  out.Commit();
  return kExitOk;
}

int Find(const Options& o) {
  Output out("-");
  String line;
  const std::int32_t pos = OnFile(o.file, [&](const String& n) {
    return FindFirstMatchInTextFile(n, FromAnsi(o.text), o.ignore_case, line);
  });
  if (pos == 0) return kExitNo;
  out.Write(std::to_string(pos) + ":" + ToAnsi(line) + "\n");
  out.Commit();
  return kExitOk;
}

int Crlf(const Options& o) {
  Output out(o.out);
  Input in(o.in);
  in.ShowProgress();
  EnsureCRLFInStream(in.Stream(), out.Stream());
  out.Commit();
  return kExitOk;
}

const char* AscMeaning(std::int32_t status) {
  switch (status) {
    case kAscBadFirstNumber:
      return "line 2 is not a number";
    case kAscBadSecondNumber:
      return "line 3 is not a number";
    case kAscBadFlag:
      return "line 4: a flag word is neither TRUE nor FALSE";
    case kAscLineFeedInTitle:
      return "line feed in the title";
    default:
      return "malformed ASC header";
  }
}

int Asc(const Options& o) {
  Output out("-");
  String title;
  std::int32_t first = 0, second = 0;
  bool flags[4] = {};
  const std::int32_t status = OnFile(o.file, [&](const String& n) {
    return ReadHeaderOfASC(n, title, first, second, flags[0], flags[1], flags[2], flags[3]);
  });
  if (status != kAscOk) {
    throw Failure{o.file,
                  std::string(AscMeaning(status)) + " (status " + std::to_string(status) + ")"};
  }
  std::string text = "title: " + ToAnsi(title) + "\nfirst number: " + std::to_string(first) +
                     "\nsecond number: " + std::to_string(second) + "\nflags:";
  for (const bool f : flags) text += f ? " TRUE" : " FALSE";
  out.Write(text + "\n");
  out.Commit();
  return kExitOk;
}

void AddFile(CLI::App& sub, Options& o) {
  sub.add_option("FILE", o.file, "text file ('-' or none: standard input)");
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* type = AddMode(
      app, {.name = "type",
            .summary = "name the encoding a file's byte-order mark announces",
            .usage = "krv text type [FILE]",
            .description = "Prints tftUTF8, tftUnicode_le, tftUnicode_be, tftUnicode4_le,\n"
                           "tftUnicode4_be, tftRTF or tftUnknown, from the first four bytes.",
            .exit_status = "0  the type was printed\n2  FILE cannot be read, or a usage error",
            .examples = "krv text type notes.txt"});
  AddFile(*type, *o);
  CLI::App* lines = AddMode(
      app, {.name = "lines",
            .summary = "count the lines of a file",
            .usage = "krv text lines [FILE]",
            .description = "Prints the number of lines: lines end at LF (or CR LF), and a last\n"
                           "line without a line end counts too.",
            .exit_status = "0  the count was printed\n2  FILE cannot be read, or a usage error",
            .examples = "krv text lines big.log\nkrv text lines - < big.log"});
  AddFile(*lines, *o);
  CLI::App* tail = AddMode(
      app, {.name = "tail",
            .summary = "print the last lines of a file",
            .usage = "krv text tail [-n N] [FILE]",
            .description = "Prints the last N lines (10 without -n), or all lines of a shorter\n"
                           "file, each ended by LF.",
            .exit_status = "0  the lines were printed\n2  FILE cannot be read, or a usage error",
            .examples = "krv text tail -n 3 run.log"});
  tail->add_option("-n,--lines", o->count, "number of lines (default 10)")
      ->check(CLI::Range(0, INT32_MAX))
      ->option_text(" N");
  AddFile(*tail, *o);
  CLI::App* find = AddMode(
      app,
      {.name = "find",
       .summary = "print the first line that contains a text",
       .usage = "krv text find [-i] TEXT [FILE]",
       .description = "Prints POSITION:LINE for the first line containing TEXT, POSITION being\n"
                      "the 1-based byte column of the match. TEXT and the file are compared byte\n"
                      "for byte as Windows-1252 text; -i compares them lower-cased (letters of\n"
                      "Windows-1252, so non-ASCII letters of UTF-8 text keep their case).",
       .exit_status = "0  a line was found\n1  no line contains TEXT\n"
                      "2  FILE cannot be read, or a usage error",
       .examples = "krv text find -i error run.log"});
  find->add_option("TEXT", o->text, "text to look for")->required();
  AddFile(*find, *o);
  find->add_flag("-i,--ignore-case", o->ignore_case, "ignore case");
  CLI::App* crlf = AddMode(
      app,
      {.name = "crlf",
       .summary = "end every line with CR LF",
       .usage = "krv text crlf [-q] IN [OUT]",
       .description = "Copies IN to OUT (standard output when absent or '-'), adding an LF after\n"
                      "every CR that has none. A lone LF is kept: the conversion repairs files\n"
                      "whose lines end in CR alone. OUT is replaced only when the copy is\n"
                      "complete, and may not be IN.",
       .exit_status = "0  OUT was written\n"
                      "2  IN cannot be read, OUT cannot be written or is IN, or a usage "
                      "error",
       .examples = "krv text crlf mac.txt fixed.txt"});
  crlf->add_option("IN", o->in, "input file ('-' is standard input)")->required();
  crlf->add_option("OUT", o->out, "output file ('-' or none: standard output)");
  AddQuietFlag(*crlf);
  CLI::App* asc = AddMode(
      app, {.name = "asc",
            .summary = "print the header of an ASC data file",
            .usage = "krv text asc [FILE]",
            .description = "Reads the four header lines of an ASC file (title, two integers,\n"
                           "four TRUE/FALSE flags) and prints them one field a line.",
            .exit_status = "0  the header was printed\n"
                           "2  the header is malformed (the message says which line), FILE\n"
                           "   cannot be read, or a usage error",
            .examples = "krv text asc scan01.asc"});
  AddFile(*asc, *o);
  app.require_subcommand(1);
  return [o, type, lines, tail, find, crlf, asc] {
    if (type->parsed()) return Type(*o);
    if (lines->parsed()) return Lines(*o);
    if (tail->parsed()) return Tail(*o);
    if (find->parsed()) return Find(*o);
    if (crlf->parsed()) return Crlf(*o);
    if (asc->parsed()) return Asc(*o);
    throw Failure{"", "no mode given (type, lines, tail, find, crlf or asc)"};
  };
}

const KrvCommand reg{
    {.name = "text",
     .summary = "text-file utilities: type, lines, tail, find, crlf, asc",
     .usage = "krv text type [FILE]\n"
              "krv text lines [FILE]\n"
              "krv text tail [-n N] [FILE]\n"
              "krv text find [-i] TEXT [FILE]\n"
              "krv text crlf [-q] IN [OUT]\n"
              "krv text asc [FILE]",
     .description = "Works on text files with the library's text-file routines. Text is read\n"
                    "one Windows-1252 character per byte and printed with its bytes unchanged;\n"
                    "lines end at LF or CR LF. 'krv help text MODE' shows one mode's page.",
     .exit_status = "0  success\n"
                    "1  find: no line contains TEXT\n"
                    "2  every error: unreadable files, a malformed ASC header, usage",
     .examples = "krv text lines big.log\n"
                 "krv text tail -n 5 run.log\n"
                 "krv text crlf mac.txt fixed.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
