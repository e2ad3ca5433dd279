// The two variants of krv's own system calls: POSIX first, then Windows (Win32 and the C
// run-time's descriptors, names as UTF-16).
#include "os.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// shellapi.h needs the parts of windows.h that WIN32_LEAN_AND_MEAN leaves out.
#include <shellapi.h>

#include "korvex/platform/text.h"
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#endif

namespace krv::tool::os {

// ---- The table of temporary files (both systems) -------------------------------------------

namespace {

// Fixed slots, each marked in use only once its name is complete, so that the clean-up on a
// signal reads whole names without locking or allocating. A slot holds any name the system
// can open (PATH_MAX on Linux).
constexpr std::size_t kTempSlots = 16;
constexpr std::size_t kTempNameBytes = 4096;
struct TempSlot {
  std::atomic<bool> used{false};
  char name[kTempNameBytes];
};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler reads the flags");
TempSlot g_temp_slots[kTempSlots];

bool Track(const std::string& path) {
  if (path.size() >= kTempNameBytes) return false;
  for (TempSlot& slot : g_temp_slots) {
    if (slot.used.load()) continue;
    std::memcpy(slot.name, path.c_str(), path.size() + 1);
    slot.used.store(true);
    return true;
  }
  return false;
}

void Forget(const std::string& path) {
  for (TempSlot& slot : g_temp_slots) {
    if (slot.used.load() && path == slot.name) {
      slot.used.store(false);
      return;
    }
  }
}

// Each system's: removes a file from inside a signal or console handler, ignoring errors;
// and installs the handler that calls RemoveTracked, once.
void RemoveNow(const char* name);
void InstallCleanUp();

void RemoveTracked() {
  for (TempSlot& slot : g_temp_slots)
    if (slot.used.load()) RemoveNow(slot.name);
}

}  // namespace

#ifndef _WIN32

// ---- POSIX ----------------------------------------------------------------------------------

Arguments::Arguments(int argc, char** argv) : pointers_(argv, argv + argc) {
  pointers_.push_back(nullptr);
}

namespace {

int OpenRetrying(const std::string& name, int flags) {
  int fd;
  do fd = ::open(name.c_str(), flags | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return fd;
}

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  info.kind = S_ISREG(st.st_mode)   ? FileInfo::kRegular
              : S_ISDIR(st.st_mode) ? FileInfo::kDirectory
                                    : FileInfo::kOther;
  info.size = st.st_size;
  info.dev = st.st_dev;
  info.ino = st.st_ino;
  info.mode = st.st_mode & 07777;
  info.links = st.st_nlink;
  info.uid = st.st_uid;
  info.gid = st.st_gid;
  return info;
}

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

void (*g_interrupt)() = nullptr;
struct sigaction g_old_interrupt {};

extern "C" void OnInterrupt(int) {
  if (g_interrupt != nullptr) g_interrupt();
}

// Removes the temporary files, then ends the tool by the signal's default action (the
// signal, held while this runs, arrives once it is let through again).
extern "C" void CleanUpAndDie(int sig) {
  RemoveTracked();
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  ::raise(sig);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::_exit(128 + sig);
}

bool g_cleanup_installed = false;

void InstallCleanUp() {
  if (g_cleanup_installed) return;
  g_cleanup_installed = true;
  struct sigaction sa {};
  sa.sa_handler = &CleanUpAndDie;
  sigemptyset(&sa.sa_mask);
  for (int sig : kTerminationSignals) sigaddset(&sa.sa_mask, sig);
  for (int sig : kTerminationSignals) {
    if (sig == SIGINT && g_interrupt != nullptr) {
      // An InterruptHandler has the interrupt: the clean-up is what it puts back.
      if (g_old_interrupt.sa_handler != SIG_IGN) g_old_interrupt = sa;
      continue;
    }
    struct sigaction old {};
    ::sigaction(sig, nullptr, &old);
    if (old.sa_handler != SIG_IGN) ::sigaction(sig, &sa, nullptr);
  }
}

void RemoveNow(const char* name) {
  ::unlink(name);
}

}  // namespace

void OpenStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower descriptors are open, so the null device gets this one.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened > fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

int OpenReadUnchecked(const std::string& name) {
  return OpenRetrying(name, O_RDONLY);
}

int OpenRead(const std::string& name) {
  const int fd = OpenRetrying(name, O_RDONLY);
  struct stat st;
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

int OpenWrite(const std::string& name) {
  return OpenRetrying(name, O_WRONLY);
}

int OpenAppend(const std::string& name) {
  return OpenRetrying(name, O_WRONLY | O_APPEND);
}

int DuplicateForWriting(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return -1;
  if ((flags & O_ACCMODE) == O_RDONLY) {
    errno = EBADF;
    return -1;
  }
  return ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

int MakeTemp(std::string& path) {
  return ::mkostemp(path.data(), O_CLOEXEC);
}

int Close(int fd) {
  return ::close(fd);
}

bool Truncate(int fd, std::int64_t size) {
  int rc;
  do rc = ::ftruncate(fd, static_cast<off_t>(size));
  while (rc != 0 && errno == EINTR);
  return rc == 0;
}

std::ptrdiff_t Read(int fd, void* buffer, std::size_t n) {
  for (;;) {
    const ssize_t k = ::read(fd, buffer, n);
    if (k >= 0 || errno != EINTR) return k;
  }
}

std::int64_t Position(int fd) {
  return static_cast<std::int64_t>(::lseek(fd, 0, SEEK_CUR));
}

std::ptrdiff_t ReadAt(int fd, void* buffer, std::size_t n, std::int64_t offset) {
  for (;;) {
    const ssize_t k = ::pread(fd, buffer, n, static_cast<off_t>(offset));
    if (k >= 0 || errno != EINTR) return k;
  }
}

bool WriteAll(int fd, const void* data, std::size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t k = ::write(fd, p, n);
    if (k < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

bool Remove(const std::string& name) {
  return ::unlink(name.c_str()) == 0;
}

bool Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool StatFd(int fd, FileInfo& info) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

bool StatPath(const std::string& name, FileInfo& info) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0) return false;
  info = InfoOf(st);
  return true;
}

bool Writable(const std::string& name) {
  return ::access(name.c_str(), W_OK) == 0;
}

namespace {

// A change of owner or mode the user or the file system does not allow.
bool Refused(int err) {
  return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP;
}

}  // namespace

bool SetNewFileMode(int fd, const FileInfo* from) {
  mode_t mode;
  if (from != nullptr) {
    // The owner first: a change of owner clears the set-user-ID and set-group-ID bits.
    if (::fchown(fd, from->uid, from->gid) != 0 && !Refused(errno)) return false;
    mode = from->mode;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  return ::fchmod(fd, mode) == 0 || Refused(errno);
}

bool IsProcessLink(const std::string& link) {
#ifdef __linux__
  constexpr long kProcSuperMagic = 0x9fa0;  // PROC_SUPER_MAGIC of <linux/magic.h>
  const std::size_t slash = link.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : link.substr(0, slash + 1);
  struct statfs fs {};
  return ::statfs(dir.c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == kProcSuperMagic;
#else
  (void)link;
  return false;
#endif
}

bool IsTerminal(int fd) {
  return ::isatty(fd) == 1;
}

std::size_t TerminalColumns() {
  struct winsize ws {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

HoldTermination::HoldTermination() {
  sigset_t set, old;
  sigemptyset(&set);
  for (int sig : kTerminationSignals) sigaddset(&set, sig);
  if (::pthread_sigmask(SIG_BLOCK, &set, &old) != 0) {
    was_held_ = ~0u;  // nothing changed, nothing to let through
    return;
  }
  for (unsigned i = 0; i < std::size(kTerminationSignals); ++i)
    if (sigismember(&old, kTerminationSignals[i]) == 1) was_held_ |= 1u << i;
}

HoldTermination::~HoldTermination() {
  sigset_t set;
  sigemptyset(&set);
  for (unsigned i = 0; i < std::size(kTerminationSignals); ++i)
    if ((was_held_ & (1u << i)) == 0) sigaddset(&set, kTerminationSignals[i]);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

InterruptHandler::InterruptHandler(void (*handler)()) {
  g_interrupt = handler;
  struct sigaction sa {};
  sa.sa_handler = &OnInterrupt;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, nullptr, &g_old_interrupt);
  if (g_old_interrupt.sa_handler != SIG_IGN) ::sigaction(SIGINT, &sa, nullptr);
}

InterruptHandler::~InterruptHandler() {
  ::sigaction(SIGINT, &g_old_interrupt, nullptr);
  g_interrupt = nullptr;
}

int OpenScratch(std::string_view tag, std::string& path, bool& named) {
  std::string temp =
      Utf8Of(std::filesystem::temp_directory_path() / ("krv-" + std::string(tag) + "-XXXXXX"));
  const int fd = MakeTrackedTemp(temp);
  if (fd < 0) return -1;
  RemoveTemp(temp);
  path = OpenFileName(fd, temp);
  named = false;
  return fd;
}

void CloseScratch(int fd, const std::string& /*path*/, bool /*named*/) {
  ::close(fd);
}

std::string StdinName() {
  return "/dev/stdin";
}

std::string OpenFileName(int fd, const std::string& /*name*/) {
  return "/dev/fd/" + std::to_string(fd);
}

// glibc's memmem is much faster than a generic search on long texts.
std::size_t FindBytes(std::string_view text, std::string_view needle) {
  const void* p = ::memmem(text.data(), text.size(), needle.data(), needle.size());
  return p != nullptr ? static_cast<std::size_t>(static_cast<const char*>(p) - text.data())
                      : std::string_view::npos;
}

std::size_t LastSeparator(std::string_view native) {
  return native.find_last_of('/');
}

std::size_t FindLastByte(std::string_view text, char c) {
  const void* p = ::memrchr(text.data(), c, text.size());
  return p != nullptr ? static_cast<std::size_t>(static_cast<const char*>(p) - text.data())
                      : std::string_view::npos;
}

#else

// ---- Windows --------------------------------------------------------------------------------

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

// The largest transfer of one read or write call of the C run-time.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

std::wstring Wide(const std::string& utf8) {
  const String s = ToUtf16(utf8);
  return std::wstring(s.begin(), s.end());
}

// The errno code of the Win32 error codes file calls meet.
int ErrnoOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    default:
      return EIO;
  }
}

bool Fail(DWORD code) {
  errno = ErrnoOf(code);
  return false;
}

// Windows reports a missing path also when a folder of it is a file; POSIX says ENOTDIR then.
bool FailOnPath(const std::wstring& path, DWORD code) {
  Fail(code);
  if (errno != ENOENT) return false;
  for (std::size_t end = path.find_last_of(L"\\/"); end != std::wstring::npos && end > 0;
       end = path.find_last_of(L"\\/", end - 1)) {
    const DWORD attrs = ::GetFileAttributesW(path.substr(0, end).c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) continue;
    if ((attrs & FILE_ATTRIBUTE_DIRECTORY) == 0) errno = ENOTDIR;
    break;
  }
  return false;
}

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

bool IsDirectory(const std::wstring& name) {
  const DWORD attrs = ::GetFileAttributesW(name.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int OpenCrt(const std::string& name, int flags) {
  const std::wstring wide = Wide(name);
  if (IsDirectory(wide)) {
    errno = EISDIR;
    return -1;
  }
  const int fd =
      ::_wsopen(wide.c_str(), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (fd < 0 && errno == ENOENT) FailOnPath(wide, ERROR_PATH_NOT_FOUND);
  return fd;
}

bool StatHandle(HANDLE h, FileInfo& info) {
  info = FileInfo{};
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  if (::GetFileType(h) != FILE_TYPE_DISK) return true;  // a pipe, console or device
  // The extended queries also work on the standard handles Wine makes of redirected files,
  // where GetFileInformationByHandle fails.
  FILE_STANDARD_INFO si;
  FILE_ID_INFO ii;
  if (::GetFileInformationByHandleEx(h, FileStandardInfo, &si, sizeof si) &&
      ::GetFileInformationByHandleEx(h, FileIdInfo, &ii, sizeof ii)) {
    info.kind = si.Directory ? FileInfo::kDirectory : FileInfo::kRegular;
    info.size = si.EndOfFile.QuadPart;
    std::uint64_t id[2];
    static_assert(sizeof id == sizeof ii.FileId);
    std::memcpy(id, &ii.FileId, sizeof id);
    info.dev = ii.VolumeSerialNumber;
    info.ino = id[0] ^ id[1];
    info.links = si.NumberOfLinks;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION fi;
  if (!::GetFileInformationByHandle(h, &fi)) return Fail(::GetLastError());
  info.kind = (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileInfo::kDirectory
                                                                    : FileInfo::kRegular;
  info.size = static_cast<std::int64_t>((std::uint64_t{fi.nFileSizeHigh} << 32) | fi.nFileSizeLow);
  info.dev = fi.dwVolumeSerialNumber;
  info.ino = (std::uint64_t{fi.nFileIndexHigh} << 32) | fi.nFileIndexLow;
  info.links = fi.nNumberOfLinks;
  return true;
}

// A fresh six-character suffix for temporary names.
std::string UniqueSuffix() {
  static std::uint64_t state = [] {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart) ^
           (std::uint64_t{::GetCurrentProcessId()} << 32);
  }();
  state += 0x9E3779B97F4A7C15u;  // splitmix64
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  z ^= z >> 31;
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(6, '0');
  for (char& c : s) {
    c = kDigits[z % 36];
    z /= 36;
  }
  return s;
}

BOOL WINAPI CleanUpOnClose(DWORD /*event*/) {
  RemoveTracked();
  return FALSE;  // the next handler (the system's) ends the tool
}

bool g_cleanup_installed = false;

void InstallCleanUp() {
  if (g_cleanup_installed) return;
  g_cleanup_installed = true;
  ::SetConsoleCtrlHandler(&CleanUpOnClose, TRUE);
}

// Converted into a fixed buffer: the handler allocates nothing.
void RemoveNow(const char* name) {
  static wchar_t wide[kTempNameBytes];
  if (::MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, static_cast<int>(kTempNameBytes)) > 0)
    ::DeleteFileW(wide);
}

void (*g_interrupt)() = nullptr;

BOOL WINAPI OnInterrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_interrupt != nullptr) g_interrupt();
  return TRUE;
}

}  // namespace

Arguments::Arguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  if (wide == nullptr) {
    words_.assign(argv, argv + argc);
  } else {
    for (int i = 0; i < n; ++i)
      words_.push_back(ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide[i]))));
    ::LocalFree(wide);
  }
  for (std::string& w : words_) pointers_.push_back(w.data());
  pointers_.push_back(nullptr);
}

int OpenRead(const std::string& name) {
  return OpenCrt(name, _O_RDONLY);
}

int OpenReadUnchecked(const std::string& name) {
  return OpenRead(name);
}

int OpenWrite(const std::string& name) {
  return OpenCrt(name, _O_WRONLY);
}

int OpenAppend(const std::string& name) {
  return OpenCrt(name, _O_WRONLY | _O_APPEND);
}

int DuplicateForWriting(int fd) {
  return ::_dup(fd);
}

void OpenStandardStreams() {
  static const DWORD kStd[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  for (int fd = 0; fd <= 2; ++fd) {
    const HANDLE h = ::GetStdHandle(kStd[fd]);
    if (h != nullptr && h != INVALID_HANDLE_VALUE) continue;
    const int opened = ::_open("NUL", (fd == 0 ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
    if (opened >= 0 && opened != fd) {
      ::_dup2(opened, fd);
      ::_close(opened);
    }
  }
}

// Created with delete sharing, so the clean-up on Ctrl+C can remove it while it is open.
int MakeTemp(std::string& path) {
  if (path.size() < 6 || path.compare(path.size() - 6, 6, "XXXXXX") != 0) {
    errno = EINVAL;
    return -1;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    path.replace(path.size() - 6, 6, UniqueSuffix());
    const std::wstring wide = Wide(path);
    const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
      FailOnPath(wide, code);
      return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
    if (fd < 0) {
      ::CloseHandle(h);
      ::DeleteFileW(wide.c_str());
      errno = EMFILE;
    }
    return fd;
  }
  errno = EEXIST;
  return -1;
}

int Close(int fd) {
  return ::_close(fd);
}

bool Truncate(int fd, std::int64_t size) {
  const errno_t err = ::_chsize_s(fd, size);
  errno = err;
  return err == 0;
}

std::ptrdiff_t Read(int fd, void* buffer, std::size_t n) {
  return ::_read(fd, buffer, static_cast<unsigned>(n < kMaxChunk ? n : kMaxChunk));
}

// ReadFile at an offset moves the position of a synchronous handle: it is put back.
std::ptrdiff_t ReadAt(int fd, void* buffer, std::size_t n, std::int64_t offset) {
  const HANDLE h = HandleOf(fd);
  LARGE_INTEGER here{}, zero{};
  if (!::SetFilePointerEx(h, zero, &here, FILE_CURRENT)) {
    Fail(::GetLastError());
    return -1;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD got = 0;
  const BOOL ok =
      ::ReadFile(h, buffer, static_cast<DWORD>(n < kMaxChunk ? n : kMaxChunk), &got, &at);
  const DWORD code = ok ? 0 : ::GetLastError();
  ::SetFilePointerEx(h, here, nullptr, FILE_BEGIN);
  if (!ok) {
    if (code == ERROR_HANDLE_EOF) return 0;
    Fail(code);
    return -1;
  }
  return static_cast<std::ptrdiff_t>(got);
}

std::int64_t Position(int fd) {
  return ::_lseeki64(fd, 0, SEEK_CUR);
}

bool WriteAll(int fd, const void* data, std::size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const int k = ::_write(fd, p, static_cast<unsigned>(n < kMaxChunk ? n : kMaxChunk));
    if (k < 0) return false;
    p += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

bool Remove(const std::string& name) {
  return ::DeleteFileW(Wide(name).c_str()) || Fail(::GetLastError());
}

bool Rename(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) ||
         Fail(::GetLastError());
}

bool StatFd(int fd, FileInfo& info) {
  return StatHandle(HandleOf(fd), info);
}

bool StatPath(const std::string& name, FileInfo& info) {
  // No access asked: works on files open elsewhere and, with backup semantics, on folders.
  const std::wstring wide = Wide(name);
  const HANDLE h =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FailOnPath(wide, ::GetLastError());
  const bool ok = StatHandle(h, info);
  ::CloseHandle(h);
  return ok;
}

bool Writable(const std::string& name) {
  return ::_waccess(Wide(name).c_str(), 2) == 0;
}

bool SetNewFileMode(int /*fd*/, const FileInfo* /*from*/) {
  return true;
}

bool IsProcessLink(const std::string& /*link*/) {
  return false;
}

bool IsTerminal(int fd) {
  DWORD mode;
  return ::GetConsoleMode(HandleOf(fd), &mode) != 0;
}

std::size_t TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) {
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    if (width > 0) return static_cast<std::size_t>(width);
  }
  return 80;
}

// The console handler runs on a thread of its own: nothing to hold.
HoldTermination::HoldTermination() {
  (void)was_held_;
}

HoldTermination::~HoldTermination() = default;

InterruptHandler::InterruptHandler(void (*handler)()) {
  g_interrupt = handler;
  ::SetConsoleCtrlHandler(&OnInterrupt, TRUE);
}

InterruptHandler::~InterruptHandler() {
  ::SetConsoleCtrlHandler(&OnInterrupt, FALSE);
  g_interrupt = nullptr;
}

int OpenScratch(std::string_view tag, std::string& path, bool& named) {
  path = Utf8Of(std::filesystem::temp_directory_path() / ("krv-" + std::string(tag) + "-XXXXXX"));
  named = true;
  return MakeTrackedTemp(path);
}

void CloseScratch(int fd, const std::string& path, bool named) {
  ::_close(fd);
  if (named) RemoveTemp(path);
}

std::string StdinName() {
  return std::string();
}

std::string OpenFileName(int /*fd*/, const std::string& name) {
  return name;
}

std::size_t FindBytes(std::string_view text, std::string_view needle) {
  return text.find(needle);
}

std::size_t LastSeparator(std::string_view native) {
  return native.find_last_of("\\/");
}

std::size_t FindLastByte(std::string_view text, char c) {
  return text.rfind(c);
}

#endif

// ---- Temporary files (both systems) ---------------------------------------------------------

int MakeTrackedTemp(std::string& path) {
  InstallCleanUp();
  const HoldTermination hold;
  const int fd = MakeTemp(path);
  if (fd < 0) return -1;
  if (!Track(path)) {
    Close(fd);
    Remove(path);
    errno = EMFILE;
    return -1;
  }
  return fd;
}

bool RenameTemp(const std::string& from, const std::string& to) {
  const HoldTermination hold;
  if (!Rename(from, to)) return false;
  Forget(from);
  return true;
}

bool RemoveTemp(const std::string& path) {
  const HoldTermination hold;
  const bool removed = Remove(path);
  const int err = errno;
  Forget(path);
  errno = err;
  return removed;
}

}  // namespace krv::tool::os
