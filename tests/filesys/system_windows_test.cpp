// The Windows side of the system services: file associations from the registry, drives,
// folders, the environment block, the Recycle Bin and the font list. Elsewhere these tests
// skip; the POSIX side has its own tests.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "korvex/filesys/sysinfo.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/fonts.h"
#include "korvex/platform/system.h"
#include "korvex/platform/text.h"
#include "korvex/platform/trash.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

#define SKIP_UNLESS_WINDOWS() \
  if (!kWindows) GTEST_SKIP() << "Windows system services (registry, volumes, Recycle Bin)"

// Keys made under the Software\Classes key of `root` (whose keys HKEY_CLASSES_ROOT shows)
// for one test, and removed afterwards.
class ClassKeys {
 public:
  explicit ClassKeys(std::string root) : base_(std::move(root) + "\\Software\\Classes\\") {}
  ~ClassKeys() {
    for (const std::string& k : keys_) testing::RunProcess({"reg", "delete", base_ + k, "/f"});
  }
  ClassKeys(const ClassKeys&) = delete;
  ClassKeys& operator=(const ClassKeys&) = delete;

  // Sets the default value (name empty) or a named value of a key.
  bool Set(const std::string& key, const std::string& name, const std::string& value) {
    // Whole new keys go again; of the shared MIME database only the key made here.
    const bool shared = key.rfind("MIME\\", 0) == 0;
    keys_.push_back(shared ? key : key.substr(0, key.find('\\')));
    std::vector<std::string> argv = {"reg", "add", base_ + key, "/f"};
    if (name.empty()) {
      argv.push_back("/ve");
    } else {
      argv.insert(argv.end(), {"/v", name});
    }
    argv.insert(argv.end(), {"/d", value});
    return testing::RunProcess(argv).status == 0;
  }

  bool SetAll() {
    return Set(".krvtesta", "", "Krv.TestA") &&
           Set(".krvtesta", "Content Type", "application/x-krv-test-a") &&
           Set("Krv.TestA\\shell\\open\\command", "", "opener.exe \"%1\"") &&
           Set(".krvtestb", "", "Krv.TestNoCommand") && Set(".krvtestc", "", "Krv.TestA") &&
           Set(".krvtestc\\shell\\open\\command", "", "direct.exe %1") &&
           Set(".krvtestd", "", "") &&
           Set("MIME\\Database\\Content Type\\application/x-krv-test-a", "Extension", ".krvtesta");
  }

 private:
  std::string base_;
  std::vector<std::string> keys_;
};

TEST(WindowsSystem, AssociationsFromTheRegistry) {
  SKIP_UNLESS_WINDOWS();
  // The user's classes where the system shows them in HKEY_CLASSES_ROOT; otherwise (Wine) the
  // machine's.
  std::optional<ClassKeys> keys;
  for (const char* root : {"HKCU", "HKLM"}) {
    keys.reset();
    keys.emplace(root);
    if (keys->SetAll() && !OpenCommandOfExtension("krvtesta").empty()) break;
  }
  if (OpenCommandOfExtension("krvtesta").empty())
    GTEST_SKIP() << "test keys cannot be added to HKEY_CLASSES_ROOT (no rights)";
  struct Case {
    const char16_t* ext;
    const char16_t* command;
  };
  const Case cases[] = {
      {u"krvtesta", u"opener.exe \"%1\""},  // identifier -> its open command
      {u"KRVTESTA", u"opener.exe \"%1\""},  // keys ignore case
      {u"krvtestb", u"Krv.TestNoCommand"},  // identifier without command: the identifier
      {u"krvtestc", u"direct.exe %1"},      // the extension's own command comes first
      {u"krvtestd", u""},                   // empty identifier
      {u"krvtestnone", u""},                // no such extension
  };
  for (const Case& c : cases) EXPECT_EQ(GetProgAssoc(c.ext), c.command) << ToUtf8(String(c.ext));
  EXPECT_EQ(MimeTypeOfExtension("krvtesta"), "application/x-krv-test-a");
  EXPECT_EQ(MimeTypeOfExtension("krvtestb"), "");
  EXPECT_EQ(DefaultOpenCommand("application/x-krv-test-a"), "opener.exe \"%1\"");
  EXPECT_EQ(DefaultOpenCommand("application/x-krv-test-none"), "");
}

TEST(WindowsSystem, Folders) {
  SKIP_UNLESS_WINDOWS();
  const String windows = GetWindowsDir(), system = GetSystemDir(), temp = GetTempDir();
  for (const String& dir : {windows, system}) {
    ASSERT_GT(dir.size(), 3u);
    EXPECT_NE(dir.back(), u'\\') << ToUtf8(dir);
    EXPECT_TRUE(DirectoryExists(dir)) << ToUtf8(dir);
  }
  String prefix = system.substr(0, windows.size() + 1), expected = windows + u"\\";
  for (String* s : {&prefix, &expected})
    for (Char& c : *s) c = AsciiUpper(c);
  EXPECT_EQ(prefix, expected);
  ASSERT_GT(temp.size(), 3u);
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(DirectoryExists(temp)) << ToUtf8(temp);
  EXPECT_EQ(temp.find(u'~'), String::npos) << "long form expected: " << ToUtf8(temp);
}

TEST(WindowsSystem, Drives) {
  SKIP_UNLESS_WINDOWS();
  const std::string windows = WindowsDirectoryNative();
  ASSERT_GE(windows.size(), 3u);
  const std::string root = windows.substr(0, 3);  // "C:\"
  EXPECT_EQ(NativeDriveType(root), kDriveFixed);
  EXPECT_EQ(NativeDriveType(windows), kDriveFixed);
  EXPECT_EQ(NativeDriveType(root + "no such folder\\below"), kDriveNoRootDir);
  EXPECT_EQ(NativeDriveType(""), kDriveNoRootDir);
  std::uint64_t free = 0;
  EXPECT_TRUE(NativeFreeBytes(root, free));
  EXPECT_GT(free, 0u);
  EXPECT_FALSE(NativeFreeBytes(root + "no such folder", free));
  const std::uint8_t drive = static_cast<std::uint8_t>(AsciiUpper(root[0]) - 'A');
  EXPECT_EQ(GetDiskDriveType(drive), kDriveFixed);
  EXPECT_GT(DiskFreeExtended(drive), 0);
}

TEST(WindowsSystem, EnvironmentBlockInUtf8) {
  SKIP_UNLESS_WINDOWS();
#ifdef _WIN32
  // Set wide: the narrow CRT call would pass the value through the ANSI code page.
  ASSERT_EQ(::_wputenv_s(L"KRV_TEST_CAFE", L"caf\u00e9 \u03a9"), 0);
  bool found = false;
  for (const std::string& e : EnvironmentStrings()) found = found || e == "KRV_TEST_CAFE=café Ω";
  EXPECT_TRUE(found);
  EXPECT_EQ(GetEnviroVar(u"krv_test_cafe"), u"café Ω");
  ::_wputenv_s(L"KRV_TEST_CAFE", L"");
#endif
}

TEST(WindowsSystem, RecycleBin) {
  SKIP_UNLESS_WINDOWS();
  const testing::TempDir dir("krv_recycle");
  dir.Write("gone.txt", "bytes");
  std::filesystem::create_directory(dir.File("folder"));
  const auto name = [&](const char* n) { return FromNativePath(dir.File(n).string()); };
  EXPECT_EQ(TrashDirectory(), "");
  EXPECT_EQ(MoveFileToTrash(name("folder")), EISDIR);
  EXPECT_EQ(MoveFileToTrash(name("missing.txt")), ENOENT);
  EXPECT_FALSE(TrashErrorText(ENOENT).empty());
  EXPECT_EQ(MoveFileToTrash(name("gone.txt")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone.txt")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("folder")));
}

TEST(WindowsSystem, FontFamilies) {
  SKIP_UNLESS_WINDOWS();
  const std::vector<TInstalledFont> fonts = detail::QueryInstalledFonts();
  ASSERT_FALSE(fonts.empty());
  bool outline = false;
  for (const TInstalledFont& f : fonts) {
    EXPECT_FALSE(f.Name.empty());
    EXPECT_NE(f.Name.front(), u'@') << ToUtf8(f.Name);
    outline = outline || f.Format == ffTrueType || f.Format == ffOpenTypeCFF;
  }
  EXPECT_TRUE(outline);
}

}  // namespace
}  // namespace krv
