// krv cpu: the report agrees with the library's answers, and the delay is checked.
#include <gtest/gtest.h>

#include <string>

#include "korvex/cpuid/cpuid.h"
#include "korvex/platform/text.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

// The text after "label" and its padding on the report's line, or "?" when absent.
std::string Field(const std::string& report, const std::string& label) {
  const auto at = report.find("\n" + label + " ");
  if (at == std::string::npos) return "?";
  const auto value = report.find_first_not_of(' ', at + 1 + label.size());
  return report.substr(value, report.find('\n', value) - value);
}

TEST(KrvCpu, ReportsTheLibrarysAnswers) {
  if (!CPU_IDSupport()) GTEST_SKIP() << "no CPUID";
  const TempDir dir("krv_cpu");
  const KrvRun r = RunKrv(dir, "cpu -d 50");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string report = "\n" + r.out;
  char sig[9];
  std::snprintf(sig, sizeof sig, "%08X", CPU_Signature());
  EXPECT_EQ(Field(report, "vendor"), ToUtf8(CPU_VendorString()));
  EXPECT_EQ(Field(report, "market name"), ToUtf8(CPU_MarketName()));
  EXPECT_EQ(Field(report, "signature"), sig);
  EXPECT_EQ(Field(report, "family"), std::to_string(CPU_Family()));
  EXPECT_EQ(Field(report, "extended model"), std::to_string(CPU_ExModel()));
  EXPECT_EQ(Field(report, "processors"), std::to_string(CPU_Count()));
  EXPECT_NE(Field(report, "clock rate").find(" MHz (over 50 ms)"), std::string::npos);
  // Exactly the set features, in bit order.
  std::string features;
  for (long f = cpuft_fpu; f <= cpuft_3dnow; ++f) {
    const std::uint32_t word =
        f == cpuft_3dnow ? CPU_ExtendedFeatureSet() >> 31 : CPU_FeatureSet() >> f;
    if (word & 1u) features += "\n  " + ToUtf8(CPUFeatureNames[f]);
  }
  EXPECT_NE(report.find("\nfeatures" + features + "\nprocessors "), std::string::npos) << report;
}

TEST(KrvCpu, DelayOutOfRange) {
  const TempDir dir("krv_cpu_delay");
  for (const char* args : {"cpu -d 0", "cpu --delay 60001", "cpu -d x"}) {
    const KrvRun r = RunKrv(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.err.rfind("krv cpu: ", 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty()) << args;
  }
}

}  // namespace
}  // namespace krv
