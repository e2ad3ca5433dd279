// krv rle: files and pipes round trip; a cut run is an error. The coding itself is tested with
// the library (tests/dstruct/rle_test.cpp); the shared conventions in conventions_test.cpp.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

TEST(KrvRle, RoundTripsThroughFilesAndPipes) {
  const TempDir dir("krv_rle");
  std::mt19937 gen(3);
  std::string data;
  while (data.size() < 300000) {  // literals, the escape byte 0xA5 and runs up to 1000 long
    const char v = static_cast<char>(gen() % 3 == 0 ? 0xA5 : gen());
    data.append(gen() % 3 == 0 ? gen() % 1000 : 1, v);
  }
  dir.Write("data", data);
  EXPECT_EQ(RunKrv(dir, "rle encode data -o data.rle").status, 0);
  EXPECT_LT(dir.Read("data.rle").size(), data.size());
  EXPECT_EQ(RunKrv(dir, "rle decode data.rle --output data.out").status, 0);
  EXPECT_EQ(dir.Read("data.out"), data);
  const KrvRun encoded = RunKrv(dir, "rle encode", data);  // standard input to output
  EXPECT_EQ(encoded.status, 0);
  const KrvRun decoded = RunKrv(dir, "rle decode - -o -", encoded.out);
  EXPECT_EQ(decoded.status, 0);
  EXPECT_EQ(decoded.out, data);

  struct Case {
    const char* args;
    std::string input;
    int status;
    std::string out;
    const char* err;
  };
  const Case cases[] = {
      {"encode", "", 0, std::string("\xA5\0\0", 3), ""},
      {"decode", std::string("\xA5\x03x", 3), 0, "xxx", ""},
      {"decode", std::string("\x01\x02\xA5\x04", 4), 2, "\x01\x02",
       "krv rle: -: the input ends inside a run (0xA5 n v)\n"},
      {"", "", 2, "", "krv rle: missing MODE operand\n"},
  };
  for (const Case& c : cases) {
    const KrvRun r = RunKrv(dir, "rle " + std::string(c.args), c.input);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
  }
}

}  // namespace
}  // namespace krv
