// krv html: fill and words on files and standard input. THtmlProducer and CountWordsHTML
// themselves are tested with the library; the shared conventions in conventions_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

struct Case {
  std::string args, input;
  int status;
  std::string out, err;
};

void RunCases(const TempDir& dir, const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    const KrvRun r = RunKrv(dir, "html " + c->args, c->input);
    EXPECT_EQ(r.status, c->status) << c->args << "\n" << r.err;
    EXPECT_EQ(r.out, c->out) << c->args;
    EXPECT_EQ(r.err.substr(0, c->err.size()), c->err) << c->args;
    if (c->err.empty()) {
      EXPECT_EQ(r.err, "") << c->args;
    }
  }
}

TEST(KrvHtml, Fill) {
  const TempDir dir("krv_html_fill");
  dir.Write("t", "<h1><#Title  lang=en ></h1><p><#date></p><#none><#NONE><p>");
  dir.Write("v", "# site values\r\n\r\n  TITLE \t= My <b>page</b>\r\ndate=\r\n");
  dir.Write("bad", "title=x\nno equals here\n");
  dir.Write("w", "<#a>\xE9");                  // Windows-1252
  dir.Write("u", "\xEF\xBB\xBF<#a>\xC3\xA9");  // UTF-8 with a byte order mark
  const Case cases[] = {
      {"fill t --values v", "", 0, "<h1> My <b>page</b></h1><p></p><#none><#NONE><p>",
       "krv html: t: no value for tag none\n"},
      {"fill --set title=A --set TITLE=B --set date=1=2 --set none= t", "", 0,
       "<h1>B</h1><p>1=2</p><p>", ""},
      {"fill --values v --set title=T t", "", 0, "<h1>T</h1><p></p><#none><#NONE><p>",
       "krv html: t: no value for tag none\n"},
      {"fill --set a=1", "x<#A y>z<#b", 0, "x1z<#b", "krv html: -: no value for tag b\n"},
      {"fill --strict t --set title=x", "", 2, "", "krv html: t: no value for tag date\n"},
      {"fill --set 'a=\xE2\x82\xAC \xC5\x82' w", "", 0, "\x80 &#322;\xE9", ""},
      {"fill --set 'a=\xC5\x82' u", "", 0, "\xC5\x82\xC3\xA9", ""},
      {"fill --set a=x --encoding=utf-8 w", "", 2, "", "krv html: w: not valid UTF-8 at byte 5"},
      {"fill --set a=x --encoding=windows-1252 u", "", 0, "\xEF\xBB\xBFx\xC3\xA9", ""},
      {"fill --values bad t", "", 2, "", "krv html: bad:2: expected NAME=VALUE\n"},
      {"fill --set =x t", "", 2, "", "krv html: --set: expected NAME=VALUE: =x\n"},
      {"fill --set x t", "", 2, "", "krv html: --set: expected NAME=VALUE: x\n"},
      {"fill missing", "", 2, "", "krv html: missing: No such file or directory\n"},
      {"fill --values missing t", "", 2, "", "krv html: missing: No such file or directory\n"},
      {"fill --set a=1 -o t t", "", 2, "", "krv html: t and t are the same file\n"},
      {"fill --values v -o v t", "", 2, "", "krv html: v and v are the same file\n"},
      {"fill --frob t", "", 2, "", "krv html fill: unknown option '--frob'\n"},
  };
  RunCases(dir, std::begin(cases), std::end(cases));
  // --strict leaves no output file behind; -o writes one.
  const KrvRun strict = RunKrv(dir, "html fill --strict -o out t");
  EXPECT_EQ(strict.status, 2);
  EXPECT_EQ(strict.err.rfind("krv html: t: no value", 0), 0u) << strict.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
  const KrvRun to_file = RunKrv(dir, "html fill -o out --set a=ok", "<#a>");
  EXPECT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out + to_file.err, "");
  EXPECT_EQ(dir.Read("out"), "ok");
}

// A tag's name in a warning stays on one line: control characters escaped, a long name (an
// unterminated tag runs to the end of the template) cut after 40 characters.
TEST(KrvHtml, WarningsAreOneLine) {
  const TempDir dir("krv_html_warn");
  const std::string long_name(60, 'n');
  const std::string e_acute = "\xC3\xA9";
  std::string accents;
  for (int i = 0; i < 45; ++i) accents += e_acute;
  const struct {
    std::string input, name;
  } cases[] = {
      {"a<#tag\nmore", "\"tag\\nmore\""},
      {"<#x\r\n</p>", "\"x\\r\\n</p\""},
      {"<#t\x01\tq\"\\ y>", "\"t\\x01\\tq\\\"\\\\\""},
      {"<#" + long_name, "\"" + long_name.substr(0, 40) + "...\""},
      {"<#" + accents, "\"" + accents.substr(0, 80) + "...\""},  // cut between characters
      {"<#plain>", "plain"},
      {"<# >", "\"\""},
  };
  for (const auto& c : cases) {
    const KrvRun r = RunKrv(dir, "html fill", c.input);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_EQ(r.out, c.input);
    EXPECT_EQ(r.err, "krv html: -: no value for tag " + c.name + "\n") << c.input;
  }
}

TEST(KrvHtml, Words) {
  const TempDir dir("krv_html_words");
  // The tag <p\nclass=x> spans two lines: its second line is skipped up to the '>'.
  dir.Write("page", "<b>Hello</b> world \r\n<p\nclass=x>one two 12 a\r\nlast");
  const Case cases[] = {
      {"words page", "", 0, "6\n", ""},
      {"words --ignore-numbers page", "", 0, "5\n", ""},
      {"words", "<p>x y 12 ab ", 0, "2\n", ""},
      {"words --ignore-numbers -", "<p>x y 12 ab ", 0, "1\n", ""},
      {"words", "", 0, "0\n", ""},
      {"words", "<a href='x y'>", 0, "0\n", ""},
      {"words", "caf\xC3\xA9 bar", 0, "2\n", ""},
      {"words .", "", 2, "", "krv html: .: Is a directory\n"},
      {"words page > /dev/full", "", 2, "", "krv html: write error: No space left on device\n"},
      {"", "", 2, "", "krv html: no mode given (choose fill or words)\n"},
  };
  RunCases(dir, std::begin(cases), std::end(cases));
}

}  // namespace
}  // namespace krv
