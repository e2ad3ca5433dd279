// krv ascii85: the library's form through files and pipes, Adobe's form (--adobe, --wrap)
// beside Python's base64.a85encode / a85decode, and malformed text refused with exit 2.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "korvex/dstruct/ascii85.h"
#include "korvex/platform/stream.h"
#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

struct Case {
  const char* args;
  std::string input;
  int status;
  std::string out;
  std::string err;  // the start of standard error
};

TEST(KrvAscii85, TableOfCases) {
  const std::string kBad = "krv ascii85: -: malformed ASCII85 text: ";
  const std::string kCut = kBad + "no terminator '~>': the text is cut short after byte ";
  const std::string kAfter = kBad + "text after the terminator '~>' at byte ";
  const Case cases[] = {
      {"encode", "abc", 0, "+B>H~>", ""},
      {"encode -", "", 0, "~>", ""},
      {"decode", "+B>H~>", 0, "abc", ""},
      {"decode", "+B\r\n>H~>tail", 0, "abc", ""},
      {"encode --adobe", "abc", 0, "<~@:E^~>", ""},
      {"encode -a", std::string(4, '\0') + "ab", 0, "<~z@:B~>", ""},
      {"encode -a -w 4", "abcdefgh", 0, "<~@:\nE_WA\nS,Rg\n~>", ""},
      {"encode -w 3", "abcd", 0, "@:E\n_W\n~>", ""},
      // Adobe's framing, white space anywhere, the start optional.
      {"decode --adobe", "<~@:E^~>", 0, "abc", ""},
      {"decode -a", " <~ @:\n\tE^ ~>", 0, "abc", ""},
      {"decode -a", "@:E_WAS,Rg~>", 0, "abcdefgh", ""},
      {"decode -a", "<~z~>", 0, std::string(4, '\0'), ""},
      {"decode -a", "<~~>", 0, "", ""},
      {"decode -a", "<>+09aS~>", 0, "U\x12\xDE\xD1\xC8", ""},  // '<' as a digit
      // Adobe's text is refused without --adobe; malformed text of either form is an error
      // that names the byte of the fault (from 1) and writes nothing.
      {"decode", "<~@:E^~>", 2, "",
       "krv ascii85: -: the text starts with '<~' (Adobe's framing) at byte 1: decode it with "
       "--adobe\n"},
      {"decode", "\r\n<\n~@:E^~>", 2, "",
       "krv ascii85: -: the text starts with '<~' (Adobe's framing) at byte 3"},
      {"decode", "+B>H", 2, "", kCut + "4\n"},
      {"decode", "+B>H~", 2, "", kCut + "5\n"},
      {"decode", "", 2, "", kCut + "0\n"},
      {"decode", "@:E_W!~>", 2, "", kBad + "a final group of one character at byte 7\n"},
      {"decode", "vvvvv~>", 2, "", kBad + "a character outside '!'..'u' at byte 1\n"},
      {"decode", "9j o^~>", 2, "", kBad + "a character outside '!'..'u' at byte 3\n"},
      {"decode", "9j\r\n o^~>", 2, "", kBad + "a character outside '!'..'u' at byte 5\n"},
      {"decode", "9jzo^~>", 2, "", kBad + "'z' inside a group at byte 3\n"},
      {"decode", "9jzo^9j o^~>", 2, "", kBad + "'z' inside a group at byte 3\n"},  // the first
      {"decode", "s8W-\"~>", 2, "", kBad + "a group too large for its bytes at byte 5\n"},
      {"decode", "9jqo^uu~>", 2, "", kBad + "a group too large for its bytes at byte 8\n"},
      {"decode", "+B>H~x", 2, "", kBad + "'~' without '>' at byte 6\n"},
      {"decode -a", "<~@:E_W!~>", 2, "", kBad + "a final group of one character at byte 10\n"},
      {"decode -a", "<~@:E^", 2, "", kCut + "6\n"},
      {"decode -a", "<~@:zE^~>", 2, "", kBad + "'z' inside a group at byte 5\n"},
      {"decode -a", "<~s8W-\"~>", 2, "", kBad + "a group too large for four bytes at byte 7\n"},
      {"decode -a", "<~@:E^~x", 2, "", kBad + "'~' without '>' at byte 8\n"},
      {"decode -a", "<~@:{E^~>", 2, "", kBad + "a character outside '!'..'u' at byte 5\n"},
      // As Python's a85decode(adobe=True): one framed text, nothing after its "~>".
      {"decode -a", "<~9jqo~><~9jqo~>", 2, "", kAfter + "9\n"},
      {"decode -a", "<~9jqo~>\n", 2, "", kAfter + "9\n"},
      {"decode -a", " <~ @:\n\tE^ ~> ", 2, "", kAfter + "14\n"},
      {"decode -a", "9jqo~>~>", 2, "", kAfter + "7\n"},
      {"decode --wrap 3", "", 2, "", "krv ascii85: --wrap applies to encode only\n"},
      {"encode --wrap -5", "", 2, "", "krv ascii85: --wrap: "},
      {"rot13", "", 2, "", "krv ascii85: MODE: invalid value 'rot13' (choose encode or decode)\n"},
  };
  const TempDir dir("krv_ascii85");
  for (const Case& c : cases) {
    const KrvRun r = RunKrv(dir, "ascii85 " + std::string(c.args), c.input);
    EXPECT_EQ(r.status, c.status) << c.args << " < " << c.input << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args << " < " << c.input;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << " < " << c.input << "\n" << r.err;
  }
}

// Decoded bytes for standard output are held back until the whole text is known sound, also
// beyond what is held in memory; a named output is left as it was.
TEST(KrvAscii85, MalformedTextWritesNothing) {
  const TempDir dir("krv_ascii85_held");
  std::mt19937 gen(8);
  std::string data(3 << 20, '\0');
  for (char& c : data) c = static_cast<char>(gen());
  TStringStream in(data), text(std::string{});
  EncodeASCII85(in, text);
  const std::string good = text.Bytes();
  const std::string bad = good.substr(0, good.size() - 2) + "v~>";  // the fault at the end
  const std::string at = std::to_string(good.size() - 1);
  dir.Write("good", good);
  dir.Write("bad", bad);
  dir.Write("kept", "kept");
  const struct {
    const char* args;
    const std::string& input;
    int status;
    const std::string& out;
  } cases[] = {
      {"decode good", "", 0, data}, {"decode", good, 0, data},         {"decode bad", "", 2, ""},
      {"decode", bad, 2, ""},       {"decode bad -o kept", "", 2, ""},
  };
  for (const auto& c : cases) {
    const KrvRun r = RunKrv(dir, std::string("ascii85 ") + c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.out == c.out) << c.args << ": " << r.out.size() << " bytes";
    if (c.status != 0) {
      EXPECT_NE(r.err.find("a character outside '!'..'u' at byte " + at + "\n"), std::string::npos)
          << r.err;
    }
  }
  EXPECT_EQ(dir.Read("kept"), "kept");
}

// The library's form through files and a pipe, the same text as EncodeASCII85 writes.
TEST(KrvAscii85, LibraryFormThroughFilesAndPipes) {
  const TempDir dir("krv_ascii85_files");
  std::mt19937 gen(6);
  std::string data(100003, '\0');
  for (char& c : data) c = static_cast<char>(gen() % 4 == 0 ? 0 : gen());
  dir.Write("data", data);
  TStringStream in(data), text(std::string{});
  EncodeASCII85(in, text);

  EXPECT_EQ(RunKrv(dir, "ascii85 encode data -o text").status, 0);
  EXPECT_EQ(dir.Read("text"), text.Bytes());
  EXPECT_EQ(RunKrv(dir, "ascii85 decode text --output back").status, 0);
  EXPECT_EQ(dir.Read("back"), data);
  const KrvRun encoded = RunKrv(dir, "ascii85 encode", data);  // standard input to output
  EXPECT_EQ(encoded.status, 0);
  EXPECT_EQ(RunKrv(dir, "ascii85 decode - -o piped", encoded.out).status, 0);
  EXPECT_EQ(dir.Read("piped"), data);
}

// Every byte value (CR, LF and Ctrl-Z among them) through standard input and output, from a
// pipe and from redirected files: no text-mode translation anywhere.
TEST(KrvAscii85, AllByteValuesThroughStandardStreams) {
  const TempDir dir("krv_ascii85_bytes");
  std::string data;
  for (int i = 0; i < 512; ++i) data += static_cast<char>(i % 256);
  data += "\r\n\x1a\n\r";
  TStringStream in(data), text(std::string{});
  EncodeASCII85(in, text);
  const KrvRun encoded = RunKrv(dir, "ascii85 encode", data);
  EXPECT_EQ(encoded.out, text.Bytes());
  const KrvRun decoded = RunKrv(dir, "ascii85 decode", encoded.out);
  EXPECT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(decoded.out, data);
  dir.Write("bytes", data);
  EXPECT_EQ(RunKrv(dir, "ascii85 encode < bytes > text").status, 0);
  EXPECT_EQ(RunKrv(dir, "ascii85 decode < text > back").status, 0);
  EXPECT_EQ(dir.Read("back"), data);
}

// Writes data_N and python_N (its Adobe text) for each length, then checks krv_N.
constexpr char kPythonScript[] = R"(import base64, random, sys
lengths = list(range(41)) + [1 << 20]
if sys.argv[1] == "make":
    for n in lengths:
        data = bytearray(random.Random(n).randbytes(n))
        data[n // 3 : n // 3 + 8] = bytes(len(data[n // 3 : n // 3 + 8]))  # zero groups
        open(f"data_{n}", "wb").write(data)
        open(f"python_{n}", "wb").write(base64.a85encode(data, adobe=True))
    open("python_wrapped", "wb").write(base64.a85encode(data, adobe=True, wrapcol=76))
else:
    bad = [n for n in lengths
           if base64.a85decode(open(f"krv_{n}", "rb").read(), adobe=True)
           != open(f"data_{n}", "rb").read()]
    print("differ:", bad if bad else "none")
)";

TEST(KrvAscii85, AdobeFormRoundTripsWithPython) {
  const std::optional<std::filesystem::path> python = testing::FindProgram("python3");
  if (!python)
    GTEST_SKIP() << "python3 is absent: the round trips with base64.a85encode are not run";
  const TempDir dir("krv_ascii85_python");
  dir.Write("a85.py", kPythonScript);
  const testing::ProcessOptions in_dir = testing::InDir(dir.Path());
  ASSERT_EQ(testing::RunProcess({python->string(), "a85.py", "make"}, in_dir).status, 0);
  std::vector<int> lengths;
  for (int n = 0; n <= 40; ++n) lengths.push_back(n);
  lengths.push_back(1 << 20);
  for (int n : lengths) {
    const std::string id = std::to_string(n);
    ASSERT_EQ(RunKrv(dir, "ascii85 encode --adobe data_" + id + " -o krv_" + id).status, 0);
    EXPECT_EQ(dir.Read("krv_" + id), dir.Read("python_" + id)) << n;
    ASSERT_EQ(RunKrv(dir, "ascii85 decode --adobe python_" + id + " -o back_" + id).status, 0);
    EXPECT_EQ(dir.Read("back_" + id), dir.Read("data_" + id)) << n;
  }
  ASSERT_EQ(RunKrv(dir, "ascii85 encode -a --wrap 76 data_1048576 -o krv_wrapped").status, 0);
  EXPECT_EQ(dir.Read("krv_wrapped"), dir.Read("python_wrapped"));
  const KrvRun check = testing::RunProcess({python->string(), "a85.py", "check"}, in_dir);
  EXPECT_EQ(check.out, "differ: none\n") << check.err;
}

}  // namespace
}  // namespace krv
