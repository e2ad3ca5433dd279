#include "korvex/stringl/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "korvex/platform/text.h"
#include "stringl/decimal_reference.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv {
namespace {

using testing::FixedReference;
using testing::ScientificReference;

std::string U8(const String& s) {
  return ToUtf8(s);
}

// The scientific layout of width w built from the slow reference.
std::string SciLayoutReference(long double v, int w) {
  int e10 = 0;
  std::string m = ScientificReference(v, std::max(w - 9, 1), e10);
  if (m[0] != '-') m.insert(m.begin(), ' ');
  std::string exp = std::to_string(std::abs(e10));
  exp = std::string(exp.size() < 4 ? 4 - exp.size() : 0, '0') + exp;
  return m + "E" + (e10 < 0 ? "-" : "+") + exp;
}

// The short scientific layout (strff with decimals -2) from the slow reference.
std::string ShortSciReference(long double v, int m) {
  std::string s = SciLayoutReference(v, m + 2);
  const bool fits = s[s.size() - 4] == '0' && s[s.size() - 3] == '0';
  s.erase(s.size() - 4, 2);
  if (!fits) s.assign(s.size(), '*');
  return s;
}

std::string Pad(std::string s, std::size_t w) {
  return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}

// ---- strff: tables --------------------------------------------------------------------

struct StrffCase {
  long double value;
  int width, decimals;
  const char* expected;
};

TEST(Strff, FixedLayoutTable) {
  const StrffCase cases[] = {
      {0.0L, 8, 3, "   0.000"},
      {-0.0L, 8, 3, "   0.000"},  // negative zero is zero
      {3.5L, 8, 2, "    3.50"},
      {-3.5L, 8, 2, "   -3.50"},
      {3.5L, 2, 2, "3.50"},  // wider than the field
      {123.456L, 0, 1, "123.5"},
      {0.125, 8, 2, "    0.12"},  // exact tie: to even
      {0.375, 8, 2, "    0.38"},  // exact tie: to even
      {2.5, 3, 0, "  2"},
      {3.5, 3, 0, "  4"},
      {-2.5, 3, 0, " -2"},
      {9.9995, 0, 3, "9.999"},   // the double lies below the tie
      {9.9996, 0, 3, "10.000"},  // rounds up into a new digit
      {999.9996, 8, 3, "1000.000"},
      {-0.001, 6, 2, " -0.00"},  // sign of a negative value kept, as printf does
      {1e-300, 0, 3, "0.000"},
      {5e-324, 0, 2, "0.00"},  // least subnormal
      {1e300, 0, 0,            // digits from Python's decimal.Decimal(1e300)
       "10000000000000000525047602552044202487044685811081591549158541155118024579"
       "88908195786371375080447864043704443832883878176942523235360430575644792184"
       "78670698284838720092657580373783023379478809005936895323497079994508111903"
       "8967640880074652742780142494579258788820056842838115669472196386865459400540160"},
      {1e22, 0, 0, "10000000000000000000000"},
      {0.1, 0, 20, "0.10000000000000000555"},
      {1.0L / 3, 0, 22, "0.3333333333333333333424"},  // extended precision kept
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(strff(c.value, c.width, c.decimals)), c.expected)
        << static_cast<double>(c.value) << " " << c.width << " " << c.decimals;
}

TEST(Strff, ShortScientificTable) {
  const StrffCase cases[] = {
      {123.456L, 12, -2, " 1.23456E+02"},  // m - 7 = 5 mantissa decimals
      {-123.456L, 12, -2, "-1.23456E+02"},
      {0.0L, 10, -2, " 0.000E+00"},
      {-0.0L, 10, -2, " 0.000E+00"},
      {1e99, 10, -2, " 1.000E+99"},
      {9.9996e99, 10, -2, "**********"},  // rounds to 1.000E+100
      {1e150L, 12, -2, "************"},
      {1e-150L, 12, -2, "************"},
      {1e300, 12, -2, "************"},
      {1e-300, 12, -2, "************"},
      {5e-324, 12, -2, "************"},
      {1e-99, 10, -2, " 1.000E-99"},
      {12345.0, 10, -2, " 1.234E+04"},  // exact tie 1.2345: to even
      {12355.0, 10, -2, " 1.236E+04"},  // exact tie 1.2355: to even
      {2.0, 5, -2, " 2.0E+00"},         // narrower than 8: one decimal kept
      {-2.0, 1, -2, "-2.0E+00"},
      {2.0, 0, -2, " 2.0E+00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(strff(c.value, c.width, c.decimals)), c.expected)
        << static_cast<double>(c.value) << " " << c.width;
}

TEST(Strff, ScientificLayoutForOtherNegativeDecimals) {
  EXPECT_EQ(U8(strff(123.456L, 14, -1)), " 1.23456E+0002");
  EXPECT_EQ(U8(strff(-1e-300, 12, -5)), "-1.000E-0300");
  EXPECT_EQ(U8(strff(1e4000L, 12, -1)), " 1.000E+4000");  // extended range
  EXPECT_EQ(U8(strff(-1e-4000L, 12, -1)), "-1.000E-4000");
  EXPECT_EQ(U8(strff(1e4000L, 12, -2)), "************");
}

TEST(Strff, ZeroFill) {
  const StrffCase cases[] = {
      {-3.5L, -8, 2, "-0003.50"},
      {3.5L, -8, 2, "00003.50"},
      {-3.5L, -5, 2, "-3.50"},
      {3.5L, -4, 2, "3.50"},
      {0.0L, -4, 0, "0000"},
      {-7.0L, -4, 0, "-007"},
      {123.456L, -12, -2, "01.23456E+02"},
      {-123.456L, -12, -2, "-1.23456E+02"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(strff(c.value, c.width, c.decimals)), c.expected)
        << static_cast<double>(c.value) << " " << c.width << " " << c.decimals;
}

TEST(Strff, NonFiniteValuesAreWords) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(U8(strff(std::nan(""), 6, 2)), "   NAN");
  EXPECT_EQ(U8(strff(inf, 6, 2)), "   INF");
  EXPECT_EQ(U8(strff(-inf, 6, -2)), "  -INF");
  EXPECT_EQ(U8(strff(-inf, -6, 2)), "  -INF");  // never zero-filled
  EXPECT_EQ(U8(strff(inf, 0, 2)), "INF");
}

TEST(Strff, HugeArgumentsAreClamped) {
  EXPECT_EQ(strff(1.0, 1 << 30, 0).size(), static_cast<std::size_t>(kMaxFormatWidth));
  EXPECT_EQ(strff(1.0, INT32_MIN, 0).size(), static_cast<std::size_t>(kMaxFormatWidth));
  EXPECT_EQ(strff(1.0, 0, INT32_MAX).size(), static_cast<std::size_t>(kMaxFormatDecimals + 2));
  EXPECT_EQ(strff(1.0, INT32_MAX, -2).size(), static_cast<std::size_t>(kMaxFormatWidth));
  EXPECT_EQ(strff(1.0, 0, INT32_MIN).size(), 10u);  // scientific, narrowest field
  // The largest extended value has 4933 integer digits.
  const String big = strff(std::numeric_limits<long double>::max(), 0, 2);
  EXPECT_EQ(big.size(), 4933u + 3u);
  EXPECT_EQ(U8(big.substr(0, 6)), "118973");
}

// ---- strff against the slow reference ------------------------------------------------------

// Doubles spread over the whole range: random bit patterns (subnormals included), plus
// values of moderate size where most text has both integer and fraction digits.
double RandomDouble(std::mt19937_64& rng) {
  for (;;) {
    double v;
    if (rng() % 2 == 0) {
      const std::uint64_t bits = rng();
      std::memcpy(&v, &bits, sizeof v);
    } else {
      v = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(rng),
                     static_cast<int>(rng() % 120) - 60);
    }
    if (std::isfinite(v)) return v;
  }
}

TEST(Strff, FixedMatchesExactExpansion) {
  std::mt19937_64 rng(20240601);
  for (int i = 0; i < 20000; ++i) {
    const double v = RandomDouble(rng);
    const int d = static_cast<int>(rng() % 25);
    const int w = static_cast<int>(rng() % 30);
    const std::string expected = Pad(FixedReference(v == 0 ? 0.0 : v, d), w);
    ASSERT_EQ(U8(strff(v, w, d)), expected) << v << " " << w << " " << d;
  }
}

TEST(Strff, ScientificMatchesExactExpansion) {
  std::mt19937_64 rng(77);
  for (int i = 0; i < 20000; ++i) {
    const double x = rng() % 100 == 0 ? 0.0 : RandomDouble(rng);
    const int m = static_cast<int>(rng() % 30);
    ASSERT_EQ(U8(strff(x, m, -2)), ShortSciReference(x, m)) << x << " " << m;
    ASSERT_EQ(U8(strff(x, m, -1)), SciLayoutReference(x, m)) << x << " " << m;
  }
}

TEST(Strff, ExactTiesGoToEven) {
  // (2i + 1) / 2^(d + 1) times 10^d ends in exactly .5, so every such value is a tie at d
  // decimals; the kept last digit must come out even.
  std::mt19937_64 rng(5);
  for (int d = 0; d <= 12; ++d) {
    for (int k = 0; k < 500; ++k) {
      const std::uint64_t odd = 2 * (rng() % 1000000) + 1;
      const long double v = std::ldexp(static_cast<long double>(odd), -(d + 1));
      const std::string s = U8(strff(v, 0, d));
      ASSERT_EQ(s, FixedReference(v, d)) << static_cast<double>(v) << " " << d;
      ASSERT_EQ((s.back() - '0') % 2, 0) << s;
    }
  }
}

TEST(Strff, ExtendedValuesMatchExactExpansion) {
  std::mt19937_64 rng(99);
  for (int i = 0; i < 300; ++i) {
    // Extended values a double cannot hold: 64-bit mantissas and exponents beyond double.
    const long double mant = static_cast<long double>(rng() | (std::uint64_t{1} << 63));
    const long double v =
        std::ldexp(mant, static_cast<int>(rng() % 800) - 600 - 63) * (rng() % 2 ? 1 : -1);
    const int d = static_cast<int>(rng() % 20);
    ASSERT_EQ(U8(strff(v, 0, d)), FixedReference(v, d));
    const int m = static_cast<int>(rng() % 30);
    ASSERT_EQ(U8(strff(v, m, -1)), SciLayoutReference(v, m));
  }
  // Moderate sizes, where extended values take a shorter road than the general conversion:
  // integer parts up to 2^64 and fractions down to 2^-61, every decimals count.
  for (int i = 0; i < 20000; ++i) {
    const long double mant = static_cast<long double>(rng() | (std::uint64_t{1} << 63));
    const long double v =
        std::ldexp(mant, static_cast<int>(rng() % 130) - 124) * (rng() % 2 ? 1 : -1);
    const int d = static_cast<int>(rng() % 40);
    ASSERT_EQ(U8(strff(v, 0, d)), FixedReference(v, d)) << d;
    const int m = static_cast<int>(rng() % 40);
    ASSERT_EQ(U8(strff(v, m, -1)), SciLayoutReference(v, m)) << m;
  }
  // Exact ties with more bits than a double holds.
  for (int d = 0; d <= 15; ++d) {
    for (int k = 0; k < 200; ++k) {
      const std::uint64_t odd = (rng() >> 2) | 1 | (std::uint64_t{1} << 60);
      const long double v = std::ldexp(static_cast<long double>(odd), -(d + 1));
      const std::string s = U8(strff(v, 0, d));
      ASSERT_EQ(s, FixedReference(v, d)) << d;
      ASSERT_EQ((s.back() - '0') % 2, 0) << s;
    }
  }
  // Carries into a new digit.
  EXPECT_EQ(U8(strff(9.99999999999999999L, 0, 3)), "10.000");
  EXPECT_EQ(U8(strff(-99.9999999999999999L, 0, 2)), "-100.00");
  EXPECT_EQ(U8(strff(9.99999999999999999L, 10, -1)), " 1.0E+0001");
  EXPECT_EQ(U8(strff(0.999999999999999999L, 10, -1)), " 1.0E+0000");
  // Far beyond the double range.
  for (long double v : {1e-4000L, 3.3e4000L, std::numeric_limits<long double>::denorm_min(),
                        std::numeric_limits<long double>::max()}) {
    ASSERT_EQ(U8(strff(v, 30, -1)), SciLayoutReference(v, 30));
  }
}

// Switches to a locale whose decimal point is not a full stop: an installed one, or one that
// localedef builds into a temporary folder. Returns false when neither is possible.
bool UseCommaLocale() {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"};
  for (const char* n : names)
    if (std::setlocale(LC_ALL, n) != nullptr) return true;
  static const testing::TempDir tmp("korvex_locales");  // kept while the locale is in use
  const std::string dir = tmp.Path().string();
  if (testing::RunProcess({"localedef", "-i", "de_DE", "-f", "UTF-8", dir + "/de_DE.UTF-8"})
          .status != 0)
    return false;
  static std::optional<testing::ScopedEnv> locpath;
  locpath.emplace("LOCPATH", dir);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

TEST(Strff, TextDoesNotDependOnTheLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!UseCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma is available";
  ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  EXPECT_EQ(U8(strff(3.25L, 6, 2)), "  3.25");
  EXPECT_EQ(U8(strff(1.0L / 3, 0, 20)), "0.33333333333333333334");  // extended path
  EXPECT_EQ(U8(strff(123.456L, 12, -2)), " 1.23456E+02");
  EXPECT_EQ(U8(FormatData(1234.5, 10, 2)), "   1234.50");
  EXPECT_EQ(U8(AutoFormatData(0.05, 3)), "5.00E-02");
  std::setlocale(LC_ALL, saved.c_str());
}

// ---- strffForcePlus -------------------------------------------------------------------------

TEST(StrffForcePlus, Table) {
  const StrffCase cases[] = {
      {3.5L, 8, 2, "   +3.50"},
      {3.5L, -8, 2, "+0003.50"},
      {-3.5L, 8, 2, "   -3.50"},
      {-3.5L, -8, 2, "-0003.50"},
      {3.5L, 4, 2, "+3.50"},
      {0.0L, 4, 2, "+0.00"},
      {0.0L, 5, 2, "+0.00"},
      {-0.0L, 5, 2, "+0.00"},
      {0.5L, -4, 2, "+0.50"},
      {0.5L, -6, 2, "+00.50"},
      {0.0L, 0, 0, "+0"},
      {7.0L, -3, 0, "+07"},
      {123.456L, 12, -2, "+1.23456E+02"},
      {1e150L, 12, -2, "+************"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(strffForcePlus(c.value, c.width, c.decimals)), c.expected)
        << static_cast<double>(c.value) << " " << c.width << " " << c.decimals;
  EXPECT_EQ(U8(strffForcePlus(std::nan(""), 5, 2)), "  NAN");
  EXPECT_EQ(U8(strffForcePlus(std::numeric_limits<double>::infinity(), 5, 2)), " +INF");
}

// ---- FormatData ------------------------------------------------------------------------------

TEST(FormatData, Table) {
  struct Case {
    double value;
    int width, decimals;
    const char* expected;
  } cases[] = {
      {0.0, 8, 3, "   0.000"},
      {0.0005, 8, 3, " 5.0000000E-04"},  // below the row's lower bound: 14 characters
      {1234.5, 8, 9, " 1.2345000E+03"},  // decimals outside 0..8
      {1234.5, 8, -1, " 1.2345000E+03"},
      {999999999, 10, 0, " 999999999"},
      {1e9, 10, 0, " 1.000000000E+09"},
      {0.5, 6, 0, " 5.00000E-01"},
      {1, 6, 0, "     1"},
      {9999999.9, 10, 1, " 9999999.9"},
      {0.1, 10, 1, "       0.1"},
      {0.09, 10, 1, " 9.000000000E-02"},
      {0.99999999, 10, 8, "0.99999999"},
      {1.0, 10, 8, " 1.000000000E+00"},
      {0.00000001, 10, 8, "0.00000001"},
      {-0.00000001, 10, 8, "-0.00000001"},
      {-1234.5678, 10, 2, "  -1234.57"},
      {0.125, 6, 2, "  0.12"},
      {1e300, 8, 2, "**************"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(FormatData(c.value, c.width, c.decimals)), c.expected)
        << c.value << " " << c.width << " " << c.decimals;
}

TEST(FormatData, EveryRowChangesLayoutAtItsBounds) {
  const double upper[9] = {999999999, 9999999.9, 999999.99, 99999.999, 9999.9999,
                           999.99999, 99.999999, 9.9999999, 0.99999999};
  const double lower[9] = {1, 0.1, 0.01, 0.001, 0.0001, 0.00001, 0.000001, 0.0000001, 0.00000001};
  for (int k = 0; k <= 8; ++k) {
    for (double v : {upper[k], lower[k], -upper[k], -lower[k]}) {
      const String s = FormatData(v, 12, k);
      EXPECT_EQ(s.find(u'E'), String::npos) << k << " " << v;
      EXPECT_EQ(s, strff(v, 12, k));
    }
    for (double v : {std::nextafter(upper[k], 1e10), std::nextafter(lower[k], 0.0)})
      EXPECT_EQ(FormatData(v, 12, k), strff(v, 18, -2)) << k << " " << v;
  }
}

// ---- SigDigStr and AutoFormatData ----------------------------------------------------------

TEST(SigDigStr, Table) {
  struct Case {
    double value;
    int width, digits;
    const char* expected;
  } cases[] = {
      {3.14159, 8, 3, "    3.14"},
      {12345, 8, 3, "   12345"},
      {0.000123, 8, 3, " 1.23E-04"},
      {0, 8, 3, "    0.00"},
      {0, 8, 0, "       0"},
      {123456789, 8, 3, " 1.23E+08"},  // more digits than the field holds
      {-2.5, 8, 2, "    -2.5"},
      {0.0123, 8, 3, "  0.0123"},
      {1e-300, 8, 3, "*********"},
      {std::nan(""), 5, 3, "  NAN"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(SigDigStr(c.value, c.width, c.digits)), c.expected)
        << c.value << " " << c.width << " " << c.digits;
  EXPECT_EQ(U8(SigDigStr(3.14159, 8, 3, true)), "3.14");
  EXPECT_EQ(U8(SigDigStr(3.14159, 8, 3, false)), "    3.14");
  // Absurd arguments are clamped, not obeyed.
  EXPECT_LE(SigDigStr(1.0, INT32_MAX, INT32_MAX, true).size(),
            static_cast<std::size_t>(kMaxFormatWidth));
}

TEST(AutoFormatData, Table) {
  struct Case {
    double value;
    int digits;
    const char* expected;
  } cases[] = {
      {123.456, 4, "123.5"},
      {0.5, 4, "0.500"},
      {0.05, 4, "5.000E-02"},
      {12345, 4, "1.234E+04"},
      {0, 4, "0.000"},
      {0, 1, "0.0"},
      {0, 0, "0.0"},
      {0, 40, "0.000000000000000"},
      {0.5, 3, "0.50"},
      {1234.5678, 3, "1.23E+03"},
      {-0.25, 2, "-0.2"},  // a tie at one decimal: to even
      {1e200, 4, "**********"},
      {0.2, 2, "0.2"},
      // log10 of the double 0.1 rounds to exactly -1, which is not above -1.
      {0.1, 2, "1.0E-01"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(AutoFormatData(c.value, c.digits)), c.expected) << c.value << " " << c.digits;
  EXPECT_EQ(U8(AutoFormatData(123.456, 4, true)), "123,5");
  EXPECT_EQ(U8(AutoFormatData(0.05, 4, true)), "5,000E-02");
  EXPECT_EQ(U8(AutoFormatData(123.456, 4, false)), "123.5");
}

// ---- SortableNumericString ------------------------------------------------------------------

TEST(SortableNumericString, Table) {
  struct Case {
    const char16_t* text;
    Char dec;
    int position;
    const char16_t* expected;
  } cases[] = {
      {u" 12.5 ", u'.', 5, u"  12.5"}, {u"1.25", u'.', 5, u"   1.25"},
      {u"123.5", u'.', 2, u"123.5"},   {u"42", u'.', 3, u"   42"},
      {u"3,5", u',', 3, u" 3,5"},      {u"", u'.', 2, u"  "},
      {u"1.5", u'.', -4, u"1.5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SortableNumericString(c.text, c.dec, c.position), c.expected)
        << U8(c.text) << " " << c.position;
  EXPECT_EQ(SortableNumericString(u"1", u'.', INT32_MAX).size(),
            static_cast<std::size_t>(kMaxSortablePad) + 1);
}

}  // namespace
}  // namespace krv
