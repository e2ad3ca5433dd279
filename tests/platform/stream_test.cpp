#include "korvex/platform/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
class TempDir : public testing::TempDir {
 public:
  TempDir() : testing::TempDir("korvex_stream") {}
  String File(const std::string& name) const { return ToUtf16(Native(name)); }
  std::string Native(const std::string& name) const { return (Path() / name).string(); }
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// System read calls made by this process so far (Linux), or -1 when unknown.
long long SystemReadCalls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value;
  while (io >> key >> value) {
    if (key == "syscr:") return value;
  }
  return -1;
}

TEST(MemoryStream, WritesReadsAndSeeks) {
  TMemoryStream m;
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Memory(), nullptr);
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Seek(-2, soFromEnd), 3);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2u);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(m.Read(buf, 8), 0u);
  EXPECT_EQ(m.Seek(-1, soFromCurrent), 4);
  EXPECT_EQ(m.Seek(1, soFromBeginning), 1);
  EXPECT_EQ(std::memcmp(m.Memory(), "hello", 5), 0);
}

TEST(MemoryStream, SeekBeforeStartIsRefused) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  EXPECT_EQ(m.Seek(-4, soFromEnd), -1);
  EXPECT_EQ(m.Seek(-1, soFromBeginning), -1);
  EXPECT_EQ(m.Position(), 3);
  EXPECT_EQ(m.Seek(INT64_MAX, soFromCurrent), -1);
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream m;
  m.WriteBuffer("ab", 2);
  m.SetPosition(5);
  m.WriteBuffer("z", 1);
  ASSERT_EQ(m.Size(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 6), std::string("ab\0\0\0z", 6));
  // Reading from beyond the end gives nothing.
  m.SetPosition(100);
  char c;
  EXPECT_EQ(m.Read(&c, 1), 0u);
}

TEST(MemoryStream, SetSizeZeroFillsAndClampsPosition) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  m.SetSize(3);
  EXPECT_EQ(m.Size(), 3);
  EXPECT_EQ(m.Position(), 3);
  m.SetSize(5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 5), std::string("abc\0\0", 5));
  EXPECT_THROW(m.SetSize(-1), EWriteError);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
  EXPECT_EQ(m.Memory(), nullptr);
}

TEST(MemoryStream, ReadBufferRaisesOnShortStream) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(0);
  char buf[4];
  EXPECT_THROW(m.ReadBuffer(buf, 4), EReadError);
  m.SetPosition(0);
  EXPECT_NO_THROW(m.ReadBuffer(buf, 3));
  EXPECT_NO_THROW(m.ReadBuffer(buf, 0));
}

TEST(MemoryStream, CopyFromAndFiles) {
  TempDir dir;
  TMemoryStream a;
  std::string data;
  for (int i = 0; i < 200000; ++i) data.push_back(static_cast<char>(i * 7));
  a.WriteBuffer(data.data(), data.size());
  TMemoryStream b;
  EXPECT_EQ(b.CopyFrom(a, 0), static_cast<std::int64_t>(data.size()));
  ASSERT_EQ(b.Size(), a.Size());
  EXPECT_EQ(std::memcmp(a.Memory(), b.Memory(), data.size()), 0);

  b.SaveToFile(dir.File("m.bin"));
  EXPECT_EQ(ReadAll(dir.Native("m.bin")), data);
  TMemoryStream c;
  c.WriteBuffer("junk", 4);
  c.LoadFromFile(dir.File("m.bin"));
  EXPECT_EQ(c.Position(), 0);
  ASSERT_EQ(c.Size(), static_cast<std::int64_t>(data.size()));
  EXPECT_EQ(std::memcmp(c.Memory(), data.data(), data.size()), 0);
  EXPECT_THROW(c.LoadFromFile(dir.File("missing.bin")), EFOpenError);

  a.SetPosition(10);
  TMemoryStream d;
  EXPECT_EQ(d.CopyFrom(a, 5), 5);
  EXPECT_EQ(std::memcmp(d.Memory(), data.data() + 10, 5), 0);
  a.SetPosition(a.Size() - 2);
  EXPECT_THROW(d.CopyFrom(a, 5), EReadError);
}

TEST(StringStream, HoldsWindows1252Bytes) {
  TStringStream s(u"a\u20ACb\u263A");
  EXPECT_EQ(s.Bytes(), std::string("a\x80"
                                   "b?"));
  EXPECT_EQ(s.DataString(), u"a\u20ACb?");
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.ReadString(2), u"a\u20AC");
  EXPECT_EQ(s.ReadString(10), u"b?");
  s.WriteString(u"\u00E9");
  EXPECT_EQ(s.Bytes(), std::string("a\x80"
                                   "b?\xE9"));
  s.SetPosition(1);
  s.WriteString(u"XY");
  EXPECT_EQ(s.DataString(), u"aXY?\u00E9");
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(s.DataString(), u"aX");
  TStringStream raw(std::string("\x01\x02", 2));
  EXPECT_EQ(raw.Size(), 2);
}

TEST(FileStream, OpenFailuresRaiseEFOpenError) {
  TempDir dir;
  try {
    TFileStream f(dir.File("missing.txt"), fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(u"Cannot open file \"" + dir.File("missing.txt") + u"\". ", 0), 0u)
        << e.what();
  }
  EXPECT_THROW(TFileStream(dir.File("no/such/dir.txt"), fmCreate), EFOpenError);
  EXPECT_THROW(TFileStream(dir.File(""), fmOpenRead), EFOpenError);  // a directory
}

TEST(FileStream, CreateWriteAndReadBack) {
  TempDir dir;
  {
    TFileStream f(dir.File("a.bin"), fmCreate);
    f.WriteBuffer("hello world", 11);
    EXPECT_EQ(f.Size(), 11);  // pending bytes count before they reach the file
    EXPECT_EQ(f.Position(), 11);
  }
  EXPECT_EQ(ReadAll(dir.Native("a.bin")), "hello world");
  TFileStream f(dir.File("a.bin"), fmOpenRead | fmShareDenyNone);
  char buf[16] = {};
  EXPECT_EQ(f.Read(buf, 16), 11u);
  EXPECT_EQ(std::string(buf, 11), "hello world");
  EXPECT_EQ(f.Write("x", 1), 0u);  // opened for reading only
  EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  EXPECT_EQ(f.Seek(-5, soFromEnd), 6);
  EXPECT_EQ(f.Read(buf, 5), 5u);
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(f.Seek(-1, soFromBeginning), -1);
  EXPECT_EQ(f.Position(), 11);
}

TEST(FileStream, WriteOnlyStreamDoesNotRead) {
  TempDir dir;
  { TFileStream(dir.File("w.bin"), fmCreate).WriteBuffer("abc", 3); }
  TFileStream f(dir.File("w.bin"), fmOpenWrite);
  char c;
  EXPECT_EQ(f.Read(&c, 1), 0u);
  f.Seek(0, soFromEnd);
  f.WriteBuffer("d", 1);
  f.Flush();
  EXPECT_EQ(ReadAll(dir.Native("w.bin")), "abcd");
}

TEST(FileStream, SetSizeTruncatesAndExtends) {
  TempDir dir;
  TFileStream f(dir.File("s.bin"), fmCreate);
  f.WriteBuffer("abcdef", 6);
  f.SetSize(4);
  EXPECT_EQ(f.Size(), 4);
  EXPECT_EQ(f.Position(), 4);
  f.SetSize(6);
  f.SetPosition(0);
  char buf[6];
  f.ReadBuffer(buf, 6);
  EXPECT_EQ(std::string(buf, 6), std::string("abcd\0\0", 6));
}

// Offsets past 4 GiB must not wrap on 32-bit targets: a sparse file is written beyond that
// mark, sought, sized and truncated there.
TEST(FileStream, SparseFileBeyondFourGiB) {
  TempDir dir;
  constexpr std::int64_t kFar = (std::int64_t{1} << 32) + 10;
  {
    TFileStream f(dir.File("sparse.bin"), fmCreate);
    f.WriteBuffer("head", 4);
    EXPECT_EQ(f.Seek(kFar, soFromBeginning), kFar);
    f.WriteBuffer("tail", 4);
    EXPECT_EQ(f.Size(), kFar + 4);
  }
  EXPECT_EQ(std::filesystem::file_size(dir.File("sparse.bin")), std::uintmax_t{kFar + 4});
  TFileStream f(dir.File("sparse.bin"), fmOpenReadWrite);
  EXPECT_EQ(f.Size(), kFar + 4);
  EXPECT_EQ(f.Seek(-6, soFromEnd), kFar - 2);
  char buf[6];
  f.ReadBuffer(buf, 6);
  EXPECT_EQ(std::string(buf, 6), std::string("\0\0tail", 6));
  f.SetPosition(0);
  f.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "head");
  f.SetSize(kFar + 2);
  EXPECT_EQ(f.Size(), kFar + 2);
  EXPECT_EQ(f.Seek(-2, soFromEnd), kFar);
  f.ReadBuffer(buf, 2);
  EXPECT_EQ(std::string(buf, 2), "ta");
}

// Random mixed operations on a file stream against a memory stream: contents, positions
// and results must agree at every step.
TEST(FileStream, AgreesWithMemoryStreamUnderRandomOperations) {
  TempDir dir;
  std::mt19937 rng(12345);
  TFileStream f(dir.File("r.bin"), fmCreate);
  TMemoryStream m;
  std::vector<Byte> a(300000), b(300000);
  for (int step = 0; step < 4000; ++step) {
    const int op = static_cast<int>(rng() % 7);
    // Mostly small transfers, sometimes larger than the file buffer.
    const std::size_t n = rng() % 16 == 0 ? rng() % 200000 : rng() % 300;
    if (op <= 1) {
      for (std::size_t i = 0; i < n; ++i) a[i] = static_cast<Byte>(rng());
      ASSERT_EQ(f.Write(a.data(), n), m.Write(a.data(), n)) << step;
    } else if (op <= 3) {
      const std::size_t gf = f.Read(a.data(), n);
      const std::size_t gm = m.Read(b.data(), n);
      ASSERT_EQ(gf, gm) << step;
      ASSERT_EQ(std::memcmp(a.data(), b.data(), gf), 0) << step;
    } else if (op == 4) {
      const std::int64_t size = m.Size();
      const std::int64_t target = static_cast<std::int64_t>(rng() % (size + 50));
      const auto origin = static_cast<TSeekOrigin>(rng() % 3);
      const std::int64_t offset = origin == soFromBeginning ? target
                                  : origin == soFromEnd     ? target - size
                                                            : target - m.Position();
      ASSERT_EQ(f.Seek(offset, origin), m.Seek(offset, origin)) << step;
    } else if (op == 5) {
      ASSERT_EQ(f.Size(), m.Size()) << step;
    } else {
      // The file's view is a prefix of the memory stream's (the rest of the stream).
      std::span<const Byte> vf, vm;
      ASSERT_TRUE(f.PeekBuffer(vf) && m.PeekBuffer(vm)) << step;
      ASSERT_EQ(vf.empty(), vm.empty()) << step;
      ASSERT_LE(vf.size(), vm.size()) << step;
      ASSERT_TRUE(std::equal(vf.begin(), vf.end(), vm.begin())) << step;
      const std::size_t k = vf.empty() ? 0 : rng() % (vf.size() + 1);
      f.ConsumeBuffer(k);
      m.ConsumeBuffer(k);
    }
    ASSERT_EQ(f.Position(), m.Position()) << step;
  }
  f.Flush();
  const std::string on_disk = ReadAll(dir.Native("r.bin"));
  ASSERT_EQ(static_cast<std::int64_t>(on_disk.size()), m.Size());
  EXPECT_EQ(std::memcmp(on_disk.data(), m.Memory(), on_disk.size()), 0);
}

// Derived classes may deliver bytes through their own Read, so only the library's own
// classes offer their buffer.
TEST(Stream, OnlyTheLibraryStreamsOfferTheirBuffer) {
  struct DerivedMemory : TMemoryStream {};
  struct DerivedString : TStringStream {};
  DerivedMemory dm;
  dm.WriteBuffer("abc", 3);
  dm.SetPosition(0);
  DerivedString ds;
  std::span<const Byte> view;
  EXPECT_FALSE(dm.PeekBuffer(view));
  EXPECT_FALSE(ds.PeekBuffer(view));
  EXPECT_TRUE(view.empty());
  TMemoryStream m;
  m.SetPosition(10);  // past the end: a view, and an empty one
  EXPECT_TRUE(m.PeekBuffer(view));
  EXPECT_TRUE(view.empty());
}

TEST(FileStream, ByteAtATimeReadingDoesNotCallTheSystemPerByte) {
  TempDir dir;
  const std::string data(1 << 20, 'q');
  { TFileStream(dir.File("big.bin"), fmCreate).WriteBuffer(data.data(), data.size()); }
  TFileStream f(dir.File("big.bin"), fmOpenRead);
  const long long before = SystemReadCalls();
  char c;
  std::size_t count = 0;
  while (f.Read(&c, 1) == 1) {
    ++count;
    if (count % 4099 == 0) {
      ASSERT_EQ(f.Position(), static_cast<std::int64_t>(count));
    }
  }
  const long long after = SystemReadCalls();
  EXPECT_EQ(count, data.size());
  EXPECT_EQ(f.Position(), static_cast<std::int64_t>(data.size()));
  if (before < 0) GTEST_SKIP() << "/proc/self/io not available";
  // One call per 64 KiB window plus the final empty read, with a little slack.
  EXPECT_LT(after - before, 40);
}

TEST(FileStream, CopyFromAnotherFile) {
  TempDir dir;
  std::string data;
  for (int i = 0; i < 100000; ++i) data.push_back(static_cast<char>(i));
  { TFileStream(dir.File("src.bin"), fmCreate).WriteBuffer(data.data(), data.size()); }
  {
    TFileStream src(dir.File("src.bin"), fmOpenRead);
    TFileStream dst(dir.File("dst.bin"), fmCreate);
    EXPECT_EQ(dst.CopyFrom(src, 0), static_cast<std::int64_t>(data.size()));
  }
  EXPECT_EQ(ReadAll(dir.Native("dst.bin")), data);
}

}  // namespace
}  // namespace krv
