#include "korvex/stringl/numscan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "korvex/base/univconst.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/format.h"

namespace krv {
namespace {

const double kMax = static_cast<double>(uc_MaxDouble);

double Scan(const String& text, bool exp, int option, int& pos) {
  return ScanStringFPNum(text, exp, option, pos);
}

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// ---- A slow reference: the state machine step by step, building the number text ----------

struct RefResult {
  double value;
  int position;
};

RefResult Reference(const String& text, bool allow_exp, int option, int position) {
  std::string number;  // the number text, as the machine appends it
  std::string exp_digits;
  bool exp_capped = false;
  long long pos = position;
  int state = 1;
  bool failed = false;
  for (;;) {
    const bool inside = pos >= 1 && pos <= static_cast<long long>(text.size());
    Char c = inside ? text[static_cast<std::size_t>(pos - 1)] : 0;
    if (c >= u'a' && c <= u'z') c = static_cast<Char>(c - 32);
    ++pos;
    const bool sep = inside && ((c == u'.' && (option == 1 || option == 3)) ||
                                (c == u',' && (option == 2 || option == 3)));
    const bool blank = inside && !sep && c == u' ';
    const bool sign = inside && !sep && (c == u'+' || c == u'-');
    const bool digit = inside && !sep && c >= u'0' && c <= u'9';
    const bool e = inside && !sep && c == u'E';
    int next;  // 0 end, -1 fail
    switch (state) {
      case 1:
        next = sep ? 4 : blank ? 1 : sign ? 2 : digit ? 3 : -1;
        break;
      case 2:
        next = sep ? 4 : digit ? 3 : -1;
        break;
      case 3:
        next = sep ? 4 : digit ? 3 : (e && allow_exp) ? 6 : 0;
        break;
      case 4:
      case 5:
        next = sep ? -1 : digit ? 5 : (e && allow_exp) ? 6 : 0;
        break;
      case 6:
        next = sign ? 7 : digit ? 8 : (sep || blank || e) ? -1 : 0;
        break;
      case 7:
        next = digit ? 8 : (sep || blank || sign || e) ? -1 : 0;
        break;
      default:
        next = digit ? 8 : 0;
        break;
    }
    if (next <= 0) {
      failed = next < 0;
      break;
    }
    if (next == 8) {
      if (!exp_capped) {
        exp_digits += static_cast<char>(c);
        if (std::stoll(exp_digits) > 4200) exp_capped = true;
      }
    } else {
      number += sep ? '.' : static_cast<char>(c);
    }
    state = next;
  }
  RefResult r{0, static_cast<int>(pos - 1)};
  if (failed) return r;
  if (exp_capped) exp_digits = "4200";
  // The mantissa is what precedes the E.
  const std::size_t epos = number.find('E');
  std::string mantissa = number.substr(0, epos);
  if (mantissa.find_first_of("0123456789") == std::string::npos) {
    r.value = mantissa.find('-') != std::string::npos ? -0.0 : 0.0;
    return r;
  }
  if (mantissa.back() == '.') mantissa += "0";
  std::string full = mantissa;
  if (!exp_digits.empty()) full += number.substr(epos, number.size() - epos) + exp_digits;
  double v = std::strtod(full.c_str(), nullptr);  // the C locale: tests never change it here
  if (v > kMax) v = kMax;
  if (v < -kMax) v = -kMax;
  r.value = v;
  return r;
}

// ---- The examples ----------------------------------------------------------------------------

TEST(ScanStringFPNum, Examples) {
  struct Case {
    const char16_t* text;
    bool exp;
    int option, start;
    double value;
    int end;
  } cases[] = {
      {u"  -12,5e3x", true, 3, 1, -12500, 10},
      {u"1.5.3", true, 3, 1, 0, 4},
      {u"+x", true, 3, 1, 0, 2},
      {u"12,5", true, 1, 1, 12, 3},
      {u"1e", true, 3, 1, 1, 3},  // ends right after the E
      {u"1e+", true, 3, 1, 1, 4},
      {u"1e5", false, 3, 1, 1, 2},  // no exponent: the E ends the number
      {u"abc", true, 3, 4, 0, 4},   // past the end
      {u"3.25", true, 3, 0, 0, 0},  // before the start
      {u"3.25", true, 3, -7, 0, -7},
      {u"x3.25", true, 3, 2, 3.25, 6},
      {u"3,25", true, 2, 1, 3.25, 5},
      {u"3.25", true, 2, 1, 3, 2},
      {u"3.25", true, 0, 1, 3, 2},  // no separators at all
      {u".5", true, 1, 1, 0.5, 3},
      {u"5.", true, 1, 1, 5, 3},
      {u".", true, 1, 1, 0, 2},
      {u"-.", true, 1, 1, -0.0, 3},
      {u"2E-3", true, 1, 1, 0.002, 5},
      {u"2e 3", true, 1, 1, 0, 3},  // blank after E fails
      {u"2e3 ", true, 1, 1, 2000, 4},
      {u"\t1", true, 1, 1, 0, 1},      // a tab is no blank
      {u"1\u00b2", true, 1, 1, 1, 2},  // superscript two is no digit
      {u"\uff11", true, 1, 1, 0, 1},   // nor is a fullwidth one
      {u"", true, 3, 1, 0, 1},
  };
  for (const auto& c : cases) {
    int pos = c.start;
    const double v = Scan(c.text, c.exp, c.option, pos);
    EXPECT_TRUE(SameBits(v, c.value)) << ToUtf8(String(c.text)) << " gives " << v;
    EXPECT_EQ(pos, c.end) << ToUtf8(String(c.text));
  }
}

// ---- Every cell of the state table --------------------------------------------------------

TEST(ScanStringFPNum, FollowsTheStateTableForEveryClass) {
  enum Outcome { C, E, F };  // continue, end, fail
  // Rows: states 1-8, reached by these prefixes (separator option 3, exponent allowed).
  const char16_t* prefixes[8] = {u"", u"-", u"1", u"1.", u"1.5", u"1e", u"1e-", u"1e5"};
  // Columns: separator, blank, sign, digit, E, other, end of text.
  const char16_t* classes[7] = {u".", u" ", u"+", u"7", u"e", u"x", u""};
  const Outcome table[8][7] = {
      {C, C, C, C, F, F, F}, {C, F, F, C, F, F, F}, {C, E, E, C, C, E, E}, {F, E, E, C, C, E, E},
      {F, E, E, C, C, E, E}, {F, F, C, C, F, E, E}, {F, F, F, C, F, E, E}, {E, E, E, C, E, E, E},
  };
  for (int allow = 0; allow < 2; ++allow) {
    for (int s = 0; s < 8; ++s) {
      if (!allow && s >= 5) continue;  // states 6-8 need the exponent
      for (int k = 0; k < 7; ++k) {
        Outcome expected = table[s][k];
        if (!allow && k == 4 && s >= 2) expected = E;  // E ends the number instead
        const String prefix = prefixes[s];
        const String text = prefix + classes[k];
        const int at = static_cast<int>(prefix.size()) + 1;  // the character under test
        int pos = 1;
        const double v = Scan(text, allow != 0, 3, pos);
        SCOPED_TRACE(ToUtf8(text) + " allow=" + std::to_string(allow));
        if (expected == C) {
          EXPECT_GT(pos, at);
        } else {
          EXPECT_EQ(pos, at);
          if (expected == F) {
            EXPECT_EQ(v, 0.0);
          } else {
            int p2 = 1;
            EXPECT_EQ(v, Scan(prefix, allow != 0, 3, p2));
          }
        }
      }
    }
  }
}

TEST(ScanStringFPNum, SeparatorOptions) {
  struct Case {
    int option;
    const char16_t* text;
    double value;
    int end;
  } cases[] = {
      {1, u"1.5", 1.5, 4}, {1, u"1,5", 1, 2},   {2, u"1.5", 1, 2},  {2, u"1,5", 1.5, 4},
      {3, u"1.5", 1.5, 4}, {3, u"1,5", 1.5, 4}, {0, u"1.5", 1, 2},  {4, u"1,5", 1, 2},
      {-1, u"1.5", 1, 2},  {3, u"1,5.", 0, 4},  {2, u",5", 0.5, 3}, {2, u"-,5", -0.5, 4},
  };
  for (const auto& c : cases) {
    int pos = 1;
    EXPECT_EQ(Scan(c.text, true, c.option, pos), c.value) << c.option << ToUtf8(String(c.text));
    EXPECT_EQ(pos, c.end) << c.option << ToUtf8(String(c.text));
  }
}

// ---- Exponent cap and clamping ------------------------------------------------------------

TEST(ScanStringFPNum, CapsTheExponentAt4200) {
  struct Case {
    String text;
    double value;
  } cases[] = {
      {u"1e4200", kMax},
      {u"1e4201", kMax},
      {u"1e99999999999999999999", kMax},  // no overflow in the exponent arithmetic
      {u"-1e99999999999999999999", -kMax},
      {u"1e-4201", 0.0},
      {u"1e-99999999999999999999", 0.0},
      {u"-1e-99999999999999999999", -0.0},
      // The cap holds the exponent at 4200 instead of dropping its last digits, so a long
      // mantissa cannot turn a huge exponent into a small one.
      {u"0." + String(300, u'0') + u"1e4300", kMax},
      {u"1" + String(300, u'0') + u"e-4300", 0.0},
  };
  for (const auto& c : cases) {
    int pos = 1;
    const double v = Scan(c.text, true, 3, pos);
    EXPECT_TRUE(SameBits(v, c.value)) << ToUtf8(c.text) << " gives " << v;
    EXPECT_EQ(pos, static_cast<int>(c.text.size()) + 1) << ToUtf8(c.text);
  }
}

TEST(ScanStringFPNum, ClampsToMaxDouble) {
  struct Case {
    const char16_t* text;
    double value;
  } cases[] = {
      {u"1.7e308", 1.7e308},
      {u"1.7000000000000001e308", kMax},
      {u"1.79e308", kMax},
      {u"1.8e308", kMax},
      {u"-1e309", -kMax},
      {u"-1.79769313486231570815e308", -kMax},
      {u"4.9406564584124654e-324", 4.9406564584124654e-324},  // least subnormal
      {u"2e-324", 0.0},
      {u"2.2250738585072011e-308", 2.2250738585072011e-308},
  };
  EXPECT_EQ(kMax, 1.7e308);
  for (const auto& c : cases) {
    int pos = 1;
    EXPECT_TRUE(SameBits(Scan(c.text, true, 3, pos), c.value)) << ToUtf8(String(c.text));
  }
}

TEST(ScanStringFPNum, LongMantissasAreCorrectlyRounded) {
  // The halfway point between 1 and the next double, followed by many zeros and then a
  // one: just above the tie, so it rounds up.
  const String just_above =
      u"1.00000000000000011102230246251565404236316680908203125" + String(5000, u'0') + u"1";
  int pos = 1;
  EXPECT_EQ(Scan(just_above, true, 1, pos), std::nextafter(1.0, 2.0));
  const String tie =
      u"1.00000000000000011102230246251565404236316680908203125" + String(5000, u'0');
  pos = 1;
  EXPECT_EQ(Scan(tie, true, 1, pos), 1.0);  // exact tie: to even
  EXPECT_EQ(pos, static_cast<int>(tie.size()) + 1);
}

// ---- Against the reference ------------------------------------------------------------------

TEST(ScanStringFPNum, MatchesTheStepByStepReference) {
  const char16_t alphabet[] = u" +-.,0123456789eEx\t5\u00e4";
  const int n_alpha = static_cast<int>(std::size(alphabet)) - 1;
  std::mt19937 rng(4242);
  for (int i = 0; i < 300000; ++i) {
    String text;
    const int len = static_cast<int>(rng() % 14);
    for (int k = 0; k < len; ++k) text += alphabet[rng() % n_alpha];
    const int option = static_cast<int>(rng() % 5);
    const bool exp = rng() % 4 != 0;
    const int start = static_cast<int>(rng() % (len + 4)) - 1;
    int pos = start;
    const double v = Scan(text, exp, option, pos);
    const RefResult r = Reference(text, exp, option, start);
    ASSERT_TRUE(SameBits(v, r.value)) << "[" << ToUtf8(text) << "] opt " << option << " exp " << exp
                                      << " start " << start << ": " << v << " vs " << r.value;
    ASSERT_EQ(pos, r.position) << "[" << ToUtf8(text) << "]";
  }
}

// ---- Round trip with strff ----------------------------------------------------------------

TEST(ScanStringFPNum, ReadsBackStrffToThePrintedPrecision) {
  std::mt19937_64 rng(1234567);
  int checked = 0;
  for (int i = 0; i < 1000000; ++i) {
    // Random doubles over the range the short scientific layout can show (|exponent| < 100).
    const double mant = std::uniform_real_distribution<double>(1, 10)(rng);
    const int e10 = static_cast<int>(rng() % 199) - 99;
    double x = mant * std::pow(10.0, e10) * (rng() % 2 ? 1 : -1);
    if (rng() % 1000 == 0) x = 0;
    const int w = 9 + static_cast<int>(rng() % 18);  // 2 to 19 mantissa decimals
    const String text = strff(x, w, -2);
    if (text[0] == u'*') continue;  // rounded up to an exponent of 100
    int pos = 1;
    const double back = ScanStringFPNum(text, true, 1, pos);
    ASSERT_EQ(pos, static_cast<int>(text.size()) + 1) << ToUtf8(text);
    // The value read back prints the same, and lies within half a unit of the last printed
    // digit of x.
    ASSERT_EQ(strff(back, w, -2), text) << x;
    const double unit =
        std::pow(10.0, std::floor(std::log10(std::fabs(back == 0 ? 1 : back))) - (w - 7));
    ASSERT_LE(std::fabs(back - x), unit * 0.5000001 + std::fabs(x) * 1e-15) << ToUtf8(text);
    ++checked;
  }
  EXPECT_GT(checked, 990000);
}

}  // namespace
}  // namespace krv
