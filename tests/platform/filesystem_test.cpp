#include "korvex/platform/filesystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using krv::testing::TempDir;

// Slow reference for the wildcard rules, written straight from their description.
bool RefMatch(const std::u16string& name, const std::u16string& mask, std::size_t m,
              std::size_t n) {
  if (m == mask.size()) return n == name.size();
  const Char c = mask[m];
  const bool at_end = m + 1 == mask.size();
  const Char next = at_end ? 0 : mask[m + 1];
  const std::size_t last_dot = name.rfind(u'.');
  if (c == u'?') {
    if (n == name.size() || name[n] == u'.') return RefMatch(name, mask, m + 1, n);
    return RefMatch(name, mask, m + 1, n + 1);
  }
  if (c == u'*') {
    for (std::size_t k = n; k <= name.size(); ++k) {
      if (next == u'.' && k > n && k - 1 == last_dot) break;  // may not take the last dot
      if (RefMatch(name, mask, m + 1, k)) return true;
    }
    return false;
  }
  if (c == u'.' && (at_end || next == u'?' || next == u'*')) {
    if (n == name.size()) return RefMatch(name, mask, m + 1, n);
    return name[n] == u'.' && RefMatch(name, mask, m + 1, n + 1);
  }
  return n < name.size() && UnicodeFold(name[n]) == UnicodeFold(c) &&
         RefMatch(name, mask, m + 1, n + 1);
}

TEST(Wildcards, Table) {
  struct Case {
    const char16_t* mask;
    const char16_t* name;
    bool match;
  } cases[] = {
      {u"*.*", u"abc", true},
      {u"*.*", u"a.b", true},
      {u"*.*", u".bashrc", true},
      {u"*", u"a.b.c", true},
      {u"*.", u"abc", true},
      {u"*.", u"a.b", false},
      {u"*.txt", u"A.TXT", true},
      {u"*.txt", u"a.b.txt", true},
      {u"*.txt", u"a.txt.bak", false},
      {u"*.txt", u"txt", false},
      {u"*.txt", u".txt", true},
      {u"a?c", u"abc", true},
      {u"a?c", u"ac", false},
      {u"a?c", u"aBC", true},
      {u"file?.txt", u"file.txt", true},
      {u"file?.txt", u"file1.txt", true},
      {u"a??", u"a", true},
      {u"a??", u"abcd", false},
      {u"a.*", u"a", true},
      {u"a.*", u"a.x", true},
      {u"a.*", u"ab", false},
      {u"Grüße*", u"GRÜSSE", false},
      {u"grÜ*", u"Grüße", true},
      {u"abc", u"ABC", true},
      {u"abc", u"abcd", false},
      {u"*a*b", u"xaxb", true},
      {u"*a*b", u"xaxbx", false},
      {u"", u"", true},
      {u"", u"a", false},
      {u"*.?", u"a.b", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.name, c.mask), c.match)
        << ToUtf8(std::u16string_view(c.mask)) << " " << ToUtf8(std::u16string_view(c.name));
    EXPECT_EQ(RefMatch(c.name, c.mask, 0, 0), c.match)
        << ToUtf8(std::u16string_view(c.mask)) << " " << ToUtf8(std::u16string_view(c.name));
  }
  // Case-sensitively the same rules, letters only matching themselves.
  EXPECT_FALSE(MatchesWildcard(u"a.txt", u"*.TXT", true));
  EXPECT_TRUE(MatchesWildcard(u"a.TXT", u"*.TXT", true));
  EXPECT_TRUE(MatchesWildcard(u"file.txt", u"file?.txt", true));
  EXPECT_FALSE(MatchesWildcard(u"aBc", u"a?C", true));
}

TEST(Wildcards, AgreesWithReferenceOnRandomInputs) {
  std::mt19937 rng(15);
  const std::u16string alphabet = u"aAb.?*";
  auto random_text = [&](std::size_t max_len, std::size_t letters) {
    std::u16string s(rng() % (max_len + 1), u'a');
    for (Char& c : s) c = alphabet[rng() % letters];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::u16string mask = random_text(7, alphabet.size());
    const std::u16string name = random_text(8, 4);  // names have no wildcards
    ASSERT_EQ(MatchesWildcard(name, mask), RefMatch(name, mask, 0, 0))
        << ToUtf8(mask) << " " << ToUtf8(name);
  }
}

TEST(Names, RunTimeSplits) {
  struct Case {
    const char16_t* name;
    const char16_t* path;
    const char16_t* dir;
    const char16_t* file;
    const char16_t* ext;
  } cases[] = {
      {u"C:\\a\\b.txt", u"C:\\a\\", u"C:\\a", u"b.txt", u".txt"},
      {u"C:\\b.tar.gz", u"C:\\", u"C:\\", u"b.tar.gz", u".gz"},
      {u"C:x", u"C:", u"C:", u"x", u""},
      {u"C:\\a.b\\name", u"C:\\a.b\\", u"C:\\a.b", u"name", u""},
      {u"dir/x.y", u"", u"", u"dir/x.y", u".y"},
      {u".profile", u"", u"", u".profile", u".profile"},
      {u"\\x", u"\\", u"\\", u"x", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path);
    EXPECT_EQ(ExtractFileDir(c.name), c.dir);
    EXPECT_EQ(ExtractFileName(c.name), c.file);
    EXPECT_EQ(ExtractFileExt(c.name), c.ext);
  }
  EXPECT_EQ(ChangeFileExt(u"C:\\a.b\\name", u".txt"), u"C:\\a.b\\name.txt");
  EXPECT_EQ(ChangeFileExt(u"x.tar.gz", u""), u"x.tar");
  EXPECT_EQ(ExtractFileDrive(u"d:\\x"), u"d:");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u""), u"\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"C:\\a\\"), u"C:\\a");
}

// A temporary tree mapped as drive Q:, with Q:\ as the current directory while it lives.
class Tree : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has its own drives: no mapping (see filesystem_native_test)";
#endif
    ASSERT_TRUE(MapDrive(u'q', dir_.Path().string()));
    old_cwd_ = fs::current_path();
    ASSERT_TRUE(SetCurrentDir(u"Q:\\"));
  }
  void TearDown() override {
    if (old_cwd_.empty()) return;
    fs::current_path(old_cwd_);
    UnmapDrive(u'Q');
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(dir_.Path(), ec)) {
      if (!e.is_symlink())
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  std::string Native(const std::string& rel) const {
    return (dir_.Path() / rel).string();
  }
  void Write(const std::string& rel, const std::string& bytes) const {
    dir_.Write(rel, bytes);
  }

  TempDir dir_{"korvex_fs"};
  fs::path old_cwd_;
};

// Names of a listing, in listing order.
std::vector<std::string> List(const String& mask, Integer attr) {
  std::vector<std::string> out;
  TSearchRec rec;
  for (int r = FindFirst(mask, attr, rec); r == 0; r = FindNext(rec))
    out.push_back(ToUtf8(rec.Name));
  FindClose(rec);
  return out;
}

std::multiset<std::string> Sorted(const std::vector<std::string>& v) {
  return {v.begin(), v.end()};
}

TEST_F(Tree, DrivesAndExpansion) {
  EXPECT_NE(GetLogicalDrives() & (1u << 16), 0u);
  EXPECT_EQ(DriveNativeRoot(u'Q'), dir_.Path().string());
  EXPECT_EQ(GetCurrentDir(), u"Q:\\");
  fs::create_directory(dir_.File("sub"));
  ASSERT_TRUE(SetCurrentDir(u"q:/SUB"));
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"x.txt", u"Q:\\sub\\x.txt"},
      {u"..\\y", u"Q:\\y"},
      {u"\\a\\.\\b\\..\\c", u"Q:\\a\\c"},
      {u"/a//b/", u"Q:\\a\\b\\"},
      {u"Q:z", u"Q:\\sub\\z"},
      {u"C:z", u"C:\\z"},
      {u"c:\\..\\..", u"C:\\"},
      {u"", u""},
      {u"\\\\server\\share", u"\\\\server\\share"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExpandFileName(c.in), c.out) << ToUtf8(std::u16string_view(c.in));
  EXPECT_EQ(FromNativePath(Native("sub/f")), u"Q:\\sub\\f");
  EXPECT_EQ(FromNativePath("/"), u"C:\\");
  EXPECT_EQ(ToNativePath(u"\\\\server\\share\\x"), "");
  EXPECT_EQ(ToNativePath(u"M:\\x"), "");  // unmapped
  EXPECT_FALSE(MapDrive(u'1', "/"));
  EXPECT_FALSE(MapDrive(u'R', Native("missing")));
}

TEST_F(Tree, CaseInsensitiveResolutionOpensFiles) {
  fs::create_directories(dir_.File("data"));
  Write("data/run1.txt", "one\r\n");
  Write("data/Case.txt", "upper");
  Write("data/case.txt", "lower");
  EXPECT_EQ(ToNativePath(u"Q:\\Data\\Run1.TXT"), Native("data/run1.txt"));
  EXPECT_EQ(ToNativePath(u"Q:\\DATA\\case.txt"), Native("data/case.txt"));  // exact case first
  EXPECT_EQ(ToNativePath(u"Q:\\DATA\\CASE.TXT"), Native("data/Case.txt"));  // first in byte order
  EXPECT_EQ(ToNativePath(u"Q:\\Data\\New\\File.txt"), Native("data/New/File.txt"));
  {
    TFileStream in(u"Q:\\Data\\Run1.TXT", fmOpenRead);
    EXPECT_EQ(in.Size(), 5);
  }
  TextFile t;
  t.Assign(u"q:/DATA/RUN1.txt");
  t.Reset();
  EXPECT_EQ(ToUtf8(t.ReadLn()), "one");
  t.Close();
  {
    TFileStream out(u"Q:\\DATA\\RUN1.TXT", fmCreate);  // opens the existing file, keeps its name
  }
  EXPECT_EQ(fs::file_size(dir_.File("data/run1.txt")), 0u);
  EXPECT_FALSE(fs::exists(dir_.File("data/RUN1.TXT")));
}

TEST_F(Tree, ListingMasksAndAttributes) {
  for (const char* f : {"a.txt", "B.TXT", "abc", "ac", "a.b.c", "noext", ".hidden"}) Write(f, "x");
  fs::create_directory(dir_.File("Sub"));
  Write("Sub/inner.txt", "12345");
  fs::create_directory_symlink("Sub", dir_.File("link"));
  fs::create_directory_symlink(".", dir_.File("loop"));
  fs::create_symlink("missing", dir_.File("dangle"));
  const Integer dirs = faDirectory;
  struct Case {
    const char16_t* mask;
    Integer attr;
    std::multiset<std::string> names;
  } cases[] = {
      {u"*.txt", 0, {"a.txt", "B.TXT"}},
      {u"*.", 0, {"abc", "ac", "noext", "dangle"}},
      {u"a?c", 0, {"abc"}},
      {u"*.*", 0, {"a.txt", "B.TXT", "abc", "ac", "a.b.c", "noext", "dangle"}},
      {u"*.*", faHidden, {"a.txt", "B.TXT", "abc", "ac", "a.b.c", "noext", "dangle", ".hidden"}},
      {u"S*", dirs, {"Sub"}},
      {u"S*", 0, {}},
      {u"l*", dirs, {"link", "loop"}},
      {u"Sub\\*", dirs, {".", "..", "inner.txt"}},
      {u"ABC", 0, {"abc"}},
      {u"nothing*", faAnyFile, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Sorted(List(c.mask, c.attr)), c.names) << ToUtf8(std::u16string_view(c.mask));
  // "." and ".." come first in a subdirectory, never at a drive's root.
  EXPECT_EQ(List(u"Q:\\sub\\*", faAnyFile)[0], ".");
  const auto root = List(u"Q:\\*", faAnyFile);
  EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);

  TSearchRec rec;
  ASSERT_EQ(FindFirst(u"Q:\\SUB\\INNER.TXT", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Name, u"inner.txt");
  EXPECT_EQ(rec.Size, 5);
  EXPECT_EQ(rec.Attr, faArchive);
  EXPECT_EQ(FindNext(rec), kFsNoMoreFiles);
  ASSERT_EQ(FindFirst(u"loop", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Attr, faDirectory | faSymLink);
  EXPECT_EQ(FileGetAttr(u"dangle"), faSymLink);
  EXPECT_EQ(FileGetAttr(u".hidden"), faArchive | faHidden);
  EXPECT_EQ(FindFirst(u"Q:\\none\\*", faAnyFile, rec), kFsPathNotFound);
  EXPECT_EQ(FindFirst(u"Q:\\*.zzz", faAnyFile, rec), kFsFileNotFound);
  EXPECT_EQ(FindFirst(u"Q:\\Sub\\", faAnyFile, rec), kFsFileNotFound);
  EXPECT_EQ(FindNext(rec), kFsNoMoreFiles);
}

TEST_F(Tree, ReadOnlyFilesResistEvenRoot) {
  Write("ro.txt", "keep");
  ASSERT_EQ(FileSetAttr(u"RO.TXT", faReadOnly), 0);
  EXPECT_EQ(FileGetAttr(u"ro.txt") & faReadOnly, faReadOnly);
  EXPECT_FALSE(DeleteFile(u"ro.txt"));
  EXPECT_EQ(FileOpen(u"ro.txt", fmOpenWrite), kInvalidFileHandle);
  EXPECT_EQ(FileCreate(u"ro.txt"), kInvalidFileHandle);
  EXPECT_THROW(TFileStream(u"ro.txt", fmCreate), EFOpenError);
  EXPECT_EQ(dir_.Read("ro.txt"), "keep");
  const TFileHandle h = FileOpen(u"ro.txt", fmOpenRead);
  ASSERT_NE(h, kInvalidFileHandle);
  FileClose(h);
  ASSERT_EQ(FileSetAttr(u"ro.txt", 0), 0);
  EXPECT_TRUE(DeleteFile(u"ro.txt"));
  EXPECT_FALSE(DeleteFile(u"ro.txt"));
}

TEST_F(Tree, ChangesAndHandles) {
  const TFileHandle h = FileCreate(u"Q:\\Made.bin");
  ASSERT_NE(h, kInvalidFileHandle);
  EXPECT_EQ(FileWrite(h, "0123456789", 10), 10);
  EXPECT_EQ(FileSeek(h, 4, 0), 4);
  char buf[8] = {};
  EXPECT_EQ(FileRead(h, buf, 8), 6);
  EXPECT_EQ(std::string(buf, 6), "456789");
  EXPECT_EQ(FileSizeOfHandle(h), 10);
  const TFileTime t = 1234567890123456789;
  EXPECT_EQ(FileSetDate(h, t), 0);
  EXPECT_EQ(FileGetDate(h), t);
  FileClose(h);
  EXPECT_EQ(FileAge(u"made.bin"), t);
  EXPECT_EQ(FileSetDate(u"made.bin", -1500000000), 0);  // before 1970
  EXPECT_EQ(FileAge(u"MADE.BIN"), -1500000000);
  EXPECT_EQ(FileSize64(u"made.BIN"), 10);
  EXPECT_EQ(FileAge(u"absent"), kNoFileTime);
  EXPECT_TRUE(FileExists(u"made.bin"));
  EXPECT_FALSE(DirectoryExists(u"made.bin"));

  EXPECT_TRUE(ForceDirectories(u"Q:\\One\\Two\\Three\\"));
  EXPECT_TRUE(DirectoryExists(u"one\\TWO\\three"));
  EXPECT_FALSE(CreateDir(u"ONE"));  // exists, ignoring case
  EXPECT_FALSE(RemoveDir(u"one"));  // not empty
  EXPECT_TRUE(RemoveDir(u"one\\two\\three"));
  fs::create_directory_symlink("One", dir_.File("dirlink"));
  EXPECT_TRUE(RemoveDir(u"DirLink"));  // the link only
  EXPECT_TRUE(DirectoryExists(u"One\\Two"));

  // Renames never replace; a change of case alone works.
  Write("other.bin", "o");
  EXPECT_FALSE(RenameFile(u"made.bin", u"OTHER.BIN"));
  EXPECT_FALSE(RenameFile(u"made.bin", u"other.bin"));
  EXPECT_EQ(dir_.Read("other.bin"), "o");
  EXPECT_TRUE(RenameFile(u"made.bin", u"MADE.BIN"));
  EXPECT_TRUE(fs::exists(dir_.File("MADE.BIN")));
  EXPECT_FALSE(fs::exists(dir_.File("Made.bin")));
  EXPECT_TRUE(RenameFile(u"made.bin", u"one\\moved.bin"));
  EXPECT_EQ(dir_.Read("One/moved.bin"), "0123456789");
  EXPECT_FALSE(DeleteFile(u"one"));
}

// The drive table may change while other threads resolve names.
TEST(Drives, MappingWhileResolvingOnOtherThreads) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has its own drives: no mapping";
#endif
  TempDir dir("korvex_fs_threads");
  dir.Write("f.txt", "x");
  std::atomic<bool> stop{false};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([&] {
      while (!stop) {
        const std::string n = ToNativePath(u"R:\\F.TXT");
        ASSERT_TRUE(n.empty() || n == (dir.Path() / "f.txt").string());
        ASSERT_NE(GetLogicalDrives() & (1u << 2), 0u);
      }
    });
  }
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(MapDrive(u'R', dir.Path().string()));
    ASSERT_TRUE(UnmapDrive(u'R'));
  }
  stop = true;
  for (auto& r : readers) r.join();
}

}  // namespace
}  // namespace krv
