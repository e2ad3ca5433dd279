// System queries: drives and free space against df, the environment rules, the association
// lookup on a MIME database built here, and the folders.
#include "korvex/filesys/sysinfo.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/system.h"
#include "korvex/platform/text.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

// On Windows drives, folders and associations are the system's own (system_windows_test.cpp
// tests them there): the mapping of drives onto directories, df, the freedesktop files and the
// Linux folders these tests use do not exist.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << "Windows: " << why
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif

constexpr std::uint8_t kC = 2, kD = 3, kQ = 16, kT = 19;

// Maps a drive for the life of the object.
class ScopedDrive {
 public:
  ScopedDrive(Char letter, const std::string& dir) : letter_(letter) {
    EXPECT_TRUE(MapDrive(letter, dir)) << dir;
  }
  ~ScopedDrive() { UnmapDrive(letter_); }

 private:
  Char letter_;
};

std::vector<std::string> Drives() {
  TStringList list;
  list.Add(u"stale");
  BuildDriveList(list);
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(ToUtf8(list[i]));
  return names;
}

TEST(SysInfo, DriveListAndTypes) {
  SKIP_ON_WINDOWS("drives are the system's, not mapped directories");
  const TempDir dir("sysinfo_drives");
  EXPECT_EQ(Drives(), std::vector<std::string>{"C:"});
  {
    const ScopedDrive d(u'D', dir.Path().string());
    EXPECT_EQ(Drives(), (std::vector<std::string>{"C:", "D:"}));
  }
  EXPECT_EQ(GetDiskDriveType(26), kDriveUnknown);
  EXPECT_EQ(GetDiskDriveType(255), kDriveUnknown);
  EXPECT_EQ(GetDiskDriveType(kQ), kDriveNoRootDir);
  EXPECT_EQ(DiskFreeExtended(kQ), -1);
  EXPECT_EQ(DiskFreeExtended(26), -1);
  EXPECT_TRUE(DiskIsReadOnly(kQ));
  EXPECT_TRUE(DiskIsReadOnly(200));
}

// What df says about a folder: the file-system type and the bytes available.
struct Df {
  std::string type;
  long double avail = -1;
};

Df RunDf(const std::string& path) {
  Df df;
  std::istringstream in(testing::RunProcess({"df", "-B1", "--output=fstype,avail", path}).out);
  std::string header1, header2;
  in >> header1 >> header2 >> df.type >> df.avail;
  return df;
}

// The drive type and free space of a mapped folder agree with df; the free space within
// 64 MiB, since other programs write meanwhile.
void CheckAgainstDf(std::uint8_t drive, const std::string& path) {
  const Df df = RunDf(path);
  ASSERT_FALSE(df.type.empty()) << "df gave nothing for " << path;
  const std::int32_t type = GetDiskDriveType(drive);
  if (df.type == "tmpfs")
    EXPECT_EQ(type, kDriveRamDisk) << path;
  else if (df.type == "nfs" || df.type == "nfs4" || df.type == "cifs" || df.type == "9p")
    EXPECT_EQ(type, kDriveRemote) << path;
  else
    EXPECT_TRUE(type == kDriveFixed || type == kDriveRemovable) << path << ": " << type;
  EXPECT_NEAR(static_cast<double>(DiskFreeExtended(drive)), static_cast<double>(df.avail),
              64.0 * 1024 * 1024)
      << path;
}

struct Mount {
  std::string point, type;
};

// The mount table's points and file-system types (empty where there is none).
std::vector<Mount> MountTable() {
  std::vector<Mount> table;
  std::ifstream mounts("/proc/self/mounts");
  std::string device, point, type, rest;
  while (mounts >> device >> point >> type && std::getline(mounts, rest))
    table.push_back({point, type});
  return table;
}

// Whether "/" has its own line in the mount table; in a plain chroot it has none.
bool RootIsMountPoint() {
  const auto table = MountTable();
  return std::any_of(table.begin(), table.end(), [](const Mount& m) { return m.point == "/"; });
}

TEST(SysInfo, RootAgreesWithDf) {
  SKIP_ON_WINDOWS("no df and no mount table");
  if (!RootIsMountPoint()) GTEST_SKIP() << "\"/\" is not a mount point here (a chroot?)";
  CheckAgainstDf(kC, "/");
}

TEST(SysInfo, TmpfsAgreesWithDf) {
  SKIP_ON_WINDOWS("no df and no tmpfs");
  std::string tmpfs;
  for (const Mount& m : MountTable())
    if (m.type == "tmpfs" && tmpfs.empty() && ::access(m.point.c_str(), R_OK) == 0 &&
        m.point.find('\\') == std::string::npos)
      tmpfs = m.point;
  if (tmpfs.empty()) GTEST_SKIP() << "no tmpfs mount";
  const ScopedDrive t(u'T', tmpfs);
  CheckAgainstDf(kT, tmpfs);
}

TEST(SysInfo, DiskIsReadOnlyLeavesFilesAlone) {
  SKIP_ON_WINDOWS("drives are the system's, not mapped directories");
  const TempDir dir("sysinfo_probe");
  const ScopedDrive d(u'D', dir.Path().string());
  EXPECT_FALSE(DiskIsReadOnly(kD));
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  // A file of the probe's name that was there before keeps its bytes.
  dir.Write("$%$LO%$.$$$", "precious");
  EXPECT_FALSE(DiskIsReadOnly(kD));
  EXPECT_EQ(dir.Read("$%$LO%$.$$$"), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  {
    const ScopedDrive p(u'P', "/proc");  // not writable, even for root
    EXPECT_TRUE(DiskIsReadOnly(15));
  }
}

TEST(SysInfo, GetEnviroVar) {
  const ScopedEnv a("KRVTEST_Path", "/bin:/usr/bin");
  const ScopedEnv b("KRVTEST_CASE", "first");
  // Added after: the last match wins (on Windows it replaces the first, whatever its case).
  const ScopedEnv c("krvtest_case", "second");
  const ScopedEnv d("KRVTEST_EMPTY", "");
  const ScopedEnv e("KRVTEST_X", "a=b");
  const ScopedEnv f("KRVTEST_\xC3\x84", "umlaut");
  const struct {
    const char* name;
    const char* value;
    bool found;  // by FindEnviroVar: set, perhaps empty
  } cases[] = {
      {"KRVTEST_Path", "/bin:/usr/bin", true},
      {"krvtest_path", "/bin:/usr/bin", true},
      {"KRVTEST_PA", "", false},  // only begins a name
      {"KRVTEST_Path=", "", false},
      {"krvtest_CASE", "second", true},
      {"KRVTEST_EMPTY", "", true},
      {"KRVTEST_X", "a=b", true},
      {"KRVTEST_X=a", "b", true},  // the name's own '=' is compared like any character
      {"krvtest_\xC3\xA4", "umlaut", true},
      {"", "", false},
      {"KRVTEST_NONE", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(GetEnviroVar(ToUtf16(c.name))), c.value) << c.name;
    String value = u"stale";
    EXPECT_EQ(FindEnviroVar(ToUtf16(c.name), value), c.found) << c.name;
    EXPECT_EQ(ToUtf8(value), c.value) << c.name;
  }
  // The empty variable is there with its empty value, not removed.
  const std::vector<std::string> env = EnvironmentStrings();
  EXPECT_NE(std::find(env.begin(), env.end(), "KRVTEST_EMPTY="), env.end());
}

TEST(SysInfo, GetProgAssocOnAFixtureDatabase) {
  SKIP_ON_WINDOWS("associations come from the registry, not freedesktop files");
  const TempDir dir("sysinfo_mime");
  namespace fs = std::filesystem;
  for (const char* sub : {"home/mime", "home/applications", "data1/mime", "data2/applications",
                          "config", "data2/mime"})
    fs::create_directories(dir.File(sub));
  dir.Write("home/mime/globs2",
            "# comment\n"
            "50:text/x-low:*.krvx\n"
            "60:text/x-korvex:*.krvx\n"
            "60:text/x-later:*.krvx\n"
            "70:text/x-upper:*.Cs:cs\n"
            "80:text/x-pattern:*.[kK]rvx\n"
            "99999999999:text/x-bad:*.krvx\n"
            "abc:text/x-bad:*.krvx\n"
            "90::*.krvx\n"
            "90:text/x-bad\n"
            "55:text/x-hidden:*.hid\n"
            "55:text/x-legacy:*.leg\n"
            "55:text/x-gone:*.gone\n");
  dir.Write("data1/mime/globs", "text/x-plainish:*.txq\ntext/x-krv-low:*.krvx\n");
  dir.Write("data2/mime/globs2", "50:text/x-never:*.txq\n");
  dir.Write("config/mimeapps.list",
            "[Added Associations]\ntext/x-plainish=view.desktop;\n"
            "[Default Applications]\n"
            "TEXT/X-KORVEX = missing.desktop;view.desktop;\n"
            "text/x-hidden=hidden.desktop\n"
            "text/x-gone=../escape.desktop;none.desktop\n");
  dir.Write("data2/applications/defaults.list",
            "[Default Applications]\ntext/x-legacy=legacy.desktop\n");
  dir.Write("home/applications/view.desktop",
            "[Desktop Entry]\nName=View\nExec = korvex-view\\s--open %f\n"
            "[Desktop Action new]\nExec=other\n");
  dir.Write("home/applications/hidden.desktop", "[Desktop Entry]\nExec=hidden %f\nHidden=true\n");
  dir.Write("data2/applications/legacy.desktop", "[Desktop Entry]\nExec=legacy %U\n");
  const ScopedEnv h("XDG_DATA_HOME", dir.File("home").string());
  const ScopedEnv s("XDG_DATA_DIRS", "relative/ignored:" + dir.File("data1").string() + ":" +
                                         dir.File("data2").string());
  const ScopedEnv c("XDG_CONFIG_HOME", dir.File("config").string());
  const ScopedEnv cd("XDG_CONFIG_DIRS", dir.File("none").string());
  const struct {
    const char* ext;
    const char* want;
  } cases[] = {
      {"krvx", "korvex-view --open %f"},  // highest weight, first among equals; a default app
      {"KRVX", "korvex-view --open %f"},  // case ignored
      {"Cs", "text/x-upper"},             // case-sensitive glob, no default application
      {"cs", ""},
      {"txq", "text/x-plainish"},  // the first folder with a match decides; no default
      {"hid", "text/x-hidden"},    // the default application is hidden
      {"leg", "legacy %U"},        // defaults.list in a data folder
      {"gone", "text/x-gone"},     // no usable desktop file
      {"nothing", ""},
      {"", ""},
      {"[kK]rvx", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(GetProgAssoc(ToUtf16(c.ext))), c.want) << c.ext;
}

TEST(SysInfo, Folders) {
  SKIP_ON_WINDOWS("the folders are the system's, not /usr/lib, /etc and /tmp");
  EXPECT_EQ(ToUtf8(GetSystemDir()), "C:\\usr\\lib");
  EXPECT_EQ(ToUtf8(GetWindowsDir()), "C:\\etc");
  const TempDir dir("sysinfo_tmp");
  {
    const ScopedEnv t("TMPDIR", dir.Path().string() + "/");
    EXPECT_EQ(ToUtf8(GetTempDir()), ToUtf8(FromNativePath(dir.Path().string())) + "\\");
  }
  for (std::optional<std::string> v :
       {std::optional<std::string>(), std::optional<std::string>("rel")}) {
    const ScopedEnv t("TMPDIR", v);
    EXPECT_EQ(ToUtf8(GetTempDir()), "C:\\tmp\\");
  }
  // Without a drive covering them the folders have no Windows name.
  ASSERT_TRUE(UnmapDrive(u'C'));
  EXPECT_EQ(ToUtf8(GetTempDir()), "");
  EXPECT_EQ(ToUtf8(GetSystemDir()), "");
  ASSERT_TRUE(MapDrive(u'C', "/"));
}

}  // namespace
}  // namespace krv
