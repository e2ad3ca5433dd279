// krv url: encode and decode, byte by byte, on operands and on lines of standard input.
// URLEncode and URLDecode themselves are tested with the library.
#include <gtest/gtest.h>

#include <string>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

TEST(KrvUrl, Modes) {
  const TempDir dir("krv_url");
  struct Case {
    std::string args, input;
    int status;
    std::string out, err;
  };
  const Case cases[] = {
      {"encode 'a b/c'", "", 0, "a%20b%2Fc\n", ""},
      {"encode '100%' \"'\" '' x", "", 0, "100%25\n%27\n\nx\n", ""},
      {"encode ' !*'\"'\"'();:@&=+$,/?%#[]'", "", 0,
       "%20%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D\n", ""},
      {"encode '\xC3\xA9\t~'", "", 0, "\xC3\xA9\t~\n", ""},
      {"encode -", "a b\r\nc/d\n\nlast", 0, "a%20b\nc%2Fd\n\nlast\n", ""},
      {"encode -- -", "x y", 0, "x%20y\n", ""},
      {"decode %41%4 %zz %2541 a+b", "", 0, "A%4\n%zz\nA\na+b\n", ""},
      {"decode %C3%A9 %E9 %e9x", "", 0, "\xC3\xA9\n\xC3\xA9\n\xC3\xA9x\n", ""},
      {"decode -", "a%20b\r\n%2F\n", 0, "a b\n/\n", ""},
      {"decode '%2F%3A'", "", 0, "/:\n", ""},
      {"decode", "", 2, "", "krv url decode: missing TEXT operand"},
      {"encode - < .", "", 2, "", "krv url: -: Is a directory\n"},
      {"encode x > /dev/full", "", 2, "", "krv url: write error: No space left on device\n"},
      {"squash x", "", 2, "", "krv url: "},
  };
  int left_out = 0;
  for (const Case& c : cases) {
    if (testing::LacksPosixDevice(c.args)) {
      ++left_out;
      continue;
    }
    const KrvRun r = RunKrv(dir, "url " + c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
  }
  if (left_out > 0) GTEST_SKIP() << left_out << " rows need /dev files or a folder as input";
}

// Encoding then decoding gives the text back when it holds no %XX of its own.
TEST(KrvUrl, RoundTrip) {
  const TempDir dir("krv_url_round");
  const std::string text = "Grüße aus Köln: a/b?c=d&e=f#top [1] (x) 50% off";
  const KrvRun enc = RunKrv(dir, "url encode '" + text + "'");
  ASSERT_EQ(enc.status, 0);
  const KrvRun dec = RunKrv(dir, "url decode -", enc.out);
  EXPECT_EQ(dec.out, text + "\n");
}

}  // namespace
}  // namespace krv
