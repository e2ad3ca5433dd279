// krv sys: the system queries: drives and their types, free space, environment variables,
// file associations and the system folders.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/filesys/sysinfo.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/system.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

struct Options {
  std::vector<std::string> drives;
  std::string name;
  std::string output = "-";
};

const char* TypeName(std::int32_t type) {
  static const char* const kNames[] = {"unknown", "no root", "removable", "fixed",
                                       "remote",  "CD-ROM",  "RAM disk"};
  return type >= 0 && type <= 6 ? kNames[type] : "unknown";
}

// Drive numbers of the mapped drives.
std::vector<std::uint8_t> MappedDriveNumbers() {
  std::vector<std::uint8_t> numbers;
  for (const TDriveMapping& m : MappedDrives())
    numbers.push_back(static_cast<std::uint8_t>(m.Letter - u'A'));
  return numbers;
}

// "C", "c:" -> 2; throws Failure for anything else.
std::uint8_t DriveNumber(const std::string& text) {
  const bool shape = (text.size() == 1 || (text.size() == 2 && text[1] == ':'));
  const char c = shape ? static_cast<char>(text[0] & ~0x20) : 0;
  if (c < 'A' || c > 'Z') throw Failure{text, "not a drive letter (A: to Z:)"};
  return static_cast<std::uint8_t>(c - 'A');
}

int Write(const Options& o, const std::string& text) {
  Output out(o.output);
  out.Write(text);
  out.Commit();
  return kExitOk;
}

int Drives(const Options& o) {
  std::string text;
  for (const TDriveMapping& m : MappedDrives()) {
    const auto number = static_cast<std::uint8_t>(m.Letter - u'A');
    char line[64];
    std::snprintf(line, sizeof line, "%c:  %-9s  ", static_cast<char>(m.Letter),
                  TypeName(GetDiskDriveType(number)));
    text += line + m.Native + "\n";
  }
  return Write(o, text);
}

int Free(const Options& o) {
  std::vector<std::uint8_t> numbers;
  for (const std::string& d : o.drives) numbers.push_back(DriveNumber(d));
  if (o.drives.empty()) numbers = MappedDriveNumbers();
  std::string text;
  int status = kExitOk;
  for (std::uint8_t n : numbers) {
    const Extended free = DiskFreeExtended(n);
    const std::string drive{static_cast<char>('A' + n), ':'};
    if (free < 0) {
      status = Report(Failure{"", "drive " + drive + " is not mapped or cannot be queried"});
      continue;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%s  %.0Lf\n", drive.c_str(), free);
    text += line;
  }
  Write(o, text);
  return status;
}

// Prints a value; 1 when it is empty.
int Answer(const Options& o, const String& value) {
  if (value.empty()) {
    Write(o, "");
    return kExitNo;
  }
  return Write(o, ToUtf8(value) + "\n");
}

// Prints the variable's value as printenv does: an empty line when it is set but empty; 1 and
// nothing when it is not set.
int Env(const Options& o) {
  String value;
  if (!FindEnviroVar(ToUtf16(o.name), value)) {
    Write(o, "");
    return kExitNo;
  }
  return Write(o, ToUtf8(value) + "\n");
}

int Dirs(const Options& o) {
  return Write(o, "system   " + ToUtf8(GetSystemDir()) + "\nwindows  " + ToUtf8(GetWindowsDir()) +
                      "\ntemp     " + ToUtf8(GetTempDir()) + "\n");
}

// The CUPS destinations, one a line, the default one followed by " (default)". None (or a CUPS
// that cannot be reached, which the library does not tell apart) is an empty list, as
// `lpstat -e` gives it: nothing printed, status 0.
int Printers(const Options& o) {
  TPrinter& printer = *Printer();
  const TStringList& names = printer.Printers();
  const String default_name = printer.PrinterIndex() == -1 ? printer.PrinterName() : String();
  std::string text;
  for (std::int32_t i = 0; i < names.Count(); ++i) {
    const String& name = names.Strings(i);
    text += ToUtf8(name) + (name == default_name ? " (default)\n" : "\n");
  }
  return Write(o, text);
}

CLI::App* Mode(CLI::App& app, const Page& page, Options& o) {
  CLI::App* sub = AddMode(app, page);
  AddOutputOption(*sub, o.output);
  return sub;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* drives = Mode(
      app,
      {.name = "drives",
       .summary = "list the drives with their types",
       .usage = "krv sys drives [-o FILE]",
       .description = "Lists the mapped drives (C: is / unless remapped), one per line: the\n"
                      "drive, its type from the mount table (removable, fixed, remote,\n"
                      "CD-ROM, RAM disk; 'no root' when the folder is missing) and its folder.",
       .exit_status = "0  the list was printed\n2  the output could not be written",
       .examples = "krv sys drives"},
      *o);
  CLI::App* free = Mode(app,
                        {.name = "free",
                         .summary = "free bytes of drives",
                         .usage = "krv sys free [DRIVE...] [-o FILE]",
                         .description = "Prints the bytes free for the caller on each DRIVE (a\n"
                                        "letter, with or without colon), or on every mapped "
                                        "drive.",
                         .exit_status = "0  every drive was answered\n"
                                        "2  a drive is not mapped or not readable, a bad "
                                        "DRIVE, or the output could not be written",
                         .examples = "krv sys free\nkrv sys free C:"},
                        *o);
  KeepOperands(free->add_option("DRIVE", o->drives, "drive letters (all mapped drives)"));
  CLI::App* env =
      Mode(app,
           {.name = "env",
            .summary = "the value of an environment variable, its name in any case",
            .usage = "krv sys env NAME [-o FILE]",
            .description = "Prints the value of the last environment variable whose name equals\n"
                           "NAME ignoring case, as printenv does: a variable that is set but\n"
                           "empty prints an empty line; nothing is printed for an unset one.",
            .exit_status = "0  the value was printed\n1  no such variable\n"
                           "2  a usage error, or the output could not be written",
            .examples = "krv sys env path\nkrv sys env HOME"},
           *o);
  env->add_option("NAME", o->name, "the variable")->required();
  CLI::App* assoc =
      Mode(app,
           {.name = "assoc",
            .summary = "the command that opens files with an extension",
            .usage = "krv sys assoc EXT [-o FILE]",
            .description =
                "Prints the command that opens files *.EXT (EXT without its dot; one leading dot\n"
                "is dropped): the Exec line of the default application of the extension's MIME\n"
                "type (shared-mime-info and mimeapps.list in the XDG folders), or the MIME type\n"
                "itself when it has no default application.",
            .exit_status = "0  the command or type was printed\n1  the extension has no MIME type\n"
                           "2  a usage error, or the output could not be written",
            .examples = "krv sys assoc txt\nkrv sys assoc .html"},
           *o);
  assoc->add_option("EXT", o->name, "the extension")->required();
  CLI::App* dirs =
      Mode(app,
           {.name = "dirs",
            .summary = "the system, Windows and temporary folders",
            .usage = "krv sys dirs [-o FILE]",
            .description = "Prints the Windows names of the system folder (/usr/lib), the Windows\n"
                           "folder (/etc) and the temporary folder ($TMPDIR or /tmp).",
            .exit_status = "0  the folders were printed\n2  the output could not be written",
            .examples = "krv sys dirs"},
           *o);
  CLI::App* printers =
      Mode(app,
           {.name = "printers",
            .summary = "the CUPS print queues, the default one marked",
            .usage = "krv sys printers [-o FILE]",
            .description =
                "Lists the CUPS destinations (the queues 'krv print -P NAME' takes; instances as\n"
                "NAME/INSTANCE), one per line in the order CUPS gives them. The default\n"
                "destination, as CUPS chooses it (lpoptions, $LPDEST or $PRINTER, then the\n"
                "server's default), is written as \"NAME (default)\"; a queue name never holds a\n"
                "blank, so the first word of a line is always the name. CUPS_SERVER and\n"
                "client.conf choose the server, as for lpstat.\n"
                "\n"
                "When there is no destination, or the server cannot be reached (the library\n"
                "does not tell the two apart), the list is empty: nothing is printed and the\n"
                "exit status is 0, as 'lpstat -e' answers. 'krv print' then reports that there\n"
                "is no default printer.",
            .exit_status = "0  the destinations were listed (none, when there are none or CUPS\n"
                           "   could not be reached)\n"
                           "2  a usage error, or the output could not be written",
            .examples = "krv sys printers\n"
                        "krv sys printers | grep ' (default)$'\n"
                        "CUPS_SERVER=printhost krv sys printers"},
           *o);
  app.require_subcommand(1);
  return [o, drives, free, env, assoc, dirs, printers] {
    if (drives->parsed()) return Drives(*o);
    if (free->parsed()) return Free(*o);
    if (env->parsed()) return Env(*o);
    if (assoc->parsed()) {
      const std::string ext = o->name.rfind('.', 0) == 0 ? o->name.substr(1) : o->name;
      return Answer(*o, GetProgAssoc(ToUtf16(ext)));
    }
    if (dirs->parsed()) return Dirs(*o);
    if (printers->parsed()) return Printers(*o);
    throw Failure{"",
                  "no mode given (drives, free, env, assoc, dirs or printers); run 'krv sys "
                  "--help'"};
  };
}

const KrvCommand reg{
    {.name = "sys",
     .summary = "system queries: drives, free space, env, assoc, dirs, printers",
     .usage = "krv sys drives\nkrv sys free [DRIVE...]\nkrv sys env NAME\nkrv sys assoc EXT\n"
              "krv sys dirs\nkrv sys printers",
     .description = "Answers questions about the system the way the library's system queries\n"
                    "see it: drives are the file-system layer's mapped drives (C: is /), types\n"
                    "come from the mount table, associations from the freedesktop MIME data,\n"
                    "printers from CUPS.",
     .exit_status = "0  the answer was printed\n1  env found no such variable, or assoc no type\n"
                    "2  a usage error, an unknown drive, or the output could not be written",
     .examples = "krv sys drives\nkrv sys free C:\nkrv sys env path\nkrv sys assoc txt\n"
                 "krv sys dirs\nkrv sys printers"},
    &Setup};

}  // namespace
}  // namespace krv::tool
