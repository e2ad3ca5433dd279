#include "korvex/streams/number_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "counting_stream.h"
#include "korvex/base/univconst.h"

namespace krv {
namespace {

using testing::BytesStream;
using testing::CountingStream;
using testing::FailingStream;

TEST(ScanStreamDecimal, Table) {
  const struct {
    std::string input;
    std::int32_t value;
    std::int64_t pos;  // position afterwards
  } cases[] = {
      {"  -42x", -42, 6},
      {"\r\n 7", 7, 4},
      {"+12 ", 12, 4},
      {"007", 7, 3},
      {"\t5", 0, 1},  // tab is not skipped: it ends an empty number
      {"", 0, 0},
      {"   ", 0, 3},
      {"-", 0, 1},
      {"x1", 0, 1},
      {"--5", 0, 2},
      {"- 5", 0, 2},
      {"12a34", 12, 3},
      {"2147483647", 2147483647, 10},
      {"-2147483648", INT32_MIN, 11},
      {"2147483648", INT32_MAX, 10},
      {"-2147483649", INT32_MIN, 11},
      {"99999999999999999999999 ", INT32_MAX, 24},
  };
  for (const auto& c : cases) {
    CountingStream s(c.input);
    EXPECT_EQ(ScanStreamDecimal(s), c.value) << c.input;
    EXPECT_EQ(s.Position(), c.pos) << c.input;
    for (std::size_t r : s.reads) EXPECT_EQ(r, 1u);
  }
}

TEST(ScanStreamDecimal, ReadsSuccessiveNumbers) {
  BytesStream s("1 -2\r\n+3,4");
  EXPECT_EQ(ScanStreamDecimal(s), 1);
  EXPECT_EQ(ScanStreamDecimal(s), -2);
  EXPECT_EQ(ScanStreamDecimal(s), 3);
  EXPECT_EQ(ScanStreamDecimal(s), 4);
  EXPECT_EQ(ScanStreamDecimal(s), 0);
}

TEST(ScanStreamDecimal, RaisingStreamEndsTheNumber) {
  FailingStream s("123456", 3);
  EXPECT_EQ(ScanStreamDecimal(s), 123);
}

const double kMax = static_cast<double>(uc_MaxDouble);

TEST(ScanStreamFPNum, Table) {
  const struct {
    std::string input;
    bool exp;
    std::int32_t sep;
    double value;
    std::int64_t pos;
  } cases[] = {
      {"3,5", true, 2, 3.5, 3},
      {"1e+", true, 3, 0, 3},  // fails at the end after the exponent sign
      {"  -12,5e3x", true, 3, -12500, 10},
      {"1.5.3", true, 3, 0, 4},
      {"+x", true, 3, 0, 2},
      {"12,5", true, 1, 12, 3},  // the comma ends the number and is consumed
      {"\t\r\n 42 7", true, 1, 42, 7},
      {"1e5", false, 1, 1, 2},
      {"1e5", true, 1, 100000, 3},
      {"1E-3", true, 1, 0.001, 4},
      {"1e", true, 1, 0, 2},
      {"1ex", true, 1, 0, 3},
      {"1e 5", true, 1, 0, 3},
      {"1e.5", true, 1, 0, 3},
      {"1e+-5", true, 1, 0, 4},
      {"1e+5", true, 1, 100000, 4},
      {"1e5.", true, 1, 100000, 4},
      {"1e5e", true, 1, 100000, 4},
      {"2.e3", true, 1, 2000, 4},
      {"5.", true, 1, 5, 2},
      {".5", true, 1, 0.5, 2},
      {".", true, 1, 0, 1},
      {"- 5", true, 1, 0, 2},
      {"4+", true, 1, 4, 2},
      {"1,5,5", true, 2, 0, 4},
      {"1.5", true, 0, 1, 2},  // no separator at all
      {"1.5", true, 2, 1, 2},
      {"1,5", true, 3, 1.5, 3},
      {std::string("\0", 1), true, 1, 0, 1},
      {"1\x01", true, 1, 1, 2},
      {"", true, 1, 0, 0},
      {"   ", true, 1, 0, 3},
      {"0.1", true, 1, 0.1, 3},
      {"123456789012345678901234567890", true, 1, 1.2345678901234568e29, 30},
      {"1e400", true, 1, kMax, 5},
      {"-1e400", true, 1, -kMax, 6},
      {"1.8e308", true, 1, kMax, 7},
      {"1.6e308", true, 1, 1.6e308, 7},
      {"1e-400", true, 1, 0, 6},
      {"4.9e-324", true, 1, 4.9e-324, 8},
      {"1e4201", true, 1, kMax, 6},
      {"1e-99999", true, 1, 0, 8},
      {"0e99999", true, 1, 0, 7},
      {"1e000000000000000000003", true, 1, 1000, 23},
  };
  for (const auto& c : cases) {
    CountingStream s(c.input);
    EXPECT_EQ(ScanStreamFPNum(s, c.exp, c.sep), c.value) << c.input;
    EXPECT_EQ(s.Position(), c.pos) << c.input;
    for (std::size_t r : s.reads) EXPECT_EQ(r, 1u);
  }
}

TEST(ScanStreamFPNum, SignOfZero) {
  BytesStream a("-.");
  const double v = ScanStreamFPNum(a, true, 1);
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(std::signbit(v));
  BytesStream b("-0");
  EXPECT_TRUE(std::signbit(ScanStreamFPNum(b, true, 1)));
}

TEST(ScanStreamFPNum, ExponentStopsGrowingAbove4200) {
  // Digits from the one that passes the limit on are consumed but not kept: 1e-42019 reads
  // as 1e-420, which is 0, and 9e42000 as 9e4200, clamped.
  BytesStream a("1e-42019 ");
  EXPECT_EQ(ScanStreamFPNum(a, true, 1), 0);
  EXPECT_EQ(a.Position(), 9);
  BytesStream b("9e42000");
  EXPECT_EQ(ScanStreamFPNum(b, true, 1), kMax);
}

TEST(ScanStreamFPNum, VeryLongMantissas) {
  std::string digits = "0." + std::string(4100, '0') + "1e4110";
  BytesStream s(digits);
  EXPECT_DOUBLE_EQ(ScanStreamFPNum(s, true, 1), 1e9);
  std::string big(400, '9');
  BytesStream t(big);
  EXPECT_EQ(ScanStreamFPNum(t, true, 1), kMax);
}

// A direct reference over a string: the same table written as plain conditions, with the
// C library's strtod for the conversion (the test runs in the "C" locale).
double Reference(const std::string& in, bool exp, int sep, std::size_t& consumed) {
  std::string text;
  int state = 1;
  std::size_t i = 0;
  long exponent = 0;
  bool keep = true;
  for (;;) {
    const int c = i < in.size() ? static_cast<unsigned char>(in[i]) : -1;
    if (c >= 0) ++i;
    const bool is_sep =
        (c == '.' && (sep == 1 || sep == 3)) || (c == ',' && (sep == 2 || sep == 3));
    const bool is_digit = c >= '0' && c <= '9';
    const bool is_sign = c == '+' || c == '-';
    const bool is_e = c == 'e' || c == 'E';
    const bool is_blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    int next;
    if (state == 1) {
      next = is_sep ? 4 : is_digit ? 3 : is_sign ? 2 : is_blank ? 1 : -1;
    } else if (state == 2) {
      next = is_sep ? 4 : is_digit ? 3 : -1;
    } else if (state == 3) {
      next = is_sep ? 4 : is_digit ? 3 : (is_e && exp) ? 6 : 0;
    } else if (state == 4 || state == 5) {
      next = is_sep ? -1 : is_digit ? 5 : (is_e && exp) ? 6 : 0;
    } else if (state == 6) {
      next = is_digit ? 8 : is_sign ? 7 : -1;
    } else if (state == 7) {
      next = is_digit ? 8 : -1;
    } else {
      next = is_digit ? 8 : 0;
    }
    if (next < 0) {
      consumed = i;
      return 0;
    }
    if (next == 0) break;
    if (next >= 6 && is_digit) {
      exponent = std::min(exponent * 10 + (c - '0'), 100000L);
      if (exponent > 4200) keep = false;
    }
    if (keep && !is_blank) text += is_sep ? '.' : static_cast<char>(c);
    state = next;
  }
  consumed = i;
  if (text.back() == '.') text += '0';
  if (text == "-.0" || text == "+.0" || text == ".0") return text[0] == '-' ? -0.0 : 0.0;
  const char* start = text.c_str();
  char* end = nullptr;
  double v = std::strtod(start, &end);
  if (*end != '\0') return 0;  // only a separator before the exponent: "-.e3"
  return std::max(-kMax, std::min(kMax, v));
}

TEST(ScanStreamFPNum, AgreesWithReferenceOnRandomInput) {
  std::mt19937 rng(11);
  const char alphabet[] = "0123456789012345.,+-eE \t\r\nx";
  for (int round = 0; round < 100000; ++round) {
    std::string input(rng() % 14, ' ');
    for (char& c : input) c = alphabet[rng() % (sizeof alphabet - 1)];
    const bool exp = rng() & 1;
    const int sep = static_cast<int>(rng() % 5);
    std::size_t consumed = 0;
    const double expected = Reference(input, exp, sep, consumed);
    BytesStream s(input);
    const double got = ScanStreamFPNum(s, exp, sep);
    ASSERT_EQ(got, expected) << '"' << input << "\" exp " << exp << " sep " << sep;
    ASSERT_EQ(std::signbit(got), std::signbit(expected)) << input;
    ASSERT_EQ(s.Position(), static_cast<std::int64_t>(consumed)) << input;
  }
}

TEST(ScanStreamFPNum, RaisingStreamEndsTheNumber) {
  FailingStream s("2.5e3", 3);
  EXPECT_EQ(ScanStreamFPNum(s, true, 1), 2.5);
}

}  // namespace
}  // namespace krv
