// The command line of krv: registry, help pages, parsing and error reporting.
#include "cli.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "io.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "manual.h"
#include "progress.h"

namespace krv::tool {
namespace {

struct Entry {
  Page page;
  SetupFn setup = nullptr;
};

std::vector<Entry>& Registry() {
  static std::vector<Entry> registry;
  return registry;
}

const Entry* Find(std::string_view name) {
  for (const Entry& e : Registry())
    if (e.page.name == name) return &e;
  return nullptr;
}

std::string& CurrentCommand() {
  static std::string name;
  return name;
}

// The command's and its mode's words once the parse selected them, e.g. "features show".
std::string& CurrentWords() {
  static std::string words;
  return words;
}

bool& QuietFlag() {
  static bool quiet = false;
  return quiet;
}

// Each line of text indented by two blanks.
std::string Indented(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view line = text.substr(0, eol);
    if (!line.empty()) out.append("  ").append(line);
    out += '\n';
    if (eol == std::string_view::npos) break;
    text.remove_prefix(eol + 1);
  }
  return out;
}

// usage lines: the first after "usage: ", the others aligned under it.
std::string UsageLines(std::string_view usage) {
  std::string out = "usage: ";
  for (char c : usage) out += c == '\n' ? std::string("\n       ") : std::string(1, c);
  return out + "\n";
}

// One page: usage, description, options, subcommands, EXIT STATUS, EXAMPLES.
class PageFormatter : public CLI::Formatter {
 public:
  explicit PageFormatter(const Page& page) : page_(page) {}

  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    std::string out = UsageLines(page_.usage);
    std::string_view text = page_.description;
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty()) out += "\n" + std::string(text) + "\n";
    out += make_groups(app, mode);
    out += make_subcommands(app, mode);
    out += "\nEXIT STATUS\n" + Indented(page_.exit_status);
    out += "\nEXAMPLES\n" + Indented(page_.examples);
    return out;
  }
  // "  -o, --output FILE   text" with the text wrapped beside the names.
  std::string make_option(const CLI::Option* opt, bool is_positional) const override {
    std::string left = "  ";
    if (is_positional) {
      left += opt->get_name(true);
    } else {
      for (const std::string& s : opt->get_snames()) left += "-" + s + ", ";
      for (const std::string& l : opt->get_lnames()) left += "--" + l + ", ";
      left.resize(left.size() - 2);
      if (!opt->get_option_text().empty()) {
        left += opt->get_option_text();  // written with its own separator, e.g. "[=MODE]"
      } else if (opt->get_type_size() != 0 && !opt->get_type_name().empty()) {
        left += " " + opt->get_type_name();
      }
    }
    return Wrapped(left, opt->get_description());
  }

  std::string make_subcommand(const CLI::App* sub) const override {
    return Wrapped("  " + sub->get_name(), sub->get_description());
  }

  const Page& page() const { return page_; }

 private:
  static constexpr std::size_t kLeft = 24, kWidth = 79;

  // left, then text wrapped into the column from kLeft to kWidth.
  static std::string Wrapped(std::string left, std::string_view text) {
    std::string out = left;
    std::size_t col = left.size();
    if (col + 2 > kLeft) {
      out += "\n";
      col = 0;
    }
    bool first = true;
    while (!text.empty()) {
      const std::size_t end = text.find(' ');
      const std::string_view word = text.substr(0, end);
      if (!first && col + 1 + word.size() > kWidth) {
        out += "\n";
        col = 0;
        first = true;
      }
      if (first) {
        out.append(kLeft - col, ' ');
        col = kLeft;
      } else {
        out += ' ';
        ++col;
      }
      out += word;
      col += word.size();
      first = false;
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
    return out + "\n";
  }

  Page page_;
};

// The configuration every command's CLI11 app shares.
void Configure(CLI::App& app, const Page& page) {
  app.set_help_flag("--help", "print this page and exit");
  app.formatter(std::make_shared<PageFormatter>(page));
  app.description(std::string(page.summary));
}

// The deepest subcommand the parse selected (the app itself when none).
const CLI::App* Selected(const CLI::App& app) {
  const CLI::App* at = &app;
  for (;;) {
    const auto subs = at->get_subcommands();
    if (subs.empty()) return at;
    at = subs.back();
  }
}

// The words below "krv" that select app, e.g. "text tail".
std::string WordsOf(const CLI::App& app) {
  std::string words;
  for (const CLI::App* at = &app; at != nullptr; at = at->get_parent()) {
    std::string name = at->get_name();
    if (at->get_parent() == nullptr && name.rfind("krv ", 0) == 0) name.erase(0, 4);
    words = words.empty() ? name : name + " " + words;
  }
  return words;
}

// Whether sub is a mode: a subcommand inherits its parent's formatter, so only one with a
// page of its own is.
bool IsMode(const CLI::App& sub) {
  const auto f = std::dynamic_pointer_cast<const PageFormatter>(sub.get_formatter());
  return f && f->page().name == sub.get_name();
}

// The modes below app, in the order added.
std::vector<const CLI::App*> ModesOf(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* sub) { return IsMode(*sub); });
}

std::vector<std::string> ModeNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* mode : ModesOf(app)) names.push_back(mode->get_name());
  return names;
}

std::vector<Entry> SortedRegistry() {
  auto sorted = Registry();
  std::sort(sorted.begin(), sorted.end(),
            [](const Entry& a, const Entry& b) { return a.page.name < b.page.name; });
  return sorted;
}

// The page of app and of its modes, as set by Configure.
CommandDoc DocOf(const CLI::App& app) {
  CommandDoc doc;
  doc.app = &app;
  if (const auto f = std::dynamic_pointer_cast<const PageFormatter>(app.get_formatter()))
    doc.page = f->page();
  for (const CLI::App* mode : ModesOf(app)) doc.modes.push_back(DocOf(*mode));
  return doc;
}

void PrintToolHelp(Output& out) {
  std::string text =
      "usage: krv COMMAND [OPTIONS] [ARGS...]\n"
      "       krv help COMMAND\n"
      "       krv --version\n\n" +
      std::string(kToolDescription) + "\n\nCommands:\n";
  for (const Entry& e : SortedRegistry()) {
    std::string name(e.page.name);
    name.resize(std::max<std::size_t>(name.size(), 10), ' ');
    text += "  " + name + "  " + std::string(e.page.summary) + "\n";
  }
  text += "\n" + std::string(kToolNotes) + "\n\nEXIT STATUS\n" + Indented(kToolExitStatus);
  out.Write(text);
}

// "krv WORDS: NAME: reason" on standard error, clearing any progress line first.
void PutMessage(const std::string& words, const Failure& f) {
  Progress::ClearLine();
  std::string line = "krv";
  if (!words.empty()) line += " " + words;
  line += ": ";
  if (!f.name.empty()) line += f.name + ": ";
  line += f.reason + "\n";
  std::fputs(line.c_str(), stderr);
}

// A usage error of the command or mode `words`, with the line that points to its page.
int UsageError(const std::string& words, const std::string& message) {
  PutMessage(words, {"", message});
  std::fputs(("Try 'krv " + words + " --help'.\n").c_str(), stderr);
  return kExitError;
}

// ---- The messages of a failed parse ----------------------------------------------------------
//
// CLI11 tells what failed in its own words; these build krv's from the error's kind and the
// option it names (CLI11's text is only searched for that name, never shown).

// The options of the modes the parse selected and of the command, the deepest mode's first.
std::vector<const CLI::Option*> OptionsInReach(const CLI::App& app) {
  std::vector<const CLI::Option*> options;
  for (const CLI::App* at = Selected(app); at != nullptr; at = at->get_parent()) {
    const auto own = at->get_options();
    options.insert(options.end(), own.begin(), own.end());
  }
  return options;
}

// The option or operand a CLI11 message is about: its name starts the message ("--size: ...",
// "DEST is required") or follows "convert: " ("Could not convert: --size = x").
const CLI::Option* NamedOption(const std::string& what, const CLI::App& app) {
  for (const CLI::Option* opt : OptionsInReach(app)) {
    const std::string name = opt->get_name();
    if (name.empty()) continue;
    if (what.rfind(name + ":", 0) == 0 || what.rfind(name + " ", 0) == 0 ||
        what.find("convert: " + name + " = ") != std::string::npos)
      return opt;
  }
  return nullptr;
}

// What the parse left over, from the deepest selected mode up, named by its first word; ""
// when nothing was left. args are the command's arguments: a word after "--" is an operand.
// CLI11 keeps that "--" among the left-overs at times; it is none itself.
std::string LeftOverMessage(const CLI::App& app, const std::vector<std::string>& args) {
  const auto mark = std::find(args.begin(), args.end(), "--");
  const CLI::App* deepest = Selected(app);
  for (const CLI::App* at = deepest; at != nullptr; at = at->get_parent()) {
    for (const std::string& word : at->remaining()) {
      if (word == "--") continue;
      const bool operand = std::find(args.begin(), mark, word) == mark;
      if (!operand && word.size() > 1 && word[0] == '-') return "unknown option '" + word + "'";
      const std::vector<std::string> modes = ModeNames(*at);
      if (at == deepest && !modes.empty())
        return "unknown mode '" + word + "' (choose " + Alternatives(modes) + ")";
      return "extra operand '" + word + "'";
    }
  }
  return "";
}

// An operand or option that was not given: "missing DEST operand after 'a'", as cp says it.
std::string MissingMessage(const CLI::Option& missing, const CLI::App& app) {
  if (!missing.get_positional()) return "missing option '" + missing.get_name() + "'";
  std::string text = "missing " + missing.get_name() + " operand";
  for (const CLI::App* at = Selected(app); at != nullptr; at = at->get_parent()) {
    const CLI::Option* before = nullptr;
    for (const CLI::Option* opt : at->get_options()) {
      if (opt == &missing) {
        if (before != nullptr && !before->results().empty())
          text += " after '" + before->results().back() + "'";
        return text;
      }
      if (opt->get_positional()) before = opt;
    }
  }
  return text;
}

// A value count CLI11 did not accept: none after an option, a second one, one for a flag.
std::string MismatchMessage(const std::string& what, const CLI::Option& opt) {
  const std::string option = "option '" + opt.get_name() + "'";
  if (opt.get_items_expected_max() == 0) return option + " takes no value";
  if (what.find(" missing") != std::string::npos) return option + " needs a value";
  if (what.find("At Most") != std::string::npos) return option + " may be given only once";
  return option + " got the wrong number of values";
}

// A value that CLI11 could not convert to the option's type.
std::string ConversionMessage(const CLI::Option& opt) {
  if (opt.get_items_expected_max() == 0) return "option '" + opt.get_name() + "' takes no value";
  const std::string value = opt.results().empty() ? "" : opt.results().back();
  const std::string type = opt.get_type_name();
  std::string text = opt.get_name() + ": invalid value '" + value + "'";
  if (type.rfind("INT", 0) == 0 || type.rfind("UINT", 0) == 0) return text + " (a whole number)";
  if (type.rfind("FLOAT", 0) == 0) return text + " (a number)";
  return text;
}

// The message for a failed parse, naming what was not understood.
std::string ParseMessage(const CLI::ParseError& e, const CLI::App& app,
                         const std::vector<std::string>& args) {
  const std::string what = e.what();
  const std::string left = LeftOverMessage(app, args);
  // Extra words come first: a mode or an option that was not understood explains the rest.
  if (!left.empty() && (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr ||
                        dynamic_cast<const CLI::RequiredError*>(&e) != nullptr))
    return left;
  const CLI::Option* opt = NamedOption(what, app);
  if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
    if (opt != nullptr) return MissingMessage(*opt, app);
    const std::vector<std::string> modes = ModeNames(*Selected(app));
    return modes.empty() ? "no mode given" : "no mode given (choose " + Alternatives(modes) + ")";
  }
  if (opt != nullptr) {
    // krv's own checks (WholeNumber, OneOf) give the reason after the name CLI11 puts first.
    if (dynamic_cast<const CLI::ValidationError*>(&e) != nullptr) return what;
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr)
      return MismatchMessage(what, *opt);
    if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr) return ConversionMessage(*opt);
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) return "extra operand '--'";
  return "the command line is not valid";
}

// Builds the command's app; runs it or prints its page.
int RunCommand(const Entry& entry, int argc, char** argv) {
  CLI::App app;
  app.name("krv " + std::string(entry.page.name));
  Configure(app, entry.page);
  RunFn run = entry.setup(app);
  if (!ModesOf(app).empty()) app.require_subcommand(1);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    StdOut().Write(Selected(app)->help());
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    return UsageError(WordsOf(*Selected(app)),
                      ParseMessage(e, app, std::vector<std::string>(argv + 1, argv + argc)));
  }
  CurrentWords() = WordsOf(*Selected(app));
  return run();
}

// `krv help CMD [MODE...]`. `krv help --man` prints the whole manual as a man page (roff);
// docs/krv.1 is its output, and a test keeps the two the same.
int RunHelp(int argc, char** argv) {
  if (argc < 3) {
    PrintToolHelp(StdOut());
    return kExitOk;
  }
  if (argc == 3 && std::string_view(argv[2]) == "--man") {
    StdOut().Write(ManualPage());
    return kExitOk;
  }
  const Entry* entry = Find(argv[2]);
  if (entry == nullptr) {
    Report({"", "unknown command '" + std::string(argv[2]) + "'"});
    return kExitError;
  }
  CLI::App app;
  app.name("krv " + std::string(entry->page.name));
  Configure(app, entry->page);
  entry->setup(app);
  const CLI::App* page = &app;
  for (int i = 3; i < argc; ++i) {
    try {
      page = const_cast<CLI::App*>(page)->get_subcommand(argv[i]);
    } catch (const CLI::OptionNotFound&) {
      Report({"", "no mode '" + std::string(argv[i]) + "' in 'krv " +
                      std::string(entry->page.name) + "'"});
      return kExitError;
    }
  }
  StdOut().Write(page->help());
  return kExitOk;
}

int Dispatch(int argc, char** argv) {
  CurrentCommand().clear();
  CurrentWords().clear();
  if (argc < 2) {
    Report({"", "no command given; run 'krv --help' for the list"});
    return kExitError;
  }
  const std::string_view first = argv[1];
  if (first == "help" || first == "--help" || first == "-h") return RunHelp(argc, argv);
  if (first == "--version" || first == "-V") {
    StdOut().Write("krv (Korvex) " KORVEX_VERSION "\n");
    return kExitOk;
  }
  const Entry* entry = Find(first);
  if (entry == nullptr) {
    Report({"", (first.size() > 1 && first[0] == '-' ? "unknown option '" : "unknown command '") +
                    std::string(first) + "'; run 'krv --help' for the list"});
    return kExitError;
  }
  CurrentCommand() = std::string(first);
  return RunCommand(*entry, argc - 1, argv + 1);
}

}  // namespace

const std::string_view kToolDescription =
    "Korvex command-line tool: puts the Korvex library to work on files.";
const std::string_view kToolNotes =
    "Every FILE may be '-' for standard input or output; '--' ends the options.\n"
    "Run 'krv help COMMAND' (or 'krv COMMAND --help') for one command's page.";
const std::string_view kToolExitStatus =
    "0  success\n"
    "1  a \"no\" answer: no match, a check that failed\n"
    "2  an error: usage, unreadable or malformed input, write error";

std::vector<CommandDoc> CommandDocs() {
  std::vector<CommandDoc> docs;
  for (const Entry& e : SortedRegistry()) {
    auto app = std::make_shared<CLI::App>();
    app->name("krv " + std::string(e.page.name));
    Configure(*app, e.page);
    e.setup(*app);
    CommandDoc doc = DocOf(*app);
    doc.owner = std::move(app);
    docs.push_back(std::move(doc));
  }
  return docs;
}

KrvCommand::KrvCommand(const Page& page, SetupFn setup) {
  Registry().push_back({page, setup});
}

void SetPage(CLI::App& app, const Page& page) {
  Configure(app, page);
  app.group("Modes");  // the heading of the list on the command's page
}

CLI::App* AddMode(CLI::App& app, const Page& page) {
  CLI::App* mode = app.add_subcommand(std::string(page.name), std::string(page.summary));
  SetPage(*mode, page);
  return mode;
}

const std::string& CommandName() {
  return CurrentWords().empty() ? CurrentCommand() : CurrentWords();
}

int Report(const Failure& f) {
  PutMessage(CurrentCommand(), f);
  return kExitError;
}

void AddQuietFlag(CLI::App& app) {
  app.add_flag("-q,--quiet", QuietFlag(), "no progress line on standard error");
}

bool Quiet() {
  return QuietFlag();
}

CLI::Option* AddOutputOption(CLI::App& app, std::string& path) {
  if (path.empty()) path = "-";  // an empty name names no file (see Output)
  return app.add_option("-o,--output", path, "write to FILE instead of standard output")
      ->option_text(" FILE");
}

void AddCoderOperands(CLI::App& app, std::string& mode, std::vector<std::string>& inputs,
                      std::string& output) {
  app.add_option("MODE", mode, "encode or decode")
      ->required()
      ->transform(OneOf({"encode", "decode"}));
  KeepOperands(app.add_option("IN", inputs, "the input ('-' or none: standard input)"));
  AddOutputOption(app, output);
  AddQuietFlag(app);
}

CLI::Option* KeepOperands(CLI::Option* positional) {
  // Without extra arguments a positional eats operands only while it has fewer than its
  // minimum, so the minimum is made unreachable; TakeAll keeps that from being a limit.
  constexpr int kMany = CLI::detail::expected_max_vector_size;
  return positional->expected(kMany, kMany)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

CLI::Validator WholeNumber(std::int64_t min, std::int64_t max) {
  const std::string range = max == kNoUpperBound
                                ? " of " + std::to_string(min) + " or more"
                                : " from " + std::to_string(min) + " to " + std::to_string(max);
  return {[min, max, range](std::string& text) -> std::string {
            // from_chars reads an optional '-' and decimal digits; a '+' may stand before them.
            const bool plus = text.size() > 1 && text[0] == '+' && text[1] != '-';
            const char* first = text.data() + (plus ? 1 : 0);
            const char* last = text.data() + text.size();
            std::int64_t value = 0;
            const auto [end, err] = std::from_chars(first, last, value, 10);
            if (err != std::errc() || end != last || value < min || value > max)
              return "'" + text + "' is not a whole number" + range;
            text = std::to_string(value);
            return "";
          },
          ""};
}

CLI::Validator OneOf(std::vector<std::string> choices, bool ignore_case) {
  const std::string list = Alternatives(choices);
  return {[choices = std::move(choices), ignore_case, list](std::string& text) -> std::string {
            const auto same = [&](const std::string& choice) {
              if (choice == text) return true;
              return ignore_case && choice.size() == text.size() &&
                     std::equal(choice.begin(), choice.end(), text.begin(),
                                [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
            };
            const auto found = std::find_if(choices.begin(), choices.end(), same);
            if (found == choices.end()) return "invalid value '" + text + "' (choose " + list + ")";
            text = *found;
            return "";
          },
          ""};
}

std::string Alternatives(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
    text += words[i];
  }
  return text;
}

std::string ErrnoText(int err) {
  return std::strerror(err);
}

int RunTool(int argc, char** argv) {
  int status;
  try {
    status = Dispatch(argc, argv);
  } catch (const Failure& f) {
    status = Report(f);
  } catch (const Exception& e) {  // the library's own message
    status = Report({"", e.what()});
  } catch (const std::bad_alloc&) {
    status = Report({"", ErrnoText(ENOMEM)});
  } catch (const std::system_error& e) {
    status = Report({"", ErrnoText(e.code().value())});
  }
  try {
    FinishStdOut();
  } catch (const Failure& f) {
    status = Report(f);
  }
  return status;
}

}  // namespace krv::tool
