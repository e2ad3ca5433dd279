// Windows implementation of the processor, clock, priority, random-source, environment and
// folder services of korvex/platform/system.h.
#include "korvex/platform/system.h"

#include <string>
#include <vector>

#include "platform/internal/system_files.h"
#include "platform/win32/win32_util.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The system's random source (RtlGenRandom) of advapi32, which every program links.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

namespace krv {
namespace {

// Calls get(buffer, size) with a buffer that grows until the answer fits; the answer's
// length, or 0 on failure.
template <typename Get>
std::wstring GrowingQuery(std::size_t first_size, Get get) {
  std::wstring buf(first_size, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = get(buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(n + 1);  // too small: n is the size needed, with the terminating NUL
  }
  return {};
}

// The native name without its trailing backslash, except for a root ("C:\").
std::string WithoutTrailingBackslash(std::wstring dir) {
  while (dir.size() > 3 && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  return detail::Narrow(dir);
}

}  // namespace

std::int32_t OnlineProcessorCount() {
  const DWORD n = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  if (n < 1) return 1;
  return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(n);
}

std::uint32_t TickCount() {
  return static_cast<std::uint32_t>(::GetTickCount64());
}

// Nice holds the process's priority class, Priority the thread's priority; Policy is unused.
SchedulingState RaiseThreadPriority() {
  SchedulingState saved;
  const DWORD cls = ::GetPriorityClass(::GetCurrentProcess());
  const int prio = ::GetThreadPriority(::GetCurrentThread());
  if (cls == 0 || prio == THREAD_PRIORITY_ERROR_RETURN) return saved;
  saved = {static_cast<int>(cls), 0, prio, true};
  ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  return saved;
}

void RestoreThreadPriority(const SchedulingState& saved) {
  if (!saved.Valid) return;
  ::SetThreadPriority(::GetCurrentThread(), saved.Priority);
  ::SetPriorityClass(::GetCurrentProcess(), static_cast<DWORD>(saved.Nice));
}

bool SecureRandomBytes(void* buf, std::size_t n) {
  auto* p = static_cast<unsigned char*>(buf);
  while (n > 0) {
    const ULONG chunk = n > 0x10000000 ? 0x10000000 : static_cast<ULONG>(n);
    if (!::SystemFunction036(p, chunk)) return false;
    p += chunk;
    n -= chunk;
  }
  return true;
}

std::vector<std::string> EnvironmentStrings() {
  std::vector<std::string> entries;
  wchar_t* block = ::GetEnvironmentStringsW();
  if (block == nullptr) return entries;
  for (const wchar_t* e = block; *e != L'\0';) {
    const std::wstring_view entry(e);
    entries.push_back(detail::Narrow(entry));
    e += entry.size() + 1;
  }
  ::FreeEnvironmentStringsW(block);
  return entries;
}

// GetTempPathW (which consults TMP, TEMP, USERPROFILE, then the Windows folder) in its long
// form.
std::string TempDirectoryNative() {
  std::wstring path = GrowingQuery(1024, [](wchar_t* b, DWORD n) { return ::GetTempPathW(n, b); });
  if (path.empty()) return "";
  const std::wstring longer = GrowingQuery(
      path.size() + 1, [&](wchar_t* b, DWORD n) { return ::GetLongPathNameW(path.c_str(), b, n); });
  if (!longer.empty()) path = longer;
  return WithoutTrailingBackslash(std::move(path));
}

std::string SystemDirectoryNative() {
  return WithoutTrailingBackslash(
      GrowingQuery(2048, [](wchar_t* b, DWORD n) { return ::GetSystemDirectoryW(b, n); }));
}

std::string WindowsDirectoryNative() {
  return WithoutTrailingBackslash(
      GrowingQuery(2048, [](wchar_t* b, DWORD n) { return ::GetWindowsDirectoryW(b, n); }));
}

namespace detail {

bool ReadFileCapped(const std::string& path, std::size_t cap, std::string& out) {
  out.clear();
  HANDLE h = ::CreateFileW(detail::WidePath(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // Disk files only: a pipe or device put in place of a data file must not stall the caller.
  bool ok = ::GetFileType(h) == FILE_TYPE_DISK;
  char buf[16384];
  while (ok) {
    DWORD got = 0;
    if (!::ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    if (out.size() + got > cap) {
      ok = false;
      break;
    }
    out.append(buf, got);
  }
  ::CloseHandle(h);
  if (!ok) out.clear();
  return ok;
}

}  // namespace detail
}  // namespace krv
