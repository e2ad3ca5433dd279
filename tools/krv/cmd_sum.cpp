// krv sum: CRC-16, CRC-32 and SHA-1 of files, one line per file as the usual checksum tools
// print them.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

constexpr std::string_view kCommand = "sum";
constexpr std::string_view kUsage =
    "usage: krv sum [--crc16[=xmodem|ccitt]] [--crc32] [--sha1] [FILE...]\n"
    "\n"
    "Prints checksums of each FILE, one line per file: the values in upper-case\n"
    "hexadecimal, in the order the options are given and a blank apart, then two blanks\n"
    "and the file name. With no FILE, or where FILE is '-', standard input is read.\n"
    "Without options, --crc32 is assumed.\n"
    "\n"
    "  --crc16[=MODE]  CRC-16 with polynomial 0x1021, no final inversion; MODE xmodem\n"
    "                  (start 0x0000, CRC-16/XMODEM, the default) or ccitt (start\n"
    "                  0xFFFF, CRC-16/IBM-3740)\n"
    "  --crc32         CRC-32 as zlib, PNG and Ethernet compute it (CRC-32/ISO-HDLC)\n"
    "  --sha1          SHA-1 digest; alone, the lines read as those of sha1sum\n"
    "\n"
    "A file that cannot be read is reported on standard error; the others are still\n"
    "summed, and the exit status is 1.\n"
    "\n"
    "Examples:\n"
    "  krv sum --sha1 report.pdf\n"
    "  krv sum --crc16=ccitt --crc32 --sha1 *.bin\n"
    "  printf 123456789 | krv sum --crc16 --crc16=ccitt --crc32\n";

enum class Kind { kCrc16XModem, kCrc16Ccitt, kCrc32, kSha1 };

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

  std::string Line(const std::string& name) {
    std::string line;
    char hex[16];
    for (Kind k : kinds_) {
      if (!line.empty()) line += ' ';
      switch (k) {
        case Kind::kCrc16XModem:
          std::snprintf(hex, sizeof hex, "%04X", crc16x_);
          line += hex;
          break;
        case Kind::kCrc16Ccitt:
          std::snprintf(hex, sizeof hex, "%04X", crc16c_);
          line += hex;
          break;
        case Kind::kCrc32:
          std::snprintf(hex, sizeof hex, "%08X", ~crc32_);
          line += hex;
          break;
        case Kind::kSha1:
          line += ToUtf8(SHA1DigestToHex(sha1_.Final()));
          break;
      }
    }
    return line + "  " + name + "\n";
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

// Sums one input; false (with a message printed) when it cannot be read.
bool SumOne(const std::string& name, const std::vector<Kind>& kinds, Byte* block,
            std::string& line) {
  Sums sums(kinds);
  if (name == "-") {
    for (;;) {
      const std::size_t n = std::fread(block, 1, kBlock, stdin);
      sums.Feed(block, n);
      if (n < kBlock) break;
    }
    if (std::ferror(stdin)) {
      Fail(kCommand, "-: read error");
      return false;
    }
  } else {
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec)) {
      Fail(kCommand, name + ": is a directory");
      return false;
    }
    try {
      TFileStream file(ToUtf16(name), fmOpenRead | fmShareDenyWrite);
      for (;;) {
        const std::size_t n = file.Read(block, kBlock);
        if (n == 0) break;
        sums.Feed(block, n);
      }
      // Read stops early on an error; files without a size (/proc) read past it.
      if (file.Position() < file.Size()) {
        Fail(kCommand, name + ": read error");
        return false;
      }
    } catch (const Exception& e) {
      Fail(kCommand, e.what());
      return false;
    }
  }
  line = sums.Line(name);
  return true;
}

bool ParseOption(const std::string& arg, std::vector<Kind>& kinds) {
  Kind kind;
  if (arg == "--crc16" || arg == "--crc16=xmodem") {
    kind = Kind::kCrc16XModem;
  } else if (arg == "--crc16=ccitt") {
    kind = Kind::kCrc16Ccitt;
  } else if (arg == "--crc32") {
    kind = Kind::kCrc32;
  } else if (arg == "--sha1") {
    kind = Kind::kSha1;
  } else {
    return false;
  }
  for (Kind k : kinds)
    if (k == kind) return true;
  kinds.push_back(kind);
  return true;
}

int Run(const Args& args) {
  std::vector<Kind> kinds;
  std::vector<std::string> names;
  bool options_done = false;
  for (const std::string& a : args) {
    if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      if (!ParseOption(a, kinds)) return Fail(kCommand, "unknown option '" + a + "'", true);
    } else {
      names.push_back(a);
    }
  }
  if (kinds.empty()) kinds.push_back(Kind::kCrc32);
  if (names.empty()) names.push_back("-");

  const std::unique_ptr<Byte[]> block(new Byte[kBlock]);
  int status = kExitOk;
  for (const std::string& name : names) {
    std::string line;
    if (SumOne(name, kinds, block.get(), line)) {
      std::fputs(line.c_str(), stdout);
    } else {
      status = kExitFailure;
    }
  }
  if (std::fflush(stdout) != 0) return Fail(kCommand, "write error");
  return status;
}

KrvCommand reg{kCommand, "CRC-16, CRC-32 and SHA-1 checksums of files", kUsage, &Run};

}  // namespace
}  // namespace krv::tool
