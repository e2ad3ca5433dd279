// krv password: pronounceable random passwords, one per line.
#include <cstdint>
#include <memory>
#include <string>

#include "cli.h"
#include "io.h"
#include "korvex/filesys/passwords.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

struct Options {
  int length = 8;
  bool mixed = false;
  bool special = false;
  int count = 1;
  std::string output = "-";
};

int Run(const Options& o) {
  Output out(o.output);
  std::string text;
  for (int i = 0; i < o.count; ++i) {
    const String pw = InventPassword(o.length, o.mixed, o.special);
    if (pw.empty()) throw Failure{"", "the operating system gave no random bytes"};
    text += ToUtf8(pw);
    text += '\n';
    if (text.size() >= 1 << 16) {
      out.Write(text);
      text.clear();
    }
  }
  out.Write(text);
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  app.add_option("-n,--length", o->length, "letters before the digits, 4..14 (8)")
      ->transform(WholeNumber(0, INT32_MAX))
      ->option_text(" LENGTH");
  app.add_flag("-m,--mixed", o->mixed, "turn about half of the letters into upper case");
  app.add_flag("-s,--special", o->special,
               "replace about a fifth of the characters by one of _!$%#= or a digit");
  app.add_option("-c,--count", o->count, "print N passwords (1)")
      ->option_text(" N")
      ->transform(WholeNumber(1, 10000000));
  AddOutputOption(app, o->output);
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "password",
     .summary = "pronounceable random passwords",
     .usage = "krv password [-n LENGTH] [--mixed] [--special] [--count N] [-o FILE]",
     .description =
         "Prints pronounceable passwords, one per line: LENGTH letters (taken as 4 when\n"
         "smaller, 14 when larger), consonant and vowel in turn with a vowel first when\n"
         "LENGTH is odd, and two digits after the sixth letter (at the end when there are\n"
         "six letters or fewer). --mixed turns each letter among the first LENGTH characters\n"
         "into upper case with probability 1/2; --special then replaces each of these\n"
         "characters with probability 1/5 by one of _ ! $ % # = or a digit.\n"
         "\n"
         "The randomness comes from the operating system's cryptographic source\n"
         "(getrandom); every letter and digit is drawn uniformly.\n",
     .exit_status = "0  the passwords were printed\n"
                    "2  a bad option, no random bytes, or the output could not be written",
     .examples = "krv password\n"
                 "krv password -n 12 --mixed --special\n"
                 "krv password --count 10 -o list.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
