#include "korvex/filesys/copying.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using Calls = std::vector<std::pair<std::int32_t, std::int32_t>>;

// Symbolic links need a privilege on Windows that the MinGW run-time does not ask for: there
// the tests build no links.
#ifdef _WIN32
constexpr bool kLinks = false;
#else
constexpr bool kLinks = true;
#endif

Calls g_calls;
std::int64_t g_abort_at = -1;  // abort when BytesCopied reaches this

void Record(std::int32_t done, std::int32_t size) {
  g_calls.emplace_back(done, size);
  if (g_abort_at >= 0 && done >= g_abort_at) AbortAnyFileCopying();
}

String W(const fs::path& p) {
  return ToUtf16(p.string());
}

std::string Bytes(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

const TFileTime kOldTime = 978'307'200'000'000'000;  // 2001-01-01

unsigned Mode(const fs::path& p) {
  struct stat st {};
  ::stat(p.string().c_str(), &st);
  return st.st_mode & 0777;
}

TEST(FileCopyFeedBk, CallBackSequencesAndContents) {
  struct Case {
    std::size_t size;
    Calls calls;  // empty: (0,s), one per read (before the block), (s,s)
  };
  const Case cases[] = {
      {0, {{0, 0}, {0, 0}, {0, 0}}},
      {8191, {{0, 8191}, {0, 8191}, {8191, 8191}}},
      {8192, {{0, 8192}, {0, 8192}, {8192, 8192}, {8192, 8192}}},
      {8193, {{0, 8193}, {0, 8193}, {8192, 8193}, {8193, 8193}}},
      {3 * 1024 * 1024 + 5, {}},
  };
  const TempDir dir("copying_seq");
  for (const Case& c : cases) {
    dir.Write("src", Bytes(c.size));
    ASSERT_EQ(FileSetDate(W(dir.File("src")), kOldTime), 0);
    g_calls.clear();
    EXPECT_EQ(FileCopyFeedBk(W(dir.File("src")), W(dir.File("dst")), false, Record), 0);
    EXPECT_EQ(dir.Read("dst"), Bytes(c.size)) << c.size;
    EXPECT_EQ(FileAge(W(dir.File("dst"))), kOldTime) << c.size;
    const auto size = static_cast<std::int32_t>(c.size);
    if (!c.calls.empty()) {
      EXPECT_EQ(g_calls, c.calls) << c.size;
    } else {
      ASSERT_EQ(g_calls.size(), c.size / 8192 + 3);
      for (std::size_t i = 1; i + 1 < g_calls.size(); ++i)
        EXPECT_EQ(g_calls[i], std::make_pair(static_cast<std::int32_t>((i - 1) * 8192), size));
      EXPECT_EQ(g_calls.back(), std::make_pair(size, size));
    }
  }
}

// An aborted copy keeps the blocks so far (the one whose call-back aborted included), reports
// success, and does not take the source's time (it would pass for a finished copy).
TEST(FileCopyFeedBk, AbortFromTheCallBack) {
  const TempDir dir("copying_abort");
  const std::size_t size = 40 * 8192 + 100;
  dir.Write("src", Bytes(size));
  ASSERT_EQ(FileSetDate(W(dir.File("src")), kOldTime), 0);
  const std::pair<std::int64_t, std::size_t> cases[] = {
      {0, 8192}, {16384, 3 * 8192}, {16 * 8192, 17 * 8192}, {40 * 8192, size}};
  for (const auto& [abort_at, kept] : cases) {
    g_calls.clear();
    g_abort_at = abort_at;
    EXPECT_EQ(FileCopyFeedBk(W(dir.File("src")), W(dir.File("dst")), true, Record), 0);
    g_abort_at = -1;
    EXPECT_EQ(dir.Read("dst"), Bytes(size).substr(0, kept)) << abort_at;
    EXPECT_EQ(FileAge(W(dir.File("dst"))) == kOldTime, kept == size) << abort_at;
    EXPECT_EQ(g_calls.back(),
              std::make_pair(static_cast<std::int32_t>(kept), static_cast<std::int32_t>(size)));
  }
  // The next copy starts with the flag cleared.
  EXPECT_EQ(FileCopyFeedBk(W(dir.File("src")), W(dir.File("dst")), true, nullptr), 0);
  EXPECT_EQ(dir.Read("dst"), Bytes(size));
  EXPECT_EQ(FileAge(W(dir.File("dst"))), kOldTime);
}

TEST(FileCopyFeedBk, DestinationsAndStatuses) {
  const TempDir dir("copying_dest");
  dir.Write("src.txt", "abc");
  fs::create_directory(dir.File("Into"));
  // Onto an existing directory: the file goes in under its own name (any case, both styles).
  EXPECT_EQ(FileCopyFeedBk(W(dir.File("src.txt")), W(dir.File("into")), false), 0);
  EXPECT_EQ(dir.Read("Into/src.txt"), "abc");
  // The source itself, by its name, through a hard link or a symbolic link: refused, kept.
  fs::create_hard_link(dir.File("src.txt"), dir.File("hard"));
  std::vector<const char*> names = {"src.txt", "SRC.TXT", "hard"};
  if (kLinks) {
    fs::create_symlink("src.txt", dir.File("soft"));
    names.push_back("soft");
  }
  for (const char* same : names) {
    EXPECT_EQ(FileCopyFeedBk(W(dir.File("src.txt")), W(dir.File(same)), false), -2) << same;
    EXPECT_EQ(dir.Read("src.txt"), "abc") << same;
  }
  // A read-only destination is not overwritten, even for root.
  dir.Write("ro", "old");
  fs::permissions(dir.File("ro"), fs::perms::owner_read);
  EXPECT_EQ(FileCopyFeedBk(W(dir.File("src.txt")), W(dir.File("ro")), false), -2);
  EXPECT_EQ(dir.Read("ro"), "old");
  EXPECT_EQ(FileCopyFeedBk(W(dir.File("src.txt")), W(dir.File("nodir/x")), false), -2);
  // A source that cannot be opened raises the run-time's I/O error.
  try {
    FileCopyFeedBk(W(dir.File("missing")), W(dir.File("x")), false);
    ADD_FAILURE() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
    EXPECT_STREQ(e.what(), "File not found");
  }
  EXPECT_FALSE(fs::exists(dir.File("x")));
}

TEST(FileCopyFeedBk, AttributesWithoutReadOnly) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permission bits: Windows files have none";
#endif
  const TempDir dir("copying_attr");
  dir.Write("tool", "#!/bin/sh\n");
  fs::permissions(dir.File("tool"), static_cast<fs::perms>(0555));
  ASSERT_EQ(FileCopyFeedBk(W(dir.File("tool")), W(dir.File("with")), true), 0);
  EXPECT_EQ(Mode(dir.File("with")), 0755u);
  EXPECT_EQ(FileGetAttr(W(dir.File("with"))) & faReadOnly, 0);
}

// A file of 2 GiB and more copies completely; the call-back values stop at 2^31 - 1.
// The copy goes to memory (/dev/shm) when there is room, as a disk may take long for it.
TEST(FileCopyFeedBk, FilesOfTwoGibibytes) {
  const TempDir dir("copying_big");
  const std::uintmax_t size = (std::uintmax_t{1} << 31) + 5;
  dir.Write("big", "");
  fs::resize_file(dir.File("big"), size);
  std::error_code ec;
  const bool shm =
      ::access("/dev/shm", W_OK) == 0 && fs::space("/dev/shm", ec).available > 2 * size;
  const fs::path copy = shm ? fs::path("/dev/shm") / dir.Path().filename() : dir.File("copy");
  g_calls.clear();
  EXPECT_EQ(FileCopyFeedBk(W(dir.File("big")), W(copy), false, Record), 0);
  EXPECT_EQ(fs::file_size(copy), size);
  fs::remove(copy);
  EXPECT_EQ(g_calls.front(), std::make_pair(0, INT32_MAX));
  EXPECT_EQ(g_calls.back(), std::make_pair(INT32_MAX, INT32_MAX));
  g_calls.clear();
}

// ---- Trees ---------------------------------------------------------------------------------

struct TreeCall {
  std::int32_t done, size;
  std::string name;
  std::int32_t count;
  bool operator==(const TreeCall&) const = default;
};
std::vector<TreeCall> g_tree;
int g_abort_after_files = -1;

void RecordTree(std::int32_t done, std::int32_t size, const String& name, std::int32_t count) {
  g_tree.push_back({done, size, ToUtf8(name), count});
  if (count == g_abort_after_files && done == size) AbortAnyFileCopying();
}

// A tree with a file, an empty file, a hidden file, a subdirectory, a link to a file, a
// link loop and a link to a directory outside it.
void MakeTree(const TempDir& dir) {
  fs::create_directories(dir.File("src/sub/deeper"));
  fs::create_directories(dir.File("outside"));
  dir.Write("outside/secret", "s");
  dir.Write("src/a.txt", Bytes(9000));
  dir.Write("src/.hidden", "h");
  dir.Write("src/sub/deeper/empty", "");
  if (!kLinks) return;
  fs::create_symlink("../a.txt", dir.File("src/sub/link.txt"));
  fs::create_directory_symlink("..", dir.File("src/sub/loop"));
  fs::create_directory_symlink(dir.File("outside"), dir.File("src/out"));
  fs::create_symlink("nowhere", dir.File("src/dangling"));
}

TEST(CopyFileTree, CopiesLinksAsLinks) {
  const TempDir dir("copytree");
  MakeTree(dir);
  g_tree.clear();
  CopyFileTree(W(dir.File("src")), W(dir.File("dst/new")), true, RecordTree);
  EXPECT_TRUE(LastTreeCopyFailures().empty());
  EXPECT_EQ(dir.Read("dst/new/a.txt"), Bytes(9000));
  EXPECT_EQ(dir.Read("dst/new/.hidden"), "h");
  EXPECT_TRUE(fs::is_regular_file(dir.File("dst/new/sub/deeper/empty")));
  if (kLinks) {
    // Every link is made again with its target, as cp -r does; none is followed.
    const std::pair<const char*, const char*> links[] = {
        {"sub/link.txt", "../a.txt"}, {"sub/loop", ".."}, {"dangling", "nowhere"}};
    for (const auto& [name, target] : links) {
      EXPECT_EQ(fs::read_symlink(dir.File("dst/new") / name).string(), target) << name;
    }
    EXPECT_EQ(fs::read_symlink(dir.File("dst/new/out")), dir.File("outside"));
  }
  // Per file: (0,size) and one call per block with the destination name and the count, then
  // the last values once more after the file.
  const std::string a = (dir.File("dst/new") / "a.txt").string();
  std::vector<TreeCall> for_a;
  for (const TreeCall& c : g_tree)
    if (c.name == a) for_a.push_back(c);
  ASSERT_EQ(for_a.size(), 5u);
  const std::int32_t n = for_a[0].count;
  EXPECT_EQ(for_a, (std::vector<TreeCall>{{0, 9000, a, n},
                                          {0, 9000, a, n},
                                          {8192, 9000, a, n},
                                          {9000, 9000, a, n},
                                          {9000, 9000, a, n}}));
  EXPECT_EQ(g_tree.back().count, 3);  // a.txt, .hidden, empty: links are no files
}

TEST(CopyFileTree, SameDirectoryTwiceDoesNothing) {
  const TempDir dir("copytree_same");
  dir.Write("f", "x");
  const std::string p = dir.Path().string();
  std::string upper = p;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  g_tree.clear();
  for (const std::string& other : {p + "/", p + "\\", upper, p + "/./"}) {
    CopyFileTree(ToUtf16(p), ToUtf16(other), false, RecordTree);
    EXPECT_TRUE(g_tree.empty()) << other;
    EXPECT_EQ(dir.Read("f"), "x");
  }
}

// A destination inside the source is left out of the copy, so the copy ends.
TEST(CopyFileTree, DestinationInsideTheSource) {
  const TempDir dir("copytree_inside");
  dir.Write("x", "1");
  fs::create_directory(dir.File("sub"));
  dir.Write("sub/y", "2");
  CopyFileTree(W(dir.Path()), W(dir.File("sub/copy")), false, nullptr);
  EXPECT_EQ(dir.Read("sub/copy/x"), "1");
  EXPECT_EQ(dir.Read("sub/copy/sub/y"), "2");
  EXPECT_FALSE(fs::exists(dir.File("sub/copy/sub/copy")));
}

TEST(CopyFileTree, AbortStopsAfterTheCurrentFile) {
  const TempDir dir("copytree_abort");
  for (const char* f : {"s/1", "s/2", "s/3", "s/4"}) {
    fs::create_directories(dir.File("s"));
    dir.Write(f, "data");
  }
  g_tree.clear();
  g_abort_after_files = 2;
  CopyFileTree(W(dir.File("s")), W(dir.File("d")), false, RecordTree);
  g_abort_after_files = -1;
  EXPECT_EQ(g_tree.back().count, 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("d")), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace krv
