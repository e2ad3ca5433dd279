// Fuzz target for the save dialog's parameter readers and its forbidden-directory test.
// ExtractParamAsInt is checked against a plain reference reading of the attribute's value;
// IsForbiddenDir against properties that the component-wise comparison must keep: a path
// below a forbidden one is forbidden, ASCII case does not matter, and a forbidden directory
// forbids itself exactly when it names anything at all.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "korvex/base/exceptions.h"
#include "korvex/filesys/savedialog.h"
#include "korvex/platform/casefold.h"
#include "stringl_fuzz_input.h"

namespace {

using krv::Char;
using krv::String;
using krv::fuzz::Check;

// Blanks, a sign, digits; wrapping as a 32-bit integer.
std::int32_t RefInt(const String& v) {
  std::size_t i = 0;
  while (i < v.size() && v[i] == u' ') ++i;
  int sign = 1;
  if (i < v.size() && (v[i] == u'+' || v[i] == u'-')) sign = v[i++] == u'-' ? -1 : 1;
  std::int64_t n = 0;
  for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i)
    n = (n * 10 + (v[i] - u'0')) % 4294967296;
  const std::uint32_t u = static_cast<std::uint32_t>(sign < 0 ? (4294967296 - n) % 4294967296 : n);
  return static_cast<std::int32_t>(u);
}

String AsciiUpperCase(String s) {
  for (Char& c : s) c = krv::AsciiUpper(c);
  return s;
}

void CheckParams(krv::TUnivSaveDialog& dlg, const String& name) {
  const String value = dlg.ExtractParamAsString(name);
  bool raised = false;
  try {
    Check(dlg.ExtractParamAsInt(name) == RefInt(value));
  } catch (const krv::EKRVFileSysError&) {
    raised = true;
  }
  Check(raised == value.empty());
  try {
    const double d = dlg.ExtractParamAsDouble(name);
    Check(std::isfinite(d));  // the scanner clamps to the largest double
    Check(!value.empty());
  } catch (const krv::EKRVFileSysError&) {
    Check(value.empty());
  }
}

void CheckForbidden(krv::TUnivSaveDialog& dlg, const String& forbidden, const String& path) {
  dlg.ForbiddenDir = forbidden;
  const bool f = dlg.IsForbiddenDir(path);
  Check(dlg.IsForbiddenDir(AsciiUpperCase(path)) == f);
  if (!path.empty() && f) Check(dlg.IsForbiddenDir(path + u"\\zz"));
  if (!forbidden.empty())
    Check(dlg.IsForbiddenDir(forbidden) == dlg.IsForbiddenDir(forbidden + u"/zz"));
  Check(!dlg.IsForbiddenDir(u""));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  krv::fuzz::Input in(data, size);
  krv::TUnivSaveDialog dlg;
  dlg.SetName(u"Fuzz");
  dlg.Parameters = in.Text();
  const String name = in.Text();
  CheckParams(dlg, name);
  CheckParams(dlg, u"ext");
  const String forbidden = in.Text();
  const String path = in.Text();
  CheckForbidden(dlg, forbidden, path);
  return 0;
}
