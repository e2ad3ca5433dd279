#include "korvex/platform/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace krv {
namespace {

constexpr bool Bit(std::uint32_t word, int bit) {
  return ((word >> bit) & 1u) != 0;
}

// XCR0 bits: the SSE and AVX state, and the three parts of the AVX-512 state (opmask
// registers, upper halves of ZMM0-15, ZMM16-31).
constexpr std::uint64_t kXcr0Avx = 0x6;
constexpr std::uint64_t kXcr0Avx512 = 0xE6;

CpuFeatures Detect() {
  CpuFeatures f;
  if (!CpuidAvailable()) return f;
  const std::uint32_t max_leaf = Cpuid(0).Eax;
  if (max_leaf < 1) return f;
  const CpuidRegisters l1 = Cpuid(1);
  const CpuidRegisters l7 = max_leaf >= 7 ? Cpuid(7, 0) : CpuidRegisters{};
  const std::uint64_t xcr0 = ReadXcr0();
  const bool os_avx = (xcr0 & kXcr0Avx) == kXcr0Avx;
  const bool os_avx512 = (xcr0 & kXcr0Avx512) == kXcr0Avx512;

  f.Sse2 = Bit(l1.Edx, 26);
  f.Pclmulqdq = Bit(l1.Ecx, 1);
  f.Ssse3 = Bit(l1.Ecx, 9);
  f.Sse41 = Bit(l1.Ecx, 19);
  f.Sse42 = Bit(l1.Ecx, 20);
  f.Avx = os_avx && Bit(l1.Ecx, 28);
  f.Avx2 = f.Avx && Bit(l7.Ebx, 5);
  f.Avx512F = os_avx512 && Bit(l7.Ebx, 16);
  f.Sha = Bit(l7.Ebx, 29);
  f.Vpclmulqdq = f.Avx && Bit(l7.Ecx, 10);
  return f;
}

}  // namespace

#if defined(__x86_64__) || defined(__i386__)

bool CpuidAvailable() {
#if defined(__x86_64__)
  return true;
#else
  // On 32-bit x86 this also tests whether the ID flag of the flags register can be toggled.
  return __get_cpuid_max(0, nullptr) != 0;
#endif
}

CpuidRegisters Cpuid(std::uint32_t Leaf, std::uint32_t Subleaf) {
  CpuidRegisters r;
  if (!CpuidAvailable()) return r;
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid_count(Leaf, Subleaf, a, b, c, d);
  r.Eax = a;
  r.Ebx = b;
  r.Ecx = c;
  r.Edx = d;
  return r;
}

std::uint64_t ReadXcr0() {
  // XGETBV exists only when the operating system has set CR4.OSXSAVE (CPUID leaf 1, ECX bit 27).
  if (!CpuidAvailable() || Cpuid(0).Eax < 1 || !Bit(Cpuid(1).Ecx, 27)) return 0;
  std::uint32_t lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

std::uint64_t ReadTimeStampCounter() {
  return __rdtsc();
}

#else

bool CpuidAvailable() {
  return false;
}

CpuidRegisters Cpuid(std::uint32_t, std::uint32_t) {
  return {};
}

std::uint64_t ReadXcr0() {
  return 0;
}

std::uint64_t ReadTimeStampCounter() {
  return 0;
}

#endif

const CpuFeatures& GetCpuFeatures() {
  static const CpuFeatures features = Detect();
  return features;
}

}  // namespace krv
