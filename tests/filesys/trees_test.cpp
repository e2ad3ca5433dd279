#include "korvex/filesys/trees.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/platform/trash.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

String W(const fs::path& p) {
  return ToUtf16(p.string());
}

// Symbolic links need a privilege on Windows that the MinGW run-time does not ask for: there
// the trees are built without them.
#ifdef _WIN32
constexpr bool kLinks = false;
#else
constexpr bool kLinks = true;
#endif

std::size_t Entries(const fs::path& p) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(p), fs::directory_iterator()));
}

TEST(DelDirTree, RemovesTheTreeAndNeverFollowsLinks) {
  const TempDir dir("deltree");
  fs::create_directories(dir.File("t/a/b"));
  fs::create_directories(dir.File("keep"));
  dir.Write("keep/precious", "p");
  dir.Write("t/x", "1");
  dir.Write("t/a/.hidden", "2");
  dir.Write("t/a/b/y", "3");
  if (kLinks) {
    fs::create_directory_symlink(dir.File("keep"), dir.File("t/a/to_keep"));
    fs::create_directory_symlink("..", dir.File("t/a/b/loop"));
    fs::create_symlink(dir.File("keep/precious"), dir.File("t/file_link"));
  }
  EXPECT_EQ(ToUtf8(DelDirTree(W(dir.File("t")))), "");
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("t"))));
  EXPECT_EQ(dir.Read("keep/precious"), "p");
  EXPECT_EQ(ToUtf8(DelDirTree(u"")), "");
  if (!kLinks) return;
  // A link named as the tree: the link goes, the target stays.
  fs::create_directory_symlink(dir.File("keep"), dir.File("link"));
  EXPECT_EQ(ToUtf8(DelDirTree(W(dir.File("link")) + u"\\")), "");
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("link"))));
  EXPECT_EQ(dir.Read("keep/precious"), "p");
}

// A stored name with a backslash is one entry of its directory: "..\\victim" inside the tree
// is deleted, the victim beside the tree is not.
TEST(DelDirTree, NamesWithBackslashesAreEntriesOfTheirOwn) {
#ifdef _WIN32
  GTEST_SKIP() << "a backslash separates names on Windows: no stored name holds one";
#endif
  const TempDir dir("deltree_bs");
  fs::create_directories(dir.File("t/a\\b"));
  dir.Write("victim", "v");
  dir.Write("t/..\\victim", "inside");
  dir.Write("t/a\\b/c", "c");
  EXPECT_EQ(ToUtf8(DelDirTree(W(dir.File("t")))), "");
  EXPECT_FALSE(fs::exists(dir.File("t")));
  EXPECT_EQ(dir.Read("victim"), "v");
}

// A read-only file stops the deletion (also for root) and is named in the result.
TEST(DelDirTree, StopsAtAReadOnlyFile) {
  const TempDir dir("deltree_ro");
  fs::create_directories(dir.File("t/sub"));
  dir.Write("t/sub/locked", "l");
  fs::permissions(dir.File("t/sub/locked"), fs::perms::owner_read);
  EXPECT_EQ(ToUtf8(DelDirTree(W(dir.File("t")))), (dir.Path() / "t" / "sub" / "locked").string());
  EXPECT_EQ(dir.Read("t/sub/locked"), "l");
  // Windows-style names work the same; the name returned is built from the argument.
#ifdef _WIN32
  const String tree = W(dir.Path()) + u"\\T";  // the system's own drive, another case
#else
  ASSERT_TRUE(MapDrive(u'Q', dir.Path().string()));
  const String tree = u"q:\\T";
#endif
  EXPECT_EQ(ToUtf8(DelDirTree(tree)), ToUtf8(tree) + "\\sub\\locked");
  fs::permissions(dir.File("t/sub/locked"), fs::perms::owner_all);
  EXPECT_EQ(ToUtf8(DelDirTree(tree)), "");
  EXPECT_FALSE(fs::exists(dir.File("t")));
#ifndef _WIN32
  UnmapDrive(u'Q');
#endif
}

TEST(DeleteFiles, MasksSkipDotFilesAndDirectories) {
  struct Case {
    const char* mask;
    int deleted;
    std::size_t left;
  };
  const Case cases[] = {{"*.*", 4, 2}, {"*.txt", 2, 4}, {"*.", 1, 5}, {"B.TXT", 1, 5}};
  for (const Case& c : cases) {
    const TempDir dir("deletefiles");
    for (const char* f : {"a.txt", "b.txt", "c.dat", "noext", ".dot.txt"}) dir.Write(f, "x");
    fs::create_directory(dir.File("sub.txt"));
    if (kLinks) fs::create_directory_symlink(dir.File("sub.txt"), dir.File("dirlink"));
    EXPECT_EQ(DeleteFiles(W(dir.Path()) + u"/" + ToUtf16(c.mask)), c.deleted) << c.mask;
    EXPECT_EQ(Entries(dir.Path()), c.left + (kLinks ? 1 : 0)) << c.mask;  // +1: dirlink
    EXPECT_TRUE(fs::exists(dir.File(".dot.txt")));
  }
}

// ---- The Trash -------------------------------------------------------------------------------

#ifdef _WIN32
TEST(MoveToRecycleBin, FreedesktopTrash) {
  GTEST_SKIP() << "these check the freedesktop Trash; the Recycle Bin of Windows cannot be "
                  "pointed at a test folder";
}
#else

// Sets XDG_DATA_HOME for one test and restores it.
class TrashHome {
 public:
  explicit TrashHome(const fs::path& p) : env_("XDG_DATA_HOME", p.string()) {}

 private:
  testing::ScopedEnv env_;
};

// Decodes %XX escapes as a file manager does.
std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Reads Trash/info/NAME.trashinfo by the freedesktop rules: the group header first, a Path
// key and a DeletionDate key. Returns the decoded original path ("" when malformed).
std::string OriginalPath(const fs::path& info_file) {
  std::ifstream in(info_file);
  std::string line, path, date;
  if (!std::getline(in, line) || line != "[Trash Info]") return "";
  while (std::getline(in, line)) {
    if (line.rfind("Path=", 0) == 0) path = Unescape(line.substr(5));
    if (line.rfind("DeletionDate=", 0) == 0) date = line.substr(13);
  }
  static const std::regex kDate(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");
  return std::regex_match(date, kDate) && !path.empty() && path[0] == '/' ? path : "";
}

void ExpectTrashed(const fs::path& trash, const std::string& name, const fs::path& original,
                   const std::string& bytes) {
  EXPECT_EQ(OriginalPath(trash / "info" / (name + ".trashinfo")), original.string()) << name;
  std::ifstream in(trash / "files" / name, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes) << name;
  EXPECT_FALSE(fs::exists(fs::symlink_status(original))) << name;
}

TEST(MoveToRecycleBin, EntriesAFileManagerCanRestore) {
  const TempDir dir("trash");
  const TrashHome home(dir.File("data"));
  fs::create_directories(dir.File("w/sub"));
  dir.Write("w/old notes%.txt", "one");
  dir.Write("w/b.txt", "two");
  dir.Write("w/.dot.txt", "kept");
  EXPECT_EQ(ToUtf8(ToUtf16(TrashDirectory())), dir.File("data/Trash").string());
  EXPECT_EQ(MoveToRecycleBin(W(dir.File("w")) + u"\\*.TXT"), 2);
  const fs::path trash = dir.File("data/Trash");
  ExpectTrashed(trash, "old notes%.txt", dir.File("w/old notes%.txt"), "one");
  ExpectTrashed(trash, "b.txt", dir.File("w/b.txt"), "two");
  EXPECT_TRUE(fs::exists(dir.File("w/.dot.txt")));
  // The same name again gets a free name; the first entry stays intact.
  dir.Write("w/b.txt", "three");
  EXPECT_EQ(MoveToRecycleBin(W(dir.File("w/b.txt"))), 1);
  ExpectTrashed(trash, "b.2.txt", dir.File("w/b.txt"), "three");
  ExpectTrashed(trash, "b.txt", dir.File("w/b.txt"), "two");
  // A link is trashed itself.
  dir.Write("target", "t");
  fs::create_symlink(dir.File("target"), dir.File("w/link"));
  EXPECT_EQ(MoveToRecycleBin(W(dir.File("w/link"))), 1);
  EXPECT_TRUE(fs::is_symlink(trash / "files" / "link"));
  EXPECT_EQ(dir.Read("target"), "t");
  EXPECT_EQ(MoveToRecycleBin(W(dir.File("w/missing"))), 0);
  EXPECT_EQ(MoveToRecycleBin(W(dir.File("w/sub"))), 0);
}

// A file on another file system than the Trash is copied in and removed.
TEST(MoveToRecycleBin, AcrossFileSystems) {
  struct stat shm {
  }, tmp{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmp) != 0 ||
      shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second writable file system";
  }
  const TempDir dir("trash_xdev");
  const fs::path far = "/dev/shm/" + dir.Path().filename().string();
  fs::create_directories(far);
  { std::ofstream(far / "f.bin", std::ios::binary) << std::string(300000, 'z'); }
  fs::permissions(far / "f.bin", static_cast<fs::perms>(0640));
  const TrashHome home(dir.File("data"));
  EXPECT_EQ(MoveFileToTrash(W(far / "f.bin")), 0);
  ExpectTrashed(dir.File("data/Trash"), "f.bin", far / "f.bin", std::string(300000, 'z'));
  struct stat st {};
  ::stat(dir.File("data/Trash/files/f.bin").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  fs::remove_all(far);
}
#endif  // _WIN32

}  // namespace
}  // namespace krv
