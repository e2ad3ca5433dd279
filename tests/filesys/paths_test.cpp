#include "korvex/filesys/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "korvex/platform/text.h"

namespace krv {
namespace {

std::string U8(const String& s) {
  return ToUtf8(s);
}

struct Case {
  String in, out;
};

void CheckTable(String (*fn)(const String&), std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(U8(fn(c.in)), U8(c.out)) << "input " << U8(c.in);
}

TEST(Paths, StripPath) {
  CheckTable(StripPath, {{u"C:\\a\\b.txt", u"b.txt"},
                         {u"C:b.txt", u"b.txt"},
                         {u"C:\\a\\", u""},
                         {u"name", u"name"},
                         {u"", u""},
                         {u"a/b", u"a/b"}});
}

TEST(Paths, StripExtension) {
  CheckTable(StripExtension, {{u"C:\\x\\data.tar.gz", u"C:\\x\\data.tar"},
                              {u"C:\\a.b\\name", u"C:\\a.b\\name"},
                              {u"C:\\home\\.profile", u"C:\\home\\"},
                              {u"name.", u"name"},
                              {u"C:x.y", u"C:x"},
                              {u"", u""}});
}

TEST(Paths, ParentDir) {
  CheckTable(ParentDir, {{u"C:\\a\\b\\", u"C:\\a\\"},
                         {u"C:\\a\\b", u"C:\\a\\"},
                         {u"C:\\a", u"C:\\"},
                         {u"C:\\", u""},
                         {u"abc", u""},
                         {u"x/y", u"x/"},
                         {u"/a/b/", u"/a/"},
                         {u"\\\\", u"\\"},
                         {u"", u""}});
}

TEST(Paths, ExtractDrive) {
  const std::pair<String, int> cases[] = {{u"c:\\x", 2},   {u"Z:", 25},
                                          {u"a:", 0},      {u"1:\\", 0},
                                          {u"\u00e4:", 0}, {u"\\\\server\\share", -1},
                                          {u"c", -1},      {u"", -1}};
  for (const auto& [in, drive] : cases) EXPECT_EQ(ExtractDrive(in), drive) << U8(in);
}

TEST(Paths, IsRootDir) {
  const std::pair<String, bool> cases[] = {{u"c:\\", true},    {u" D:\\ ", true}, {u"C:", false},
                                           {u"C:\\x", false},  {u"\\", false},    {u"", false},
                                           {u"c:\\\\", false}, {u"\tc:\\", false}};
  for (const auto& [in, root] : cases) EXPECT_EQ(IsRootDir(in), root) << U8(in);
}

TEST(Paths, IsDOS83Path) {
  const std::pair<String, bool> cases[] = {
      {u"C:\\PROGRA~1\\FILE.TXT", true},
      {u"", true},
      {u"C:\\MY FILE.TXT", false},    // blank
      {u"C:\\A+B.TXT", false},        // plus
      {u"C:\\DIR\\123456789", true},  // last component of 9
      {u"C:\\123456789\\A", false},   // inner component of 9
      {u"C:\\12345678\\A", true},     // inner component of 8
      {u"C:\\DIR.EXT\\FILE", true},   // dotted directory is one piece of 7
      {u"C:\\DIR.EXTEN\\F", false},   // ... of 9
      {u"123456789.TXT", false},      // 9 before the dot
      {u"12345678.TXT", true},
      {u"A.B.C.D", true},
      {u"!#$%&'()-.:@\\^_`{}~", false},  // all allowed, but a 10-character first piece
      {u"!#$%&'()\\-:@^_`{}~", true},
      {u"\u00e4.TXT", false},
      {u"A\x7f", false},
      {u"A/B", false},
      {u"\\\\\\\\", true},
  };
  for (const auto& [in, ok] : cases) EXPECT_EQ(IsDOS83Path(in), ok) << U8(in);
  EXPECT_TRUE(IsDOS83Path(String(100000, u'\\')));
  EXPECT_FALSE(IsDOS83Path(String(100000, u'a')));
}

TEST(Paths, AbridgeFilePath) {
  struct Row {
    String in;
    int maximum;
    String out;
  };
  const Row cases[] = {
      {u"C:\\dir1\\dir2\\file.txt", 15, u"C:\\..\\..\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 20, u"C:\\..\\dir2\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 21, u"C:\\..\\dir2\\file.txt"},
      {u"C:\\dir1\\dir2\\file.txt", 22, u"C:\\dir1\\dir2\\file.txt"},
      {u"/usr/local/share/file", 5, u"/../../../file"},
      {u"a/b\\c\\d", 1, u"a/b\\..\\d"},  // a backslash anywhere makes it the separator
      {u"nodelimiter", 0, u"nodelimiter"},
      {u"C:\\x\\y", 0, u"C:\\..\\y"},
      {u"C:\\x\\y", -2147483647 - 1, u"C:\\..\\y"},
      {u"C:\\x\\y", 2147483647, u"C:\\x\\y"},
      {u"\\\\\\", 0, u"\\..\\..\\"},  // empty names grow to `..`
      {u"", 0, u""},
  };
  for (const Row& r : cases) {
    EXPECT_EQ(U8(AbridgeFilePath(r.in, r.maximum)), U8(r.out)) << U8(r.in) << " " << r.maximum;
  }
  const String many(50000, u'\\');
  const String abridged = AbridgeFilePath(many, 0);
  EXPECT_EQ(abridged.size(), 1 + 3 * (many.size() - 1));
}

TEST(Paths, InsertBeforeFileExt) {
  struct Row {
    String text, in, out;
  };
  const Row cases[] = {
      {u"_old", u"C:\\x\\data.tar.gz", u"C:\\x\\data_old.tar.gz"},
      {u"_old", u"C:\\x.y\\data", u"C:\\x.y\\data_old"},
      {u"1", u".profile", u"1.profile"},
      {u"", u"a.b", u"a.b"},
      {u"x", u"", u"x"},
  };
  for (const Row& r : cases) EXPECT_EQ(U8(InsertBeforeFileExt(r.text, r.in)), U8(r.out));
}

TEST(Paths, EnsureDefaultFileExt) {
  struct Row {
    String in, ext, out;
  };
  const Row cases[] = {
      {u"C:\\a\\data", u"txt", u"C:\\a\\data.txt"},
      {u"C:\\a\\data", u".txt", u"C:\\a\\data.txt"},
      {u"C:\\a\\data.csv", u"txt", u"C:\\a\\data.csv"},
      {u"C:\\a\\data.", u"txt", u"C:\\a\\data."},
      {u"C:\\a.b\\data", u"txt", u"C:\\a.b\\data.txt"},
      {u"C:\\a\\data", u"", u"C:\\a\\data"},
      {u"", u"txt", u".txt"},
  };
  for (const Row& r : cases) EXPECT_EQ(U8(EnsureDefaultFileExt(r.in, r.ext)), U8(r.out));
}

}  // namespace
}  // namespace krv
