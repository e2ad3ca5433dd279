// The header of ASC data files: a title line, two integer lines and a line of four flags.
#include <array>
#include <cstddef>

#include "filesys/internal/text_io.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/streams/number_scan.h"
#include "korvex/streams/text_io.h"

namespace krv {
namespace {

using Flags = std::array<bool*, 4>;

void ResetOutputs(String& title, std::int32_t& first, std::int32_t& second, const Flags& flags) {
  title.clear();
  first = second = 0;
  for (bool* f : flags) *f = false;
}

bool StartsWith(const String& s, std::size_t at, std::u16string_view word) {
  return s.size() - at >= word.size() && s.compare(at, word.size(), word) == 0;
}

// Parses the flag line: upper-cased, stripped of control characters and blanks at both ends;
// the first three words must be TRUE or FALSE, blanks after each are skipped; the fourth
// flag is true when the rest starts with TRUE.
std::int32_t ParseFlags(const String& line, const Flags& flags) {
  std::size_t at = 0;
  std::size_t end = line.size();
  while (at < end && line[at] <= 32) ++at;
  while (end > at && line[end - 1] <= 32) --end;
  String s;
  s.reserve(end - at);
  for (std::size_t i = at; i < end; ++i) s.push_back(AsciiUpper(line[i]));
  at = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    if (StartsWith(s, at, u"TRUE")) {
      *flags[k] = true;
      at += 4;
    } else if (StartsWith(s, at, u"FALSE")) {
      *flags[k] = false;
      at += 5;
    } else {
      return kAscBadFlag;
    }
    while (at < s.size() && s[at] == u' ') ++at;
  }
  *flags[3] = StartsWith(s, at, u"TRUE");
  return kAscOk;
}

// Reads a line as the text file reads an integer, then skips the rest of the line. False
// when the text is not a number; other failures raise.
bool ReadNumberLine(TextFile& f, std::int32_t& value) {
  try {
    value = f.ReadInteger();
  } catch (const EInOutError& e) {
    if (e.ErrorCode() != kIoInvalidInput) throw;
    value = 0;
    return false;
  }
  f.ReadLn();
  return true;
}

}  // namespace

std::int32_t ReadHeaderOfASC(const String& fileName, String& title, std::int32_t& firstNumber,
                             std::int32_t& secondNumber, bool& flag1, bool& flag2, bool& flag3,
                             bool& flag4) {
  const Flags flags{&flag1, &flag2, &flag3, &flag4};
  ResetOutputs(title, firstNumber, secondNumber, flags);
  IOChecksOn checks;
  TextFile f;
  f.Assign(fileName);
  f.Reset();
  title = f.ReadLn();
  // TextFile ends lines at LF, so a title read from a file holds none; kept for symmetry with
  // the stream form.
  const bool lineFeedInTitle = title.find(u'\n') != String::npos;
  std::int32_t status = kAscBadFirstNumber;
  if (ReadNumberLine(f, firstNumber)) status = lineFeedInTitle ? kAscLineFeedInTitle : kAscOk;
  if (status == kAscOk && !ReadNumberLine(f, secondNumber)) status = kAscBadSecondNumber;
  if (status == kAscOk) {
    String line = f.ReadLn();
    for (Char& c : line) {
      if (c == u'\t') c = u' ';
    }
    status = ParseFlags(line, flags);
  }
  f.Close();
  return status;
}

std::int32_t ReadHeaderOfASC(TStream& stream, String& title, std::int32_t& firstNumber,
                             std::int32_t& secondNumber, bool& flag1, bool& flag2, bool& flag3,
                             bool& flag4) {
  const Flags flags{&flag1, &flag2, &flag3, &flag4};
  ResetOutputs(title, firstNumber, secondNumber, flags);
  bool endOfStream = false;
  title = ReadLnStream(stream, endOfStream, kLnModeCR);
  if (title.find(u'\n') != String::npos) return kAscLineFeedInTitle;
  firstNumber = ScanStreamDecimal(stream);
  secondNumber = ScanStreamDecimal(stream);
  return ParseFlags(ReadLnStream(stream, endOfStream, kLnModeCR), flags);
}

}  // namespace krv
