// The text file of TColorArray: one stored range is a line "first last" followed by one line
// per element, its value as 8 upper-case hexadecimal digits:
//
//   1 3
//   000000FF
//   0000FF00
//   00FF0000
//
// Nothing marks the end of a range, so ranges and other data may follow one another.
#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "korvex/colors/colorarray.h"
#include "korvex/colors/convert.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

int HexDigit(Char c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The value of an element line: leading blanks skipped, a "$" passed over when it is the
// line's first character, then hexadecimal digits up to the first other character, kept in
// 32 bits (the last 8 digits count). No digits give 0.
TColor ParseElementLine(const String& line) {
  std::size_t i = 0;
  while (i + 1 < line.size() && line[i] == u' ') ++i;
  if (i == 0 && !line.empty() && line[0] == u'$') i = 1;
  TColor value = 0;
  for (; i < line.size(); ++i) {
    const int d = HexDigit(line[i]);
    if (d < 0) break;
    value = (value << 4) | static_cast<TColor>(d);
  }
  return value;
}

String Decimal(std::int64_t n) {
  return ToUtf16(std::to_string(n));
}

}  // namespace

bool TColorArray::WriteToOpenTextFile(TextFile& f, std::int32_t first, std::int32_t last) const {
  if (last < first) std::swap(first, last);
  if (first <= 0) first = 1;
  if (last > FNColors) last = FNColors;
  const IOChecksOn checks;
  try {
    f.WriteLn(Decimal(first) + u" " + Decimal(last));
    for (std::int64_t ix = first; ix <= last; ++ix)
      f.WriteLn(ColorToHexStr(GetColorElem(static_cast<std::int32_t>(ix))));
    f.Flush();  // so that a failed write shows here
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool TColorArray::StoreOnFile(std::int32_t FirstElem, std::int32_t LastElem,
                              const String& FileName) const {
  IOResult();  // a pending error of an earlier call must not fail this one
  const IOChecksOn checks;
  TextFile f;
  try {
    f.Assign(FileName);
    f.Rewrite();
  } catch (const std::exception&) {
    return false;
  }
  bool ok = WriteToOpenTextFile(f, FirstElem, LastElem);
  try {
    f.Close();
  } catch (const std::exception&) {
    ok = false;
  }
  return ok;
}

bool TColorArray::ReadFromOpenTextFile(TextFile& f, bool AdjustSize) {
  const IOChecksOn checks;
  std::int32_t first = 0, last = 0;
  try {
    first = f.ReadInteger();
    last = f.ReadInteger();
    f.ReadLn();
  } catch (const std::exception&) {
    return false;
  }
  if (AdjustSize && last > kColorArrayMaxLoadElems) return false;
  if (!AdjustSize && last > FNColors) {
    Changed();
    return false;
  }
  // Every element line is read before anything changes. Each pass consumes a line or
  // returns, so a range of any extent costs no more than the file's length.
  std::vector<TColor> values;  // for the element numbers max(first, 1)..last
  try {
    for (std::int64_t ix = first; ix <= last; ++ix) {
      if (f.Eof()) return false;
      const String line = f.ReadLn();
      if (ix >= 1) values.push_back(ParseElementLine(line));
    }
    if (AdjustSize) Resize(last);  // raises, and leaves the array, when memory runs out
  } catch (const std::exception&) {
    return false;
  }
  std::int64_t ix = std::max(first, std::int32_t{1});
  for (const TColor v : values) SetColorElem(static_cast<std::int32_t>(ix++), v);
  Changed();
  return true;
}

bool TColorArray::LoadFromFile(const String& FileName, bool AdjustSize) {
  IOResult();
  const IOChecksOn checks;
  TextFile f;
  try {
    f.Assign(FileName);
    f.Reset();
  } catch (const std::exception&) {
    return false;
  }
  const bool ok = ReadFromOpenTextFile(f, AdjustSize);
  try {
    f.Close();
  } catch (const std::exception&) {
  }
  return ok;
}

}  // namespace krv
