// krv sys: each mode prints the library's answer; "no" answers and bad drives are told apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "korvex/filesys/sysinfo.h"
#include "korvex/platform/text.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

TEST(KrvSys, DrivesAndFree) {
  const TempDir dir("krv_sys_drives");
  const KrvRun drives = RunKrv(dir, "sys drives");
  EXPECT_EQ(drives.status, 0) << drives.err;
  const char* const kTypes[] = {"unknown", "no root", "removable", "fixed",
                                "remote",  "CD-ROM",  "RAM disk"};
  EXPECT_EQ(drives.out.rfind(std::string("C:  ") + kTypes[GetDiskDriveType(2)], 0), 0u)
      << drives.out;
  const KrvRun free = RunKrv(dir, "sys free c");
  ASSERT_EQ(free.status, 0) << free.err;
  ASSERT_EQ(free.out.rfind("C:  ", 0), 0u) << free.out;
  EXPECT_NEAR(std::stod(free.out.substr(4)), static_cast<double>(DiskFreeExtended(2)),
              64.0 * 1024 * 1024);
  const KrvRun missing = RunKrv(dir, "sys free C: Q:");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "krv sys: drive Q: is not mapped or cannot be queried\n");
  EXPECT_EQ(missing.out.rfind("C:  ", 0), 0u);
  const KrvRun bad = RunKrv(dir, "sys free 1");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "krv sys: 1: not a drive letter (A: to Z:)\n");
}

TEST(KrvSys, EnvAssocAndDirs) {
  const TempDir dir("krv_sys_env");
  std::filesystem::create_directories(dir.File("data/mime"));
  std::filesystem::create_directories(dir.File("data/applications"));
  dir.Write("data/mime/globs2", "50:text/x-korvex:*.krvx\n50:text/x-plainish:*.krvp\n");
  dir.Write("data/applications/mimeapps.list", "[Default Applications]\ntext/x-korvex=v.desktop\n");
  dir.Write("data/applications/v.desktop", "[Desktop Entry]\nExec=view %f\n");
  using Env = std::vector<std::pair<std::string, std::string>>;
  const Env var = {{"KRVTEST_Var", "abc"}};
  const Env xdg = {{"XDG_DATA_HOME", dir.File("data").string()},
                   {"XDG_DATA_DIRS", "/none"},
                   {"XDG_CONFIG_HOME", "/none"},
                   {"XDG_CONFIG_DIRS", "/none"}};
  const struct {
    Env env;
    std::string command;
    int status;
    const char* out;
    bool posix;  // associations and folders from XDG files and TMPDIR
  } cases[] = {
      {var, "sys env krvtest_var", 0, "abc\n", false},
      {var, "sys env krvtest_v", 1, "", false},
      // As printenv: set but empty is an empty line and 0; unset is nothing and 1.
      {{{"KRVTEST_EMPTY", ""}}, "sys env KRVTEST_EMPTY", 0, "\n", false},
      {{{"KRVTEST_EMPTY", ""}}, "sys env krvtest_empty -o -", 0, "\n", false},
      {{{"KRVTEST_EMPTY", ""}}, "sys env KRVTEST_EMPT", 1, "", false},
      {xdg, "sys assoc krvx", 0, "view %f\n", true},
      {xdg, "sys assoc .KRVP", 0, "text/x-plainish\n", true},
      {xdg, "sys assoc none", 1, "", true},
      {{{"TMPDIR", "/var/tmp"}},
       "sys dirs",
       0,
       "system   C:\\usr\\lib\nwindows  C:\\etc\ntemp     C:\\var\\tmp\\\n",
       true},
  };
  int left_out = 0;
  for (const auto& c : cases) {
#ifdef _WIN32
    if (c.posix) {
      ++left_out;
      continue;
    }
#endif
    std::vector<std::optional<testing::ScopedEnv>> env(c.env.size());
    for (size_t i = 0; i < c.env.size(); ++i) env[i].emplace(c.env[i].first, c.env[i].second);
    const KrvRun r = RunKrv(dir, c.command);
    EXPECT_EQ(r.status, c.status) << c.command << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.command;
    EXPECT_EQ(r.err, "") << c.command;
  }
  const KrvRun none = RunKrv(dir, "sys");
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err.rfind("krv sys: ", 0), 0u) << none.err;
  if (left_out > 0)
    GTEST_SKIP() << left_out << " rows check XDG associations and TMPDIR, which Windows lacks";
}

// A CUPS that cannot be reached lists no destination, as lpstat -e answers: nothing, status 0.
TEST(KrvSys, PrintersWithoutAServer) {
  const TempDir dir("krv_sys_printers");
  const testing::ScopedEnv server("CUPS_SERVER", dir.File("no-such.sock").string());
  const testing::ScopedEnv printer("PRINTER", std::nullopt);
  const testing::ScopedEnv lpdest("LPDEST", std::nullopt);
  const testing::ScopedEnv home("HOME", dir.Path().string());  // no ~/.cups/lpoptions
  for (const char* args : {"sys printers", "sys printers -o list.txt"}) {
    const KrvRun r = RunKrv(dir, args);
    EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(r.err, "") << args;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("list.txt")));
  EXPECT_EQ(dir.Read("list.txt"), "");
  EXPECT_EQ(RunKrv(dir, "sys printers extra").status, 2);
}

}  // namespace
}  // namespace krv
