// krv ascii85: ASCII85 encoding and decoding of a file or a stream.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "command.h"
#include "korvex/dstruct/ascii85.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

constexpr std::string_view kCommand = "ascii85";
constexpr std::string_view kUsage =
    "usage: krv ascii85 encode|decode [IN [OUT]]\n"
    "\n"
    "Codes bytes as ASCII85 text in the library's form: five characters from '!' to 'u'\n"
    "per four bytes, 'z' for four zero bytes, a last group of k < 4 bytes as k + 1\n"
    "characters holding just those bytes, and the terminator '~>'. No start delimiter\n"
    "and no line breaks are written. IN and OUT default to standard input and output;\n"
    "'-' names them too.\n"
    "\n"
    "decode skips CR and LF, stops after the terminator, and fails (exit status 1) on\n"
    "text no encoder writes: a character outside '!'..'u', a 'z' inside a group, or a\n"
    "group too large for its bytes. The bytes are written all the same.\n"
    "\n"
    "Examples:\n"
    "  krv ascii85 encode logo.png logo.a85\n"
    "  krv ascii85 decode logo.a85 logo.png\n"
    "  printf abc | krv ascii85 encode\n";

// Standard input or output as a stream. Seeking works where the file allows it.
class StdioStream : public TStream {
 public:
  explicit StdioStream(std::FILE* f) : f_(f) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    return std::fread(buffer, 1, count, f_);
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    return std::fwrite(buffer, 1, count, f_);
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const int whence = origin == soFromBeginning ? SEEK_SET
                       : origin == soFromCurrent ? SEEK_CUR
                                                 : SEEK_END;
    if (std::fseek(f_, static_cast<long>(offset), whence) != 0) return -1;
    return std::ftell(f_);
  }
  bool Failed() const { return std::ferror(f_) != 0; }

 private:
  std::FILE* f_;
};

int Run(const Args& args) {
  if (args.empty()) return Fail(kCommand, "missing encode or decode", true);
  const std::string& mode = args[0];
  if (mode != "encode" && mode != "decode")
    return Fail(kCommand, "unknown mode '" + mode + "'", true);
  if (args.size() > 3) return Fail(kCommand, "too many arguments", true);
  const bool named_in = args.size() >= 2 && args[1] != "-";
  const bool named_out = args.size() == 3 && args[2] != "-";

  StdioStream std_in(stdin), std_out(stdout);
  std::unique_ptr<TFileStream> file_in, file_out;
  Integer result = 0;
  try {
    if (named_in) file_in = std::make_unique<TFileStream>(ToUtf16(args[1]), fmOpenRead);
    if (named_out) file_out = std::make_unique<TFileStream>(ToUtf16(args[2]), fmCreate);
    TStream& in = named_in ? static_cast<TStream&>(*file_in) : std_in;
    TStream& out = named_out ? static_cast<TStream&>(*file_out) : std_out;
    if (mode == "encode") {
      EncodeASCII85(in, out);
    } else {
      result = DecodeASCII85(in, out);
    }
    if (file_out) file_out->Flush();
  } catch (const Exception& e) {
    return Fail(kCommand, e.what());
  }
  if (std_in.Failed()) return Fail(kCommand, "read error");
  if (std::fflush(stdout) != 0 || std_out.Failed()) return Fail(kCommand, "write error");
  if (result == -1)
    return Fail(kCommand,
                "bad ASCII85 text: a character outside '!'..'u', or a group too large for its "
                "bytes");
  if (result == -2) return Fail(kCommand, "bad ASCII85 text: 'z' inside a group");
  return kExitOk;
}

KrvCommand reg{kCommand, "ASCII85 encode or decode bytes", kUsage, &Run};

}  // namespace
}  // namespace krv::tool
