// POSIX implementation of the processor, clock, priority, random-source, environment and
// temporary-folder services of korvex/platform/system.h.
#include "korvex/platform/system.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/internal/system_files.h"

extern char** environ;

namespace krv {

std::int32_t OnlineProcessorCount() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  if (n < 1) return 1;
  return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(n);
}

std::uint32_t TickCount() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

SchedulingState RaiseThreadPriority() {
  SchedulingState saved;
  // Linux keeps the nice value per thread; who = 0 names the calling thread.
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, 0);
  sched_param param{};
  int policy = 0;
  if ((nice == -1 && errno != 0) || ::pthread_getschedparam(::pthread_self(), &policy, &param) != 0)
    return saved;
  saved = {nice, policy, param.sched_priority, true};
  ::setpriority(PRIO_PROCESS, 0, -20);
  sched_param high{};
  high.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
  if (high.sched_priority >= 0) ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &high);
  return saved;
}

void RestoreThreadPriority(const SchedulingState& saved) {
  if (!saved.Valid) return;
  sched_param param{};
  param.sched_priority = saved.Priority;
  ::pthread_setschedparam(::pthread_self(), saved.Policy, &param);
  ::setpriority(PRIO_PROCESS, 0, saved.Nice);
}

namespace {

bool ReadUrandom(unsigned char* p, std::size_t n) {
  const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  while (n > 0) {
    const ssize_t got = ::read(fd, p, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  ::close(fd);
  return n == 0;
}

}  // namespace

bool SecureRandomBytes(void* buf, std::size_t n) {
  auto* p = static_cast<unsigned char*>(buf);
  while (n > 0) {
    const ssize_t got = ::getrandom(p, n, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno == ENOSYS && ReadUrandom(p, n);
    }
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

std::vector<std::string> EnvironmentStrings() {
  std::vector<std::string> entries;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) entries.emplace_back(*e);
  return entries;
}

std::string TempDirectoryNative() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir != nullptr && dir[0] == '/' ? dir : "/tmp";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string SystemDirectoryNative() {
  return "/usr/lib";
}

std::string WindowsDirectoryNative() {
  return "/etc";
}

namespace detail {

bool ReadFileCapped(const std::string& path, std::size_t cap, std::string& out) {
  out.clear();
  // Non-blocking and regular files only: a FIFO or device put in place of a data file must
  // not stall the caller.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  char buf[16384];
  while (ok) {
    const ssize_t got = ::read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (out.size() + static_cast<std::size_t>(got) > cap) {
      ok = false;
      break;
    }
    out.append(buf, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

}  // namespace detail
}  // namespace krv
