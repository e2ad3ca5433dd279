// krv grep's block scans beside the plain loops they stand for: random texts over small
// alphabets (so that needles occur, nearly occur and fail at every place of a block), every
// needle length up to 20, with and without folding, rare and common first bytes.
#include "../../tools/krv/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace krv::tool {
namespace {

std::string Random(std::mt19937& rng, std::string_view alphabet, std::size_t n) {
  std::string s(n, ' ');
  for (char& c : s)
    c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
  return s;
}

TEST(ByteScan, NeedlesAsThePlainLoopFindsThem) {
  std::mt19937 rng(31);
  const char* alphabets[] = {"ab", "aAbB-", "zZ\nx", "the quick\n",
                             "\x80\xff"
                             "aZ"};
  for (const char* alphabet : alphabets) {
    for (int round = 0; round < 400; ++round) {
      const std::string text =
          Random(rng, alphabet, std::uniform_int_distribution<std::size_t>(0, 300)(rng));
      const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 20)(rng);
      std::string needle = Random(rng, alphabet, n);
      for (bool fold : {false, true}) {
        if (fold)
          for (char& c : needle) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        ASSERT_EQ(FindNeedle(text, needle, fold), FindNeedlePlain(text, needle, fold))
            << "'" << needle << "' in '" << text << "' fold " << fold;
      }
    }
  }
  // A rare byte that turns out common: the scan changes method half-way.
  std::string text(5000, 'z');
  text += "zzzq";
  EXPECT_EQ(FindNeedle(text, "zzq", false), 5001u);
  EXPECT_EQ(FindNeedle(text, "zzQ", false), std::string_view::npos);
}

TEST(ByteScan, ClassesCountsAndWidening) {
  std::mt19937 rng(32);
  for (int round = 0; round < 2000; ++round) {
    std::array<bool, 256> members{};
    for (int k = std::uniform_int_distribution<int>(1, 9)(rng); k > 0; --k)
      members[std::uniform_int_distribution<int>(0, 255)(rng)] = true;
    std::string text(std::uniform_int_distribution<std::size_t>(0, 200)(rng), '\0');
    for (char& c : text) c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    const ByteClass set(members);
    ASSERT_EQ(set.Find(text), FindInClassPlain(text, members));
    long long lf = 0;
    for (char c : text) lf += c == '\n';
    ASSERT_EQ(CountLineFeeds(text), lf);
    std::u16string wide;
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    ASSERT_EQ(WidenAscii(text, wide), ascii);
    if (ascii) {
      ASSERT_EQ(wide, std::u16string(text.begin(), text.end()));
    }
  }
}

}  // namespace
}  // namespace krv::tool
