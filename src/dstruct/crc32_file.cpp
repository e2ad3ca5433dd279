// CRC-32 of a file by name. Every failure gives 0.
#include <memory>

#include "korvex/dstruct/crc.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/textfile.h"

namespace krv {

Integer CalcCRC32ofFile(const String& name) {
  constexpr std::size_t kBlock = 256 * 1024;
  IOResult();  // starts with no pending input/output error, and leaves none
  try {
    TFileStream file(name, fmOpenRead | fmShareDenyWrite);
    const std::unique_ptr<Byte[]> block(new Byte[kBlock]);
    Cardinal crc = 0xFFFFFFFFu;
    for (;;) {
      const std::size_t n = file.Read(block.get(), kBlock);
      if (n == 0) break;
      crc = UpdateCRC32(crc, block.get(), n);
    }
    // A read that failed before the end looks like the end to Read; the position tells.
    // (Files that report no size, such as those under /proc, read past their size.)
    if (file.Position() < file.Size()) return 0;
    return static_cast<Integer>(~crc);
  } catch (...) {
    return 0;
  }
}

}  // namespace krv
