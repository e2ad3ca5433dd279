// krv rle: run-length encodes or decodes a file or a stream.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/dstruct/rle.h"

namespace krv::tool {
namespace {

constexpr std::int32_t kBlock = 1 << 16;

struct Options {
  std::string mode;
  std::vector<std::string> inputs;
  std::string output;
};

int Run(const Options& o) {
  if (o.inputs.size() > 1) throw Failure{"", "one input only; name the output with -o FILE"};
  Output out(o.output);
  Input in(o.inputs.empty() ? "-" : o.inputs[0]);
  in.ShowProgress();
  TRLEncoder coder;
  coder.SetBufLeng(kBlock);
  std::vector<std::uint8_t> piece(kBlock), block(kBlock);
  const bool encode = o.mode == "encode";
  while (const std::size_t n = in.Read(piece.data(), piece.size())) {
    const std::span<const std::uint8_t> bytes(piece.data(), n);
    if (encode ? coder.Encode(bytes) : coder.Decode(bytes)) {
      while (coder.GetResult(block)) out.Write(block.data(), block.size());
    }
  }
  if (encode) {
    for (std::int32_t k = kBlock; k == kBlock;) {
      k = coder.Finish(block);
      out.Write(block.data(), static_cast<std::size_t>(k));
    }
  } else {
    if (coder.Pending() > 0) {
      // The last part is shorter than a block: fetch it through a block of its size.
      const auto rest = static_cast<std::int32_t>(coder.Pending());
      coder.SetBufLeng(rest);
      coder.GetResult(block);
      out.Write(block.data(), static_cast<std::size_t>(rest));
    }
    if (coder.DecodeState() != rlData)
      throw Failure{in.Name(), "the input ends inside a run (0xA5 n v)"};
  }
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  AddCoderOperands(app, o->mode, o->inputs, o->output);
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "rle",
     .summary = "run-length encode or decode bytes",
     .usage = "krv rle encode|decode [-o OUT] [-q] [IN]",
     .description =
         "Run-length codes bytes in the library's format: a byte other than 0xA5 stands for\n"
         "itself, the three bytes 0xA5 n v stand for n copies of v. IN defaults to standard\n"
         "input and the output to standard output; '-' names them too. A named output file\n"
         "is replaced only when the command succeeds, and may not be the input itself.\n"
         "\n"
         "decode fails when the input ends inside a three-byte run; an output file is then\n"
         "left as it was.",
     .exit_status = "0  the bytes were coded\n"
                    "2  the input could not be read or ends inside a run, the output is the\n"
                    "   input or could not be written, or a usage error",
     .examples = "krv rle encode picture.bmp -o picture.rle\n"
                 "krv rle decode picture.rle -o picture.bmp\n"
                 "krv rle encode < data | krv rle decode | cmp - data"},
    &Setup};

}  // namespace
}  // namespace krv::tool
