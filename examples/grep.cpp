// TGrep: the library's small regular-expression matcher.
//
// Set a pattern (it compiles at once), then MatchString finds the first match from
// SearchStartPos and reports its 1-based start and end. The dialect: ^ and $, '.', sets
// [a-z] and [^...], literal groups (abc), and the marks *, + and ? after a character, set or
// group. A bad pattern either raises EKRVStringlError or, with StopOnError off, leaves an
// error code in LastError.
#include <korvex/korvex.h>

#include <cstdio>
#include <string>

namespace {

// Prints a check that went wrong and counts it; any failure makes the program exit with 1.
int failures = 0;
void Expect(bool ok, const char* what) {
  if (!ok) std::printf("WRONG: %s\n", what);
  failures += ok ? 0 : 1;
}

}  // namespace

int main() {
  krv::PackageLoad();

  // Lines that are a word, a blank and a number with optional decimals.
  krv::TGrep grep;
  grep.SetRegExp(u"^[a-z]+ [0-9]+[.]?[0-9]*$");
  grep.SetIgnoreCase(true);  // compiles the pattern again
  const krv::String lines[] = {u"Width 120", u"height 7.5", u"depth: 3", u"Mass 12kg"};
  int matching = 0;
  for (const krv::String& line : lines) {
    krv::Integer pos = 0;
    const bool found = grep.MatchString(line, pos);
    std::printf("%-12s %s\n", krv::ToUtf8(line).c_str(), found ? "matches" : "-");
    if (found) ++matching;
  }
  Expect(matching == 2, "two of the four lines match");

  // Where a match lies: start and end positions, both 1-based and inclusive.
  grep.SetIgnoreCase(false);
  grep.SetRegExp(u"b+c");
  const krv::String subject = u"abbbcd abc";
  krv::Integer pos = 0;
  Expect(grep.MatchString(subject, pos), "b+c is found");
  std::printf("b+c in \"%s\": %d..%d\n", krv::ToUtf8(subject).c_str(), grep.MatchStartPos(),
              grep.MatchEndPos());
  Expect(grep.MatchStartPos() == 2 && grep.MatchEndPos() == 5, "first match at 2..5");

  // The next match: search again after the end of the last one.
  grep.SetSearchStartPos(grep.MatchEndPos() + 1);
  Expect(grep.MatchString(subject, pos) && pos == 9, "second match at 9");
  std::printf("next match from 6: at %d\n", pos);

  // A pattern error, kept as a code instead of raised.
  grep.SetStopOnError(false);
  grep.SetRegExp(u"*abc");
  std::printf("\"*abc\": error %d, %s\n", grep.LastError(),
              krv::ToUtf8(krv::GrepErrorText(grep.LastError())).c_str());
  Expect(grep.LastError() == krv::kGrepBadStart, "a pattern may not start with *");

  // The same error, raised.
  grep.SetStopOnError(true);
  try {
    grep.SetRegExp(u"ab$c");
    Expect(false, "a character after $ raises");
  } catch (const krv::EKRVStringlError& e) {
    std::printf("raised: %s\n", e.what());
  }

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
