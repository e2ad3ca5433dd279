#include "korvex/base/univconst.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace krv {
namespace {

// The literals below are x87 80-bit values; elsewhere the exact comparisons do not apply.
constexpr bool kX87 = std::numeric_limits<long double>::digits == 64 &&
                      std::numeric_limits<long double>::min_exponent == -16381;

// Number of representable long doubles from a to b (0 when equal), up to a cap of 1000.
int UlpsBetween(long double a, long double b) {
  if (a > b) std::swap(a, b);
  int n = 0;
  while (a < b && n < 1000) {
    a = std::nextafter(a, b);
    ++n;
  }
  return n;
}

const long double kPi = std::acos(-1.0L);

struct ConstantCase {
  const char* name;
  long double value;       // the constant
  long double stored;      // its value as listed, 21 significant digits
  long double definition;  // the quantity computed in long double
  int max_ulps;            // allowed distance between value and definition
};

// The mathematical constants beside their definitions. A distance of one unit in the last
// place is the original's stored value; a second unit allows for the library function's own
// last-place error.
const ConstantCase kMathConstants[] = {
    {"uc_e", uc_e, 2.71828182845904523521L, std::exp(1.0L), 1},
    {"uc_etom1", uc_etom1, 0.367879441171442321610L, std::exp(-1.0L), 1},
    {"uc_lg2", uc_lg2, 0.301029995663981195199L, std::log10(2.0L), 1},
    {"uc_lg5", uc_lg5, 0.698970004336018804801L, std::log10(5.0L), 1},
    {"uc_lge", uc_lge, 0.434294481903251827645L, 1.0L / std::log(10.0L), 1},
    {"uc_lgPi", uc_lgPi, 0.497149872694133854368L, std::log10(kPi), 1},
    {"uc_ln10", uc_ln10, 2.30258509299404568404L, std::log(10.0L), 1},
    {"uc_ln2", uc_ln2, 0.693147180559945309374L, std::log(2.0L), 1},
    {"uc_lnPi", uc_lnPi, 1.14472988584940017407L, std::log(kPi), 1},
    {"uc_PiH", uc_PiH, 1.57079632679489661926L, kPi / 2, 1},
    {"uc_PiSqr", uc_PiSqr, 9.86960440108935861854L, kPi* kPi, 1},
    {"uc_Pitom1", uc_Pitom1, 0.318309886183790671511L, 1.0L / kPi, 1},
    {"uc_sqrt2", uc_sqrt2, 1.41421356237309504887L, std::sqrt(2.0L), 1},
    {"uc_sqrt2pi", uc_sqrt2pi, 2.50662827463100050225L, std::sqrt(2 * kPi), 1},
    {"uc_sqrt2pitom1", uc_sqrt2pitom1, 0.398942280401432677927L, 1.0L / std::sqrt(2 * kPi), 1},
    {"uc_GoldenR", uc_GoldenR, 1.61803398874989484810L, (1 + std::sqrt(5.0L)) / 2, 1},
    // Logarithms of the decimal range limits; ln 3.6E-4951 is taken as ln 3.6 - 4951 ln 10.
    {"uc_lnMinDouble", uc_lnMinDouble, -744.428132217636701284L, std::log(5.0E-324L), 1},
    {"uc_lnMaxDouble", uc_lnMaxDouble, 709.726836893228241077L, std::log(1.7E308L), 1},
    {"uc_lnMaxExtended", uc_lnMaxExtended, 11356.4449888264376387L, std::log(1.1E4932L), 1},
    {"uc_lnMinExtended", uc_lnMinExtended, -11398.8178615680581167L,
     std::log(3.6L) - 4951 * std::log(10.0L), 3},
    {"uc_lnMinReal", uc_lnMinReal, -88.7361078897753533315L, std::log(2.9E-39L), 1},
    {"uc_lnMaxReal", uc_lnMaxReal, 88.0288617848359063942L, std::log(1.7E38L), 1},
    {"uc_lnMinSingle", uc_lnMinSingle, -103.210864076623891401L, std::log(1.5E-45L), 1},
    {"uc_lnMaxSingle", uc_lnMaxSingle, 88.7220089653958517012L, std::log(3.4E38L), 1},
};

TEST(UnivConst, ConstantsHoldTheirStoredValues) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 80-bit format";
  for (const auto& c : kMathConstants) EXPECT_EQ(c.value, c.stored) << c.name;
}

TEST(UnivConst, ConstantsAgreeWithTheirDefinitionsInLongDouble) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 80-bit format";
  for (const auto& c : kMathConstants) {
    const int ulps = UlpsBetween(c.value, c.definition);
    EXPECT_LE(ulps, c.max_ulps) << c.name << ": " << static_cast<double>(c.value);
    // Rounded to double, the last-place differences disappear.
    EXPECT_EQ(static_cast<double>(c.value), static_cast<double>(c.definition)) << c.name;
  }
}

TEST(UnivConst, ConstantsReadAsPrintedTo21Digits) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 80-bit format";
  const std::pair<long double, const char*> printed[] = {
      {uc_e, "2.71828182845904523521"},
      {uc_etom1, "0.367879441171442321610"},
      {uc_lnMinExtended, "-11398.8178615680581167"},
      {uc_MinReal, "2.89999999999999999998E-39"},
      {uc_MaxDouble, "1.69999999999999999993E+308"},
      {uc_MinExtended, "3.64519953188247460253E-4951"},
      {uc_MaxExtended, "1.09999999999999999997E+4932"},
  };
  char buf[64];
  for (const auto& [value, text] : printed) {
    std::snprintf(buf, sizeof buf, "%#.21LG", value);
    EXPECT_STREQ(buf, text);
  }
}

TEST(UnivConst, RangeConstantsAreTheDecimalLimits) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 80-bit format";
  EXPECT_EQ(uc_MinReal, 2.9E-39L);
  EXPECT_EQ(uc_MaxReal, 1.7E38L);
  EXPECT_EQ(uc_MinSingle, 1.5E-45L);
  EXPECT_EQ(uc_MaxSingle, 3.4E38L);
  EXPECT_EQ(uc_MinDouble, 5.0E-324L);
  EXPECT_EQ(uc_MaxExtended, 1.1E4932L);
  // The stored 1.7E308 lies one unit below the nearest extended value.
  EXPECT_EQ(uc_MaxDouble, std::nextafter(1.7E308L, 0.0L));
  EXPECT_EQ(static_cast<double>(uc_MaxDouble), 1.7E308);
}

TEST(UnivConst, RangeConstantsLieWithinTheirTypes) {
  EXPECT_GE(uc_MinSingle, static_cast<long double>(FLT_TRUE_MIN));
  EXPECT_LE(uc_MaxSingle, static_cast<long double>(FLT_MAX));
  EXPECT_GE(uc_MinDouble, static_cast<long double>(DBL_TRUE_MIN));
  EXPECT_LE(uc_MaxDouble, static_cast<long double>(DBL_MAX));
  EXPECT_LE(uc_MaxExtended, LDBL_MAX);
  EXPECT_LT(uc_MinReal, uc_MaxReal);
  // The 6-byte real has an 8-bit exponent biased by 129: 2^-129 .. (2 - 2^-39) * 2^127.
  EXPECT_GE(uc_MinReal, std::ldexp(1.0L, -129));
  EXPECT_LE(uc_MaxReal, std::ldexp(2.0L - std::ldexp(1.0L, -39), 127));
}

TEST(UnivConst, MinExtendedIsTheLeastSubnormal) {
  if (!kX87) GTEST_SKIP() << "long double is not the x87 80-bit format";
  EXPECT_EQ(uc_MinExtended, std::numeric_limits<long double>::denorm_min());
  EXPECT_EQ(uc_MinExtended, std::ldexp(1.0L, -16445));
  EXPECT_EQ(uc_MinExtended, std::nextafter(0.0L, 1.0L));
  volatile long double half = uc_MinExtended / 2;
  EXPECT_EQ(half, 0.0L);
  // Its logarithm is that of 3.6E-4951, which also rounds back to the least subnormal:
  // it lies between ln(2^-16446) and ln(3 * 2^-16446), the arguments whose exp rounds there.
#ifndef __MINGW32__  // MinGW's expl returns 0 for every result below the least normal number
  EXPECT_EQ(std::exp(uc_lnMinExtended), uc_MinExtended);
#endif
  EXPECT_GT(uc_lnMinExtended, -16446 * std::log(2.0L));
  EXPECT_LT(uc_lnMinExtended, std::log(3.0L) - 16446 * std::log(2.0L));
}

// x rounded to 15 significant digits, as text.
std::string Round15(long double x) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14Le", x);
  return buf;
}

// True when entry, to 15 significant digits, is the rounding of some value within tol of
// reference. Away from a rounding tie that is the rounding of reference itself; a reference
// within tol of a tie admits both neighbours, as its own error could lie on either side.
bool MatchesTo15Digits(double entry, long double reference, long double tol) {
  const std::string text = Round15(entry);
  return text == Round15(reference - tol) || text == Round15(reference + tol);
}

// Sum of ln k for k = 2..n with compensated (Kahan) summation.
class LnFactorialSum {
 public:
  long double Next(long n) {
    const long double y = std::log(static_cast<long double>(n)) - carry_;
    const long double t = sum_ + y;
    carry_ = (t - sum_) - y;
    sum_ = t;
    return sum_;
  }

 private:
  long double sum_ = 0;
  long double carry_ = 0;
};

TEST(LnFactorial, ListedEntries) {
  EXPECT_EQ(uc_LnFactorial.size(), 1001u);
  EXPECT_EQ(uc_LnFactorial[0], 0.0);
  EXPECT_EQ(uc_LnFactorial[1], 0.0);
  EXPECT_EQ(uc_LnFactorial[2], 0.693147180559945);
  EXPECT_EQ(uc_LnFactorial[3], 1.79175946922806);
  EXPECT_EQ(uc_LnFactorial[10], 15.1044125730755);
  EXPECT_EQ(uc_LnFactorial[170], 706.573062245787);
  EXPECT_EQ(uc_LnFactorial[171], 711.71472580229);
  EXPECT_EQ(uc_LnFactorial[1000], 5912.12817848816);
}

// Every entry is lgamma(n + 1), computed in long double, rounded to 15 significant digits;
// a compensated sum of logarithms serves as a second, slow reference. The tolerances cover
// a few units in the last place of lgammal, and the summed last-place errors of 1000 logs.
TEST(LnFactorial, EntriesAreLgammaRoundedTo15Digits) {
  LnFactorialSum sum;
  int ties = 0;
  for (long n = 2; n <= 1000; ++n) {
    const double entry = uc_LnFactorial[n];
    const long double by_sum = sum.Next(n);
    const long double by_lgamma = std::lgamma(static_cast<long double>(n) + 1);
    const long double lgamma_tol = 8 * std::numeric_limits<long double>::epsilon() * by_lgamma;
    const long double sum_tol = 1e-17L * by_sum;
    EXPECT_TRUE(MatchesTo15Digits(entry, by_lgamma, lgamma_tol))
        << "n = " << n << ": " << Round15(entry) << " vs lgammal " << Round15(by_lgamma);
    EXPECT_TRUE(MatchesTo15Digits(entry, by_sum, sum_tol))
        << "n = " << n << ": " << Round15(entry) << " vs sum " << Round15(by_sum);
    if (Round15(by_lgamma - lgamma_tol) != Round15(by_lgamma + lgamma_tol)) ++ties;
    // The entry is the double nearest to its 15-digit text, not a longer value.
    EXPECT_EQ(entry, std::strtod(Round15(entry).c_str(), nullptr)) << "n = " << n;
  }
  // Only the rare value right beside a rounding tie escapes the exact comparison.
  EXPECT_LE(ties, 3);
}

TEST(LnFactorial, SuccessiveEntriesDifferByLnN) {
  for (long n = 2; n <= 1000; ++n) {
    const double step = uc_LnFactorial[n] - uc_LnFactorial[n - 1];
    // Each entry carries at most half a unit of its 15th digit, about 5e-15 relative.
    EXPECT_NEAR(step, std::log(static_cast<double>(n)), 1e-14 * uc_LnFactorial[n]) << n;
  }
}

}  // namespace
}  // namespace krv
