// krv sum: CRC-16, CRC-32 and SHA-1 of files, one line per file as the usual checksum tools
// print them, and --check to verify such lines.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

enum class Kind { kCrc16XModem, kCrc16Ccitt, kCrc32, kSha1 };

// Hexadecimal digits of each kind's value.
std::size_t HexLength(Kind k) {
  switch (k) {
    case Kind::kCrc16XModem:
    case Kind::kCrc16Ccitt:
      return 4;
    case Kind::kCrc32:
      return 8;
    case Kind::kSha1:
      return 40;
  }
  return 0;
}

// All the sums of one input, fed block by block.
class Sums {
 public:
  explicit Sums(const std::vector<Kind>& kinds) : kinds_(kinds) {}

  void Feed(const Byte* p, std::size_t n) {
    for (Kind k : kinds_) {
      switch (k) {
        case Kind::kCrc16XModem:
          crc16x_ = UpdateCRC16(crc16x_, p, n);
          break;
        case Kind::kCrc16Ccitt:
          crc16c_ = UpdateCRC16(crc16c_, p, n);
          break;
        case Kind::kCrc32:
          crc32_ = UpdateCRC32(crc32_, p, n);
          break;
        case Kind::kSha1:
          sha1_.Update(p, n);
          break;
      }
    }
  }

  // The values in upper-case hexadecimal, in the order of the kinds.
  std::vector<std::string> Values() {
    std::vector<std::string> values;
    char hex[16];
    for (Kind k : kinds_) {
      switch (k) {
        case Kind::kCrc16XModem:
          std::snprintf(hex, sizeof hex, "%04X", crc16x_);
          values.emplace_back(hex);
          break;
        case Kind::kCrc16Ccitt:
          std::snprintf(hex, sizeof hex, "%04X", crc16c_);
          values.emplace_back(hex);
          break;
        case Kind::kCrc32:
          std::snprintf(hex, sizeof hex, "%08X", ~crc32_);
          values.emplace_back(hex);
          break;
        case Kind::kSha1:
          values.push_back(ToUtf8(SHA1DigestToHex(sha1_.Final())));
          break;
      }
    }
    return values;
  }

 private:
  const std::vector<Kind>& kinds_;
  Word crc16x_ = 0x0000;
  Word crc16c_ = 0xFFFF;
  Cardinal crc32_ = 0xFFFFFFFFu;
  TSHA1Context sha1_;
};

// Large reads go from the file straight into this block.
constexpr std::size_t kBlock = 1 << 20;

// The sums of one input; throws Failure when it cannot be read.
std::vector<std::string> SumOne(const std::string& name, const std::vector<Kind>& kinds,
                                Byte* block) {
  Input in(name);
  in.ShowProgress();
  Sums sums(kinds);
  while (const std::size_t n = in.Read(block, kBlock)) sums.Feed(block, n);
  return sums.Values();
}

// Names holding a backslash, LF or CR are written as sha1sum writes them: those three as
// "\\", "\n" and "\r", and the whole line starts with a backslash.
bool NeedsEscape(std::string_view name) {
  return name.find_first_of("\\\n\r") != std::string_view::npos;
}

std::string Escaped(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// A line of values, then the name: "V1 V2  NAME", escaped where needed.
std::string SumLine(const std::vector<std::string>& values, const std::string& name) {
  std::string line = NeedsEscape(name) ? "\\" : "";
  for (std::size_t i = 0; i < values.size(); ++i) line += (i > 0 ? " " : "") + values[i];
  return line + "  " + (NeedsEscape(name) ? Escaped(name) : name) + "\n";
}

// What one line of a checksum file asks for.
struct CheckLine {
  std::vector<std::string> values;
  std::string name;
};

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Parses "V1 V2  NAME" (krv sum) and "HEX  NAME" / "HEX *NAME" (sha1sum), with a leading
// backslash for escaped names.
std::optional<CheckLine> ParseCheckLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const bool escaped = !line.empty() && line.front() == '\\';
  if (escaped) line.remove_prefix(1);
  CheckLine parsed;
  std::size_t i = 0;
  for (;;) {
    const std::size_t start = i;
    while (i < line.size() && IsHex(line[i])) ++i;
    if (i == start || i + 1 >= line.size() || line[i] != ' ') return std::nullopt;
    parsed.values.emplace_back(line.substr(start, i - start));
    ++i;
    if (line[i] == ' ' || line[i] == '*') {
      ++i;
      break;
    }
  }
  const std::string_view name = line.substr(i);
  if (name.empty()) return std::nullopt;
  if (!escaped) {
    parsed.name = name;
  } else if (auto n = Unescaped(name)) {
    parsed.name = *n;
  } else {
    return std::nullopt;
  }
  return parsed;
}

// The kinds a line's values stand for: those of the options when given, otherwise by length
// (4 CRC-16/XMODEM, 8 CRC-32, 40 SHA-1).
std::optional<std::vector<Kind>> KindsOf(const CheckLine& line, const std::vector<Kind>& given) {
  if (!given.empty()) {
    if (given.size() != line.values.size()) return std::nullopt;
    for (std::size_t i = 0; i < given.size(); ++i)
      if (line.values[i].size() != HexLength(given[i])) return std::nullopt;
    return given;
  }
  std::vector<Kind> kinds;
  for (const std::string& v : line.values) {
    if (v.size() == 4) {
      kinds.push_back(Kind::kCrc16XModem);
    } else if (v.size() == 8) {
      kinds.push_back(Kind::kCrc32);
    } else if (v.size() == 40) {
      kinds.push_back(Kind::kSha1);
    } else {
      return std::nullopt;
    }
  }
  return kinds;
}

bool SameHex(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

std::string ReadAll(const std::string& name) {
  Input in(name);
  std::string text;
  char buf[1 << 16];
  while (const std::size_t n = in.Read(buf, sizeof buf)) text.append(buf, n);
  return text;
}

struct Options {
  std::vector<std::string> files;
  std::vector<std::string> crc16;  // "xmodem" or "ccitt", one per --crc16
  bool check = false;
  CLI::App* app = nullptr;
};

// Checks the lines of one checksum file; updates the exit status.
void CheckFile(const std::string& list, const std::vector<Kind>& given, Byte* block, Output& out,
               int& status) {
  const std::string text = ReadAll(list);
  std::size_t line_no = 0, sound = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    const std::string_view line(text.data() + pos, eol - pos);
    pos = eol + 1;
    ++line_no;
    const auto parsed = ParseCheckLine(line);
    const auto kinds = parsed ? KindsOf(*parsed, given) : std::nullopt;
    if (!kinds) {
      status = Report({list + ":" + std::to_string(line_no), "improperly formatted checksum line"});
      continue;
    }
    ++sound;
    const std::string shown =
        NeedsEscape(parsed->name) ? "\\" + Escaped(parsed->name) : parsed->name;
    std::vector<std::string> values;
    try {
      values = SumOne(parsed->name, *kinds, block);
    } catch (const Failure& f) {
      status = Report(f);
      out.Write(shown + ": FAILED open or read\n");
      continue;
    }
    bool same = true;
    for (std::size_t i = 0; i < values.size(); ++i)
      same = same && SameHex(values[i], parsed->values[i]);
    out.Write(shown + (same ? ": OK\n" : ": FAILED\n"));
    if (!same && status == kExitOk) status = kExitNo;
  }
  if (sound == 0) status = Report({list, "no properly formatted checksum lines"});
}

// The sums asked for, in the order of their options.
std::vector<Kind> KindsInOrder(const Options& o) {
  std::vector<Kind> kinds;
  std::size_t crc16_seen = 0;
  for (const CLI::Option* opt : o.app->parse_order()) {
    Kind k;
    if (opt->check_name("--crc16")) {
      k = o.crc16.at(crc16_seen++) == "ccitt" ? Kind::kCrc16Ccitt : Kind::kCrc16XModem;
    } else if (opt->check_name("--crc32")) {
      k = Kind::kCrc32;
    } else if (opt->check_name("--sha1")) {
      k = Kind::kSha1;
    } else {
      continue;
    }
    if (std::find(kinds.begin(), kinds.end(), k) == kinds.end()) kinds.push_back(k);
  }
  return kinds;
}

int Run(const Options& o) {
  std::vector<Kind> kinds = KindsInOrder(o);
  std::vector<std::string> files = o.files;
  if (files.empty()) files.push_back("-");
  const std::unique_ptr<Byte[]> block(new Byte[kBlock]);
  Output out("-");
  int status = kExitOk;
  if (o.check) {
    for (const std::string& list : files) {
      try {
        CheckFile(list, kinds, block.get(), out, status);
      } catch (const Failure& f) {
        status = Report(f);
      }
    }
  } else {
    if (kinds.empty()) kinds.push_back(Kind::kCrc32);
    for (const std::string& name : files) {
      std::vector<std::string> values;
      try {
        values = SumOne(name, kinds, block.get());
      } catch (const Failure& f) {
        status = Report(f);
        continue;
      }
      out.Write(SumLine(values, name));
    }
  }
  out.Commit();
  return status;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  o->app = &app;
  app.add_flag("--crc16{xmodem}", o->crc16,
               "CRC-16 with polynomial 0x1021, no final inversion; MODE xmodem (start 0x0000, "
               "CRC-16/XMODEM, the default) or ccitt (start 0xFFFF, CRC-16/IBM-3740)")
      ->check(CLI::IsMember({"xmodem", "ccitt"}))
      ->option_text("[=MODE]");
  app.add_flag("--crc32")->description(
      "CRC-32 as zlib, PNG and Ethernet compute it (CRC-32/ISO-HDLC)");
  app.add_flag("--sha1")->description("SHA-1 digest; alone, the lines read as those of sha1sum");
  app.add_flag("-c,--check", o->check, "read checksum lines from the FILEs and verify them");
  AddQuietFlag(app);
  KeepOperands(app.add_option("FILE", o->files, "files to sum ('-' is standard input)"));
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "sum",
     .summary = "CRC-16, CRC-32 and SHA-1 checksums of files, and checking them",
     .usage = "krv sum [--crc16[=MODE]] [--crc32] [--sha1] [-q] [FILE...]\n"
              "krv sum -c [--crc16[=MODE]] [--crc32] [--sha1] [-q] [FILE...]",
     .description =
         "Prints checksums of each FILE, one line per file: the values in upper-case\n"
         "hexadecimal, in the order the options are given and a blank apart, then two\n"
         "blanks and the file name. With no FILE, or where FILE is '-', standard input is\n"
         "read. Without options, --crc32 is assumed. A name holding a backslash, a line\n"
         "feed or a carriage return is written as sha1sum writes it: the line starts with\n"
         "a backslash and those characters appear as \\\\, \\n and \\r.\n"
         "\n"
         "With -c, each FILE holds such lines (from krv sum, or from sha1sum in text or\n"
         "binary form) and every file they name is summed again: 'NAME: OK' or\n"
         "'NAME: FAILED' is printed for each. The kinds of the values follow from the\n"
         "options when given (in their order), otherwise from their length: 4 digits\n"
         "CRC-16/XMODEM, 8 CRC-32, 40 SHA-1.\n"
         "\n"
         "A progress line is shown on standard error for long files when it is a terminal.",
     .exit_status = "0  every file was summed; with -c, every check passed\n"
                    "1  with -c: a file's sums differ from its line\n"
                    "2  a file could not be read, a checksum line is malformed, a usage\n"
                    "   error, or standard output could not be written",
     .examples = "krv sum --sha1 report.pdf\n"
                 "krv sum --crc16=ccitt --crc32 --sha1 *.bin\n"
                 "krv sum --sha1 *.iso > SHA1SUMS && krv sum -c SHA1SUMS\n"
                 "printf 123456789 | krv sum --crc16 --crc16=ccitt --crc32"},
    &Setup};

}  // namespace
}  // namespace krv::tool
