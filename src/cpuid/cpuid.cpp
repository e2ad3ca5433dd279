// CPU identification by the platform's CPUID and time-stamp counter.
#include "korvex/cpuid/cpuid.h"

#include <cstdio>

#include "korvex/platform/system.h"

namespace krv {

const IndexedArray<String, cpuft_fpu, cpuft_3dnow> CPUFeatureNames = {{
    u"Floating Point Unit",
    u"V86 Mode Extensions",
    u"Debug Extensions - I/O breakpoints supported",
    u"Page Size Extensions (4 MB pages supported)",
    u"Time Stamp Counter and RDTSC instruction are available",
    u"Model Specific Registers",
    u"Physical Address Extensions (36-bit address, 2MB pages)",
    u"Machine Check Exception supported",
    u"Compare Exchange Eight Byte instruction available",
    u"Local APIC present (multiprocessor operation support)",
    u"Fast system calls (AMD only)",
    u"Fast system calls",
    u"Memory Type Range Registers",
    u"Page Global Enable",
    u"Machine Check Architecture",
    u"Conditional MOVe instructions",
    u"Page Attribute Table",
    u"36 bit Page Size Extensions",
    u"Processor Serial Number",
    u"Cache Flush",
    u"reserved",
    u"Debug Trace Store",
    u"ACPI support",
    u"MultiMedia Extensions",
    u"FXSAVE and FXRSTOR instructions",
    u"SSE instructions",
    u"SSE2 (WNI) instructions",
    u"self snoop",
    u"reserved",
    u"Automatic clock control",
    u"IA64 instructions",
    u"3DNow! instructions available",
}};

namespace detail {
namespace {

constexpr std::uint32_t kExtendedBase = 0x80000000u;

bool PlatformAvailable() {
  return CpuidAvailable();
}

CpuidRegisters PlatformQuery(std::uint32_t leaf) {
  return Cpuid(leaf);
}

// A register as four characters, lowest byte first.
void AppendRegister(std::uint32_t reg, String& out) {
  for (int i = 0; i < 4; ++i) out += static_cast<Char>((reg >> (8 * i)) & 0xFFu);
}

}  // namespace

CpuSignatureFields DecodeCpuSignature(std::uint32_t s) {
  auto field = [s](int shift, std::uint32_t mask) {
    return static_cast<std::int32_t>((s >> shift) & mask);
  };
  return {field(0, 0xF),  field(4, 0xF),  field(8, 0xF),
          field(12, 0x3), field(16, 0xF), field(20, 0xFF)};
}

const CpuidSource& PlatformCpuid() {
  static const CpuidSource source{&PlatformAvailable, &PlatformQuery};
  return source;
}

CpuidRegisters QueryCpuidLeaf(std::uint32_t leaf, const CpuidSource& source) {
  if (!source.Available())
    throw EKRVCpuIdError("Cannot acquire CPU information (CPUID not supported)");
  const auto max_standard = static_cast<std::int32_t>(source.Query(0).Eax);
  if (max_standard < static_cast<std::int32_t>(leaf) && leaf > source.Query(kExtendedBase).Eax)
    throw EKRVCpuIdError("CPUID: execution level not supported");
  return source.Query(leaf);
}

String MarketNameOf(const CpuidRegisters (&leaves)[3]) {
  String name;
  for (const CpuidRegisters& r : leaves) {
    AppendRegister(r.Eax, name);
    AppendRegister(r.Ebx, name);
    AppendRegister(r.Ecx, name);
    AppendRegister(r.Edx, name);
  }
  std::size_t first = 0, last = name.size();
  while (first < last && name[first] <= 32) ++first;
  while (last > first && name[last - 1] <= 32) --last;
  name = name.substr(first, last - first);
  for (Char c : name)
    if (c < 32) return u"unknown";
  return name;
}

}  // namespace detail

namespace {

CpuidRegisters Query(std::uint32_t leaf) {
  return detail::QueryCpuidLeaf(leaf, detail::PlatformCpuid());
}

detail::CpuSignatureFields Fields() {
  return detail::DecodeCpuSignature(CPU_Signature());
}

String Hex8(std::uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v));
  String out;
  for (int i = 0; i < 8; ++i) out += static_cast<Char>(buf[i]);
  return out;
}

}  // namespace

bool CPU_IDSupport() {
  return CpuidAvailable();
}

String CPU_VendorString() {
  const CpuidRegisters r = Query(0);
  String s;
  detail::AppendRegister(r.Ebx, s);
  detail::AppendRegister(r.Edx, s);
  detail::AppendRegister(r.Ecx, s);
  return s;
}

String CPU_MarketName() {
  const CpuidRegisters leaves[3] = {Query(0x80000002u), Query(0x80000003u), Query(0x80000004u)};
  return detail::MarketNameOf(leaves);
}

std::uint32_t CPU_Signature() {
  return Query(1).Eax;
}

std::int32_t CPU_Stepping() {
  return Fields().Stepping;
}
std::int32_t CPU_Model() {
  return Fields().Model;
}
std::int32_t CPU_Family() {
  return Fields().Family;
}
std::int32_t CPU_Type() {
  return Fields().Type;
}
std::int32_t CPU_ExModel() {
  return Fields().ExModel;
}
std::int32_t CPU_ExFamily() {
  return Fields().ExFamily;
}

bool CPU_OverDrive() {
  return CPU_Type() == 1;
}

std::int32_t CPU_BrandID() {
  return static_cast<std::int32_t>(Query(1).Ebx & 0xFFu);
}

std::uint32_t CPU_FeatureSet() {
  return Query(1).Edx;
}

std::uint32_t CPU_ExtendedFeatureSet() {
  return Query(0x80000001u).Edx;
}

String CPU_SerialNumber() {
  const std::uint32_t signature = CPU_Signature();
  const CpuidRegisters serial = Query(3);
  return Hex8(signature) + Hex8(serial.Edx) + Hex8(serial.Ecx);
}

std::int32_t CPU_Count() {
  return OnlineProcessorCount();
}

bool CPU_FDIVBugPresent() {
  // volatile keeps the compiler from folding the division away at compile time.
  volatile double x = 4195835.0;
  volatile double y = 3145727.0;
  const double r = (x / y) * y - x;
  return r != 0.0;
}

float CPU_Speed(std::uint32_t DelayMs) {
  if (DelayMs == 0) return 0.0f;
  const SchedulingState saved = RaiseThreadPriority();
  // Start on a tick edge, so the interval is whole ticks long.
  const std::uint32_t before = TickCount();
  std::uint32_t t = before;
  while (t == before) t = TickCount();
  const std::uint64_t start = ReadTimeStampCounter();
  while (TickCount() - t < DelayMs) {
  }
  const std::uint64_t stop = ReadTimeStampCounter();
  RestoreThreadPriority(saved);
  const double cycles = static_cast<double>(stop) - static_cast<double>(start);
  return static_cast<float>(cycles / (1e6 / (1e3 / DelayMs)));
}

}  // namespace krv
