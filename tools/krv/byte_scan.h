// Block scans of raw bytes for krv grep's prefilter: a literal in either case, a byte of a
// class, and counting line feeds. Each has an SSE2 form (the x86-64 baseline) beside a plain
// loop that other processors use and that the tests compare it with.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace krv::tool {

// Offset of the first occurrence of needle in text, with fold ASCII letters compared without
// regard to case (needle's letters must then be small); npos when there is none. needle is
// not empty. Blocks of 16 starts are screened by two of the needle's bytes, the two rarest
// in ordinary text, and the starts that pass are compared in full.
std::size_t FindNeedle(std::string_view text, std::string_view needle, bool fold);
inline std::size_t FindFolded(std::string_view text, std::string_view needle) {
  return FindNeedle(text, needle, true);
}

// The bytes of a class, with the ranges they form when there are few of them.
class ByteClass {
 public:
  static constexpr int kMaxRanges = 4;
  explicit ByteClass(const std::array<bool, 256>& members);
  bool Has(unsigned char c) const { return members_[c]; }
  // Offset of the first member in text, or npos.
  std::size_t Find(std::string_view text) const;

 private:
  std::array<bool, 256> members_;
  int ranges_ = 0;  // 0 when the members form more than kMaxRanges ranges
  std::array<unsigned char, 2 * kMaxRanges> bounds_{};
};

// The number of line feeds in text.
long long CountLineFeeds(std::string_view text);

// When every byte of text is ASCII: its characters as UTF-16 in out (resized to fit), true.
// Otherwise false, out unspecified.
bool WidenAscii(std::string_view text, std::u16string& out);

// The plain loops, for the tests.
std::size_t FindNeedlePlain(std::string_view text, std::string_view needle, bool fold);
std::size_t FindInClassPlain(std::string_view text, const std::array<bool, 256>& members);

}  // namespace krv::tool
