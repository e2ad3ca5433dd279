// krv text: text-file utilities on files: byte-order type, line count, last lines, first
// match, CR LF line ends and ASC headers. Files are POSIX names; their text is read one
// Windows-1252 character per byte, and lines are printed with their bytes unchanged. type
// and asc are the library's routines; lines, tail, find and crlf stream the bytes themselves
// (text_tail.h, text_find.h), in memory bounded whatever the lines are.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "os.h"
#include "text_find.h"
#include "text_tail.h"
#include "text_window.h"

namespace krv::tool {
namespace {

struct Options {
  std::string file = "-", in, out = "-", text;
  std::optional<std::string> out_operand;  // crlf's OUT
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
  Output out(o.out);
  const TTextfileType type = OnFile(o.file, [](const String& n) { return CheckTextFileType(n); });
  out.Text() << kNames[type] << '\n';
  out.Commit();
  return kExitOk;
}

// Counts as CountLinesInTextFile does: the LFs, and a last line without one.
int Lines(const Options& o) {
  Output out(o.out);
  Input in(o.file);
  in.ShowProgress();
  std::string block(kTextBlock, '\0');
  std::int64_t lines = 0;
  char last = '\n';
  while (const std::size_t n = in.Read(block.data(), block.size())) {
    lines += CountLineFeeds(block.data(), n);
    last = block[n - 1];
  }
  out.Text() << lines + (last != '\n' ? 1 : 0) << '\n';
  out.Commit();
  return kExitOk;
}

int Tail(const Options& o) {
  Output out(o.out);
  Input in(o.file);
  WriteLastLines(in, o.count, out);
  out.Commit();
  return kExitOk;
}

int Find(const Options& o) {
  Output out(o.out);
  Input in(o.file);
  const bool found = WriteFirstMatch(in, o.text, o.ignore_case, out);
  out.Commit();
  return found ? kExitOk : kExitNo;
}

// Copies `in` to `out` with every line end made CR LF: an LF without a CR before it and a CR
// without an LF after it (a CR at the very end too) each become CR LF.
void ToCrLf(Input& in, Output& out) {
  std::string block(kTextBlock, '\0'), converted;
  bool cr = false;  // the byte before was a CR
  while (const std::size_t n = in.Read(block.data(), block.size())) {
    converted.clear();
    const char* p = block.data();
    const char* const end = p + n;
    while (p < end) {
      if (cr && *p != '\n') converted += '\n';
      const char* run = std::find_if(p, end, [](char c) { return c == '\r' || c == '\n'; });
      if (run > p) cr = false;
      converted.append(p, run);
      if (run == end) break;
      if (*run == '\n' && !cr) converted += '\r';
      converted += *run;
      cr = *run == '\r';
      p = run + 1;
    }
    out.Write(converted);
  }
  if (cr) out.Write("\n");
}

int Crlf(const Options& o) {
  if (o.out_operand && o.out != "-" && *o.out_operand != o.out) {
    throw Failure{"", "OUT and -o name two outputs; give one"};
  }
  Output out(o.out_operand.value_or(o.out));
  Input in(o.in);
  in.ShowProgress();
  ToCrLf(in, out);
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
  Output out(o.out);
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

// The options every mode that prints has: FILE, and -o/--output.
void AddFileAndOutput(CLI::App& sub, Options& o) {
  AddFile(sub, o);
  AddOutputOption(sub, o.out);
}

CLI::App* AddTypeMode(CLI::App& app, Options& o) {
  CLI::App* type = AddMode(
      app, {.name = "type",
            .summary = "name the encoding a file's byte-order mark announces",
            .usage = "krv text type [-o OUT] [FILE]",
            .description = "Prints tftUTF8, tftUnicode_le, tftUnicode_be, tftUnicode4_le,\n"
                           "tftUnicode4_be, tftRTF or tftUnknown, from the first four bytes.",
            .exit_status = "0  the type was printed\n2  FILE cannot be read, or a usage error",
            .examples = "krv text type notes.txt"});
  AddFileAndOutput(*type, o);
  return type;
}

CLI::App* AddLinesMode(CLI::App& app, Options& o) {
  CLI::App* lines = AddMode(
      app, {.name = "lines",
            .summary = "count the lines of a file",
            .usage = "krv text lines [-q] [-o OUT] [FILE]",
            .description = "Prints the number of lines: lines end at LF (or CR LF), and a last\n"
                           "line without a line end counts too.",
            .exit_status = "0  the count was printed\n2  FILE cannot be read, or a usage error",
            .examples = "krv text lines big.log\nkrv text lines - < big.log"});
  AddFileAndOutput(*lines, o);
  AddQuietFlag(*lines);
  return lines;
}

CLI::App* AddTailMode(CLI::App& app, Options& o) {
  CLI::App* tail = AddMode(
      app,
      {.name = "tail",
       .summary = "print the last lines of a file",
       .usage = "krv text tail [-q] [-n N] [-o OUT] [FILE]",
       .description =
           "Prints the last N lines (10 without -n), or the whole of a shorter file, byte for\n"
           "byte as tail -n does: lines end at LF, a CR stays, and a last line without a line\n"
           "end is printed without one. Lines are split at LF bytes whatever the encoding: a\n"
           "byte-order mark stays part of the first line, and UTF-16 or UTF-32 text is split\n"
           "at its 0A bytes, as tail splits it.\n"
           "A regular file (standard input too, from where it stands) is read from its\n"
           "end, so only the lines printed are read, and they are copied in blocks: a line of\n"
           "any length costs no memory. Pipes and devices are read through: up to 64 MiB of\n"
           "what may be their last lines is held in memory, the rest in temporary files in\n"
           "the temporary folder (TMPDIR), removed once later lines make them unneeded.",
       .exit_status = "0  the lines were printed\n"
                      "2  FILE cannot be read, a temporary file cannot be written, or a usage "
                      "error",
       .examples = "krv text tail -n 3 run.log\nsort big.log | krv text tail -n 1"});
  tail->add_option("-n,--lines", o.count, "number of lines (default 10)")
      ->transform(WholeNumber(0, INT32_MAX))
      ->option_text(" N");
  AddFileAndOutput(*tail, o);
  AddQuietFlag(*tail);
  return tail;
}

CLI::App* AddFindMode(CLI::App& app, Options& o) {
  CLI::App* find = AddMode(
      app,
      {.name = "find",
       .summary = "print the first line that contains a text",
       .usage = "krv text find [-i] [-q] [-o OUT] TEXT [FILE]",
       .description =
           "Prints POSITION:LINE for the first line containing TEXT, POSITION being the\n"
           "1-based byte column of the match and LINE the line without its line end (LF or\n"
           "CR LF). TEXT and the file are compared byte for byte as Windows-1252 text; -i\n"
           "compares them lower-cased (letters of Windows-1252, so non-ASCII letters of UTF-8\n"
           "text keep their case). An empty TEXT is in every line, as for grep -F '', so the\n"
           "first line is printed.\n"
           "At most 64 MiB of a line is held in memory: a longer line is searched as it\n"
           "streams past, and when it holds TEXT it is read again from FILE to be printed.\n"
           "Standard input and pipes cannot be read again; find then fails (status 2).",
       .exit_status = "0  a line was found\n1  no line contains TEXT\n"
                      "2  FILE cannot be read, the line found is longer than 64 MiB and FILE\n"
                      "   is no named regular file, or a usage error",
       .examples = "krv text find -i error run.log\nkrv text find '' notes.txt"});
  find->add_option("TEXT", o.text, "text to look for")->required();
  AddFileAndOutput(*find, o);
  find->add_flag("-i,--ignore-case", o.ignore_case, "ignore case");
  AddQuietFlag(*find);
  return find;
}

CLI::App* AddCrlfMode(CLI::App& app, Options& o) {
  CLI::App* crlf = AddMode(
      app, {.name = "crlf",
            .summary = "end every line with CR LF",
            .usage = "krv text crlf [-q] IN [OUT]\nkrv text crlf [-q] [-o OUT] IN",
            .description =
                "Copies IN to OUT (standard output when absent or '-'), ending every line with\n"
                "CR LF as unix2dos does: an LF without a CR before it becomes CR LF, and CR LF\n"
                "stays. A CR without an LF after it (the line end of old Mac files) becomes CR LF\n"
                "too. A last line without a line end gets none; all other bytes are copied\n"
                "unchanged. OUT is replaced only when the copy is complete, and may not be IN.",
            .exit_status = "0  OUT was written\n"
                           "2  IN cannot be read, OUT cannot be written or is IN, or a usage "
                           "error",
            .examples = "krv text crlf unix.txt dos.txt\nkrv text crlf -o dos.txt - < unix.txt"});
  crlf->add_option("IN", o.in, "input file ('-' is standard input)")->required();
  crlf->add_option("OUT", o.out_operand, "output file ('-' or none: standard output)");
  AddOutputOption(*crlf, o.out);
  AddQuietFlag(*crlf);
  return crlf;
}

CLI::App* AddAscMode(CLI::App& app, Options& o) {
  CLI::App* asc = AddMode(
      app, {.name = "asc",
            .summary = "print the header of an ASC data file",
            .usage = "krv text asc [-o OUT] [FILE]",
            .description = "Reads the four header lines of an ASC file (title, two integers,\n"
                           "four TRUE/FALSE flags) and prints them one field a line.",
            .exit_status = "0  the header was printed\n"
                           "2  the header is malformed (the message says which line), FILE\n"
                           "   cannot be read, or a usage error",
            .examples = "krv text asc scan01.asc"});
  AddFileAndOutput(*asc, o);
  return asc;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  struct Mode {
    CLI::App* app;
    int (*run)(const Options&);
  };
  const std::vector<Mode> modes = {{AddTypeMode(app, *o), &Type}, {AddLinesMode(app, *o), &Lines},
                                   {AddTailMode(app, *o), &Tail}, {AddFindMode(app, *o), &Find},
                                   {AddCrlfMode(app, *o), &Crlf}, {AddAscMode(app, *o), &Asc}};
  app.require_subcommand(1);
  return [o, modes] {
    for (const Mode& m : modes) {
      if (m.app->parsed()) return m.run(*o);
    }
    throw Failure{"", "no mode given (type, lines, tail, find, crlf or asc)"};
  };
}

const KrvCommand reg{
    {.name = "text",
     .summary = "text-file utilities: type, lines, tail, find, crlf, asc",
     .usage = "krv text type [-o OUT] [FILE]\n"
              "krv text lines [-q] [-o OUT] [FILE]\n"
              "krv text tail [-q] [-n N] [-o OUT] [FILE]\n"
              "krv text find [-i] [-q] [-o OUT] TEXT [FILE]\n"
              "krv text crlf [-q] [-o OUT] IN [OUT]\n"
              "krv text asc [-o OUT] [FILE]",
     .description = "Works on text files. Text is read one Windows-1252 character per byte and\n"
                    "printed with its bytes unchanged; lines end at LF (find and lines also\n"
                    "take CR LF as one line end). No mode holds more than 64 MiB of a file in\n"
                    "memory, whatever its lines. 'krv help text MODE' shows one mode's page.",
     .exit_status = "0  success\n"
                    "1  find: no line contains TEXT\n"
                    "2  every error: unreadable files, a malformed ASC header, usage",
     .examples = "krv text lines big.log\n"
                 "krv text tail -n 5 run.log\n"
                 "krv text crlf unix.txt dos.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
