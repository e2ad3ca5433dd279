// The process-wide choice of checksum code path, shared by CRC-32 and SHA-1, and what the
// processor supports, from the platform's feature flags.
#include <atomic>

#include "dstruct/internal/checksum_dispatch.h"
#include "korvex/platform/cpu_features.h"

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

bool CpuHasClmul() {
  const CpuFeatures& f = GetCpuFeatures();
  return f.Pclmulqdq && f.Sse41;
}

bool CpuHasClmulWide() {
  const CpuFeatures& f = GetCpuFeatures();
  return CpuHasClmul() && f.Avx512F && f.Vpclmulqdq;
}

bool CpuHasShaNi() {
  const CpuFeatures& f = GetCpuFeatures();
  return f.Sha && f.Ssse3 && f.Sse41;
}

}  // namespace krv::detail
