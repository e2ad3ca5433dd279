#include "korvex/platform/cpu_features.h"

#include <gtest/gtest.h>

#include <string>

namespace krv {
namespace {

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))

// The compiler's run-time library detects the same features its own way (and also asks the
// operating system about the saved register state); both must agree.
TEST(CpuFeatures, AgreeWithTheCompilersDetection) {
  __builtin_cpu_init();
  const CpuFeatures& f = GetCpuFeatures();
  EXPECT_EQ(f.Sse2, __builtin_cpu_supports("sse2") != 0);
  EXPECT_EQ(f.Ssse3, __builtin_cpu_supports("ssse3") != 0);
  EXPECT_EQ(f.Sse41, __builtin_cpu_supports("sse4.1") != 0);
  EXPECT_EQ(f.Sse42, __builtin_cpu_supports("sse4.2") != 0);
  EXPECT_EQ(f.Pclmulqdq, __builtin_cpu_supports("pclmul") != 0);
  EXPECT_EQ(f.Avx, __builtin_cpu_supports("avx") != 0);
  EXPECT_EQ(f.Avx2, __builtin_cpu_supports("avx2") != 0);
  EXPECT_EQ(f.Avx512F, __builtin_cpu_supports("avx512f") != 0);
  EXPECT_EQ(f.Vpclmulqdq, __builtin_cpu_supports("vpclmulqdq") != 0);
#if !defined(__clang__)  // clang 14 does not know this name
  EXPECT_EQ(f.Sha, __builtin_cpu_supports("sha") != 0);
#endif
  EXPECT_TRUE(f.Sse2);  // part of x86-64 itself; 32-bit builds are made for SSE2
  EXPECT_EQ(&f, &GetCpuFeatures());
}

TEST(CpuFeatures, LeavesAndRegisterState) {
  ASSERT_TRUE(CpuidAvailable());
  const CpuidRegisters l0 = Cpuid(0);
  EXPECT_GE(l0.Eax, 1u);
  // The vendor name: EBX, EDX, ECX, lowest byte first, twelve printable characters.
  std::string vendor;
  for (std::uint32_t r : {l0.Ebx, l0.Edx, l0.Ecx}) {
    for (int i = 0; i < 4; ++i) vendor.push_back(static_cast<char>((r >> (8 * i)) & 0xFF));
  }
  for (char c : vendor) {
    EXPECT_TRUE(c >= 0x20 && c < 0x7F) << vendor;
  }
  EXPECT_GE(Cpuid(0x80000000u).Eax, 0x80000001u);
  // Leaf 1, EDX bit 26 is what CpuFeatures reports as SSE2.
  EXPECT_EQ((Cpuid(1).Edx >> 26) & 1u, GetCpuFeatures().Sse2 ? 1u : 0u);
  // A system that enables XGETBV saves at least the x87 and SSE state.
  const std::uint64_t xcr0 = ReadXcr0();
  if (xcr0 != 0) {
    EXPECT_EQ(xcr0 & 3u, 3u);
  }
  EXPECT_EQ(xcr0 != 0, ((Cpuid(1).Ecx >> 27) & 1u) != 0);
}

#else

TEST(CpuFeatures, NothingOnOtherProcessors) {
  EXPECT_FALSE(CpuidAvailable());
  EXPECT_EQ(Cpuid(0).Eax, 0u);
  EXPECT_EQ(ReadXcr0(), 0u);
  EXPECT_FALSE(GetCpuFeatures().Sse2);
}

#endif

}  // namespace
}  // namespace krv
