#include "korvex/filesys/dirs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include "korvex/colors/colorarray.h"
#include "korvex/dstruct/crc.h"
#include "korvex/dstruct/sha1.h"
#include "korvex/dstruct/stringarray.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using krv::testing::TempDir;

// Symbolic links need a privilege on Windows that the MinGW run-time does not ask for: there
// the trees are built without them.
#ifdef _WIN32
constexpr bool kLinks = false;
#else
constexpr bool kLinks = true;
#endif

// A temporary tree mapped as drive Q:. Windows has no drive mapping: there the tree is named
// by its own Windows name, which Q() and q() put where the tests write "Q:" and "q:".
class Dirs : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    root_ = ToUtf16(dir_.Path().string());
#else
    ASSERT_TRUE(MapDrive(u'Q', dir_.Path().string()));
#endif
  }
  void TearDown() override {
#ifndef _WIN32
    UnmapDrive(u'Q');
#endif
  }
  // The tree's root followed by rest; q() spells the root in lower case.
  String Q(std::u16string_view rest) const {
    return root_ + String(rest);
  }
  String q(std::u16string_view rest) const {
    String lower = root_;
    for (char16_t& c : lower) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return lower + String(rest);
  }
  void Write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories((dir_.Path() / rel).parent_path());
    dir_.Write(rel, bytes);
  }
  // Whether renaming an entry to another case of its own name changes the stored name (Wine
  // reports success and keeps the old spelling).
  bool CaseRenameWorks() const {
    Write("probe/case.tmp", "");
    std::error_code ec;
    fs::rename(dir_.Path() / "probe" / "case.tmp", dir_.Path() / "probe" / "CASE.TMP", ec);
    const bool works = !ec && Names("probe") == std::set<std::string>{"CASE.TMP"};
    fs::remove_all(dir_.Path() / "probe", ec);
    return works;
  }
  std::set<std::string> Names(const std::string& rel) const {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_.Path() / rel)) {
      out.insert(e.path().filename().string());
    }
    return out;
  }

  TempDir dir_{"korvex_dirs"};
  String root_ = u"Q:";
};

TEST_F(Dirs, DOSToWinPathTakesStoredSpelling) {
  Write("Data/Run1.txt", "x");
  Write("Data/.Conf/Deep.ini", "x");
  struct Case {
    String in;
    String out;
  } cases[] = {
      {q(u"\\DATA\\RUN1.TXT"), Q(u"\\Data\\Run1.txt")},
      {Q(u"/data/.conf/deep.INI"), Q(u"\\Data\\.Conf\\Deep.ini")},
      {Q(u"\\data\\nope\\x.txt"), u"nope\\x.txt"},  // the unconverted rest
      {Q(u"\\data\\"), u""},                        // empty component after the separator
#ifdef _WIN32
      {Q(u"\\"), u""},  // a folder, not a drive: the separator leaves an empty component
#else
      {Q(u"\\"), root_},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(DOSToWinPath(c.in)), ToUtf8(c.out)) << ToUtf8(c.in);
  }
}

TEST_F(Dirs, SetAllFilenameCaseRenamesTreeButNotThroughLinks) {
  if (!CaseRenameWorks()) GTEST_SKIP() << "this file system keeps the old case on a rename";
  Write("MiXed.Txt", "1");
  Write("Sub/Inner.Txt", "2");
  Write(".Hid/Deep.txt", "3");
  TempDir outside("korvex_dirs_out");
  outside.Write("Far.txt", "4");
  std::set<std::string> links;
  if (kLinks) {
    fs::create_directory_symlink(outside.Path(), dir_.Path() / "Sub" / "ToOut");
    fs::create_directory_symlink(dir_.Path(), dir_.Path() / "Sub" / "Loop");
    links = {"TOOUT", "LOOP"};
  }
  SetAllFilenameCase(Q(u"\\*.*"), true);
  EXPECT_EQ(Names(""), (std::set<std::string>{"MIXED.TXT", "SUB", ".HID"}));
  std::set<std::string> sub = links;
  sub.insert("INNER.TXT");
  EXPECT_EQ(Names("SUB"), sub);
  EXPECT_EQ(Names(".HID"), (std::set<std::string>{"Deep.txt"}));  // hidden: not entered
  EXPECT_TRUE(fs::exists(outside.Path() / "Far.txt"));            // links: not followed
  SetAllFilenameCase(Q(u"\\SUB\\*.txt"), false);
  sub = links;
  sub.insert("inner.txt");
  EXPECT_EQ(Names("SUB"), sub);
}

// `/` separates as `\` does, and names that are not UTF-8 are renamed byte for byte.
TEST_F(Dirs, SetAllFilenameCaseTakesSlashesAndEveryName) {
#ifdef _WIN32
  GTEST_SKIP() << "stored names are UTF-16 on Windows";
#endif
  if (!CaseRenameWorks()) GTEST_SKIP() << "this file system keeps the old case on a rename";
  Write("slash/Bad\xff.txt", "1");
  Write("slash/deep/Name.txt", "2");
  SetAllFilenameCase(FromNativeName((dir_.Path() / "slash").string()) + u"/*.*", true);
  EXPECT_EQ(Names("slash"), (std::set<std::string>{"BAD\xff.TXT", "DEEP"}));
  EXPECT_EQ(Names("slash/DEEP"), (std::set<std::string>{"NAME.TXT"}));
}

TEST_F(Dirs, SetAllFilenameCaseNeverReplacesAnotherFile) {
#ifdef _WIN32
  GTEST_SKIP() << "names differing only in case name one file on Windows";
#endif
  Write("clash/A.txt", "upper");
  Write("clash/a.txt", "lower");
  Write("clash/B.txt", "b");
  SetAllFilenameCase(Q(u"\\clash\\*.txt"), false);
  EXPECT_EQ(Names("clash"), (std::set<std::string>{"A.txt", "a.txt", "b.txt"}));
  EXPECT_EQ(dir_.Read("clash/A.txt"), "upper");
  EXPECT_EQ(dir_.Read("clash/a.txt"), "lower");
}

TEST_F(Dirs, ExistsAndEmpty) {
  Write("full/.dot", "");
  fs::create_directory(dir_.Path() / "empty");
  if (kLinks) fs::create_directory_symlink(dir_.Path() / "full", dir_.Path() / "link");
  EXPECT_FALSE(DirExists(u""));
  EXPECT_TRUE(DirExists(Q(u"\\FULL")));
  EXPECT_TRUE(DirExists(Q(u"\\full\\")));
  EXPECT_EQ(DirExists(Q(u"\\link")), kLinks);
  EXPECT_FALSE(DirExists(Q(u"\\full\\.dot")));
  EXPECT_FALSE(DirExists(Q(u"\\missing")));
  EXPECT_TRUE(DirEmpty(Q(u"\\missing")));
  EXPECT_TRUE(DirEmpty(Q(u"\\Empty")));
  EXPECT_FALSE(DirEmpty(Q(u"\\full")));  // a hidden file counts
  EXPECT_FALSE(DirEmpty(Q(u"\\")));
}

TEST_F(Dirs, DirIsReadOnlyNeverTouchesAnExistingProbeName) {
  fs::create_directory(dir_.Path() / "w");
  EXPECT_FALSE(DirIsReadOnly(Q(u"\\w")));
  EXPECT_TRUE(Names("w").empty());
  Write("w/$%$LO%$.$$$", "precious");
  Write("w/$%$lo%$.$$$.1", "also kept");
  EXPECT_FALSE(DirIsReadOnly(Q(u"\\w\\")));
  EXPECT_EQ(dir_.Read("w/$%$LO%$.$$$"), "precious");
  EXPECT_EQ(dir_.Read("w/$%$lo%$.$$$.1"), "also kept");
  EXPECT_EQ(Names("w").size(), 2u);
  EXPECT_TRUE(DirIsReadOnly(Q(u"\\missing")));
  EXPECT_TRUE(DirIsReadOnly(Q(u"\\w\\$%$LO%$.$$$")));  // a file, not a directory
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
    const String name = Q(u"\\") + ToUtf16(c.name);
    EXPECT_EQ(GetFileSize(name), c.size32) << c.name;
    EXPECT_EQ(GetFileSize64(name), c.size) << c.name;
  }
  EXPECT_EQ(GetFileSize(Q(u"\\FIVE.BIN")), 5);
  EXPECT_EQ(GetFileSize(Q(u"\\empty.bin")), 0);
  EXPECT_EQ(GetFileSize(Q(u"\\fi?e.bin")), 5);
  EXPECT_EQ(GetFileSize(Q(u"\\none.bin")), -1);
  EXPECT_EQ(GetFileSize64(u""), -1);
}

// Checksums, grids and colour tables open their files through the Windows-name layer.
TEST_F(Dirs, FileReadersTakeWindowsNames) {
  Write("data/run1.txt", "123456789");
  EXPECT_EQ(static_cast<Cardinal>(CalcCRC32ofFile(Q(u"\\DATA\\RUN1.TXT"))), 0xCBF43926u);
  const TSHACode sha = SHA1FromFile(q(u"/Data/Run1.Txt"));  // f7c3bc1d... for "123456789"
  EXPECT_EQ(sha[0], 0xF7);
  EXPECT_EQ(sha[19], 0x41);
  TStringArray grid;
  grid.SetNrCols(3);
  grid.SetNrRows(3);
  grid.SetString(1, 1, "cell");
  grid.SaveAsXMLFile(Q(u"\\Data\\Grid.XML"), u"g");
  TStringArray back;
  EXPECT_TRUE(back.LoadFromXMLFile(Q(u"\\DATA\\grid.xml"), u"g"));
  EXPECT_EQ(back.GetString(1, 1), "cell");
  TColorArray colours;
  colours.SetSize(4);
  colours.SetColorElem(1, 0x123456);
  EXPECT_TRUE(colours.StoreOnFile(0, 3, Q(u"\\Data\\Scale.Col")));
  TColorArray loaded;
  EXPECT_TRUE(loaded.LoadFromFile(q(u"\\data\\SCALE.COL"), true));
  EXPECT_EQ(loaded.GetColorElem(1), 0x123456u);
  EXPECT_EQ(Names("data"), (std::set<std::string>{"run1.txt", "Grid.XML", "Scale.Col"}));
}

}  // namespace
}  // namespace krv
