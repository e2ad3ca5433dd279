// krv cpu: what processor the machine has: vendor, market name, signature fields, the
// features of the standard feature word that are set, the processor count and a measured
// clock rate.
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "io.h"
#include "korvex/cpuid/cpuid.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

struct Options {
  unsigned delay = 200;
  std::string output = "-";
};

std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v));
  return buf;
}

void Line(std::string& out, const char* label, const std::string& value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%-18s", label);
  out += buf;
  out += value;
  out += '\n';
}

// The set features: bits of the standard word, then 3DNow! from the extended word.
std::string Features() {
  const std::uint32_t standard = CPU_FeatureSet();
  const std::uint32_t extended = CPU_ExtendedFeatureSet();
  std::string text;
  for (long f = cpuft_fpu; f <= cpuft_3dnow; ++f) {
    const bool set = f == cpuft_3dnow ? (extended >> 31) & 1u : (standard >> f) & 1u;
    if (set) text += "  " + ToUtf8(CPUFeatureNames[f]) + "\n";
  }
  return text;
}

int Run(const Options& o) {
  Output out(o.output);
  std::string text;
  Line(text, "vendor", ToUtf8(CPU_VendorString()));
  Line(text, "market name", ToUtf8(CPU_MarketName()));
  Line(text, "signature", Hex(CPU_Signature()));
  Line(text, "type", std::to_string(CPU_Type()) + (CPU_OverDrive() ? " (OverDrive)" : ""));
  Line(text, "family", std::to_string(CPU_Family()));
  Line(text, "model", std::to_string(CPU_Model()));
  Line(text, "stepping", std::to_string(CPU_Stepping()));
  Line(text, "extended family", std::to_string(CPU_ExFamily()));
  Line(text, "extended model", std::to_string(CPU_ExModel()));
  Line(text, "brand id", std::to_string(CPU_BrandID()));
  Line(text, "feature set", Hex(CPU_FeatureSet()));
  Line(text, "extended features", Hex(CPU_ExtendedFeatureSet()));
  Line(text, "serial number", ToUtf8(CPU_SerialNumber()));
  text += "features\n" + Features();
  Line(text, "processors", std::to_string(CPU_Count()));
  char rate[64];
  std::snprintf(rate, sizeof rate, "%.1f MHz (over %u ms)", CPU_Speed(o.delay), o.delay);
  Line(text, "clock rate", rate);
  out.Write(text);
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  app.add_option("-d,--delay", o->delay, "measure the clock rate over MS milliseconds (200)")
      ->option_text(" MS")
      ->transform(WholeNumber(1, 60000));
  AddOutputOption(app, o->output);
  return [o] { return Run(*o); };
}

const KrvCommand reg{
    {.name = "cpu",
     .summary = "the processor: vendor, name, signature, features, count, clock rate",
     .usage = "krv cpu [-d MS] [-o FILE]",
     .description =
         "Prints what the processor tells about itself through CPUID: the vendor string,\n"
         "the market name, the signature (leaf 1, EAX) in hexadecimal with its type, family,\n"
         "model, stepping, extended family and extended model fields, the brand id, the\n"
         "standard and extended feature words in hexadecimal, the serial-number text, the\n"
         "description of each feature whose bit is set, the number of processors online\n"
         "and the clock rate in MHz: time-stamp counter ticks over MS milliseconds of the\n"
         "monotonic clock, measured at the highest priority the process may take.\n"
         "\n"
         "The fields are the raw bits of the signature; the kernel's /proc/cpuinfo shows\n"
         "family 15 plus the extended family, and the model plus 16 times the extended\n"
         "model from family 6 on.\n",
     .exit_status = "0  the report was printed\n"
                    "2  the processor has no CPUID, a bad option, or the output could not be "
                    "written",
     .examples = "krv cpu\n"
                 "krv cpu --delay 1000\n"
                 "krv cpu -o cpu.txt"},
    &Setup};

}  // namespace
}  // namespace krv::tool
