// The command line of krv: one CLI11 subcommand per command, one help-page layout, one
// message form and one set of exit codes.
//
// A command lives in its own cmd_<name>.cpp and registers itself with a static object:
//
//   namespace {
//   struct Options { std::vector<std::string> files; bool flag = false; };
//
//   RunFn Setup(CLI::App& app) {               // add the options, return the runner
//     auto o = std::make_shared<Options>();
//     app.add_flag("-f,--flag", o->flag, "what it does");
//     app.add_option("FILE", o->files, "files to read ('-' is standard input)");
//     AddQuietFlag(app);                       // when the command shows progress
//     return [o] { return Run(*o); };          // runs after a successful parse
//   }
//
//   const KrvCommand reg{{.name = "name", .summary = "one line for `krv --help`",
//                         .usage = "krv name [OPTIONS] [FILE...]",
//                         .description = "What it does, in paragraphs.",
//                         .exit_status = "0  ...\n1  ...\n2  ...",
//                         .examples = "krv name -f file\n..."},
//                        &Setup};
//   }  // namespace
//
// The runner returns kExitOk, kExitNo (a "no" answer: no match, a failed check) or
// kExitError. An error that ends the command is thrown as Failure(name, reason) and main
// prints it as "krv CMD: NAME: reason" and exits with 2; a command that goes on after an
// error (several files) prints it with Report() and remembers kExitError. Standard output
// is written through StdOut() (io.h), which main flushes and checks at the end.
//
// `krv help CMD [SUB]` and `krv CMD [SUB] --help` print the same page: the usage, the
// description, the options CLI11 knows, then EXIT STATUS and EXAMPLES. Commands with modes
// of their own may add CLI11 subcommands to `app` and give each a page with SetPage().
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace krv::tool {

inline constexpr int kExitOk = 0;     // success
inline constexpr int kExitNo = 1;     // a "no" answer: no match, a check that failed
inline constexpr int kExitError = 2;  // every error: usage, input, malformed data, output

// The text of a command's help page.
struct Page {
  std::string_view name{};         // the command's word, e.g. "sum"
  std::string_view summary{};      // one line for `krv --help`
  std::string_view usage{};        // one or more "krv ..." lines
  std::string_view description{};  // paragraphs after the usage
  std::string_view exit_status{};  // lines "N  meaning"
  std::string_view examples{};     // one command line per line
};

// Runs the command after its command line was parsed; returns the exit status.
using RunFn = std::function<int()>;
// Adds the command's options to its CLI11 subcommand and returns its runner.
using SetupFn = RunFn (*)(CLI::App& app);

// Registers a command at static-initialisation time.
struct KrvCommand {
  KrvCommand(const Page& page, SetupFn setup);
};

// A command with modes requires one: without it the parse fails with "no mode given (choose
// ...)". A usage error inside a mode names the mode ("krv text tail: ...", "Try 'krv text tail
// --help'.").
//
// Gives a CLI11 subcommand below a command (a mode such as `features show`) its own page.
// page.name is the subcommand's word.
void SetPage(CLI::App& app, const Page& page);
// Adds the mode page.name below `app`, with its page; returns it for its options.
CLI::App* AddMode(CLI::App& app, const Page& page);

// An error that ends the command: printed as "krv CMD: NAME: reason" ("krv CMD: reason"
// when name is empty), exit status 2.
struct Failure {
  std::string name;
  std::string reason;
};

// Prints the failure on standard error (clearing any progress line first) as "krv CMD: ...",
// CMD being the command's word; returns 2.
int Report(const Failure& f);
// The running command's words with its mode, e.g. "sum" or "features show", for the progress
// line.
const std::string& CommandName();

// Adds -q/--quiet: no progress line. Quiet() tells whether it was given.
void AddQuietFlag(CLI::App& app);
bool Quiet();
// Adds -o/--output FILE storing into path, which holds "-" (standard output; set when path
// is empty) until -o is given.
CLI::Option* AddOutputOption(CLI::App& app, std::string& path);
// Makes a positional that takes any number of operands (a std::vector) keep each one as
// given: CLI11 otherwise reads an operand such as "[a,b]" as the two operands a and b.
CLI::Option* KeepOperands(CLI::Option* positional);
// The operands of a two-way coder: MODE (encode or decode, required), the inputs IN... and
// -o/--output FILE; with -q/--quiet.
void AddCoderOperands(CLI::App& app, std::string& mode, std::vector<std::string>& inputs,
                      std::string& output);

// Checks of option values and operands that fail the parse with krv's own message, "krv CMD:
// NAME: reason". Attach them with transform(), not check(): they write the value back in the
// form the option's conversion reads as the value that was checked.
//
// A whole number from min to max: decimal digits with an optional sign, nothing else (no
// blanks, no hexadecimal, no exponent; "010" is ten), written back as plain decimal. The
// reason: "'V' is not a whole number from MIN to MAX" ("... of MIN or more" when max is
// kNoUpperBound).
inline constexpr std::int64_t kNoUpperBound = INT64_MAX;
CLI::Validator WholeNumber(std::int64_t min, std::int64_t max);
// One of the words in choices, exactly or, with ignore_case, in any ASCII case (written back
// as the choice spells it). The reason: "invalid value 'V' (choose a, b or c)".
CLI::Validator OneOf(std::vector<std::string> choices, bool ignore_case = false);
// "a", "a or b", "a, b or c": alternatives for a message.
std::string Alternatives(const std::vector<std::string>& words);

// The text of strerror(err), for reasons.
std::string ErrnoText(int err);

// A registered command with its options and modes set up (its runner is dropped), for
// documents that describe every command.
struct CommandDoc {
  Page page;
  const CLI::App* app = nullptr;    // its options
  std::vector<CommandDoc> modes;    // the modes that have a page, in the order added
  std::shared_ptr<CLI::App> owner;  // keeps a command's app alive (empty for modes)
};
// Every registered command, sorted by name.
std::vector<CommandDoc> CommandDocs();
// What `krv --help` says of the tool as a whole: the description, the notes after the list of
// commands and the exit status lines.
extern const std::string_view kToolDescription;
extern const std::string_view kToolNotes;
extern const std::string_view kToolExitStatus;

// Entry point used by main(): parses argv, runs the command and finishes standard output.
int RunTool(int argc, char** argv);

}  // namespace krv::tool
