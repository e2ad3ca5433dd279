// The plain file handles of the file layer on the system's own file system: the failures each
// call reports and the errno-style code it leaves for GetLastOSError(), alike on every system.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using krv::testing::TempDir;

// The folder's Windows name with a trailing separator.
String RootOf(const TempDir& dir) {
  const std::u8string u8 = dir.Path().u8string();
  const String name = FromNativePath(std::string(u8.begin(), u8.end()));
  return name.empty() ? name : IncludeTrailingPathDelimiter(name);
}

// Leaves EBADF as the last failure, so a case that records nothing is told apart.
void Prime() {
  ASSERT_FALSE(FileClose(kInvalidFileHandle));
  ASSERT_EQ(GetLastOSError(), EBADF);
}

TEST(FileHandles, FailuresAndTheirCodes) {
  TempDir dir("korvex_handles");
  const String root = RootOf(dir);
  ASSERT_FALSE(root.empty());
  dir.Write("file.txt", "keep");
  dir.Write("ro.txt", "keep");
  ASSERT_EQ(FileSetAttr(root + u"ro.txt", faReadOnly), 0);
  const String file = root + u"file.txt";
  const String ro = root + u"ro.txt";
  const String folder = ExcludeTrailingPathDelimiter(root);
  struct Case {
    const char* what;
    std::function<TFileHandle()> call;
    int code;
  } cases[] = {
      {"open with no name", [] { return FileOpen(u"", fmOpenRead); }, EINVAL},
      {"open a missing file", [&] { return FileOpen(root + u"absent.txt", fmOpenRead); }, ENOENT},
      {"open with access bits 3", [&] { return FileOpen(file, 3); }, EINVAL},
      {"open a folder", [&] { return FileOpen(folder, fmOpenRead); }, EISDIR},
      {"open a read-only file to write", [&] { return FileOpen(ro, fmOpenWrite); }, EACCES},
      {"open a read-only file to read and write",
       [&] { return FileOpen(ro, fmOpenReadWrite | fmShareDenyNone); }, EACCES},
      {"create with no name", [] { return FileCreate(u""); }, EINVAL},
      {"create over a read-only file", [&] { return FileCreate(ro); }, EACCES},
      {"create over a folder", [&] { return FileCreate(folder); }, EISDIR},
      {"create a new file with no name", [] { return FileCreateNew(u""); }, EINVAL},
      {"create a new file over a file", [&] { return FileCreateNew(file); }, EEXIST},
      {"create a new file over a read-only file", [&] { return FileCreateNew(ro); }, EEXIST},
      {"create a new file over a folder", [&] { return FileCreateNew(folder); }, EEXIST},
  };
  for (const Case& c : cases) {
    Prime();
    EXPECT_EQ(c.call(), kInvalidFileHandle) << c.what;
    EXPECT_EQ(GetLastOSError(), c.code) << c.what;
  }
  EXPECT_EQ(dir.Read("file.txt"), "keep");
  EXPECT_EQ(dir.Read("ro.txt"), "keep");
  ASSERT_EQ(FileSetAttr(ro, 0), 0);
}

TEST(FileHandles, ArgumentsRefusedAndCreateTruncates) {
  TempDir dir("korvex_handles_args");
  const String root = RootOf(dir);
  ASSERT_FALSE(root.empty());
  dir.Write("old.bin", "0123456789");
  const TFileHandle h = FileCreate(root + u"old.bin");
  ASSERT_NE(h, kInvalidFileHandle);
  EXPECT_EQ(FileSizeOfHandle(h), 0);  // truncated
  char buf[4] = {};
  EXPECT_EQ(FileRead(h, buf, -1), -1);
  EXPECT_EQ(FileWrite(h, buf, -1), -1);
  EXPECT_EQ(FileSeek(h, 0, 3), -1);
  EXPECT_EQ(FileSeek(h, 0, -1), -1);
  Prime();
  EXPECT_EQ(FileSeek(h, -1, 0), -1);  // before the start: the system refuses
  EXPECT_NE(GetLastOSError(), EBADF);
  EXPECT_EQ(FileWrite(h, "abc", 3), 3);
  EXPECT_EQ(FileSeek(h, -2, 2), 1);
  EXPECT_EQ(FileRead(h, buf, 4), 2);
  EXPECT_EQ(std::string(buf, 2), "bc");
  EXPECT_EQ(FileRead(h, buf, 4), 0);  // the end
  EXPECT_TRUE(FileClose(h));
  EXPECT_EQ(dir.Read("old.bin"), "abc");

  const TFileHandle w = FileOpen(root + u"old.bin", fmOpenWrite);
  ASSERT_NE(w, kInvalidFileHandle);
  ASSERT_EQ(FileOpen(u"", fmOpenRead), kInvalidFileHandle);  // leaves EINVAL
  EXPECT_EQ(FileRead(w, buf, 1), -1);                        // not open for reading
  EXPECT_NE(GetLastOSError(), EINVAL);
  EXPECT_TRUE(FileClose(w));

  const TFileHandle n = FileCreateNew(root + u"new.bin");
  ASSERT_NE(n, kInvalidFileHandle);
  EXPECT_EQ(FileWrite(n, "x", 1), 1);
  EXPECT_EQ(FileSizeOfHandle(n), 1);
  EXPECT_TRUE(FileClose(n));
  EXPECT_EQ(dir.Read("new.bin"), "x");
}

}  // namespace
}  // namespace krv
