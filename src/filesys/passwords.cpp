// Pronounceable passwords from the operating system's cryptographic random source.
#include "korvex/filesys/passwords.h"

#include <algorithm>
#include <cstring>

#include "korvex/platform/system.h"

namespace krv {
namespace {

constexpr char kVowels[] = "aeiouy";
constexpr char kConsonants[] = "bcdfghjklmnpqrstvwxz";
constexpr char kSpecials[] = "_!$%#=";

// Uniform draws from bytes of the secure source, fetched a block at a time. After the source
// fails once, Ok() is false and every draw gives 0.
class SecureDraws {
 public:
  bool Ok() const { return ok_; }

  // Uniform in 0..n-1 for 1 <= n: words at or above the largest multiple of n are drawn
  // again, so every value is equally likely.
  std::uint32_t Below(std::uint32_t n) {
    const std::uint32_t limit = static_cast<std::uint32_t>(0x100000000ull - 0x100000000ull % n);
    for (;;) {
      const std::uint32_t w = Word();
      if (!ok_) return 0;
      if (limit == 0 || w < limit) return w % n;  // limit 0: n divides 2^32
    }
  }

  // Uniform in [0, 1) with 53 random bits.
  double Unit() {
    const std::uint64_t bits = (std::uint64_t{Word()} << 21) ^ (Word() >> 11);
    return static_cast<double>(bits & ((std::uint64_t{1} << 53) - 1)) * 0x1p-53;
  }

 private:
  std::uint32_t Word() {
    if (pos_ + 4 > sizeof buf_) {
      ok_ = ok_ && SecureRandomBytes(buf_, sizeof buf_);
      pos_ = 0;
    }
    std::uint32_t w;
    std::memcpy(&w, buf_ + pos_, 4);
    pos_ += 4;
    return ok_ ? w : 0;
  }

  unsigned char buf_[512];
  std::size_t pos_ = sizeof buf_;
  bool ok_ = true;
};

Char Pick(const char* letters, std::uint32_t count, SecureDraws& draws) {
  return static_cast<Char>(letters[draws.Below(count)]);
}

String Pronounceable(std::int32_t length, SecureDraws& draws) {
  length = std::clamp<std::int32_t>(length, 4, 14);
  String s;
  if (length % 2 != 0) s += Pick(kVowels, 6, draws);
  for (std::int32_t i = 0; i < length / 2; ++i) {
    s += Pick(kConsonants, 20, draws);
    s += Pick(kVowels, 6, draws);
  }
  const std::uint32_t number = draws.Below(100);
  const Char digits[2] = {static_cast<Char>(u'0' + number / 10),
                          static_cast<Char>(u'0' + number % 10)};
  s.insert(std::min<std::size_t>(s.size(), 6), digits, 2);
  return s;
}

}  // namespace

String InventPassword(std::int32_t Length) {
  return InventPassword(Length, false, false);
}

String InventPassword(std::int32_t Length, bool MixedCase, bool SpecialChars) {
  SecureDraws draws;
  String s = Pronounceable(Length, draws);
  const std::size_t end = Length <= 0 ? 0 : std::min<std::size_t>(Length, s.size());
  if (MixedCase)
    for (std::size_t i = 0; i < end; ++i)
      if (s[i] >= u'a' && s[i] <= u'z' && draws.Unit() > 0.5) s[i] = static_cast<Char>(s[i] - 32);
  if (SpecialChars)
    for (std::size_t i = 0; i < end; ++i) {
      if (draws.Unit() <= 0.8) continue;
      const std::uint32_t k = draws.Below(16) + 1;
      s[i] = k <= 6 ? static_cast<Char>(kSpecials[k - 1]) : static_cast<Char>(u'0' + (k - 7));
    }
  return draws.Ok() ? s : String();
}

}  // namespace krv
