#include "korvex/platform/textfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
 protected:
  TextFileTest() : tmp_("korvex_textfile"), dir_(tmp_.Path()) {}
  ~TextFileTest() override {
    SetIOChecks(true);
    IOResult();
  }
  String Name(const std::string& n) const { return ToUtf16((dir_ / n).string()); }
  void Put(const std::string& n, const std::string& bytes) const {
    std::ofstream(dir_ / n, std::ios::binary) << bytes;
  }
  std::string Get(const std::string& n) const {
    std::ifstream in(dir_ / n, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  int CodeOf(const std::function<void()>& op) {
    try {
      op();
    } catch (const EInOutError& e) {
      return e.ErrorCode();
    }
    return 0;
  }

  testing::TempDir tmp_;
  fs::path dir_;
};

TEST_F(TextFileTest, WritesCrLfAndWindows1252) {
  TextFile f;
  AssignFile(f, Name("out.txt"));
  Rewrite(f);
  WriteLn(f, u"caf\u00E9 \u20AC");
  Write(f, u"x\u263A");
  f.Write(u'!');
  WriteLn(f);
  CloseFile(f);
  EXPECT_EQ(Get("out.txt"), "caf\xE9 \x80\r\nx?!\r\n");
}

TEST_F(TextFileTest, ReadsLinesEndingInLfOrCrLf) {
  Put("in.txt", "one\r\ntwo\nthree\rstill three\r\n\nlast");
  TextFile f;
  f.Assign(Name("in.txt"));
  f.Reset();
  const String expected[] = {u"one", u"two", u"three\rstill three", u"", u"last"};
  for (const String& e : expected) {
    ASSERT_FALSE(f.Eof());
    EXPECT_EQ(f.ReadLn(), e);
  }
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.ReadLn(), u"");  // reading past the end is no error
  EXPECT_EQ(f.ReadChar(), Char{26});
  f.Close();
}

TEST_F(TextFileTest, LinesLongerThanTheBuffer) {
  const std::string long_line(200000, 'a');
  Put("long.txt", long_line + "\r\n" + "b\r\n");
  TextFile f;
  f.Assign(Name("long.txt"));
  f.Reset();
  EXPECT_EQ(f.ReadLn(), String(200000, u'a'));
  EXPECT_EQ(f.ReadLn(), u"b");
  EXPECT_TRUE(f.Eof());
}

TEST_F(TextFileTest, ReadCharAndEoln) {
  Put("c.txt", "a\r\nb\rc\n");
  TextFile f;
  f.Assign(Name("c.txt"));
  f.Reset();
  EXPECT_FALSE(f.Eoln());
  EXPECT_EQ(f.ReadChar(), u'a');
  EXPECT_TRUE(f.Eoln());
  EXPECT_EQ(f.ReadChar(), u'\r');
  EXPECT_TRUE(f.Eoln());
  EXPECT_EQ(f.ReadChar(), u'\n');
  EXPECT_EQ(f.ReadChar(), u'b');
  EXPECT_FALSE(f.Eoln());  // a lone CR is text
  f.ReadLn();
  EXPECT_TRUE(f.Eof());
  EXPECT_TRUE(f.Eoln());
}

TEST_F(TextFileTest, EolnSeesCrLfAcrossTheBufferBoundary) {
  const std::size_t n = 64 * 1024 - 1;
  Put("edge.txt", std::string(n, 'x') + "\r\nz");
  TextFile f;
  f.Assign(Name("edge.txt"));
  f.Reset();
  for (std::size_t i = 0; i < n; ++i) f.ReadChar();
  EXPECT_TRUE(f.Eoln());
  EXPECT_EQ(f.ReadLn(), u"");
  EXPECT_EQ(f.ReadLn(), u"z");
}

TEST_F(TextFileTest, ReadsIntegers) {
  Put("n.txt", "  12 -7\r\n$1F\t0x10 +5 -2147483648 2147483647 $FFFFFFFF\r\n  ");
  TextFile f;
  f.Assign(Name("n.txt"));
  f.Reset();
  const Integer expected[] = {12, -7, 31, 16, 5, INT32_MIN, INT32_MAX, -1};
  for (Integer e : expected) {
    Integer v = 99;
    Read(f, v);
    EXPECT_EQ(v, e);
  }
  EXPECT_TRUE(f.SeekEof());
  EXPECT_EQ(f.ReadInteger(), 0);  // nothing left: 0, no error
}

TEST_F(TextFileTest, BadNumbersAreError106) {
  const char* cases[] = {"12a", "-", "2147483648", "$", "0x", "--1", "$100000000"};
  for (const char* text : cases) {
    Put("bad.txt", text);
    TextFile f;
    f.Assign(Name("bad.txt"));
    f.Reset();
    EXPECT_EQ(CodeOf([&] { f.ReadInteger(); }), kIoInvalidInput) << text;
  }
}

TEST_F(TextFileTest, ErrorsRaiseWithTheirCode) {
  TextFile f;
  EXPECT_EQ(CodeOf([&] { f.Reset(); }), kIoFileNotAssigned);
  f.Assign(Name("missing.txt"));
  EXPECT_EQ(CodeOf([&] { f.Reset(); }), kIoFileNotFound);
  EXPECT_EQ(CodeOf([&] { f.Append(); }), kIoFileNotFound);
  EXPECT_EQ(CodeOf([&] { f.ReadLn(); }), kIoFileNotOpen);
  EXPECT_EQ(CodeOf([&] { f.Close(); }), kIoFileNotOpen);
  f.Assign(Name("nodir/x.txt"));
#ifdef _WIN32
  EXPECT_EQ(CodeOf([&] { f.Rewrite(); }), kIoPathNotFound);  // Windows names the missing folder
#else
  EXPECT_EQ(CodeOf([&] { f.Rewrite(); }), kIoFileNotFound);
#endif
  f.Assign(Name("w.txt"));
  f.Rewrite();
  EXPECT_EQ(CodeOf([&] { f.ReadLn(); }), kIoNotOpenForInput);
  EXPECT_EQ(CodeOf([&] { f.Eof(); }), kIoNotOpenForInput);
  f.Close();
  f.Reset();
  EXPECT_EQ(CodeOf([&] { f.WriteLn(u"x"); }), kIoNotOpenForOutput);
  try {
    f.Write(u"x");
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), u"File not open for output");
  }
  f.Assign(dir_.u16string());  // a directory
  EXPECT_EQ(CodeOf([&] { f.Reset(); }), kIoAccessDenied);
}

TEST_F(TextFileTest, WithChecksOffErrorsWaitInIOResult) {
  TextFile f;
  f.Assign(Name("missing.txt"));
  {
    IOChecksOff off;
    EXPECT_FALSE(IOChecks());
    f.Reset();
    // While the error is pending every operation does nothing.
    f.Assign(Name("ok.txt"));
    f.Rewrite();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(IOResult(), kIoFileNotFound);
    EXPECT_EQ(IOResult(), 0);
    f.Rewrite();
    EXPECT_EQ(IOResult(), 0);
    EXPECT_TRUE(f.IsOpen());
    f.WriteLn(u"kept");
    f.Close();
  }
  EXPECT_TRUE(IOChecks());
  EXPECT_EQ(Get("ok.txt"), "kept\r\n");
  // A pending error raises at the next checked operation.
  {
    IOChecksOff off;
    f.Close();
  }
  EXPECT_EQ(CodeOf([&] { f.Reset(); }), kIoFileNotOpen);
  EXPECT_EQ(IOResult(), 0);
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"kept");
}

TEST_F(TextFileTest, AppendAndResetRewind) {
  TextFile f;
  f.Assign(Name("a.txt"));
  f.Rewrite();
  f.WriteLn(u"1");
  f.Close();
  f.Append();
  f.WriteLn(u"2");
  f.Reset();  // closes (writing pending output) and reopens at the start
  EXPECT_EQ(f.ReadLn(), u"1");
  f.Reset();
  EXPECT_EQ(f.ReadLn(), u"1");
  EXPECT_EQ(f.ReadLn(), u"2");
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(Get("a.txt"), "1\r\n2\r\n");
}

TEST_F(TextFileTest, LargeOutputSurvivesBufferFlushes) {
  TextFile f;
  f.Assign(Name("big.txt"));
  f.Rewrite();
  std::string expected;
  for (int i = 0; i < 30000; ++i) {
    const std::string line = "line " + std::to_string(i);
    f.WriteLn(ToUtf16(line));
    expected += line + "\r\n";
  }
  f.Close();
  EXPECT_EQ(Get("big.txt"), expected);
  f.Reset();
  int n = 0;
  while (!f.Eof()) {
    ASSERT_EQ(f.ReadLn(), ToUtf16("line " + std::to_string(n)));
    ++n;
  }
  EXPECT_EQ(n, 30000);
}

TEST_F(TextFileTest, DestructorWritesPendingOutput) {
  {
    TextFile f;
    f.Assign(Name("d.txt"));
    f.Rewrite();
    f.Write(u"abc");
  }
  EXPECT_EQ(Get("d.txt"), "abc");
}

}  // namespace
}  // namespace krv
