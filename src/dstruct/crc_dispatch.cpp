// The process-wide choice of checksum code path, shared by CRC-32 and SHA-1.
#include <atomic>

#include "dstruct/internal/checksum_dispatch.h"

namespace krv::detail {
namespace {
std::atomic<ChecksumPath> g_path{ChecksumPath::kBest};
}  // namespace

void SetChecksumPath(ChecksumPath path) {
  g_path.store(path, std::memory_order_relaxed);
}

ChecksumPath GetChecksumPath() {
  return g_path.load(std::memory_order_relaxed);
}

}  // namespace krv::detail
