// Strings and number layouts.
//
// krv::String is UTF-16 (std::u16string); positions in it are 1-based and 0 means "not
// found". The edit routines return new strings; the format routines write numbers in fixed
// layouts (width, decimals) whatever the locale, and ScanStringFPNum reads one back.
#include <korvex/korvex.h>

#include <cstdint>
#include <cstdio>

namespace {

int failures = 0;

// Prints one result and counts a failure when it is not the expected text.
void Show(const char* what, const krv::String& got, const krv::String& want) {
  const bool ok = got == want;
  std::printf("%-24s \"%s\"%s\n", what, krv::ToUtf8(got).c_str(), ok ? "" : "   <-- WRONG");
  if (!ok) ++failures;
}

}  // namespace

int main() {
  krv::PackageLoad();

  std::printf("-- editing strings\n");
  Show("StripLTBlanks", krv::StripLTBlanks(u"  Korvex  "), u"Korvex");
  Show("CapitalizeString", krv::CapitalizeString(u"hello wORLD-foo"), u"Hello WORLD-Foo");
  Show("ReplaceStringInString",  // last argument: ignore case
       krv::ReplaceStringInString(u"a cat, a Cat", u"cat", u"dog", true), u"a dog, a dog");
  Show("ExpandDiphthongs", krv::ExpandDiphthongs(krv::ToUtf16("Grüße")), u"Gruesse");
  Show("CenterString", krv::CenterString(u"ab", 6), u"  ab  ");
  Show("AbbrevString", krv::AbbrevString(u"temperature", 6), u"temp..");

  // Positions count from 1.
  const std::int32_t last = krv::PosLast(u"ab", u"xabyab");
  std::printf("%-24s %d\n", "PosLast(ab, xabyab)", last);
  if (last != 5) ++failures;

  std::printf("-- number layouts\n");
  Show("strff(3.14159, 8, 3)", krv::strff(3.14159, 8, 3), u"   3.142");
  Show("strff(-3.5, -8, 2)", krv::strff(-3.5, -8, 2), u"-0003.50");  // negative width: zeros
  Show("strff(123.456, 12, -2)", krv::strff(123.456, 12, -2), u" 1.23456E+02");
  Show("SigDigStr(0.000123)", krv::SigDigStr(0.000123, 8, 3), u" 1.23E-04");
  Show("AutoFormatData(123.456)", krv::AutoFormatData(123.456, 4), u"123.5");
  Show("TimeString(3723.25 s)", krv::TimeString(3723.25, 0), u"01:02:03.25");

  std::printf("-- reading a number back\n");
  // Separator option 3 takes a full stop or a comma; the position ends at the 'x'.
  std::int32_t position = 1;
  const double value = krv::ScanStringFPNum(u"  -12,5e3x", true, 3, position);
  std::printf("%-24s %g, stopped at %d\n", "ScanStringFPNum", value, position);
  if (value != -12500.0 || position != 10) ++failures;

  krv::PackageUnload();
  std::printf("%s\n", failures == 0 ? "all results as expected" : "SOME RESULTS WRONG");
  return failures == 0 ? 0 : 1;
}
