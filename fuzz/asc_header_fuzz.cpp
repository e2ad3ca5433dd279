// ReadHeaderOfASC on random bytes: the stream form on a memory stream, the file form on a
// temporary file holding the same bytes. Neither may crash or raise on any content, and each
// returns only the status codes of its form.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "korvex/filesys/textfiles.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// One scratch file per process, removed at exit.
struct ScratchFile {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("korvex_asc_fuzz_" + std::to_string(::getpid()) + ".asc");
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace krv;
  if (size > 65536) return 0;
  String title;
  std::int32_t first = 0, second = 0;
  bool f1, f2, f3, f4;

  TMemoryStream stream;
  stream.WriteBuffer(data, size);
  stream.SetPosition(0);
  const std::int32_t s = ReadHeaderOfASC(stream, title, first, second, f1, f2, f3, f4);
  Check(s == kAscOk || s == kAscBadFlag || s == kAscLineFeedInTitle);
  Check(stream.Position() <= stream.Size());
  Check(s == kAscOk || !f4);

  static ScratchFile scratch;
  std::FILE* out = std::fopen(scratch.path.c_str(), "wb");
  Check(out != nullptr);
  if (size != 0) Check(std::fwrite(data, 1, size, out) == size);  // data may be null when empty
  std::fclose(out);
  const std::int32_t fs =
      ReadHeaderOfASC(ToUtf16(scratch.path.string()), title, first, second, f1, f2, f3, f4);
  Check(fs == kAscOk || fs == kAscBadFirstNumber || fs == kAscBadSecondNumber || fs == kAscBadFlag);
  Check(title.find(u'\n') == String::npos);
  return 0;
}
