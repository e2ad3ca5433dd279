// The file layer on names of the system's own file system: a temporary folder named by its
// Windows name (its real path on Windows; through drive C: elsewhere).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;
using krv::testing::TempDir;

// The folder's Windows name with a trailing separator.
String RootOf(const TempDir& dir) {
  const std::u8string u8 = dir.Path().u8string();
  const String name = FromNativePath(std::string(u8.begin(), u8.end()));
  return name.empty() ? name : IncludeTrailingPathDelimiter(name);
}

std::string ReadAll(const String& name) {
  TFileStream in(name, fmOpenRead);
  std::string bytes(static_cast<std::size_t>(in.Size()), '\0');
  in.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

TEST(NativeNames, UnicodeNameCreatedAndReadBackUnderThatName) {
  TempDir dir("korvex_native");
  const String root = RootOf(dir);
  ASSERT_FALSE(root.empty());
  const String name = u"café_Ω.txt";
  // Line ends and ^Z pass untouched: files are binary on every system.
  const std::string bytes("h\xC3\xA9llo\r\n\x1A\n\r", 10);
  {
    TFileStream out(root + name, fmCreate);
    out.WriteBuffer(bytes.data(), bytes.size());
  }
  // The system sees exactly that name (UTF-16 on Windows, UTF-8 elsewhere).
  std::string stored;
  for (const auto& e : fs::directory_iterator(dir.Path())) {
    const std::u8string n = e.path().filename().u8string();
    stored.assign(n.begin(), n.end());
  }
  EXPECT_EQ(stored, "caf\xC3\xA9_\xCE\xA9.txt");
  EXPECT_EQ(ReadAll(root + name), bytes);
  EXPECT_EQ(FileSize64(root + name), 10);

  TSearchRec rec;
  ASSERT_EQ(FindFirst(root + u"caf*", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Name, name);
  EXPECT_EQ(rec.Size, 10);
  EXPECT_EQ(FindNext(rec), kFsNoMoreFiles);
  FindClose(rec);

  TextFile t;
  t.Assign(root + name);
  t.Append();
  t.Write(u"x");
  t.Close();
  EXPECT_EQ(ReadAll(root + name), bytes + "x");
  EXPECT_TRUE(RenameFile(root + name, root + u"Ω.bin"));
  EXPECT_TRUE(fs::exists(dir.Path() / fs::path(u8"Ω.bin")));
  EXPECT_TRUE(DeleteFile(root + u"Ω.bin"));
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(NativeNames, ErrorKindsOfMissingFilesAndFolders) {
  TempDir dir("korvex_native_err");
  const String root = RootOf(dir);
  IOChecksOff off;
  struct Case {
    String name;
    int code;
  } cases[] = {
      {root + u"absent.txt", kIoFileNotFound},
#ifdef _WIN32
      {root + u"absent\\x.txt", kIoPathNotFound},  // Windows tells a missing folder apart
#endif
  };
  for (const Case& c : cases) {
    TextFile t;
    t.Assign(c.name);
    t.Reset();
    EXPECT_EQ(IOResult(), c.code) << ToUtf8(c.name);
  }
  EXPECT_THROW(TFileStream(root + u"absent.txt", fmOpenRead), EFOpenError);
  EXPECT_EQ(FileOpen(root + u"absent.txt", fmOpenRead), kInvalidFileHandle);
  EXPECT_EQ(FileOpen(root, fmOpenRead), kInvalidFileHandle);  // a folder
  EXPECT_EQ(GetLastOSError(), EISDIR);
  TSearchRec rec;
  EXPECT_EQ(FindFirst(root + u"none\\*", faAnyFile, rec), kFsPathNotFound);
  EXPECT_EQ(FindFirst(root + u"*.zzz", faAnyFile, rec), kFsFileNotFound);
  try {
    TFileStream in(root + u"absent.txt", fmOpenRead);
  } catch (const EFOpenError& e) {
    // The system's own description follows the file name.
    const std::string what = e.what();
    const std::size_t cut = what.rfind("\". ");
    ASSERT_NE(cut, std::string::npos) << what;
    EXPECT_GE(what.size() - cut, 10u) << what;
  }
}

TEST(NativeNames, ReadOnlyTimesAndRenames) {
  TempDir dir("korvex_native_ro");
  const String root = RootOf(dir);
  dir.Write("ro.txt", "keep");
  ASSERT_EQ(FileSetAttr(root + u"ro.txt", faReadOnly), 0);
  EXPECT_EQ(FileGetAttr(root + u"ro.txt") & faReadOnly, faReadOnly);
  EXPECT_FALSE(DeleteFile(root + u"ro.txt"));
  EXPECT_EQ(FileCreate(root + u"ro.txt"), kInvalidFileHandle);
  EXPECT_THROW(TFileStream(root + u"ro.txt", fmCreate), EFOpenError);
  EXPECT_EQ(dir.Read("ro.txt"), "keep");
  ASSERT_EQ(FileSetAttr(root + u"ro.txt", 0), 0);
  EXPECT_TRUE(DeleteFile(root + u"ro.txt"));

  const TFileHandle h = FileCreate(root + u"t.bin");
  ASSERT_NE(h, kInvalidFileHandle);
  EXPECT_EQ(FileWrite(h, "0123456789", 10), 10);
  const TFileTime t = 1234567890123456700;  // whole 100 ns: exact on every system
  EXPECT_EQ(FileSetDate(h, t), 0);
  EXPECT_EQ(FileGetDate(h), t);
  EXPECT_TRUE(SameFile(root + u"t.bin", h));
  FileClose(h);
  EXPECT_EQ(FileSetDate(root + u"t.bin", -1500000000), 0);  // before 1970
  EXPECT_EQ(FileAge(root + u"t.bin"), -1500000000);

  ASSERT_TRUE(ForceDirectories(root + u"a\\b"));
  dir.Write("other.bin", "o");
  EXPECT_FALSE(RenameFile(root + u"t.bin", root + u"other.bin"));  // never replaces
  EXPECT_EQ(dir.Read("other.bin"), "o");
  EXPECT_TRUE(RenameFile(root + u"t.bin", root + u"a\\b\\moved.bin"));
  EXPECT_EQ(dir.Read("a/b/moved.bin"), "0123456789");
  EXPECT_FALSE(RemoveDir(root + u"a"));  // not empty
  EXPECT_FALSE(DeleteFile(root + u"a"));
}

// Windows enforces the share modes of an open mode.
TEST(NativeNames, ShareModes) {
#ifndef _WIN32
  GTEST_SKIP() << "POSIX systems do not enforce share modes";
#else
  TempDir dir("korvex_native_share");
  const String f = RootOf(dir) + u"s.bin";
  dir.Write("s.bin", "data");
  {
    TFileStream a(f, fmOpenRead | fmShareDenyWrite);
    EXPECT_NO_THROW(TFileStream(f, fmOpenRead | fmShareDenyNone));
    EXPECT_THROW(TFileStream(f, fmOpenWrite | fmShareDenyNone), EFOpenError);
  }
  {
    TFileStream a(f, fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(f, fmOpenRead | fmShareDenyNone), EFOpenError);
    EXPECT_EQ(FileOpen(f, fmOpenRead), kInvalidFileHandle);
  }
  {
    TFileStream a(f, fmOpenRead | fmShareDenyNone);
    TFileStream b(f, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(b.Size(), 4);
  }
#endif
}

// Windows has its own drives: no mapping, real roots, real paths.
TEST(NativeNames, SystemDrives) {
#ifndef _WIN32
  GTEST_SKIP() << "drives are mapped folders on POSIX systems (see the filesystem tests)";
#else
  EXPECT_NE(GetLogicalDrives() & (1u << 2), 0u);
  EXPECT_EQ(DriveNativeRoot(u'c'), "C:\\");
  EXPECT_FALSE(MapDrive(u'Q', "C:\\"));
  EXPECT_FALSE(UnmapDrive(u'C'));
  EXPECT_EQ(ToNativePath(u"c:/x/../y"), "C:\\y");
  EXPECT_EQ(FromNativePath("C:/a/b"), u"C:\\a\\b");
  EXPECT_EQ(ToNativePath(u"\\\\server\\share\\x"), "");
  TempDir dir("korvex_native_cwd");
  const String root = RootOf(dir);
  const String old = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(root));
  EXPECT_EQ(IncludeTrailingPathDelimiter(GetCurrentDir()), root);
  EXPECT_EQ(ExpandFileName(u"x.txt"), root + u"x.txt");
  ASSERT_TRUE(SetCurrentDir(old));
#endif
}

}  // namespace
}  // namespace krv
