// krv print: prints PDF, PNG and text files on a CUPS queue, one job per file, or writes the
// PDF of one file with -o (print_pages.h says what is drawn).
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/printer.h"
#include "korvex/platform/text.h"
#include "os.h"
#include "print_pages.h"

namespace krv::tool {
namespace {

struct Options {
  std::vector<std::string> files;
  std::string printer;
  std::string title;
  std::string output;
  const CLI::Option* output_option = nullptr;  // whether -o was given
  const CLI::Option* title_option = nullptr;
  const CLI::Option* printer_option = nullptr;
};

// Inputs are held whole; a PDF larger than this is refused before it is read to the end.
constexpr std::size_t kMaxInputBytes = std::size_t{256} << 20;

std::string ReadAll(Input& in) {
  std::string bytes;
  char buf[1 << 16];
  while (std::size_t n = in.Read(buf, sizeof buf)) {
    if (bytes.size() + n > kMaxInputBytes)
      throw Failure{in.Name(), "larger than " + std::to_string(kMaxInputBytes >> 20) +
                                   " MiB, more than krv print takes"};
    bytes.append(buf, n);
  }
  return bytes;
}

// The job's title: -T, or the file's name without its folder ("(stdin)" for standard input,
// as lpr names it).
String TitleOf(const Options& o, const std::string& file) {
  if (o.title_option->count() > 0) return ToUtf16(o.title);
  if (file == "-") return u"(stdin)";
  const std::size_t sep = os::LastSeparator(file);
  return ToUtf16(sep == std::string::npos ? file : file.substr(sep + 1));
}

int WritePdfFile(const Options& o, const std::string& file) {
  Input in(file);
  Output out(o.output);
  if (out.ToTerminal())
    throw Failure{"",
                  "the PDF is not written to a terminal: name a file with -o, or redirect "
                  "standard output"};
  try {
    out.Write(PrintablePdf(ReadAll(in), file, TitleOf(o, file)));
  } catch (const Exception& e) {  // a page too large for memory
    throw Failure{file, e.what()};
  }
  out.Commit();
  return kExitOk;
}

void PrintFile(const Options& o, const std::string& file) {
  std::string pdf;
  {
    Input in(file);
    pdf = PrintablePdf(ReadAll(in), file, TitleOf(o, file));
  }
  TPrinter& printer = *Printer();
  printer.SetTitle(TitleOf(o, file));
  try {
    printer.SendPdf(pdf);
  } catch (const Exception& e) {  // no default printer, a job CUPS refused
    throw Failure{file, e.what()};
  }
}

int Run(const Options& o) {
  const std::vector<std::string> files = o.files.empty() ? std::vector<std::string>{"-"} : o.files;
  if (o.output_option->count() > 0) {
    if (o.printer_option->count() > 0)
      throw Failure{"", "-o and -P exclude each other: -o writes the PDF instead of printing"};
    if (files.size() != 1) throw Failure{"", "-o writes the PDF of one FILE, not of several"};
    return WritePdfFile(o, files[0]);
  }
  if (o.printer_option->count() > 0) {
    try {
      Printer()->SetPrinterName(ToUtf16(o.printer));
    } catch (const EPrinter& e) {
      throw Failure{o.printer.empty() ? "''" : o.printer, e.what()};
    }
  }
  int status = kExitOk;
  for (const std::string& file : files) {
    try {
      PrintFile(o, file);
    } catch (const Failure& f) {
      status = Report(f);
    } catch (const Exception& e) {  // a page too large for memory
      status = Report({file, e.what()});
    }
  }
  return status;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  o->printer_option =
      app.add_option("-P,--printer", o->printer, "the CUPS queue (default: the default one)")
          ->option_text(" NAME");
  o->title_option =
      app.add_option("-T,--title", o->title, "the job's title (default: the file's name)")
          ->option_text(" TITLE");
  CLI::Option* output =
      app.add_option("-o,--output", o->output, "write the PDF to FILE instead of printing")
          ->option_text(" FILE");
  o->output_option = output;
  KeepOperands(app.add_option("FILE", o->files, "the files ('-' or none: standard input)"));
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "print",
     .summary = "print PDF, PNG and text files through CUPS, or write their PDF",
     .usage = "krv print [-P NAME] [-T TITLE] [FILE...]\n"
              "krv print [-T TITLE] -o FILE.pdf [FILE]",
     .description =
         "Prints each FILE (standard input without FILE, or for '-') as one job on the\n"
         "CUPS queue NAME ('krv sys printers' lists them; compared without regard to\n"
         "case), or on the default queue, titled TITLE or the file's name without its\n"
         "folder ('(stdin)' for standard input), as lpr -P NAME -T TITLE does. With -o the\n"
         "PDF that would be printed is written to FILE.pdf instead (replaced only when the\n"
         "command succeeds; '-o -' writes it to standard output, which must not be a\n"
         "terminal), for one FILE only; -o and -P exclude each other.\n"
         "\n"
         "What is printed follows from the content, not from the name:\n"
         "  PDF    a file starting with %PDF- is sent unchanged, once it shows a version\n"
         "         after %PDF- and ends (within its last 1024 bytes) with startxref and\n"
         "         %%EOF.\n"
         "  PNG    a file with the PNG signature is printed on one A4 portrait page, one\n"
         "         picture pixel per page pixel, centred on the page, at the lowest whole\n"
         "         resolution from 96 to 600 pixels per inch at which it fits within 10 mm\n"
         "         margins; transparent parts are white. Larger pictures (more than 4489 x\n"
         "         6544 pixels) are refused, as is PNG input where krv has no libpng (the\n"
         "         Windows build).\n"
         "  text   anything else is text: UTF-8, or Windows-1252 when it is not valid\n"
         "         UTF-8 (a UTF-8 byte order mark is dropped). It is laid out on A4 pages\n"
         "         at 300 pixels per inch within 15 mm margins in DejaVu Sans Mono of 10\n"
         "         points (the built-in font of the same size when DejaVu Sans Mono is not\n"
         "         installed), every character in a column of its own: with DejaVu Sans\n"
         "         Mono that is 64 lines of 85 columns a page. Tabs stop every 8 columns,\n"
         "         longer lines go on in the next line, other control characters show as\n"
         "         ^X (as cat -v shows them), CR LF ends a line as LF does. A form feed\n"
         "         starts a new page (one at the very end adds no blank page). An empty\n"
         "         text prints one blank page. A text needing more than 500 pages is\n"
         "         refused.\n"
         "Files larger than 256 MiB are refused.\n"
         "\n"
         "Errors are reported as \"krv print: FILE: reason\" and the other files are still\n"
         "printed. Without -P and without a default destination, each file fails with\n"
         "\"There is no default printer currently selected\"; an unknown NAME fails before\n"
         "anything is read with \"Printer selected is not valid\".",
     .exit_status = "0  every file was printed (or its PDF written)\n"
                    "2  a file could not be read or was refused, the queue is unknown or there\n"
                    "   is no default one, CUPS refused a job, the output could not be written,\n"
                    "   or a usage error",
     .examples = "krv print report.txt\n"
                 "krv print -P office -T 'Scale' scale.png\n"
                 "krv print -o listing.pdf main.cpp\n"
                 "krv marks -o marks.pdf && krv print marks.pdf\n"
                 "dmesg | krv print -T dmesg"},
    &Setup};

}  // namespace
}  // namespace krv::tool
