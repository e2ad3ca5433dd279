// The decimal-number grammar and conversion that every reader of number text shares.
#include "platform/internal/decimal_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace krv::detail {
namespace {

TEST(DecimalNumber, Grammar) {
  for (const char* good : {"0", "+1", "-1", "1.", ".5", "-.5", "1.5e3", "1E+3", "2e-07", "00.00"})
    EXPECT_TRUE(IsDecimalNumber(good)) << good;
  for (const char* bad : {"", "+", "-", ".", "+.", "e3", ".e3", "1e", "1e+", "1.2.3", "++1", " 1",
                          "1 ", "1,5", "0x10", "inf", "nan", "1e3.5", "1d3"})
    EXPECT_FALSE(IsDecimalNumber(bad)) << bad;
}

TEST(DecimalNumber, ConversionKeepsSignAndTellsOverflowFromUnderflow) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"0.1", 0.1},
      {"-2.5E2", -250},
      {"1.", 1},
      {"4.9e-324", 5e-324},
      {"1e308", 1e308},
      {"1e309", inf},
      {"-1e400", -inf},
      {"0.0001e-330", 0},
      {"99999e-500", 0},
      {"0.001e311", 1e308},
      {"123456789012345678901234567890", 1.2345678901234568e29},
  };
  for (const auto& c : cases) {
    double v = -7;
    ASSERT_TRUE(DecimalNumberToDouble(c.text, v)) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  double v = -7;
  EXPECT_TRUE(DecimalNumberToDouble("-1e-400", v));
  EXPECT_TRUE(v == 0 && std::signbit(v));
  EXPECT_FALSE(DecimalNumberToDouble("1e", v));
  EXPECT_EQ(v, 0);
}

TEST(DecimalNumber, ComparesMagnitudesExactly) {
  struct Case {
    const char* a;
    const char* b;
    int order;
  };
  const Case cases[] = {
      {"0", "0.000e5", 0},
      {"-0", "0", 0},
      {"0", "1e-99999", -1},
      {"1", "1.000", 0},
      {"-3", "2", 1},
      {"100", "1e2", 0},
      {"0.01", "1e-2", 0},
      {"999", "1e3", -1},
      {"1.0000000000000000000000000001", "1", 1},
      {"12.5e-1", "1.25", 0},
      {".5", "0.49999999999999999999999", 1},
      {"1e99999999999999999999", "1e99999999999", 1},
      {"0.0000001e10", "1000", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareDecimalMagnitudes(c.a, c.b), c.order) << c.a << " " << c.b;
    EXPECT_EQ(CompareDecimalMagnitudes(c.b, c.a), -c.order) << c.b << " " << c.a;
  }
}

}  // namespace
}  // namespace krv::detail
