// krv rle: run-length encodes or decodes a file or a stream.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "korvex/dstruct/rle.h"

namespace krv::tool {
namespace {

constexpr std::string_view kCommand = "rle";
constexpr std::string_view kUsage =
    "usage: krv rle encode|decode [IN [OUT]]\n"
    "\n"
    "Run-length codes bytes in the library's format: a byte other than 0xA5 stands for\n"
    "itself, the three bytes 0xA5 n v stand for n copies of v. IN and OUT default to\n"
    "standard input and output; '-' names them too.\n"
    "\n"
    "decode fails (exit status 1) when the input ends inside a three-byte run; everything\n"
    "before it has been written.\n"
    "\n"
    "Examples:\n"
    "  krv rle encode picture.bmp picture.rle\n"
    "  krv rle decode picture.rle picture.bmp\n"
    "  krv rle encode < data | krv rle decode | cmp - data\n";

constexpr std::int32_t kBlock = 1 << 16;

struct Files {
  std::FILE* in = stdin;
  std::FILE* out = stdout;
  ~Files() {
    if (in != nullptr && in != stdin) std::fclose(in);
    if (out != nullptr && out != stdout) std::fclose(out);
  }
};

bool Put(std::FILE* out, const std::uint8_t* p, std::size_t n) {
  return std::fwrite(p, 1, n, out) == n;
}

int Run(const Args& args) {
  if (args.empty()) return Fail(kCommand, "missing encode or decode", true);
  const std::string& mode = args[0];
  if (mode != "encode" && mode != "decode")
    return Fail(kCommand, "unknown mode '" + mode + "'", true);
  if (args.size() > 3) return Fail(kCommand, "too many arguments", true);
  Files f;
  if (args.size() >= 2 && args[1] != "-") {
    f.in = std::fopen(args[1].c_str(), "rb");
    if (f.in == nullptr) return Fail(kCommand, args[1] + ": cannot open");
  }
  if (args.size() == 3 && args[2] != "-") {
    f.out = std::fopen(args[2].c_str(), "wb");
    if (f.out == nullptr) return Fail(kCommand, args[2] + ": cannot create");
  }
  TRLEncoder coder;
  coder.SetBufLeng(kBlock);
  std::vector<std::uint8_t> in(kBlock), block(kBlock);
  const bool encode = mode == "encode";
  for (;;) {
    const std::size_t n = std::fread(in.data(), 1, in.size(), f.in);
    if (n > 0) {
      const std::span<const std::uint8_t> piece(in.data(), n);
      if (encode ? coder.Encode(piece) : coder.Decode(piece)) {
        while (coder.GetResult(block))
          if (!Put(f.out, block.data(), block.size())) return Fail(kCommand, "write error");
      }
    }
    if (n < in.size()) break;
  }
  if (std::ferror(f.in)) return Fail(kCommand, "read error");
  if (encode) {
    for (std::int32_t k = kBlock; k == kBlock;) {
      k = coder.Finish(block);
      if (!Put(f.out, block.data(), static_cast<std::size_t>(k)))
        return Fail(kCommand, "write error");
    }
  } else if (coder.Pending() > 0) {
    // The last part is shorter than a block: fetch it through a block of its size.
    const auto rest = static_cast<std::int32_t>(coder.Pending());
    coder.SetBufLeng(rest);
    coder.GetResult(block);
    if (!Put(f.out, block.data(), static_cast<std::size_t>(rest)))
      return Fail(kCommand, "write error");
  }
  if (std::fflush(f.out) != 0) return Fail(kCommand, "write error");
  if (!encode && coder.DecodeState() != rlData)
    return Fail(kCommand, "the input ends inside a run (0xA5 n v)");
  return kExitOk;
}

KrvCommand reg{kCommand, "run-length encode or decode bytes", kUsage, &Run};

}  // namespace
}  // namespace krv::tool
