// Operating-system services the areas above the platform layer ask for: processors, the
// millisecond tick count, scheduling priority and the cryptographic random source.
// Implemented for POSIX systems in src/platform/posix/system.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// The number of processors online now (sysconf(_SC_NPROCESSORS_ONLN)); at least 1.
std::int32_t OnlineProcessorCount();

// Milliseconds of the monotonic clock, wrapping at 2^32 like a Windows tick count. Never
// goes back, whatever happens to the wall clock.
std::uint32_t TickCount();

// The scheduling state of the calling thread: its nice value and its policy with priority.
struct SchedulingState {
  int Nice = 0;
  int Policy = 0;
  int Priority = 0;
  bool Valid = false;  // false when the state could not be read (nothing to restore)
};

// Saves the calling thread's scheduling state, then raises it as far as the process is
// allowed: nice -20 and the real-time FIFO policy at its highest priority. Steps that are
// not permitted are skipped silently.
SchedulingState RaiseThreadPriority();

// Puts back a state saved by RaiseThreadPriority: the policy first, then the nice value.
// Failures are ignored.
void RestoreThreadPriority(const SchedulingState& saved);

// Fills buf with n bytes from the operating system's cryptographic random source
// (getrandom, or /dev/urandom on kernels without it). Returns false when no source answered;
// buf is then unspecified.
bool SecureRandomBytes(void* buf, std::size_t n);

}  // namespace krv
KORVEX_API_END
