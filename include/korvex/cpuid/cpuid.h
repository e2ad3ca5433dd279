// CPU identification: whether CPUID exists, the vendor and market names, the signature and
// its fields, the feature words with a table of descriptions, the processor count, the early
// floating-point division flaw, a serial-number text and a measured clock rate.
//
// Every CPUID leaf is read through the platform layer (korvex/platform/cpu_features.h), which
// is the one place that executes CPUID and RDTSC. A query of a leaf:
// - raises EKRVCpuIdError "Cannot acquire CPU information (CPUID not supported)" when the
//   processor has no CPUID (every processor other than x86 and x86-64, and very old x86);
// - runs when the highest standard leaf is not below the leaf, both compared as signed 32-bit
//   numbers (so every extended leaf, 0x80000000 and above, passes);
// - otherwise raises EKRVCpuIdError "CPUID: execution level not supported" when the leaf is
//   above the highest extended leaf, and runs when it is not.
// Functions built on queries let that exception through; CPU_IDSupport, CPU_Count,
// CPU_FDIVBugPresent and CPU_Speed need no query and raise nothing.
//
// Threads: queries may run on several threads at once (nothing is shared). CPU_Speed keeps
// its thread busy at the highest priority the process may take for the measuring time.
#pragma once

#include <cstdint>

#include "korvex/base/exceptions.h"
#include "korvex/platform/cpu_features.h"
#include "korvex/platform/export.h"
#include "korvex/platform/indexed_array.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Bits 0..31 of the standard feature word (leaf 1, EDX); cpuft_3dnow is bit 31 of the
// extended feature word (leaf 0x80000001, EDX).
enum TCPUFeatures : std::uint8_t {
  cpuft_fpu,
  cpuft_vme,
  cpuft_de,
  cpuft_pse,
  cpuft_tsc,
  cpuft_msr,
  cpuft_pae,
  cpuft_mce,
  cpuft_cx8,
  cpuft_apic,
  cpuft_sepamd,
  cpuft_sep,
  cpuft_mtrr,
  cpuft_pge,
  cpuft_mca,
  cpuft_cmov,
  cpuft_pat,
  cpuft_pse36,
  cpuft_serial,
  cpuft_clflush,
  cpuft_reserved1,
  cpuft_dts,
  cpuft_acpi,
  cpuft_mmx,
  cpuft_xsr,
  cpuft_simd,
  cpuft_simd2,
  cpuft_ss,
  cpuft_reserved2,
  cpuft_tm,
  cpuft_ia64,
  cpuft_3dnow,
};

// One description per feature: CPUFeatureNames[cpuft_fpu] is "Floating Point Unit".
extern const IndexedArray<String, cpuft_fpu, cpuft_3dnow> CPUFeatureNames;

// True when the processor executes CPUID.
bool CPU_IDSupport();

// The 12 characters of leaf 0 (EBX, EDX, ECX), e.g. "GenuineIntel".
String CPU_VendorString();

// The 48 characters of leaves 0x80000002..4 without leading and trailing characters up to
// 32 (blanks, NULs); "unknown" when a control character remains inside.
String CPU_MarketName();

// Leaf 1, EAX.
std::uint32_t CPU_Signature();
// The fields of the signature: stepping bits 0-3, model 4-7, family 8-11, type 12-13,
// extended model 16-19, extended family 20-27.
std::int32_t CPU_Stepping();
std::int32_t CPU_Model();
std::int32_t CPU_Family();
std::int32_t CPU_Type();
std::int32_t CPU_ExModel();
std::int32_t CPU_ExFamily();
// True when the type field is 1.
bool CPU_OverDrive();
// Leaf 1, EBX, lowest byte.
std::int32_t CPU_BrandID();

// Leaf 1, EDX.
std::uint32_t CPU_FeatureSet();
// Leaf 0x80000001, EDX.
std::uint32_t CPU_ExtendedFeatureSet();

// 24 upper-case hexadecimal digits: the signature, then EDX and ECX of leaf 3 (the
// processor serial number leaf; zeros on processors without one).
String CPU_SerialNumber();

// The number of processors online.
std::int32_t CPU_Count();

// True when (4195835 / 3145727) * 3145727 - 4195835, computed in double precision, is not
// exactly 0 (the early Pentium division flaw).
bool CPU_FDIVBugPresent();

// The clock rate in MHz: time-stamp counter ticks over DelayMs milliseconds of the monotonic
// tick count, divided by the microseconds. Raises the thread's priority as far as allowed
// for the measurement and restores it afterwards. DelayMs must be above 0 (0 gives 0).
float CPU_Speed(std::uint32_t DelayMs);

namespace detail {

// The signature's fields as CPU_Stepping ... CPU_ExFamily give them.
struct CpuSignatureFields {
  std::int32_t Stepping, Model, Family, Type, ExModel, ExFamily;
};
CpuSignatureFields DecodeCpuSignature(std::uint32_t signature);

// Where queries read leaves: the platform's CPUID, or a stand-in in tests.
struct CpuidSource {
  bool (*Available)();
  CpuidRegisters (*Query)(std::uint32_t leaf);
};
// The platform's CPUID.
const CpuidSource& PlatformCpuid();
// A query of a leaf by the rules above.
CpuidRegisters QueryCpuidLeaf(std::uint32_t leaf, const CpuidSource& source);
// The market name of the three leaves' registers, trimmed as CPU_MarketName gives it.
String MarketNameOf(const CpuidRegisters (&leaves)[3]);

}  // namespace detail

}  // namespace krv
KORVEX_API_END
