// The text-file utilities that read or write lines through TextFile: tailing, words,
// searching, appending, and finding a file below a directory.
#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "filesys/internal/text_io.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/stringl/casemap.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

// Opens `name` for reading with checking on; the caller holds an IOChecksOn.
void OpenForReading(TextFile& f, const String& name) {
  f.Assign(name);
  f.Reset();
}

// The last lines of an open file in a ring that grows with the lines read, up to n.
TStrArray TailLines(TextFile& f, std::int32_t n, std::int32_t& totalLines) {
  totalLines = 0;
  f.Reset();
  const auto keep = static_cast<std::size_t>(std::max(n, 0));
  std::vector<String> ring;
  std::size_t next = 0;  // the oldest line once the ring is full
  std::int64_t total = 0;
  while (!f.Eof()) {
    String line = f.ReadLn();
    ++total;
    if (keep == 0) continue;
    if (ring.size() < keep) {
      ring.push_back(std::move(line));
    } else {
      ring[next] = std::move(line);
      next = next + 1 == keep ? 0 : next + 1;
    }
  }
  f.Reset();
  totalLines = static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
  if (keep == 0) return {};
  std::rotate(ring.begin(), ring.begin() + static_cast<std::ptrdiff_t>(next), ring.end());
  if (ring.size() < keep && n <= kMaxTailPadding) {
    ring.insert(ring.begin(), keep - ring.size(), String());
  }
  return ring;
}

String AsciiLowerCase(String s) {
  for (Char& c : s) c = AsciiLower(c);
  return s;
}

// Searches `dir` (upper-cased, ending in a separator or empty) and below for `name`; the
// names of the subdirectories entered are upper-cased as the argument is. The
// subdirectories of a level are listed before descending, so only one listing is open at a
// time however deep the tree is.
String DetectIn(const String& dir, const String& name) {
  TSearchRec rec;
  if (FindFirst(dir + name, 0, rec) == 0) {
    String found = dir + rec.Name;
    FindClose(rec);
    return found;
  }
  std::vector<String> subdirs;
  if (FindFirst(dir + u"*.*", faDirectory, rec) == 0) {
    do {
      // A stored name with a `\` in it cannot be written as one component.
      if (rec.Attr == faDirectory && rec.Name != u"." && rec.Name != u".." &&
          rec.Name.find(u'\\') == String::npos) {
        subdirs.push_back(rec.Name);
      }
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  for (const String& sub : subdirs) {
    String found = DetectIn(dir + UnicodeUpperCase(sub) + u'\\', name);
    if (!found.empty()) return found;
  }
  return String();
}

}  // namespace

String FileDetect(const String& fileName) {
  const String upper = UnicodeUpperCase(fileName);
  const std::size_t at = upper.find_last_of(u"\\/:");
  const std::size_t split = at == String::npos ? 0 : at + 1;
  const String name = upper.substr(split);
  if (name.empty()) return String();
  return DetectIn(upper.substr(0, split), name);
}

TStrArray ReadLastNLinesOfTextFile(TextFile& f, std::int32_t n, std::int32_t& totalLines) {
  IOChecksOn checks;
  return TailLines(f, n, totalLines);
}

TStrArray ReadLastNLinesOfTextFile(const String& fileName, std::int32_t n,
                                   std::int32_t& totalLines) {
  IOChecksOn checks;
  TextFile f;
  OpenForReading(f, fileName);
  TStrArray lines = TailLines(f, n, totalLines);
  f.Close();
  return lines;
}

String ReadNextWordInTextFile(TextFile& f) {
  IOChecksOn checks;
  String word;
  while (!f.Eof()) {
    const Char c = f.ReadChar();
    if (c > 32) {
      word.push_back(c);
      break;
    }
  }
  while (!word.empty() && !f.Eof()) {
    const Char c = f.ReadChar();
    if (c <= 32) break;
    word.push_back(c);
  }
  return word;
}

std::int32_t FindFirstMatchInTextFile(const String& fileName, const String& text, bool ignoreCase,
                                      String& line) {
  IOChecksOn checks;
  line.clear();
  TextFile f;
  OpenForReading(f, fileName);
  const String needle = ignoreCase ? UnicodeLowerCase(text) : text;
  std::int32_t position = 0;
  while (!needle.empty() && !f.Eof()) {
    String read = f.ReadLn();
    const std::size_t at = (ignoreCase ? UnicodeLowerCase(read) : read).find(needle);
    if (at != String::npos) {
      position = static_cast<std::int32_t>(std::min<std::size_t>(at + 1, INT32_MAX));
      line = std::move(read);
      break;
    }
  }
  f.Close();
  return position;
}

std::int32_t DetectStringInFile(const String& fileName, const String& text, bool ignoreCase,
                                std::int32_t limit) {
  IOChecksOn checks;
  TextFile f;
  OpenForReading(f, fileName);
  const String needle = ignoreCase ? AsciiLowerCase(text) : text;
  std::int64_t total = 0;  // lines are at most 2^31 characters in practice, but never wrap
  bool found = false;
  while (!f.Eof() && !found && total < limit) {
    const String line = ignoreCase ? AsciiLowerCase(f.ReadLn()) : f.ReadLn();
    const std::size_t at = needle.empty() ? String::npos : line.find(needle);
    if (at == String::npos) {
      total += static_cast<std::int64_t>(line.size());
    } else {
      total += static_cast<std::int64_t>(at) + 1;
      found = total <= limit;
    }
  }
  f.Close();
  return found ? static_cast<std::int32_t>(total) : 0;
}

namespace {

// Opens `name` for appending, creating it only when it does not exist.
void OpenForAppending(TextFile& f, const String& name) {
  f.Assign(name);
  try {
    f.Append();
  } catch (const EInOutError& e) {
    if (e.ErrorCode() != kIoFileNotFound) throw;
    f.Rewrite();
  }
}

}  // namespace

void AppendToTextFile(const String& fileName, const String& line) {
  IOChecksOn checks;
  TextFile f;
  OpenForAppending(f, fileName);
  f.WriteLn(line);
  f.Close();
}

void AppendToTextFile(const String& fileName, const TStringList& lines) {
  IOChecksOn checks;
  TextFile f;
  OpenForAppending(f, fileName);
  for (int i = 0; i < lines.Count(); ++i) f.WriteLn(lines[i]);
  f.Close();
}

}  // namespace krv
