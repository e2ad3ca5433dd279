#include "korvex/filesys/scanning.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::vector<std::string> g_dirs;

void RecordDir(const String& dir, std::int32_t count) {
  g_dirs.push_back(ToUtf8(dir) + " " + std::to_string(count));
}

// Mixed case names, names with and without dots, a hidden file and a hidden directory, a
// link loop, a link to a file and a dangling link.
void MakeTree(const TempDir& dir) {
  fs::create_directories(dir.File("Top/Sub/Deep"));
  fs::create_directories(dir.File("Top/.git"));
  for (const char* f : {"Top/a.TXT", "Top/b.txt", "Top/NoExt", "Top/.hidden.txt", "Top/Sub/c.txt",
                        "Top/Sub/Deep/d.Txt", "Top/.git/e.txt"}) {
    dir.Write(f, "x");
  }
  fs::create_directory_symlink("..", dir.File("Top/Sub/loop"));
  fs::create_symlink("b.txt", dir.File("Top/link.txt"));
  fs::create_symlink("nowhere", dir.File("Top/dangling.txt"));
}

TEST(CountFiles, MasksAndSubdirectories) {
#ifdef _WIN32
  GTEST_SKIP() << "the tree holds symbolic links, which the MinGW run-time cannot create";
#endif
  struct Case {
    const char* mask;
    bool subdirs;
    int count;
  };
  // Top: a.TXT b.txt NoExt .hidden.txt link.txt dangling.txt; Sub: c.txt; Deep: d.Txt;
  // .git (hidden, not entered): e.txt.
  const Case cases[] = {
      {"*.*", false, 6},  {"*", false, 6},      {"*.txt", false, 5}, {"*.", false, 1},
      {"*.*", true, 8},   {"*.TXT", true, 7},   {"?.txt", true, 4},  {"b.txt", true, 1},
      {"c.txt", true, 1}, {"missing", true, 0}, {"*.dat", false, 0},
  };
  const TempDir dir("countfiles");
  MakeTree(dir);
  for (const Case& c : cases) {
    const String arg = ToUtf16(dir.File("Top").string() + "/" + c.mask);
    EXPECT_EQ(CountFiles(arg, c.subdirs), c.count) << c.mask << " " << c.subdirs;
    TStringList list;
    ScanFilesToStrList(arg, c.subdirs, &list);
    EXPECT_EQ(list.Count(), c.count) << c.mask;
  }
}

// Every visited directory is reported in upper case before its files are counted; the list
// holds the upper-cased directory and the stored name, each directory's files first.
TEST(CountFiles, FeedbackAndListOrder) {
#ifdef _WIN32
  GTEST_SKIP() << "the tree holds symbolic links, which the MinGW run-time cannot create";
#endif
  const TempDir dir("scanorder");
  MakeTree(dir);
  ASSERT_TRUE(MapDrive(u'S', dir.Path().string()));
  g_dirs.clear();
  EXPECT_EQ(CountFiles(u"s:\\top\\*.txt", true, RecordDir), 7);
  EXPECT_EQ(g_dirs, (std::vector<std::string>{"S:\\TOP\\ 0", "S:\\TOP\\SUB\\ 5",
                                              "S:\\TOP\\SUB\\DEEP\\ 6"}));
  TStringList list;
  list.Add(u"kept");
  ScanFilesToStrList(u"s:\\top\\sub\\*.txt", true, &list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(ToUtf8(list[0]), "kept");
  EXPECT_EQ(ToUtf8(list[1]), "S:\\TOP\\SUB\\c.txt");
  EXPECT_EQ(ToUtf8(list[2]), "S:\\TOP\\SUB\\DEEP\\d.Txt");
  ScanFilesToStrList(u"s:\\top\\*.*", true, nullptr, RecordDir);  // no list: nothing at all
  EXPECT_EQ(g_dirs.size(), 3u);
  UnmapDrive(u'S');
}

}  // namespace
}  // namespace krv
