// The processor's identification and feature flags: the one place in the library that runs
// the CPUID, XGETBV and RDTSC instructions. The checksum code paths choose between their
// portable and special-instruction forms with CpuFeatures(); the CPU identification unit
// reads leaves through Cpuid() and the time-stamp counter through ReadTimeStampCounter().
//
// On processors other than x86 and x86-64 CPUID is reported absent, Cpuid() gives zeros and
// every feature is false, so callers fall back to their portable code.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// The four registers one CPUID execution returns.
struct CpuidRegisters {
  std::uint32_t Eax = 0;
  std::uint32_t Ebx = 0;
  std::uint32_t Ecx = 0;
  std::uint32_t Edx = 0;
};

// True when the processor executes CPUID (always on x86-64).
bool CpuidAvailable();

// CPUID with Leaf in EAX and Subleaf in ECX, executed as asked: leaves above the highest one
// the processor reports (leaf 0 and leaf 0x80000000 give the highest standard and extended
// leaf in EAX) return whatever the processor returns for them. All zero when CPUID is absent.
CpuidRegisters Cpuid(std::uint32_t Leaf, std::uint32_t Subleaf = 0);

// XCR0, the register state the operating system saves on a task switch (bit 1 SSE, bit 2 the
// upper halves of the AVX registers, bits 5 to 7 the AVX-512 state); 0 when the processor or
// the operating system does not enable XGETBV.
std::uint64_t ReadXcr0();

// The time-stamp counter (RDTSC): processor cycles since reset, or a constant-rate count on
// processors whose counter runs at a fixed frequency. 0 on processors other than x86.
std::uint64_t ReadTimeStampCounter();

// Instruction-set features the library selects code paths by. A feature that needs wider
// registers (AVX, AVX2, AVX-512F, VPCLMULQDQ) counts only when the operating system also saves
// those registers, so a true flag always means the instructions can be used.
struct CpuFeatures {
  bool Sse2 = false;
  bool Ssse3 = false;
  bool Sse41 = false;
  bool Sse42 = false;
  bool Pclmulqdq = false;  // carry-less multiplication of 64-bit halves
  bool Avx = false;
  bool Avx2 = false;
  bool Avx512F = false;
  bool Vpclmulqdq = false;  // carry-less multiplication on AVX registers
  bool Sha = false;         // the SHA-1 and SHA-256 extensions
};

// The features of the processor the program runs on, read once; the same for the whole
// process and safe to call from any thread.
const CpuFeatures& GetCpuFeatures();

}  // namespace krv
KORVEX_API_END
