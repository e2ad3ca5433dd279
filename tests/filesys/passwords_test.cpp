// InventPassword: the layout for every length and option set, uniform letters and digits,
// and independence from the process-wide pseudo-random generator.
#include "korvex/filesys/passwords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "korvex/platform/random.h"
#include "korvex/platform/text.h"

namespace krv {
namespace {

const std::string kVowels = "aeiouy";
const std::string kConsonants = "bcdfghjklmnpqrstvwxz";
const std::string kDigits = "0123456789";
const std::string kReplacements = "_!$%#=0123456789";

// The class of each character of an unchanged password: V vowel, C consonant, D digit.
std::string Pattern(int length) {
  const int n = std::clamp(length, 4, 14);
  std::string p = n % 2 ? "V" : "";
  for (int i = 0; i < n / 2; ++i) p += "CV";
  p.insert(std::min<std::size_t>(p.size(), 6), "DD");
  return p;
}

bool InClass(char c, char cls) {
  const std::string& set = cls == 'V' ? kVowels : cls == 'C' ? kConsonants : kDigits;
  return set.find(c) != std::string::npos;
}

// Checks one password; counts upper-case letters and replaced positions.
void CheckLayout(int length, bool mixed, bool special, const std::string& pw, int& uppers,
                 int& replaced) {
  const std::string pattern = Pattern(length);
  ASSERT_EQ(pw.size(), pattern.size()) << length << " " << pw;
  const std::size_t end = length <= 0 ? 0 : std::min<std::size_t>(length, pw.size());
  for (std::size_t i = 0; i < pw.size(); ++i) {
    const char c = pw[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (InClass(c, pattern[i])) continue;
    const std::string where = std::to_string(length) + " " + pw + " at " + std::to_string(i);
    ASSERT_LT(i, end) << "changed outside the range: " << where;
    if (mixed && c != lower && InClass(lower, pattern[i])) {
      ++uppers;
      continue;
    }
    ASSERT_TRUE(special && kReplacements.find(c) != std::string::npos) << where;
    ++replaced;
  }
}

TEST(InventPassword, LayoutForEveryLengthAndOptionSet) {
  EXPECT_EQ(Pattern(1), "CVCVDD");
  EXPECT_EQ(Pattern(5), "VCVCVDD");
  EXPECT_EQ(Pattern(20), "CVCVCVDDCVCVCVCV");
  for (int options = 0; options < 4; ++options) {
    const bool mixed = options & 1, special = options & 2;
    int uppers = 0, replaced = 0;
    for (int length = -1; length <= 20; ++length)
      for (int round = 0; round < 50; ++round) {
        const std::string pw =
            ToUtf8(options == 0 && round % 2 ? InventPassword(length)
                                             : InventPassword(length, mixed, special));
        CheckLayout(length, mixed, special, pw, uppers, replaced);
      }
    // About half of the letters in range change case; about a fifth of the positions change.
    EXPECT_EQ(uppers > 1000, mixed) << uppers;
    EXPECT_EQ(replaced > 500, special) << replaced;
  }
}

// Chi-square statistic of counts against equal expectation.
double ChiSquare(const std::map<char, int>& counts, int categories, int total) {
  const double expected = static_cast<double>(total) / categories;
  double chi = (categories - static_cast<int>(counts.size())) * expected;
  for (const auto& [c, n] : counts) chi += (n - expected) * (n - expected) / expected;
  return chi;
}

// 10,000 passwords are all different, and vowels, consonants and digits are drawn
// uniformly (the bounds are exceeded by chance about once in a million runs).
TEST(InventPassword, DistinctAndUniform) {
  constexpr int kCount = 10000;
  std::set<std::string> seen;
  std::map<char, int> first_vowel, consonant, tens;
  for (int i = 0; i < kCount; ++i) {
    const std::string pw = ToUtf8(InventPassword(9));
    seen.insert(pw);
    ++first_vowel[pw[0]];
    ++consonant[pw[1]];
    ++tens[pw[6]];
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kCount));
  EXPECT_LT(ChiSquare(first_vowel, 6, kCount), 35.9);  // 5 degrees of freedom
  EXPECT_LT(ChiSquare(consonant, 20, kCount), 60.0);   // 19
  EXPECT_LT(ChiSquare(tens, 10, kCount), 47.2);        // 9
}

// The process-wide generator neither decides the password nor moves.
TEST(InventPassword, IndependentOfThePseudoRandomGenerator) {
  RandSeed = 12345;
  const String a = InventPassword(14, true, true);
  EXPECT_EQ(RandSeed.load(), 12345u);
  RandSeed = 12345;
  const String b = InventPassword(14, true, true);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace krv
