// krv password: counts, lengths and options reach the library; bad options are refused.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support/run_krv.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::KrvRun;
using testing::RunKrv;
using testing::TempDir;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(KrvPassword, CountLengthAndOptions) {
  const TempDir dir("krv_password");
  struct Case {
    const char* args;
    std::size_t count, size;
    const char* allowed;  // the characters that may appear
  };
  const Case cases[] = {
      {"password", 1, 10, "abcdefghijklmnopqrstuvwxyz0123456789"},
      {"password -n 1 -c 5", 5, 6, "abcdefghijklmnopqrstuvwxyz0123456789"},
      {"password --length=20 --count 300 --mixed", 300, 16,
       "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
      {"password -ms -n 9 -c 300", 300, 11,
       "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_!$%#="},
  };
  for (const Case& c : cases) {
    const KrvRun r = RunKrv(dir, c.args);
    ASSERT_EQ(r.status, 0) << c.args << r.err;
    const auto lines = Lines(r.out);
    EXPECT_EQ(lines.size(), c.count) << c.args;
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), c.count) << c.args;
    std::string all;
    for (const auto& l : lines) {
      EXPECT_EQ(l.size(), c.size) << c.args << ": " << l;
      all += l;
    }
    EXPECT_EQ(all.find_first_not_of(c.allowed), std::string::npos) << c.args;
    // Over 300 passwords every option shows its effect.
    if (c.count == 300) {
      EXPECT_NE(all.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << c.args;
    }
    if (std::string(c.args).find("-ms") != std::string::npos) {
      EXPECT_NE(all.find_first_of("_!$%#="), std::string::npos) << c.args;
    }
  }
}

TEST(KrvPassword, BadOptions) {
  const TempDir dir("krv_password_bad");
  for (const char* args : {"password -c 0", "password -n x", "password extra", "password -c"}) {
    const KrvRun r = RunKrv(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.err.rfind("krv password: ", 0), 0u) << args << ": " << r.err;
    EXPECT_TRUE(r.out.empty()) << args;
  }
}

}  // namespace
}  // namespace krv
