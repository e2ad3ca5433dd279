// SHA-1 digests of streams and files.
#include <memory>

#include "korvex/dstruct/sha1.h"
#include "korvex/platform/exceptions.h"

namespace krv {

TSHACode SHA1FromStream(TStream& stream) {
  TSHA1Context ctx;
  Byte block[1024];
  for (;;) {
    const std::size_t n = stream.Read(block, sizeof block);
    if (n == 0) break;
    ctx.Update(block, n);
  }
  return ctx.Final();
}

TSHACode SHA1FromFile(const String& name) {
  // Large reads go straight from the file into the block buffer, with no copy in between.
  constexpr std::size_t kBlock = 1 << 20;
  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  const std::unique_ptr<Byte[]> block(new Byte[kBlock]);
  TSHA1Context ctx;
  for (;;) {
    const std::size_t n = file.Read(block.get(), kBlock);
    if (n == 0) break;
    ctx.Update(block.get(), n);
  }
  // Read stops early on an error, which would give the digest of part of the file. (Files that
  // report no size, such as those under /proc, read past their size.)
  if (file.Position() < file.Size()) throw EReadError("Stream read error");
  return ctx.Final();
}

}  // namespace krv
