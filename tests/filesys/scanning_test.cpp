#include "korvex/filesys/scanning.h"

#include <gtest/gtest.h>

#include <cctype>
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

// Symbolic links need a privilege on Windows that the MinGW run-time does not ask for: there
// the tree has none, and the counts leave out the two links named *.txt.
#ifdef _WIN32
constexpr int kTxtLinks = 0;
#else
constexpr int kTxtLinks = 2;
#endif

// Mixed case names, names with and without dots, a hidden file and a hidden directory, a
// link loop, a link to a file and a dangling link.
void MakeTree(const TempDir& dir) {
  fs::create_directories(dir.File("Top/Sub/Deep"));
  fs::create_directories(dir.File("Top/.git"));
  for (const char* f : {"Top/a.TXT", "Top/b.txt", "Top/NoExt", "Top/.hidden.txt", "Top/Sub/c.txt",
                        "Top/Sub/Deep/d.Txt", "Top/.git/e.txt"}) {
    dir.Write(f, "x");
  }
  if (kTxtLinks == 0) return;
  fs::create_directory_symlink("..", dir.File("Top/Sub/loop"));
  fs::create_symlink("b.txt", dir.File("Top/link.txt"));
  fs::create_symlink("nowhere", dir.File("Top/dangling.txt"));
}

TEST(CountFiles, MasksAndSubdirectories) {
  struct Case {
    const char* mask;
    bool subdirs;
    int count;
    bool links;  // the mask matches link.txt and dangling.txt
  };
  // Top: a.TXT b.txt NoExt .hidden.txt link.txt dangling.txt; Sub: c.txt; Deep: d.Txt;
  // .git (hidden, not entered): e.txt.
  const Case cases[] = {
      {"*.*", false, 6, true},     {"*", false, 6, true},      {"*.txt", false, 5, true},
      {"*.", false, 1, false},     {"*.*", true, 8, true},     {"*.TXT", true, 7, true},
      {"?.txt", true, 4, false},   {"b.txt", true, 1, false},  {"c.txt", true, 1, false},
      {"missing", true, 0, false}, {"*.dat", false, 0, false},
  };
  const TempDir dir("countfiles");
  MakeTree(dir);
  for (const Case& c : cases) {
    const String arg = ToUtf16(dir.File("Top").string() + "/" + c.mask);
    const int count = c.count - (c.links ? 2 - kTxtLinks : 0);
    EXPECT_EQ(CountFiles(arg, c.subdirs), count) << c.mask << " " << c.subdirs;
    TStringList list;
    ScanFilesToStrList(arg, c.subdirs, &list);
    EXPECT_EQ(list.Count(), count) << c.mask;
  }
}

// Every visited directory is reported in upper case before its files are counted; the list
// holds the upper-cased directory and the stored name, each directory's files first.
TEST(CountFiles, FeedbackAndListOrder) {
  const TempDir dir("scanorder");
  MakeTree(dir);
#ifdef _WIN32
  // The folder's own Windows name, in lower case as the argument and upper case as reported.
  std::string lower = dir.Path().string(), upper = lower;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
#else
  ASSERT_TRUE(MapDrive(u'S', dir.Path().string()));
  const std::string lower = "s:", upper = "S:";
#endif
  g_dirs.clear();
  EXPECT_EQ(CountFiles(ToUtf16(lower + "\\top\\*.txt"), true, RecordDir), 5 + kTxtLinks);
  EXPECT_EQ(g_dirs,
            (std::vector<std::string>{
                upper + "\\TOP\\ 0", upper + "\\TOP\\SUB\\ " + std::to_string(3 + kTxtLinks),
                upper + "\\TOP\\SUB\\DEEP\\ " + std::to_string(4 + kTxtLinks)}));
  TStringList list;
  list.Add(u"kept");
  ScanFilesToStrList(ToUtf16(lower + "\\top\\sub\\*.txt"), true, &list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(ToUtf8(list[0]), "kept");
  EXPECT_EQ(ToUtf8(list[1]), upper + "\\TOP\\SUB\\c.txt");
  EXPECT_EQ(ToUtf8(list[2]), upper + "\\TOP\\SUB\\DEEP\\d.Txt");
  ScanFilesToStrList(ToUtf16(lower + "\\top\\*.*"), true, nullptr, RecordDir);  // no list
  EXPECT_EQ(g_dirs.size(), 3u);
#ifndef _WIN32
  UnmapDrive(u'S');
#endif
}

}  // namespace
}  // namespace krv
