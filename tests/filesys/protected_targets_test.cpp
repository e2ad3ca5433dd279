// What deleting, copying and trashing refuse: the roots, "." and "..", the folders that hold
// the current folder; and what a name that exists as written stands for. Drive C: is mapped
// into the sandbox for every call that deletes; the default mapping (C: is /) is asked only
// through ProtectedTargetReason, and "/" is deleted only inside a chroot of the sandbox.
#ifdef _WIN32
#include <gtest/gtest.h>

TEST(ProtectedTargets, PosixOnly) {
  GTEST_SKIP() << "drive mapping, chroot and fork are POSIX ones";
}
#else
#include <sys/wait.h>

#include "hostile_names_test.h"
#include "korvex/filesys/copying.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using testing::Decoy;
using testing::PutFile;
using testing::TempDir;

// Changes the current folder for one test and back.
class InFolder {
 public:
  explicit InFolder(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~InFolder() { fs::current_path(old_); }

 private:
  fs::path old_;
};

// Drive C: mapped into the sandbox for one test, and back to "/". A test checks Mapped()
// with ASSERT before any deleting call: C: must never be the machine's root there.
class DriveCIn {
 public:
  explicit DriveCIn(const fs::path& dir) : mapped_(MapDrive(u'C', dir.string())) {}
  ~DriveCIn() { MapDrive(u'C', "/"); }
  bool Mapped() const { return mapped_ && DriveNativeRoot(u'C') != "/"; }

 private:
  bool mapped_;
};

TEST(ProtectedTargets, TheDefaultMappingIsOnlyAsked) {
  // "c:" alone is the current folder of drive C: (here the build folder, on C:).
  EXPECT_EQ(ProtectedTargetReason(u"c:"), u"a folder that holds the current folder");
  EXPECT_EQ(ProtectedTargetReason(u"C:\\"), u"the root of drive C:");
  EXPECT_EQ(ProtectedTargetReason(u"/"), u"the root of the file system");
  EXPECT_EQ(ProtectedTargetReason(u"\\\\?\\/"), u"the root of the file system");
}

TEST(ProtectedTargets, DeletionsRefuseRootsDotsAndTheFoldersAboveUs) {
  const TempDir box("protected");
  const Decoy decoy(box.File("decoy"), 3);
  const fs::path sandbox = box.File("sandbox");
  const Decoy top(sandbox, 2, "top");
  const Decoy w1(sandbox / "w1", 2);
  const Decoy w2(sandbox / "w1" / "w2", 2);
  const DriveCIn drive(sandbox);
  ASSERT_TRUE(drive.Mapped());
  const InFolder cwd(sandbox / "w1" / "w2");
  struct Case {
    String name;
    String reason;
  };
  const Case cases[] = {
      {u"c:", u"a folder that holds the current folder"},  // drive C:'s current folder
      {u"C:\\", u"the root of drive C:"},
      {u"c:/", u"the root of drive C:"},
      {u".", u"'.'"},
      {u"..", u"'..'"},
      {u"./", u"'.'"},
      {u"w9/..", u"'..'"},
      {FromNativeName((sandbox / "w1").string()), u"a folder that holds the current folder"},
      {FromNativeName(sandbox.string()), u"the root of drive C:"},
      {u"C:\\w1", u"a folder that holds the current folder"},
      {u"\\\\?\\" + FromNativeName((sandbox / "w1" / "w2").string()),
       u"a folder that holds the current folder"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProtectedTargetReason(c.name), c.reason) << ToUtf8(c.name);
    EXPECT_NE(DelDirTree(c.name), u"") << ToUtf8(c.name);
    EXPECT_EQ(GetLastOSError(), EPERM) << ToUtf8(c.name);
    EXPECT_EQ(LastRefusalReason(), c.reason) << ToUtf8(c.name);
    EXPECT_EQ(DeleteFiles(c.name), 0) << ToUtf8(c.name);
    EXPECT_EQ(MoveToRecycleBin(c.name), 0) << ToUtf8(c.name);
  }
  PutFile(sandbox / "w1" / "w2" / "source.txt", "s");
  CopyFileTree(u"\\\\?\\" + FromNativeName((sandbox / "w1" / "w2").string()), u"c:", false);
  ASSERT_EQ(LastTreeCopyFailures().size(), 1u);
  EXPECT_EQ(LastTreeCopyFailures()[0].Step, csRefused);
  EXPECT_FALSE(fs::exists(sandbox / "source.txt"));
  fs::remove(sandbox / "w1" / "w2" / "source.txt");
  for (const Decoy* d : {&decoy, &top, &w1, &w2}) d->ExpectUntouched();
}

// A name that exists as written is that entry: a folder called "c:" is not drive C:, and an
// exact POSIX name is never another spelling.
TEST(ProtectedTargets, ANativeEntryIsItself) {
  const TempDir box("native_entry");
  const Decoy decoy(box.File("decoy"), 3);
  const fs::path sandbox = box.File("sandbox");
  const Decoy top(sandbox, 2, "top");
  const DriveCIn drive(sandbox);
  ASSERT_TRUE(drive.Mapped());
  const InFolder cwd(sandbox);
  fs::create_directories(sandbox / "c:" / "inner");
  PutFile(sandbox / "c:" / "inner" / "f", "f");
  EXPECT_EQ(ProtectedTargetReason(u"c:"), u"");
  EXPECT_EQ(DelDirTree(u"c:"), u"");
  EXPECT_FALSE(fs::exists(sandbox / "c:"));
  fs::create_directories(sandbox / "Build");
  EXPECT_EQ(DelDirTree(u"\\\\?\\build"), u"\\\\?\\build/");  // no such entry
  EXPECT_TRUE(fs::exists(sandbox / "Build"));
  EXPECT_EQ(DelDirTree(u"build"), u"");  // the Windows reading finds it ignoring case
  EXPECT_FALSE(fs::exists(sandbox / "Build"));
  top.ExpectUntouched();
  decoy.ExpectUntouched();
}

// "/" itself, deleted for real only where "/" is the sandbox: a chroot in a child process.
TEST(ProtectedTargets, TheRootInAChroot) {
  const TempDir box("protected_root");
  const Decoy decoy(box.File("decoy"), 3);
  const fs::path jail = box.File("jail");
  const Decoy inside(jail, 4);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chroot(jail.c_str()) != 0 || ::chdir("/") != 0) ::_exit(77);
    MapDrive(u'C', "/");
    int refused = 0;
    for (const char16_t* name : {u"/", u"c:", u"C:\\", u"\\\\?\\/", u"\\\\?\\//", u"."}) {
      refused += DelDirTree(name) != u"" && GetLastOSError() == EPERM;
    }
    ::_exit(refused == 6 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "chroot needs root";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  inside.ExpectUntouched();
  decoy.ExpectUntouched();
}

}  // namespace
}  // namespace krv
#endif  // _WIN32
