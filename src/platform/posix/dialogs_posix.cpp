// The desktop save dialog: runs zenity with posix_spawn and reads the chosen name from its
// standard output (and its messages) through pipes, waiting as long as the user takes (the dialog
// is modal).
#include <fcntl.h>
#include <poll.h>
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

struct RunResult {
  int status = -1;  // exit status; -1 when the program could not be started
  std::string out, err;
};

// Reads both pipes to their end (each kept up to 1 MiB), without a time limit.
void Drain(int out_fd, int err_fd, RunResult& r) {
  pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int open = 2;
  char buf[4096];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        if (sinks[i]->size() < (1u << 20)) sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

// Runs the program with its standard input from /dev/null and collects its output.
RunResult RunCapture(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env) {
  RunResult r;
  int out[2];
  int err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return r;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return r;
  }
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
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (rc == 0) Drain(out[0], err[0], r);
  ::close(out[0]);
  ::close(err[0]);
  if (rc != 0) return r;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return r;
  }
  // 127: the exec failed after the fork (the shell's "command not found").
  if (!WIFEXITED(status)) {
    r.status = 255;
  } else {
    r.status = WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
  }
  return r;
}

}  // namespace

bool TDesktopSaveDialog::Execute() {
  typed_.clear();
  const std::vector<std::string> env = MergedEnvironment(Environment);
  if (!HasDisplay(env)) {
    error_code_ = kDlgErrFailure;
    return false;
  }
  RunResult r = RunCapture(Program, BuildArguments(), env);
  std::string& out = r.out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (r.status == 0 && !out.empty()) {
    error_code_ = 0;
    const String name = FromNativePath(out);
    FileName = name.empty() ? ToUtf16(out) : name;
    return true;
  }
  // zenity exits with 1 on cancel, but also when GTK cannot open the display; only its
  // message tells the two apart.
  if (r.status == 1) {
    error_code_ = r.err.find("cannot open display") == std::string::npos ? 0 : kDlgErrFailure;
  } else {
    error_code_ = r.status < 0 ? kDlgErrInitialization : kDlgErrFailure;
  }
  return false;
}

}  // namespace krv
