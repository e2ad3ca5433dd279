// The desktop save dialog: runs zenity with posix_spawn and reads the chosen name from its
// standard output through a pipe, waiting as long as the user takes (the dialog is modal).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "korvex/platform/dialogs.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

extern char** environ;

namespace krv {
namespace {

// The process environment with `overrides` ("NAME=value") put over it.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) env.emplace_back(*e);
  for (const std::string& o : overrides) {
    const std::string key = o.substr(0, o.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.compare(0, key.size(), key) == 0; });
    env.push_back(o);
  }
  return env;
}

bool HasDisplay(const std::vector<std::string>& env) {
  for (const std::string& e : env) {
    for (const char* key : {"DISPLAY=", "WAYLAND_DISPLAY="}) {
      const std::size_t n = std::strlen(key);
      if (e.size() > n && e.compare(0, n, key) == 0) return true;
    }
  }
  return false;
}

// Runs the program, returns its exit status (-1 when it could not be started) and its output.
int RunCapture(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env, std::string& out) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return -1;
  }
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n > 0) {
      if (out.size() < (1u << 20)) out.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (!WIFEXITED(status)) return 255;
  // The shell's "command not found" convention: posix_spawnp may report a failed exec here.
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

}  // namespace

bool TDesktopSaveDialog::Execute() {
  typed_.clear();
  const std::vector<std::string> env = MergedEnvironment(Environment);
  if (!HasDisplay(env)) {
    error_code_ = kDlgErrFailure;
    return false;
  }
  std::string out;
  const int status = RunCapture(Program, BuildArguments(), env, out);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (status == 0 && !out.empty()) {
    error_code_ = 0;
    String name = FromNativePath(out);
    FileName = name.empty() ? ToUtf16(out) : name;
    return true;
  }
  // zenity exits with 1 on cancel or when the window is closed.
  error_code_ = status == 1 ? 0 : status < 0 ? kDlgErrInitialization : kDlgErrFailure;
  return false;
}

}  // namespace krv
