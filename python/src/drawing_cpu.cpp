// CPU identification as a dict of plain values (korvex.drawing wraps it in a read-only
// CpuInfo), the feature table, and the measured clock rate.
#include <array>
#include <cstdint>

#include "drawing_parts.h"
#include "korvex/cpuid/cpuid.h"

namespace korvex_py {
namespace {

// Short names of the features, in the order of TCPUFeatures; "" for the reserved bits.
constexpr std::array<const char*, krv::cpuft_3dnow + 1> kFeatureNames = {
    "fpu",  "vme",  "de",  "pse",  "tsc",   "msr", "pae",   "mce",    "cx8",     "apic", "sepamd",
    "sep",  "mtrr", "pge", "mca",  "cmov",  "pat", "pse36", "serial", "clflush", "",     "dts",
    "acpi", "mmx",  "xsr", "simd", "simd2", "ss",  "",      "tm",     "ia64",    "3dnow"};

// The value of a query, or None where the processor cannot answer it.
template <typename F>
py::object Query(F f) {
  try {
    return py::cast(f());
  } catch (const krv::EKRVCpuIdError&) {
    return py::none();
  }
}

// The names of the features the processor reports, or None when it cannot say.
py::object Features() {
  std::uint32_t standard = 0, extended = 0;
  try {
    standard = krv::CPU_FeatureSet();
    extended = krv::CPU_ExtendedFeatureSet();
  } catch (const krv::EKRVCpuIdError&) {
    return py::none();
  }
  py::list names;
  for (int bit = krv::cpuft_fpu; bit < krv::cpuft_3dnow; ++bit)
    if (*kFeatureNames[bit] != '\0' && ((standard >> bit) & 1u)) names.append(kFeatureNames[bit]);
  if ((extended >> 31) & 1u) names.append(kFeatureNames[krv::cpuft_3dnow]);
  return py::tuple(names);
}

py::dict CpuInfo() {
  py::dict d;
  d["supported"] = krv::CPU_IDSupport();
  d["vendor"] = Query(&krv::CPU_VendorString);
  d["name"] = Query(&krv::CPU_MarketName);
  d["signature"] = Query(&krv::CPU_Signature);
  d["stepping"] = Query(&krv::CPU_Stepping);
  d["model"] = Query(&krv::CPU_Model);
  d["family"] = Query(&krv::CPU_Family);
  d["type"] = Query(&krv::CPU_Type);
  d["ex_model"] = Query(&krv::CPU_ExModel);
  d["ex_family"] = Query(&krv::CPU_ExFamily);
  d["overdrive"] = Query(&krv::CPU_OverDrive);
  d["brand_id"] = Query(&krv::CPU_BrandID);
  d["feature_set"] = Query(&krv::CPU_FeatureSet);
  d["extended_feature_set"] = Query(&krv::CPU_ExtendedFeatureSet);
  d["features"] = Features();
  d["serial_number"] = Query(&krv::CPU_SerialNumber);
  d["count"] = krv::CPU_Count();
  d["fdiv_bug"] = krv::CPU_FDIVBugPresent();
  return d;
}

}  // namespace

void BindCpu(py::module_& m) {
  m.def("_cpu_info", &CpuInfo,
        "The processor's identification as a dict; None for what it cannot tell.");
  py::dict features;
  for (int bit = krv::cpuft_fpu; bit <= krv::cpuft_3dnow; ++bit)
    if (*kFeatureNames[bit] != '\0')
      features[kFeatureNames[bit]] = krv::CPUFeatureNames[static_cast<krv::TCPUFeatures>(bit)];
  m.attr("CPU_FEATURES") = features;
  m.def(
      "cpu_speed",
      [](std::uint32_t delay_ms) {
        py::gil_scoped_release release;
        return krv::CPU_Speed(delay_ms);
      },
      py::arg("delay_ms") = 100,
      "The clock rate in MHz measured over delay_ms milliseconds of the time-stamp counter (0 "
      "gives 0); runs without the GIL.");
}

}  // namespace korvex_py
