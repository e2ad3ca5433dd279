#include "korvex/filesys/textfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/casemap.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

String Name(const fs::path& p) {
  return ToUtf16(p.string());
}

// The number of lines as TextFile reads them, one ReadLn at a time.
std::int64_t ReadLnCount(const String& name) {
  TextFile f;
  f.Assign(name);
  f.Reset();
  std::int64_t n = 0;
  for (; !f.Eof(); ++n) f.ReadLn();
  return n;
}

TEST(TextFiles, CheckTextFileType) {
  const std::pair<std::string, TTextfileType> cases[] = {
      {"", tftUnknown},
      {std::string("\xFF\xFE\0\0", 4), tftUnicode4_le},
      {std::string("\xFF\xFE\0\x01", 4), tftUnicode_le},
      {"\xFF\xFE", tftUnicode_le},  // too short for a UTF-32 mark
      {std::string("\xFF\xFE\0", 3), tftUnicode_le},
      {std::string("\0\0\xFE\xFF", 4), tftUnicode4_be},
      {"\xFE\xFFx", tftUnicode_be},
      {"\xEF\xBB\xBFtext", tftUTF8},
      {"{\\rtf1", tftRTF},
      {"{\\", tftUnknown},
      {"plain", tftUnknown},
  };
  TempDir dir;
  for (const auto& [bytes, type] : cases) {
    dir.Write("f", bytes);
    EXPECT_EQ(int(CheckTextFileType(Name(dir.File("f")))), int(type)) << bytes.size();
  }
  IOChecksOff off;  // the error is raised whatever the caller's setting
  EXPECT_THROW(CheckTextFileType(Name(dir.File("missing"))), EInOutError);
  EXPECT_THROW(CheckTextFileType(Name(dir.Path())), EInOutError);
}

std::vector<double> g_feedback;
void Feedback(TObject* sender, double lines, double zero) {
  EXPECT_EQ(sender, nullptr);
  EXPECT_EQ(zero, 0.0);
  g_feedback.push_back(lines);
}

TEST(TextFiles, CountLinesEndsAndFeedback) {
  const std::pair<std::string, int> cases[] = {
      {"", 0},     {"a", 1},    {"a\n", 1},  {"a\r\n", 1}, {"a\r", 1},
      {"\n\n", 2}, {"a\nb", 2}, {"\r\r", 1}, {"\n", 1},    {"a\rb\r\nc", 2},
  };
  TempDir dir;
  for (const auto& [bytes, lines] : cases) {
    dir.Write("f", bytes);
    EXPECT_EQ(CountLinesInTextFile(Name(dir.File("f"))), lines) << bytes;
  }
  const std::pair<std::string, std::vector<double>> feedback[] = {
      {std::string(2500, '\n'), {1000, 2000}},
      {std::string(999, '\n') + "x", {1000}},  // an unfinished last line counts
      {std::string(999, '\n'), {}},
  };
  for (const auto& [bytes, calls] : feedback) {
    dir.Write("f", bytes);
    g_feedback.clear();
    CountLinesInTextFile(Name(dir.File("f")), &Feedback);
    EXPECT_EQ(g_feedback, calls);
  }
  IOChecksOff off;
  EXPECT_THROW(CountLinesInTextFile(Name(dir.File("missing"))), EInOutError);
}

// The block-wise count against TextFile's ReadLn on random text, with files that cross the
// reading blocks and lines that end right at a block's edge.
TEST(TextFiles, CountLinesMatchesReadLn) {
  TempDir dir;
  std::mt19937 rng(15);
  const char alphabet[] = "ab\r\n\n\n\x1a\xff";
  for (std::size_t size :
       {0u, 1u, 63u, 64u, 65u, 4095u, (1u << 20) - 1, 1u << 20, (1u << 20) + 1, (3u << 20) + 17}) {
    for (int density : {1, 200}) {
      std::string text(size, 'x');
      for (char& c : text) {
        if (rng() % density == 0) c = alphabet[rng() % (sizeof alphabet - 1)];
      }
      dir.Write("r", text);
      const String name = Name(dir.File("r"));
      ASSERT_EQ(CountLinesInTextFile(name), ReadLnCount(name)) << size << " " << density;
    }
  }
}

TEST(TextFiles, TextFileFormsLeaveTheFileAtItsStart) {
  TempDir dir;
  dir.Write("f", "one\r\ntwo\r\nthree");
  TextFile f;
  f.Assign(Name(dir.File("f")));
  EXPECT_EQ(CountLinesInTextFile(f), 3);
  EXPECT_EQ(ToUtf8(f.ReadLn()), "one");
  std::int32_t total = 0;
  const TStrArray last = ReadLastNLinesOfTextFile(f, 2, total);
  EXPECT_EQ(last, (TStrArray{u"two", u"three"}));
  EXPECT_EQ(total, 3);
  EXPECT_EQ(ToUtf8(f.ReadLn()), "one");
}

TEST(TextFiles, ReadLastNLines) {
  TempDir dir;
  dir.Write("one", "only\n");
  dir.Write("five", "1\n2\n3\n4\n5");
  struct Row {
    const char* file;
    std::int32_t n;
    TStrArray lines;
    std::int32_t total;
  };
  const Row rows[] = {
      {"one", 3, {u"", u"", u"only"}, 1},
      {"five", 2, {u"4", u"5"}, 5},
      {"five", 5, {u"1", u"2", u"3", u"4", u"5"}, 5},
      {"five", 0, {}, 5},
      {"five", -1, {}, 5},
      // Beyond the padding cap only the lines come back; nothing is allocated for n.
      {"five", INT32_MAX, {u"1", u"2", u"3", u"4", u"5"}, 5},
  };
  for (const Row& r : rows) {
    std::int32_t total = -1;
    EXPECT_EQ(ReadLastNLinesOfTextFile(Name(dir.File(r.file)), r.n, total), r.lines) << r.n;
    EXPECT_EQ(total, r.total);
  }
  std::int32_t total = 0;
  EXPECT_EQ(ReadLastNLinesOfTextFile(Name(dir.File("one")), kMaxTailPadding, total).size(),
            static_cast<std::size_t>(kMaxTailPadding));
}

TEST(TextFiles, ReadNextWord) {
  TempDir dir;
  dir.Write("w", "  ab\tcd\r\n\x01 e\xe4");
  TextFile f;
  f.Assign(Name(dir.File("w")));
  f.Reset();
  for (const char16_t* word : {u"ab", u"cd", u"e\u00e4", u"", u""}) {
    EXPECT_EQ(ToUtf8(ReadNextWordInTextFile(f)), ToUtf8(String(word)));
  }
}

TEST(TextFiles, FindFirstMatch) {
  TempDir dir;
  dir.Write("t", "first line\r\nSecond \xC4pfel\r\nthird second\n");
  struct Row {
    String text;
    bool ignore;
    std::int32_t pos;
    const char* line;
  };
  const Row rows[] = {
      {u"second", false, 7, "third second"},
      {u"second", true, 1, "Second \xC3\x84pfel"},
      {u"\u00e4PFEL", true, 8, "Second \xC3\x84pfel"},  // locale folding reaches umlauts
      {u"\u00e4pfel", false, 0, ""},
      {u"missing", true, 0, ""},
      {u"", false, 0, ""},
  };
  for (const Row& r : rows) {
    String line = u"stale";
    EXPECT_EQ(FindFirstMatchInTextFile(Name(dir.File("t")), r.text, r.ignore, line), r.pos);
    EXPECT_EQ(ToUtf8(line), r.line);
  }
}

TEST(TextFiles, DetectStringInFile) {
  TempDir dir;
  dir.Write("t", "xxabc\r\nhello\r\nyyXYZ \xC4\n");
  struct Row {
    String text;
    bool ignore;
    std::int32_t limit, result;
  };
  const Row rows[] = {
      {u"abc", false, 10, 3},    {u"abc", false, 2, 0}, {u"abc", false, 3, 3},
      {u"xyz", true, 100, 13},   {u"xyz", true, 12, 0}, {u"xyz", false, 100, 0},
      {u"\u00e4", true, 100, 0},  // only A-Z are folded
      {u"", false, 100, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DetectStringInFile(Name(dir.File("t")), r.text, r.ignore, r.limit), r.result)
        << ToUtf8(r.text) << " " << r.limit;
  }
}

TEST(TextFiles, EnsureCRLF) {
  const std::string edge(1 << 20, 'x');  // a CR at the end of the first reading block
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"a\rb", "a\r\nb"},
      {"a\r\nb\n", "a\r\nb\n"},
      {"a\r", "a\r\n"},
      {"\r\r\n\r", "\r\n\r\n\r\n"},
      {std::string("\0\xff\r", 3), std::string("\0\xff\r\n", 4)},
      {edge.substr(1) + "\ry", edge.substr(1) + "\r\ny"},
      {edge.substr(1) + "\r\n", edge.substr(1) + "\r\n"},
  };
  TempDir dir;
  for (const auto& [in, out] : cases) {
    dir.Write("in", in);
    EnsureCRLFInFile(Name(dir.File("in")), Name(dir.File("out")));
    EXPECT_EQ(dir.Read("out"), out) << in.size();
    TMemoryStream source, dest;
    source.WriteBuffer(in.data(), in.size());
    source.SetPosition(0);
    EnsureCRLFInStream(source, dest);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dest.Memory()), dest.Size()), out);
  }
}

// Reading and writing one file would truncate it before it is read: every spelling of the
// same file is refused and the file keeps its bytes.
TEST(TextFiles, EnsureCRLFRefusesItsOwnInput) {
  TempDir dir;
  dir.Write("Data.txt", "a\rb");
  fs::create_hard_link(dir.File("Data.txt"), dir.File("hard.txt"));
  const String in = Name(dir.File("Data.txt"));
  String windows = UnicodeUpperCase(FromNativePath(dir.File("Data.txt").string()));
  ASSERT_FALSE(windows.empty());
  std::vector<String> names = {in, windows, Name(dir.File("hard.txt"))};
#ifndef _WIN32  // symbolic links need a privilege there that the MinGW run-time does not ask for
  fs::create_symlink(dir.File("Data.txt"), dir.File("soft.txt"));
  names.push_back(Name(dir.File("soft.txt")));
#endif
  for (const String& out : names) {
    EXPECT_THROW(EnsureCRLFInFile(in, out), EInOutError) << ToUtf8(out);
    EXPECT_THROW(EnsureCRLFInFile(out, in), EInOutError) << ToUtf8(out);
    EXPECT_EQ(dir.Read("Data.txt"), "a\rb");
  }
}

TEST(TextFiles, AppendToTextFile) {
  TempDir dir;
  const String name = Name(dir.File("log.txt"));
  AppendToTextFile(name, u"first");
  TStringList more;
  more.Add(u"second");
  more.Add(u"\u00e9\u263a");
  AppendToTextFile(name, more);
  EXPECT_EQ(dir.Read("log.txt"), "first\r\nsecond\r\n\xe9?\r\n");
  IOChecksOff off;
  EXPECT_THROW(AppendToTextFile(Name(dir.File("no/such/dir.txt")), u"x"), EInOutError);
  ::chmod(dir.File("log.txt").string().c_str(), 0444);  // refused even for root by the file layer
  EXPECT_THROW(AppendToTextFile(name, u"x"), EInOutError);
  EXPECT_EQ(dir.Read("log.txt"), "first\r\nsecond\r\n\xe9?\r\n");
}

struct AscResult {
  std::int32_t status, first, second;
  bool f1, f2, f3, f4;
  bool operator==(const AscResult&) const = default;
};

AscResult AscOfFile(const TempDir& dir, const std::string& bytes, String* title = nullptr) {
  dir.Write("h.asc", bytes);
  AscResult r{};
  String t;
  r.status = ReadHeaderOfASC(Name(dir.File("h.asc")), t, r.first, r.second, r.f1, r.f2, r.f3, r.f4);
  if (title) *title = t;
  return r;
}

AscResult AscOfStream(const std::string& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), bytes.size());
  s.SetPosition(0);
  AscResult r{};
  String t;
  r.status = ReadHeaderOfASC(s, t, r.first, r.second, r.f1, r.f2, r.f3, r.f4);
  return r;
}

TEST(TextFiles, ReadHeaderOfASC) {
  struct Row {
    std::string bytes;
    AscResult file, stream;
  };
  const Row rows[] = {
      {"T\r\n12\r\n-3\r\nTRUE FALSE TRUE\r\n", {0, 12, -3, 1, 0, 1, 0}, {0, 12, -3, 1, 0, 1, 0}},
      {"T\r\n1\r\n2\r\n true  false\tfalse TRUE \r\n",
       {0, 1, 2, 1, 0, 0, 1},
       {-3, 1, 2, 1, 0, 0, 0}},
      {"T\r\n1\r\n2\r\nTRUE MAYBE\r\n", {-3, 1, 2, 1, 0, 0, 0}, {-3, 1, 2, 1, 0, 0, 0}},
      {"T\r\nTRUEFALSEFALSEtruex", {-1, 0, 0, 0, 0, 0, 0}, {-3, 0, 0, 0, 0, 0, 0}},
      {"T\r\n1\r\nx\r\n", {-2, 1, 0, 0, 0, 0, 0}, {-3, 1, 0, 0, 0, 0, 0}},
      {"T\n1\n2\nTRUE TRUE TRUE TRUE\n", {0, 1, 2, 1, 1, 1, 1}, {-4, 0, 0, 0, 0, 0, 0}},
      {"T\r1\r2\rFALSE FALSE FALSE FALSE\r", {-3, 0, 0, 0, 0, 0, 0}, {0, 1, 2, 0, 0, 0, 0}},
      {"", {-3, 0, 0, 0, 0, 0, 0}, {-3, 0, 0, 0, 0, 0, 0}},
  };
  TempDir dir;
  for (const Row& r : rows) {
    EXPECT_EQ(AscOfFile(dir, r.bytes), r.file) << r.bytes;
    EXPECT_EQ(AscOfStream(r.bytes), r.stream) << r.bytes;
  }
  String title;
  AscOfFile(dir, "Caf\xe9 run\r\n1\r\n2\r\nTRUE TRUE TRUE\r\n", &title);
  EXPECT_EQ(ToUtf8(title), "Caf\xc3\xa9 run");
}

TEST(TextFiles, FileDetect) {
  TempDir dir;
  fs::create_directories(dir.File("a/b"));
  fs::create_directories(dir.File(".hidden"));
  dir.Write("a/b/Target.TXT", "x");
  dir.Write(".hidden/target.txt", "x");
  dir.Write("a/other.txt", "x");
#ifndef _WIN32  // symbolic links need a privilege there that the MinGW run-time does not ask for
  fs::create_directory_symlink(dir.Path(), dir.File("a/loop"));
#endif
  const String root = FromNativePath(dir.Path().string()) + u"\\";
  const String upper = UnicodeUpperCase(root);
  EXPECT_EQ(ToUtf8(FileDetect(root + u"target.txt")), ToUtf8(upper + u"A\\B\\Target.TXT"));
  EXPECT_EQ(ToUtf8(FileDetect(root + u"OTHER.TXT")), ToUtf8(upper + u"A\\other.txt"));
  EXPECT_EQ(ToUtf8(FileDetect(root + u"a")), "");  // directories are not files
  EXPECT_EQ(ToUtf8(FileDetect(root + u"missing.txt")), "");
  EXPECT_EQ(ToUtf8(FileDetect(root)), "");
  // `/` separates as `\` does: the search starts in the folder named, not the current one.
  const String slashed = FromNativeName(dir.File("a/b").generic_string()) + u"/OTHER.TXT";
  EXPECT_EQ(ToUtf8(FileDetect(slashed)), "");
  EXPECT_NE(ToUtf8(FileDetect(FromNativeName(dir.File("a").generic_string()) + u"/target.txt")),
            "");
}

}  // namespace
}  // namespace krv
