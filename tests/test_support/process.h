// Running programs and changing the environment from tests, the same way on POSIX systems and
// on Windows: no shell is involved, standard input comes from a byte string and standard output
// and error are captured through temporary files.
#pragma once

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "test_support/temp_dir.h"

namespace krv::testing {

// What a finished program left behind.
struct ProcessResult {
  int status = -1;  // exit status; -1 when it could not start or did not exit normally
  std::string out, err;
};

struct ProcessOptions {
  std::filesystem::path dir;       // working folder of the program; empty: the test's own
  std::string input;               // bytes on its standard input
  std::filesystem::path in_file;   // when set, standard input comes from there instead
  std::filesystem::path out_file;  // when set, standard output goes there and is not captured
  bool append = false;             // out_file is appended to rather than replaced
};

// Options that only set the working folder.
inline ProcessOptions InDir(const std::filesystem::path& dir) {
  ProcessOptions options;
  options.dir = dir;
  return options;
}

namespace process_detail {

#ifdef _WIN32
inline constexpr char kPathSeparators[] = "/\\:";
#else
inline constexpr char kPathSeparators[] = "/";
#endif

#ifdef _WIN32
inline std::wstring Wide(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// One argument quoted so that the C runtime of the child splits it back unchanged.
inline std::wstring QuoteArg(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    q.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    q += c;
  }
  q.append(2 * slashes, L'\\');
  return q + L'"';
}

// Points descriptor fd at path for the lifetime of the object, restoring it afterwards; the
// child started meanwhile inherits it as its standard stream.
class Redirect {
 public:
  Redirect(int fd, const std::filesystem::path& path, int flags) : fd_(fd), saved_(::_dup(fd)) {
    const int file = ::_wopen(path.c_str(), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
    ok_ = file >= 0 && ::_dup2(file, fd) == 0;
    if (file >= 0) ::_close(file);
  }
  ~Redirect() {
    if (saved_ >= 0) {
      ::_dup2(saved_, fd_);
      ::_close(saved_);
    }
  }
  Redirect(const Redirect&) = delete;
  Redirect& operator=(const Redirect&) = delete;
  bool ok() const { return ok_; }

 private:
  int fd_, saved_;
  bool ok_ = false;
};

inline int Spawn(const std::vector<std::string>& argv, const ProcessOptions& options,
                 const std::filesystem::path& in, const std::filesystem::path& out,
                 const std::filesystem::path& err) {
  std::vector<std::wstring> args;
  for (const std::string& a : argv) args.push_back(QuoteArg(Wide(a)));
  std::vector<const wchar_t*> ptrs;
  for (const std::wstring& a : args) ptrs.push_back(a.c_str());
  ptrs.push_back(nullptr);
  const std::wstring program = Wide(argv[0]);

  std::fflush(stdout);
  std::fflush(stderr);
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (!options.dir.empty()) std::filesystem::current_path(options.dir, ec);
  intptr_t rc = -1;
  {
    Redirect r0(0, in, _O_RDONLY);
    Redirect r1(1, out, _O_WRONLY | _O_CREAT | (options.append ? _O_APPEND : _O_TRUNC));
    Redirect r2(2, err, _O_WRONLY | _O_CREAT | _O_TRUNC);
    if (r0.ok() && r1.ok() && r2.ok()) rc = ::_wspawnvp(_P_WAIT, program.c_str(), ptrs.data());
  }
  if (!options.dir.empty()) std::filesystem::current_path(cwd, ec);
  return rc < 0 ? -1 : static_cast<int>(rc);
}
#else
// Starts argv in a child with the three files as its standard streams and waits for it. A
// close-on-exec pipe tells a failed exec apart from a program that exits with status 127.
inline int Spawn(const std::vector<std::string>& argv, const ProcessOptions& options,
                 const std::filesystem::path& in, const std::filesystem::path& out,
                 const std::filesystem::path& err) {
  std::vector<char*> ptrs;
  for (const std::string& a : argv) ptrs.push_back(const_cast<char*>(a.c_str()));
  ptrs.push_back(nullptr);
  const std::string dir = options.dir.string();
  const std::string paths[3] = {in.string(), out.string(), err.string()};

  int report[2];
  if (::pipe(report) != 0) return -1;
  ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int flags[3] = {O_RDONLY, O_WRONLY | O_CREAT | (options.append ? O_APPEND : O_TRUNC),
                          O_WRONLY | O_CREAT | O_TRUNC};
    bool ok = dir.empty() || ::chdir(dir.c_str()) == 0;
    for (int fd = 0; ok && fd < 3; ++fd) {
      const int file = ::open(paths[fd].c_str(), flags[fd], 0644);
      ok = file >= 0 && ::dup2(file, fd) == fd;
      if (file > 2) ::close(file);
    }
    if (ok) ::execvp(ptrs[0], ptrs.data());
    const char failed = 1;
    (void)!::write(report[1], &failed, 1);
    ::_exit(127);
  }
  ::close(report[1]);
  char failed = 0;
  ssize_t n;
  while ((n = ::read(report[0], &failed, 1)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (pid < 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (n > 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace process_detail

// The full path of a program found in PATH, or nothing; used to skip checks against other
// tools that a machine may lack.
inline std::optional<std::filesystem::path> FindProgram(std::string_view name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
#ifdef _WIN32
  const char separator = ';';
  const std::string suffix = ".exe";
#else
  const char separator = ':';
  const std::string suffix;
#endif
  std::string_view rest = path;
  while (true) {
    const size_t end = rest.find(separator);
    const std::string_view entry = rest.substr(0, end);
    if (!entry.empty()) {
      const std::filesystem::path candidate =
          std::filesystem::path(entry) / (std::string(name) + suffix);
      std::error_code ec;
      if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    if (end == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(end + 1);
  }
}

// Runs argv (argv[0] is a path or a name looked up in PATH) without a shell and waits for it.
// Relative in_file and out_file names are taken in the program's working folder.
inline ProcessResult RunProcess(const std::vector<std::string>& argv,
                                const ProcessOptions& options = {}) {
  ProcessResult r;
  if (argv.empty()) return r;
  // A program named by a relative path is found from here, not from the working folder.
  std::vector<std::string> args = argv;
  if (args[0].find_first_of(process_detail::kPathSeparators) != std::string::npos) {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::absolute(
        std::filesystem::path(std::u8string(args[0].begin(), args[0].end())), ec);
    const std::u8string utf8 = program.u8string();
    if (!ec) args[0].assign(utf8.begin(), utf8.end());
  }
#ifdef _WIN32
  // A bare name is looked up here rather than by spawnvp: Wine's C run-time can leave out the
  // backslash between a PATH entry and the name (C:\windows\system32reg), depending on the
  // length of the entry tried before it.
  else if (const auto found = FindProgram(args[0])) {
    const std::u8string utf8 = found->u8string();
    args[0].assign(utf8.begin(), utf8.end());
  }
#endif
  const TempDir io("korvex_process");
  io.Write("in", options.input);
  const std::filesystem::path in = options.in_file.empty() ? io.File("in") : options.in_file;
  const std::filesystem::path out = options.out_file.empty() ? io.File("out") : options.out_file;
  r.status = process_detail::Spawn(args, options, in, out, io.File("err"));
  if (options.out_file.empty()) r.out = io.Read("out");
  r.err = io.Read("err");
  return r;
}

#ifdef _WIN32
}  // namespace krv::testing
// From kernel32 (declared here rather than pulling <windows.h> and its macros into tests).
extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableW(const wchar_t* name,
                                                                       const wchar_t* value);
namespace krv::testing {
#endif

// Sets (or, given nothing, removes) an environment variable and restores its former state on
// destruction. Names and values are UTF-8.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
#ifdef _WIN32
    if (const wchar_t* old = ::_wgetenv(process_detail::Wide(name_).c_str())) {
      const std::u8string utf8 = std::filesystem::path(old).u8string();
      old_ = std::string(utf8.begin(), utf8.end());
    }
#else
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
#endif
    Set(value);
  }
  ~ScopedEnv() {
    Set(old_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) const {
#ifdef _WIN32
    // Wide calls: the narrow ones pass UTF-8 through the ANSI code page. An empty value removes
    // the variable from the run-time's copy; the system's own environment, which the library
    // and child processes read, keeps it empty.
    const std::wstring name = process_detail::Wide(name_);
    ::_wputenv_s(name.c_str(), value ? process_detail::Wide(*value).c_str() : L"");
    if (value && value->empty()) ::SetEnvironmentVariableW(name.c_str(), L"");
#else
    if (value) {
      ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
#endif
  }

  std::string name_;
  std::optional<std::string> old_;
};

// Whether the test runs with the privileges that ignore file permission bits (root on POSIX
// systems). Windows has no permission bits for such checks; tests of them skip there.
inline bool RunsAsRoot() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() == 0;
#endif
}

}  // namespace krv::testing
