// The operating-system services of platform/system.h.
#include "korvex/platform/system.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <array>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace krv {
namespace {

TEST(System, ProcessorCountAndTicks) {
#ifdef _WIN32
  EXPECT_EQ(OnlineProcessorCount(), static_cast<std::int32_t>(std::thread::hardware_concurrency()));
#else
  EXPECT_EQ(OnlineProcessorCount(), ::sysconf(_SC_NPROCESSORS_ONLN));
#endif
  const std::uint32_t t0 = TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const std::uint32_t elapsed = TickCount() - t0;
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 5000u);
}

// Every byte value turns up in 64 KiB, and two draws differ.
TEST(System, SecureRandomBytes) {
  std::vector<unsigned char> a(1 << 16), b(1 << 16);
  ASSERT_TRUE(SecureRandomBytes(a.data(), a.size()));
  ASSERT_TRUE(SecureRandomBytes(b.data(), b.size()));
  EXPECT_NE(a, b);
  std::array<int, 256> seen{};
  for (unsigned char c : a) ++seen[c];
  for (int n : seen) EXPECT_GT(n, 128);  // 256 expected per value
  EXPECT_TRUE(SecureRandomBytes(nullptr, 0));
}

// Raising again after a restore finds the state saved the first time.
TEST(System, PriorityRoundTrip) {
  const SchedulingState first = RaiseThreadPriority();
  ASSERT_TRUE(first.Valid);
  RestoreThreadPriority(first);
  const SchedulingState second = RaiseThreadPriority();
  RestoreThreadPriority(second);
  EXPECT_EQ(second.Nice, first.Nice);
  EXPECT_EQ(second.Policy, first.Policy);
  EXPECT_EQ(second.Priority, first.Priority);
}

#ifndef _WIN32
TEST(System, PriorityIsRestored) {
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, 0);
  const SchedulingState saved = RaiseThreadPriority();
  ASSERT_TRUE(saved.Valid);
  EXPECT_EQ(saved.Nice, nice);
  RestoreThreadPriority(saved);
  EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), nice);
  int policy = -1;
  sched_param param{};
  ASSERT_EQ(::pthread_getschedparam(::pthread_self(), &policy, &param), 0);
  EXPECT_EQ(policy, saved.Policy);
  EXPECT_EQ(param.sched_priority, saved.Priority);
}
#endif

}  // namespace
}  // namespace krv
