#include "korvex/filesys/dirs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "korvex/colors/colorarray.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using krv::testing::TempDir;

// A temporary tree mapped as drive Q:.
class Dirs : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has its own drives: no mapping";
#endif
    ASSERT_TRUE(MapDrive(u'Q', dir_.Path().string()));
  }
  void TearDown() override {
    UnmapDrive(u'Q');
  }
  void Write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories((dir_.Path() / rel).parent_path());
    dir_.Write(rel, bytes);
  }
  std::set<std::string> Names(const std::string& rel) const {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_.Path() / rel)) {
      out.insert(e.path().filename().string());
    }
    return out;
  }

  TempDir dir_{"korvex_dirs"};
};

TEST_F(Dirs, DOSToWinPathTakesStoredSpelling) {
  Write("Data/Run1.txt", "x");
  Write("Data/.Conf/Deep.ini", "x");
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"q:\\DATA\\RUN1.TXT", u"Q:\\Data\\Run1.txt"},
      {u"Q:/data/.conf/deep.INI", u"Q:\\Data\\.Conf\\Deep.ini"},
      {u"Q:\\data\\nope\\x.txt", u"nope\\x.txt"},  // the unconverted rest
      {u"Q:\\data\\", u""},                        // empty component after the separator
      {u"Q:\\", u"Q:"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DOSToWinPath(c.in), c.out) << std::string(c.in, c.in + 3);
  }
}

TEST_F(Dirs, SetAllFilenameCaseRenamesTreeButNotThroughLinks) {
  Write("MiXed.Txt", "1");
  Write("Sub/Inner.Txt", "2");
  Write(".Hid/Deep.txt", "3");
  TempDir outside("korvex_dirs_out");
  outside.Write("Far.txt", "4");
  fs::create_directory_symlink(outside.Path(), dir_.Path() / "Sub" / "ToOut");
  fs::create_directory_symlink(dir_.Path(), dir_.Path() / "Sub" / "Loop");
  SetAllFilenameCase(u"Q:\\*.*", true);
  EXPECT_EQ(Names(""), (std::set<std::string>{"MIXED.TXT", "SUB", ".HID"}));
  EXPECT_EQ(Names("SUB"), (std::set<std::string>{"INNER.TXT", "TOOUT", "LOOP"}));
  EXPECT_EQ(Names(".HID"), (std::set<std::string>{"Deep.txt"}));  // hidden: not entered
  EXPECT_TRUE(fs::exists(outside.Path() / "Far.txt"));            // links: not followed
  SetAllFilenameCase(u"Q:\\SUB\\*.txt", false);
  EXPECT_EQ(Names("SUB"), (std::set<std::string>{"inner.txt", "TOOUT", "LOOP"}));
}

TEST_F(Dirs, SetAllFilenameCaseNeverReplacesAnotherFile) {
  Write("clash/A.txt", "upper");
  Write("clash/a.txt", "lower");
  Write("clash/B.txt", "b");
  SetAllFilenameCase(u"Q:\\clash\\*.txt", false);
  EXPECT_EQ(Names("clash"), (std::set<std::string>{"A.txt", "a.txt", "b.txt"}));
  EXPECT_EQ(dir_.Read("clash/A.txt"), "upper");
  EXPECT_EQ(dir_.Read("clash/a.txt"), "lower");
}

TEST_F(Dirs, ExistsAndEmpty) {
  Write("full/.dot", "");
  fs::create_directory(dir_.Path() / "empty");
  fs::create_directory_symlink(dir_.Path() / "full", dir_.Path() / "link");
  EXPECT_FALSE(DirExists(u""));
  EXPECT_TRUE(DirExists(u"Q:\\FULL"));
  EXPECT_TRUE(DirExists(u"Q:\\full\\"));
  EXPECT_TRUE(DirExists(u"Q:\\link"));
  EXPECT_FALSE(DirExists(u"Q:\\full\\.dot"));
  EXPECT_FALSE(DirExists(u"Q:\\missing"));
  EXPECT_TRUE(DirEmpty(u"Q:\\missing"));
  EXPECT_TRUE(DirEmpty(u"Q:\\Empty"));
  EXPECT_FALSE(DirEmpty(u"Q:\\full"));  // a hidden file counts
  EXPECT_FALSE(DirEmpty(u"Q:\\"));
}

TEST_F(Dirs, DirIsReadOnlyNeverTouchesAnExistingProbeName) {
  fs::create_directory(dir_.Path() / "w");
  EXPECT_FALSE(DirIsReadOnly(u"Q:\\w"));
  EXPECT_TRUE(Names("w").empty());
  Write("w/$%$LO%$.$$$", "precious");
  Write("w/$%$lo%$.$$$.1", "also kept");
  EXPECT_FALSE(DirIsReadOnly(u"Q:\\w\\"));
  EXPECT_EQ(dir_.Read("w/$%$LO%$.$$$"), "precious");
  EXPECT_EQ(dir_.Read("w/$%$lo%$.$$$.1"), "also kept");
  EXPECT_EQ(Names("w").size(), 2u);
  EXPECT_TRUE(DirIsReadOnly(u"Q:\\missing"));
  EXPECT_TRUE(DirIsReadOnly(u"Q:\\w\\$%$LO%$.$$$"));  // a file, not a directory
}

TEST_F(Dirs, FileSizesBeyond32Bits) {
  Write("five.bin", "12345");
  Write("empty.bin", "");
  struct Case {
    const char* name;
    std::int64_t size;
    std::int32_t size32;
  } cases[] = {
      {"max.bin", INT32_MAX, INT32_MAX},
      {"two_gib.bin", std::int64_t{1} << 31, -1},
      {"five_gib.bin", std::int64_t{5} << 30, -1},
  };
  for (const Case& c : cases) {
    { std::ofstream(dir_.Path() / c.name); }
    fs::resize_file(dir_.Path() / c.name, static_cast<std::uintmax_t>(c.size));  // sparse
    const String name = u"Q:\\" + String(c.name, c.name + std::char_traits<char>::length(c.name));
    EXPECT_EQ(GetFileSize(name), c.size32) << c.name;
    EXPECT_EQ(GetFileSize64(name), c.size) << c.name;
  }
  EXPECT_EQ(GetFileSize(u"Q:\\FIVE.BIN"), 5);
  EXPECT_EQ(GetFileSize(u"Q:\\empty.bin"), 0);
  EXPECT_EQ(GetFileSize(u"Q:\\fi?e.bin"), 5);
  EXPECT_EQ(GetFileSize(u"Q:\\none.bin"), -1);
  EXPECT_EQ(GetFileSize64(u""), -1);
}

// Checksums, grids and colour tables open their files through the Windows-name layer.
TEST_F(Dirs, FileReadersTakeWindowsNames) {
  Write("data/run1.txt", "123456789");
  EXPECT_EQ(static_cast<Cardinal>(CalcCRC32ofFile(u"Q:\\DATA\\RUN1.TXT")), 0xCBF43926u);
  const TSHACode sha = SHA1FromFile(u"q:/Data/Run1.Txt");  // f7c3bc1d... for "123456789"
  EXPECT_EQ(sha[0], 0xF7);
  EXPECT_EQ(sha[19], 0x41);
  TStringArray grid;
  grid.SetNrCols(3);
  grid.SetNrRows(3);
  grid.SetString(1, 1, "cell");
  grid.SaveAsXMLFile(u"Q:\\Data\\Grid.XML", u"g");
  TStringArray back;
  EXPECT_TRUE(back.LoadFromXMLFile(u"Q:\\DATA\\grid.xml", u"g"));
  EXPECT_EQ(back.GetString(1, 1), "cell");
  TColorArray colours;
  colours.SetSize(4);
  colours.SetColorElem(1, 0x123456);
  EXPECT_TRUE(colours.StoreOnFile(0, 3, u"Q:\\Data\\Scale.Col"));
  TColorArray loaded;
  EXPECT_TRUE(loaded.LoadFromFile(u"q:\\data\\SCALE.COL", true));
  EXPECT_EQ(loaded.GetColorElem(1), 0x123456u);
  EXPECT_EQ(Names("data"), (std::set<std::string>{"run1.txt", "Grid.XML", "Scale.Col"}));
}

}  // namespace
}  // namespace krv
