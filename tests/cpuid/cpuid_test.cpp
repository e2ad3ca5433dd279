// CPU identification: the leaf-query rules on stand-in processors, the signature fields and
// the market-name trimming, and every answer about this machine checked against what the
// kernel reports in /proc/cpuinfo.
#include "korvex/cpuid/cpuid.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "korvex/platform/text.h"
#include "test_support/process.h"

namespace krv {
namespace {

using detail::CpuidSource;

TEST(Cpuid, SignatureFields) {
  struct Case {
    std::uint32_t signature;
    detail::CpuSignatureFields want;  // stepping, model, family, type, ex model, ex family
  };
  const Case cases[] = {
      {0x000906EA, {10, 14, 6, 0, 9, 0}},     {0x00B00F21, {1, 2, 15, 0, 0, 11}},
      {0x00001632, {2, 3, 6, 1, 0, 0}},  // an OverDrive processor
      {0xFFFFFFFF, {15, 15, 15, 3, 15, 255}}, {0, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const auto f = detail::DecodeCpuSignature(c.signature);
    EXPECT_EQ(f.Stepping, c.want.Stepping) << std::hex << c.signature;
    EXPECT_EQ(f.Model, c.want.Model) << std::hex << c.signature;
    EXPECT_EQ(f.Family, c.want.Family) << std::hex << c.signature;
    EXPECT_EQ(f.Type, c.want.Type) << std::hex << c.signature;
    EXPECT_EQ(f.ExModel, c.want.ExModel) << std::hex << c.signature;
    EXPECT_EQ(f.ExFamily, c.want.ExFamily) << std::hex << c.signature;
  }
}

// Registers holding the 48 bytes of text, four to a register, lowest byte first.
void Pack(const std::string& text, CpuidRegisters (&leaves)[3]) {
  std::uint32_t words[12] = {};
  for (std::size_t i = 0; i < 48 && i < text.size(); ++i)
    words[i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i]))
                    << (8 * (i % 4));
  for (int l = 0; l < 3; ++l)
    leaves[l] = {words[4 * l], words[4 * l + 1], words[4 * l + 2], words[4 * l + 3]};
}

TEST(Cpuid, MarketNameTrimming) {
  const struct {
    std::string raw;
    const char* want;
  } cases[] = {
      {"      Intel(R) Pentium(R) 4 CPU 1.50GHz" + std::string(9, '\0'),
       "Intel(R) Pentium(R) 4 CPU 1.50GHz"},
      {"AMD EPYC" + std::string(40, '\0'), "AMD EPYC"},
      {std::string(48, '\0'), ""},
      {std::string(48, ' '), ""},
      {"Bad\x01Name" + std::string(40, ' '), "unknown"},
      {"Two" + std::string(1, '\0') + "Parts" + std::string(39, '\0'), "unknown"},
      {"\x1F\x20 Edge\x7F\x1F", "Edge\x7F"},
  };
  for (const auto& c : cases) {
    CpuidRegisters leaves[3];
    Pack(c.raw, leaves);
    EXPECT_EQ(ToUtf8(detail::MarketNameOf(leaves)), c.want) << c.want;
  }
}

// A stand-in processor: highest standard leaf 0xD, highest extended leaf 0x80000008.
bool Present() {
  return true;
}
bool Absent() {
  return false;
}
CpuidRegisters FakeLeaf(std::uint32_t leaf) {
  if (leaf == 0) return {0xD, 1, 2, 3};
  if (leaf == 0x80000000u) return {0x80000008u, 0, 0, 0};
  return {leaf, ~leaf, 7, 8};
}

TEST(Cpuid, LeafQueryRules) {
  const CpuidSource present{&Present, &FakeLeaf};
  const CpuidSource absent{&Absent, &FakeLeaf};
  const struct {
    const CpuidSource* source;
    std::uint32_t leaf;
    const char* error;  // nullptr: the leaf is read
  } cases[] = {
      {&present, 0, nullptr},
      {&present, 0xD, nullptr},
      {&present, 0x10, nullptr},         // above the standard leaves, below 0x80000008
      {&present, 0x80000004u, nullptr},  // negative as a signed number: always read
      {&present, 0xFFFFFFFFu, nullptr},  // likewise
      {&present, 0x7FFFFFFFu, nullptr},  // not above 0x80000008 as unsigned
      {&absent, 0, "Cannot acquire CPU information (CPUID not supported)"},
      {&absent, 1, "Cannot acquire CPU information (CPUID not supported)"},
      {&absent, 0x80000002u, "Cannot acquire CPU information (CPUID not supported)"},
  };
  for (const auto& c : cases) {
    if (c.error == nullptr) {
      EXPECT_EQ(detail::QueryCpuidLeaf(c.leaf, *c.source).Ebx, FakeLeaf(c.leaf).Ebx)
          << std::hex << c.leaf;
      continue;
    }
    try {
      detail::QueryCpuidLeaf(c.leaf, *c.source);
      ADD_FAILURE() << "no exception for leaf " << std::hex << c.leaf;
    } catch (const EKRVCpuIdError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
  // A processor without extended leaves: a standard leaf above its highest one is refused.
  const CpuidSource old{&Present, [](std::uint32_t leaf) -> CpuidRegisters {
                          if (leaf == 0) return {2, 0, 0, 0};
                          if (leaf == 0x80000000u) return {2, 0, 0, 0};
                          return {leaf, 0, 0, 0};
                        }};
  EXPECT_THROW(
      {
        try {
          detail::QueryCpuidLeaf(3, old);
        } catch (const EKRVError& e) {
          EXPECT_STREQ(e.what(), "CPUID: execution level not supported");
          throw;
        }
      },
      EKRVCpuIdError);
}

TEST(Cpuid, FdivAndFeatureNames) {
  EXPECT_FALSE(CPU_FDIVBugPresent());
  EXPECT_EQ(ToUtf8(CPUFeatureNames[cpuft_fpu]), "Floating Point Unit");
  EXPECT_EQ(ToUtf8(CPUFeatureNames[cpuft_xsr]), "FXSAVE and FXRSTOR instructions");
  EXPECT_EQ(ToUtf8(CPUFeatureNames[cpuft_3dnow]), "3DNow! instructions available");
}

// The first processor's block of /proc/cpuinfo, field name -> value, and the processor count.
struct CpuInfo {
  std::map<std::string, std::string> fields;
  int processors = 0;
};

std::string Trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

CpuInfo ReadCpuInfo() {
  CpuInfo info;
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    if (key == "processor") ++info.processors;
    if (info.processors == 1) info.fields.emplace(key, Trim(line.substr(colon + 1)));
  }
  return info;
}

std::set<std::string> Flags(const CpuInfo& info) {
  std::set<std::string> flags;
  const auto it = info.fields.find("flags");
  if (it == info.fields.end()) return flags;
  std::istringstream words(it->second);
  for (std::string w; words >> w;) flags.insert(w);
  return flags;
}

bool HasX86CpuInfo(const CpuInfo& info) {
  return CPU_IDSupport() && info.fields.count("vendor_id") && info.fields.count("cpu family");
}

// True when CPUID is answered by QEMU's processor emulation (user mode, as when 32-bit tests
// run under qemu-i386) rather than by the processor the kernel describes.
bool CpuidEmulated(const CpuInfo& info) {
  const std::string ours = ToUtf8(CPU_MarketName());
  const auto it = info.fields.find("model name");
  return ours.rfind("QEMU", 0) == 0 && (it == info.fields.end() || it->second != ours);
}

TEST(Cpuid, AgreesWithProcCpuinfo) {
  const CpuInfo info = ReadCpuInfo();
  if (!HasX86CpuInfo(info)) GTEST_SKIP() << "no x86 processor block in /proc/cpuinfo";
  if (CpuidEmulated(info))
    GTEST_SKIP() << "CPUID is emulated, not the processor /proc/cpuinfo shows";
  EXPECT_EQ(ToUtf8(CPU_VendorString()), info.fields.at("vendor_id"));
  EXPECT_EQ(CPU_Count(), info.processors);

  // The kernel's display family adds the extended family when the family is 15; its model
  // adds the extended model (times 16) from family 6 on.
  const int family = CPU_Family() + (CPU_Family() == 15 ? CPU_ExFamily() : 0);
  const int model = CPU_Model() + (CPU_Family() >= 6 ? CPU_ExModel() << 4 : 0);
  EXPECT_EQ(std::to_string(family), info.fields.at("cpu family"));
  EXPECT_EQ(std::to_string(model), info.fields.at("model"));
  EXPECT_EQ(std::to_string(CPU_Stepping()), info.fields.at("stepping"));

  char sig[9];
  std::snprintf(sig, sizeof sig, "%08X", CPU_Signature());
  const std::string serial = ToUtf8(CPU_SerialNumber());
  EXPECT_EQ(serial.size(), 24u);
  EXPECT_EQ(serial.substr(0, 8), sig);
  EXPECT_EQ(serial.find_first_not_of("0123456789ABCDEF"), std::string::npos) << serial;
}

TEST(Cpuid, MarketNameAgreesWithProcCpuinfo) {
  const CpuInfo info = ReadCpuInfo();
  if (!HasX86CpuInfo(info) || !info.fields.count("model name"))
    GTEST_SKIP() << "no model name in /proc/cpuinfo";
  const std::string ours = ToUtf8(CPU_MarketName());
  const std::string kernel = info.fields.at("model name");
  if (ours == kernel) return;
#if defined(__x86_64__) || defined(__i386__)
  // Some hypervisors answer CPUID in user mode differently from the kernel's boot-time
  // reading; then the name must be what CPUID gives this process, read here directly.
  std::string direct;
  for (unsigned leaf = 0x80000002u; leaf <= 0x80000004u; ++leaf) {
    unsigned r[4] = {};
    __get_cpuid(leaf, &r[0], &r[1], &r[2], &r[3]);
    direct.append(reinterpret_cast<const char*>(r), sizeof r);
  }
  std::cout << "note: the kernel reports model name '" << kernel << "', CPUID in user mode '"
            << ours << "'\n";
  const auto a = direct.find_first_not_of(std::string(" \0", 2));
  const auto b = direct.find_last_not_of(std::string(" \0", 2));
  EXPECT_EQ(ours, a == std::string::npos ? "" : direct.substr(a, b - a + 1));
#else
  ADD_FAILURE() << ours << " vs " << kernel;
#endif
}

TEST(Cpuid, FeatureBitsAgreeWithProcCpuinfo) {
  const CpuInfo info = ReadCpuInfo();
  if (!HasX86CpuInfo(info)) GTEST_SKIP() << "no x86 processor block in /proc/cpuinfo";
  if (CpuidEmulated(info))
    GTEST_SKIP() << "CPUID is emulated, not the processor /proc/cpuinfo shows";
  // The kernel's flag name of each feature; "" where it shows none (reserved bits). Flags
  // the kernel may clear although the processor sets them are checked one way only.
  const struct {
    TCPUFeatures feature;
    const char* flag;
    bool kernel_may_hide;
  } kMap[] = {
      {cpuft_fpu, "fpu", false},   {cpuft_vme, "vme", false},         {cpuft_de, "de", false},
      {cpuft_pse, "pse", false},   {cpuft_tsc, "tsc", false},         {cpuft_msr, "msr", false},
      {cpuft_pae, "pae", false},   {cpuft_mce, "mce", false},         {cpuft_cx8, "cx8", false},
      {cpuft_apic, "apic", true},  {cpuft_sepamd, "", false},         {cpuft_sep, "sep", true},
      {cpuft_mtrr, "mtrr", true},  {cpuft_pge, "pge", false},         {cpuft_mca, "mca", false},
      {cpuft_cmov, "cmov", false}, {cpuft_pat, "pat", true},          {cpuft_pse36, "pse36", false},
      {cpuft_serial, "pn", true},  {cpuft_clflush, "clflush", false}, {cpuft_reserved1, "", false},
      {cpuft_dts, "dts", false},   {cpuft_acpi, "acpi", false},       {cpuft_mmx, "mmx", false},
      {cpuft_xsr, "fxsr", false},  {cpuft_simd, "sse", false},        {cpuft_simd2, "sse2", false},
      {cpuft_ss, "ss", false},     {cpuft_reserved2, "ht", true},     {cpuft_tm, "tm", false},
      {cpuft_ia64, "ia64", false}, {cpuft_3dnow, "3dnow", false},
  };
  const std::set<std::string> flags = Flags(info);
  const std::uint32_t standard = CPU_FeatureSet();
  const std::uint32_t extended = CPU_ExtendedFeatureSet();
  for (const auto& m : kMap) {
    if (*m.flag == '\0') continue;
    const bool set =
        m.feature == cpuft_3dnow ? (extended >> 31) & 1u : (standard >> m.feature) & 1u;
    const bool shown = flags.count(m.flag) != 0;
    if (m.kernel_may_hide && set && !shown) continue;
    EXPECT_EQ(set, shown) << m.flag << ": " << ToUtf8(CPUFeatureNames[m.feature]);
  }
}

// The TSC frequency in MHz the kernel reports, or 0: sysfs, the kernel log's calibration,
// or on a virtual machine with a known TSC frequency the "cpu MHz" line.
double KernelTscMhz(const CpuInfo& info, std::string& source) {
  std::ifstream khz("/sys/devices/system/cpu/cpu0/tsc_freq_khz");
  double v = 0;
  if (khz >> v && v > 0) {
    source = "tsc_freq_khz";
    return v / 1000;
  }
  {
    std::istringstream log(testing::RunProcess({"dmesg"}).out);
    double detected = 0, refined = 0;
    for (std::string s; std::getline(log, s);) {
      const auto at = s.find("tsc: Refined TSC clocksource calibration: ");
      if (at != std::string::npos) refined = std::atof(s.c_str() + at + 42);
      const auto d = s.find("tsc: Detected ");
      if (d != std::string::npos && s.find("MHz") != std::string::npos)
        detected = std::atof(s.c_str() + d + 14);
    }
    if (refined > 0 || detected > 0) {
      source = refined > 0 ? "kernel log (refined calibration)" : "kernel log (detected)";
      return refined > 0 ? refined : detected;
    }
  }
  const std::set<std::string> flags = Flags(info);
  if (flags.count("hypervisor") && flags.count("tsc_known_freq") && info.fields.count("cpu MHz")) {
    source = "cpu MHz (virtual machine, known TSC frequency)";
    return std::atof(info.fields.at("cpu MHz").c_str());
  }
  return 0;
}

TEST(Cpuid, SpeedAgreesWithKernelTscFrequency) {
  const CpuInfo info = ReadCpuInfo();
  const std::set<std::string> flags = Flags(info);
  if (!flags.count("constant_tsc")) GTEST_SKIP() << "the time-stamp counter has no fixed rate";
  std::string source;
  const double kernel = KernelTscMhz(info, source);
  if (kernel <= 0) GTEST_SKIP() << "the kernel reports no TSC frequency";
  const float measured = CPU_Speed(200);
  std::cout << std::fixed << std::setprecision(3) << "CPU_Speed(200) = " << measured
            << " MHz; kernel TSC " << kernel << " MHz (" << source << ")\n";
  EXPECT_NEAR(measured, kernel, kernel * 0.10);
}

}  // namespace
}  // namespace krv
