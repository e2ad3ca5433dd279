// The tree routines against names and trees built to mislead them: names that alias once
// decoded, names differing only in case, `\` inside names, bytes that are not UTF-8, special
// files, trees deeper than PATH_MAX, a full disk and the protected targets. Each test works in
// a sandbox of its own, with decoy folders beside it that must stay untouched.
#ifdef _WIN32
#include <gtest/gtest.h>

TEST(HostileNames, PosixOnly) {
  GTEST_SKIP() << "the names, special files and mounts here are POSIX ones";
}
#else
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "hostile_names_test.h"
#include "korvex/filesys/copying.h"
#include "korvex/filesys/scanning.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::Decoy;
using testing::PutFile;
using testing::Slurp;
using testing::TempDir;
constexpr auto V = testing::Verbatim;

// The library's exact name for a native path.
// The regular files below `dir`, relative, with their bytes (links not followed).
std::map<std::string, std::string> FilesBelow(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file() && !e.is_symlink()) {
      out[fs::relative(e.path(), dir).string()] = Slurp(e.path());
    }
  }
  return out;
}

// A folder "\xff" and, beside it, a link named U+FFFD (valid UTF-8) to a decoy: a listing that
// turned the byte into U+FFFD would walk into the decoy.
TEST(HostileNames, ByteThatDecodesToTheReplacementCharacterIsNotTheLink) {
  const TempDir box("hostile_fffd");
  const Decoy decoy(box.File("decoy"), 5);
  fs::create_directories(box.File("t/\xff"));
  PutFile(box.File("t/\xff/f0"), "tree file");
  fs::create_directory_symlink(decoy.Path(), box.File("t/\xEF\xBF\xBD"));
  CopyFileTree(V(box.File("t")), V(box.File("copy")), false);
  EXPECT_TRUE(LastTreeCopyFailures().empty());
  EXPECT_EQ(Slurp(box.File("copy/\xff/f0")), "tree file");
  EXPECT_EQ(fs::read_symlink(box.File("copy/\xEF\xBF\xBD")), decoy.Path());
  EXPECT_EQ(FilesBelow(box.File("copy")).size(), 1u);  // no decoy file was copied
  EXPECT_EQ(DelDirTree(V(box.File("t"))), u"");
  EXPECT_FALSE(fs::exists(fs::symlink_status(box.File("t"))));
  decoy.ExpectUntouched();
}

// Every name arrives as the source stores it, and a scan and a deletion reach each one.
TEST(HostileNames, NamesThatWindowsRulesWouldMergeOrSplit) {
  const TempDir box("hostile_names");
  const fs::path src = box.File("src");
  fs::create_directories(src / "D");
  fs::create_directories(src / "d");
  fs::create_directories(src / "dir\\z");
  const std::vector<std::string> files = {"A",        "a",         "Ab",     "aB",
                                          "D/one",    "d/one",     "x\\y",   "dir\\z/f",
                                          "\xfe\xff", "mixed\xc3", "..\\up", "\xED\xA0\x80"};
  for (const std::string& f : files) PutFile(src / f, "bytes of " + f);
  ASSERT_EQ(::mkfifo((src / "fifo").c_str(), 0640), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sock_path = (src / "sock").string();
  ASSERT_LT(sock_path.size(), sizeof addr.sun_path);
  sock_path.copy(addr.sun_path, sock_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  std::set<std::string> listed;
  EXPECT_EQ(ScanStoredNames(V(src) + u"/", u"*", true, true,
                            [&](const String& p) { listed.insert(NativeNameOf(p.substr(4))); }),
            static_cast<std::int32_t>(files.size() + 2));  // the FIFO and the socket count too
  for (const std::string& f : files) EXPECT_EQ(listed.count(src.string() + "/" + f), 1u) << f;

  CopyFileTree(V(src), V(box.File("dst")), false);
  const std::map<std::string, std::string> copied = FilesBelow(box.File("dst"));
  EXPECT_EQ(copied.size(), files.size());
  for (const std::string& f : files) EXPECT_EQ(copied.at(f), "bytes of " + f) << f;
  EXPECT_TRUE(fs::is_fifo(box.File("dst/fifo")));
  const std::vector<TCopyFailure> failures = LastTreeCopyFailures();
  ASSERT_EQ(failures.size(), 1u);  // the socket, and nothing else
  EXPECT_EQ(failures[0].Step, csSpecial);
  EXPECT_EQ(NativeNameOf(failures[0].Source.substr(4)), sock_path);
  ::close(sock);

  // Masked deletion reaches every plain name too (those beginning with '.' excepted).
  const std::int32_t plain_files = 9;  // 8 files right in the folder (not "..\\up") and the FIFO
  EXPECT_EQ(DeleteFiles(V(box.File("dst")) + u"/*"), plain_files);
  EXPECT_FALSE(fs::exists(box.File("dst/\xfe\xff")));
  EXPECT_EQ(DelDirTree(V(src)), u"");
  EXPECT_EQ(DelDirTree(V(box.File("dst"))), u"");
  EXPECT_FALSE(fs::exists(src));
}

// A copy is never readable by more users than its source: links stay links, a new file is
// 0600 until complete and then takes the source's bits less the umask.
TEST(HostileNames, CopiesWidenNoMode) {
  const TempDir box("hostile_modes");
  const fs::path src = box.File("src");
  fs::create_directories(src);
  PutFile(box.File("secret"), "private", 0600);
  fs::create_symlink(box.File("secret"), src / "link");
  PutFile(src / "own", std::string(3 * 8192, 'o'), 0600);
  PutFile(src / "shared", "s", 0644);
  const mode_t mask = ::umask(022);
  static fs::path watched;
  static std::set<unsigned> modes_seen;
  watched = box.File("dst/own");
  modes_seen.clear();
  CopyFileTree(V(src), V(box.File("dst")), false,
               [](std::int32_t, std::int32_t, const String&, std::int32_t) {
                 struct stat st;
                 if (::stat(watched.c_str(), &st) == 0) modes_seen.insert(st.st_mode & 0777);
               });
  ::umask(mask);
  EXPECT_TRUE(LastTreeCopyFailures().empty());
  EXPECT_TRUE(fs::is_symlink(box.File("dst/link")));
  struct stat st;
  ASSERT_EQ(::stat(box.File("dst/own").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(box.File("dst/shared").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(modes_seen, (std::set<unsigned>{0600}));  // never wider while it was written
}

// A folder path of more than 6,000 bytes, with names that are not UTF-8 and hold `\` at the
// bottom: counted, copied and deleted, byte for byte.
TEST(HostileNames, TreesDeeperThanPathMax) {
  const TempDir box("hostile_deep");
  const std::string level = "level\\\xff_678";  // 11 bytes
  const int depth = 560;                        // 560 * 12 bytes > 6,000
  int fd = ::open(box.Path().c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i <= depth; ++i) {
    const char* name = i == 0 ? "deep" : level.c_str();
    ASSERT_EQ(::mkdirat(fd, name, 0755), 0);
    const int next = ::openat(fd, name, O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  for (const char* name : {"bottom\xfe", "back\\slash"}) {
    const int f = ::openat(fd, name, O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(f, name, std::strlen(name)), static_cast<ssize_t>(std::strlen(name)));
    ::close(f);
  }
  ::close(fd);
  std::vector<String> found;
  EXPECT_EQ(ScanStoredNames(V(box.File("deep")) + u"/", u"*", true, true,
                            [&](const String& p) { found.push_back(p); }),
            2);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_GT(NativeNameOf(found[0]).size(), 6000u);
  CopyFileTree(V(box.File("deep")), V(box.File("copy")), true);
  EXPECT_TRUE(LastTreeCopyFailures().empty());
  EXPECT_EQ(
      ScanStoredNames(V(box.File("copy")) + u"/", u"bottom*", true, true, [](const String&) {}), 1);
  EXPECT_EQ(DelDirTree(V(box.File("deep"))), u"");
  EXPECT_EQ(DelDirTree(V(box.File("copy"))), u"");
  EXPECT_TRUE(fs::is_empty(box.Path()));
}

// Runs `body` in a child process with a mount namespace of its own and a tmpfs of `size`
// mounted at `where`; the child's exit status tells (77: no namespace here, skipped).
int WithSmallDisk(const fs::path& where, const char* size, int (*body)(const fs::path&)) {
  fs::create_directories(where);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", where.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) != 0) {
      ::_exit(77);
    }
    ::_exit(body(where));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

int CopyFiveIntoOneMebibyte(const fs::path& disk) {
  const fs::path src = disk.parent_path() / "src";
  const std::string bytes(400 * 1000, 'x');
  int missing = 0, partial = 0;
  CopyFileTree(V(src), V(disk / "dst"), false);
  const std::vector<TCopyFailure> failures = LastTreeCopyFailures();
  std::set<std::string> reported;
  for (const TCopyFailure& f : failures) {
    if (f.Step != csWrite || f.OSError != ENOSPC) ++partial;  // the wrong reason
    reported.insert(NativeNameOf(f.Dest.substr(4)));
  }
  for (int i = 0; i < 5; ++i) {
    const fs::path copy = disk / "dst" / ("f" + std::to_string(i));
    if (!fs::exists(copy)) {
      missing += reported.count(copy.string()) == 0;  // gone without a word
    } else if (Slurp(copy) != bytes) {
      ++partial;
    }
  }
  std::fprintf(stderr, "copied %zu, reported %zu\n", 5 - failures.size(), failures.size());
  return missing == 0 && partial == 0 && !failures.empty() ? 0 : 1;
}

TEST(HostileNames, AFullDiskLeavesNoPartialFileAndIsReported) {
  const TempDir box("hostile_full");
  fs::create_directories(box.File("src"));
  for (int i = 0; i < 5; ++i)
    PutFile(box.File("src/f" + std::to_string(i)), std::string(400 * 1000, 'x'));
  const int status = WithSmallDisk(box.File("disk"), "1M", CopyFiveIntoOneMebibyte);
  if (status == 77) GTEST_SKIP() << "no mount namespace here (needs root)";
  EXPECT_EQ(status, 0);
}

// FileCopyFeedBk onto a disk that holds one block: the call-backs stop at the block whose write
// failed, report what was written, and the unfinished copy is removed.
int CopyOntoOneBlock(const fs::path& disk) {
  static std::vector<std::pair<std::int32_t, std::int32_t> > calls;
  PutFile(disk.parent_path() / "big", std::string(20000, 'b'));
  const std::int32_t status =
      FileCopyFeedBk(V(disk.parent_path() / "big"), V(disk / "big"), false,
                     [](std::int32_t done, std::int32_t size) { calls.emplace_back(done, size); });
  const std::vector<std::pair<std::int32_t, std::int32_t> > expected = {
      {0, 20000}, {0, 20000}, {8192, 20000}, {8192, 20000}};
  return status == kCopyWriteError && calls == expected && !fs::exists(disk / "big") ? 0 : 1;
}

TEST(HostileNames, FailedWriteStopsTheFeedbackAtItsBlock) {
  const TempDir box("hostile_block");
  const int status = WithSmallDisk(box.File("disk"), "8k", CopyOntoOneBlock);
  if (status == 77) GTEST_SKIP() << "no mount namespace here (needs root)";
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace krv
#endif  // _WIN32
