// The desktop save dialog in a real window: a private Xvfb server, zenity shown on it by
// TDesktopSaveDialog, and xdotool typing into the window. Skipped when a tool is missing.
#ifdef _WIN32
#include <gtest/gtest.h>

// The Windows dialog is the system's own window, which needs an interactive desktop.
TEST(DesktopDialog, NeedsAnXServer) {
  GTEST_SKIP() << "the desktop dialog on Windows is the system's own, not zenity on an X server";
}
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "korvex/platform/dialogs.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

extern char** environ;

namespace krv {
namespace {

using namespace std::chrono_literals;
constexpr auto kTimeout = 30s;

bool OnPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string file = dirs.substr(start, end - start) + "/" + tool;
    if (::access(file.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// An Xvfb server on a free display number; killed (and reaped) on destruction.
class XServer {
 public:
  XServer() {
    for (int n = 90 + static_cast<int>(::getpid() % 50); n < 400 && pid_ <= 0; n += 7) Start(n);
  }
  ~XServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(100ms);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  bool Running() const { return pid_ > 0; }
  const std::string& Display() const { return display_; }

 private:
  void Start(int n) {
    const std::string num = std::to_string(n);
    const std::string socket = "/tmp/.X11-unix/X" + num;
    const std::string lock = "/tmp/.X" + num + "-lock";
    if (::access(socket.c_str(), F_OK) == 0 || ::access(lock.c_str(), F_OK) == 0) return;
    const std::string disp = ":" + num;
    std::vector<std::string> args = {"Xvfb",        disp,        "-screen", "0",
                                     "1024x768x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    for (int i = 0; i < 50; ++i) {                          // up to 5 s for the socket
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return;  // lost the race for this number
      if (::access(socket.c_str(), F_OK) == 0) {
        pid_ = pid;
        display_ = disp;
        return;
      }
      std::this_thread::sleep_for(100ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }

  pid_t pid_ = -1;
  std::string display_;
};

// Runs an xdotool command line (words separated by spaces) on the display (DISPLAY set for that
// command only), with a time limit; returns its output, or nullopt when it failed.
std::optional<std::string> XDo(const std::string& display, const std::string& args) {
  std::vector<std::string> argv = {"env", "DISPLAY=" + display, "timeout", "30", "xdotool"};
  std::istringstream words(args);
  for (std::string word; words >> word;) argv.push_back(word);
  const testing::ProcessResult r = testing::RunProcess(argv);
  if (r.status != 0) return std::nullopt;
  std::string out = r.out;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

struct Outcome {
  bool accepted;
  std::uint32_t error;
  String file_name;
};

class DesktopDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "zenity", "xdotool", "timeout"}) {
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed; desktop dialog not tested";
    }
    server_ = std::make_unique<XServer>();
    if (!server_->Running()) GTEST_SKIP() << "Xvfb could not be started on a free display";
  }
  void TearDown() override {
    server_.reset();  // zenity loses its display and exits, so Execute returns
    if (worker_.valid()) worker_.wait();
  }

  // Shows the dialog on a thread, waits for its window, then runs the xdotool commands
  // `steps` on it, pausing after each so that GTK can handle the input (completion popups).
  Outcome Run(const std::string& title, const std::vector<std::string>& steps) {
    dialog_.Title = ToUtf16(title);
    dialog_.InitialDir = FromNativePath(dir_.Path().string());
    dialog_.FileTypes = {{u"Text files", u"*.txt"}, {u"All files", u"*.*"}};
    dialog_.Environment = {"DISPLAY=" + server_->Display(), "WAYLAND_DISPLAY="};
    worker_ = std::async(std::launch::async, [this] {
      const bool ok = dialog_.Execute();
      return Outcome{ok, dialog_.ErrorCode(), dialog_.FileName};
    });
    const std::string& d = server_->Display();
    const auto window = XDo(d, "search --sync --onlyvisible --name " + title);
    if (!window || window->empty()) {
      ADD_FAILURE() << "the zenity window did not appear within 30 s";
      return {};
    }
    const std::string id = window->substr(0, window->find('\n'));
    XDo(d, "windowfocus --sync " + id);
    std::this_thread::sleep_for(300ms);  // let GTK settle its focus before typing
    for (const std::string& step : steps) {
      EXPECT_TRUE(XDo(d, step)) << step;
      std::this_thread::sleep_for(500ms);
    }
    if (worker_.wait_for(kTimeout) != std::future_status::ready) {
      ADD_FAILURE() << "the dialog did not close within 30 s after the keys";
      return {};
    }
    return worker_.get();
  }

  testing::TempDir dir_{"korvex_dialog"};
  TDesktopSaveDialog dialog_;
  std::unique_ptr<XServer> server_;
  std::future<Outcome> worker_;
};

TEST_F(DesktopDialog, TypedNameIsReturned) {
  const std::string title = "KorvexSave" + std::to_string(::getpid());
  const Outcome out = Run(title, {"type --delay 30 typed_name.txt", "key Return"});
  EXPECT_TRUE(out.accepted);
  EXPECT_EQ(out.error, 0u);
  EXPECT_EQ(ToUtf8(out.file_name), ToUtf8(FromNativePath(dir_.File("typed_name.txt").string())));
}

TEST_F(DesktopDialog, EscapeCancels) {
  const std::string title = "KorvexCancel" + std::to_string(::getpid());
  const Outcome out = Run(title, {"key Escape"});
  EXPECT_FALSE(out.accepted);
  EXPECT_EQ(out.error, 0u);
}

// zenity exits as on a cancel when it cannot open its display; that must count as a failure.
TEST(DesktopDialogNoServer, UnreachableDisplayIsAnError) {
  if (!OnPath("zenity")) GTEST_SKIP() << "zenity is not installed; desktop dialog not tested";
  int n = 399;
  while (n > 300 && ::access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) == 0) --n;
  TDesktopSaveDialog d;
  d.Environment = {"DISPLAY=:" + std::to_string(n), "WAYLAND_DISPLAY="};
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(d.ErrorCode(), kDlgErrFailure);
}

}  // namespace
}  // namespace krv
#endif  // _WIN32
