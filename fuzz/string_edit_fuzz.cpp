// Drives random strings (code 0 and characters above 255 included) through every string
// editing routine and checks the invariants that tie them together.
//
// Input: byte 0 holds flags, byte 1 a width, bytes 2-9 two 32-bit integers; the rest is text.
// Each text byte is one character of that code, except 0xFE, which ends the current string
// (subject, search, replacement, then set), and 0xFF, which takes the next two bytes as one
// 16-bit character.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "korvex/stringl/casemap.h"
#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"

namespace {

using krv::String;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::int32_t ReadInt(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return static_cast<std::int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10 || size > 4096) return 0;
  const std::uint8_t flags = data[0];
  const std::uint8_t width = data[1];
  const std::int32_t a = ReadInt(data + 2);
  const std::int32_t b = ReadInt(data + 6);

  String parts[4];
  std::size_t part = 0;
  for (std::size_t i = 10; i < size; ++i) {
    if (data[i] == 0xFE) {
      if (++part == 4) break;
    } else if (data[i] == 0xFF && i + 2 < size) {
      parts[part] += static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
      i += 2;
    } else {
      parts[part] += static_cast<char16_t>(data[i]);
    }
  }
  const String& s = parts[0];
  const String& search = parts[1];
  const String& repl = parts[2];
  const String& set = parts[3];
  const bool ic = (flags & 1) != 0;
  const char16_t c = search.empty() ? u' ' : search[0];

  // Separators: sometimes a set built from the flags byte, always restored.
  if (flags & 2) {
    krv::WordSeps.Clear();
    for (std::size_t i = 0; i < set.size(); ++i) {
      krv::WordSeps.Include(static_cast<std::uint8_t>(set[i]));
    }
  }
  const std::int32_t words = krv::CountWords(s);
  Check(words >= 0 && static_cast<std::size_t>(words) <= s.size() / 2);
  krv::WordSeps = krv::kDefaultWordSeps;

  // Tests and searches.
  const bool contains = krv::StringContains(s, set);
  const bool other = krv::StringContainsOtherThan(s, set);
  Check(contains || other || s.empty());
  Check(!krv::StringContains(s, String()));
  Check(krv::StringContainsOtherThan(s, String()) == !s.empty());
  (void)krv::TestAllChar(s, c);
  const std::int32_t nc = krv::CountCharInString(c, s, !ic);
  Check(nc >= 0 && static_cast<std::size_t>(nc) <= s.size());
  const std::int32_t ns = krv::CountStringInString(search, s, true);
  Check(ns >= 0 && static_cast<std::size_t>(ns) <= s.size());
  (void)krv::IsAbbreviation(s);
  Check(krv::EqualAnsiStrings(s, krv::UnicodeUpperCase(s)) ==
        krv::EqualAnsiStrings(krv::UnicodeLowerCase(s), krv::UnicodeUpperCase(s)));
  Check(krv::EqualAnsiStrings(s, s));
  const std::int32_t fd = krv::FindFirstDigit(s);
  Check(fd >= 0 && static_cast<std::size_t>(fd) <= s.size());
  const std::int32_t fb = krv::FindFirstNonBlank(s);
  Check(fb >= 0 && static_cast<std::size_t>(fb) <= s.size());
  const std::int32_t pl = krv::PosLast(search, s);
  Check(pl >= 0 && static_cast<std::size_t>(pl) <= s.size());
  const std::int32_t np = krv::NumberedPos(search, s, a, b, ic);
  Check(np >= 0 && static_cast<std::size_t>(np) <= s.size());
  if (np > 0) Check(np >= a);
  Check(krv::NumberedPos(search, s, 1, ns, false) == (ns > 0 ? pl : 0));

  // Stripping and ensuring.
  Check(krv::StripLTBlanks(s).size() <= s.size());
  Check(krv::StripLeadingBlanks(s).size() <= s.size());
  Check(krv::StripTrailingBlanks(s).size() <= s.size());
  Check(krv::StripLeadingChars(c, s).size() <= s.size());
  Check(krv::StripTrailingChars(c, s).size() <= s.size());
  Check(krv::EnsureLeadingChar(c, s).size() <= s.size() + 1);
  Check(krv::EnsureTrailingChar(c, s).size() <= s.size() + 1);
  Check(krv::EnsureTrailingBkSlash(s).size() <= s.size() + 1);

  // Removing and replacing.
  Check(krv::RemoveCharInString(s, c).size() +
            static_cast<std::size_t>(krv::CountCharInString(c, s, true)) ==
        s.size());
  Check(krv::RemoveMultiChars(s, c).size() <= s.size());
  Check(krv::RemoveControlChars(s).size() <= s.size());
  Check(krv::ReplaceCharInString(s, c, u'x').size() == s.size());
  const String replaced = krv::ReplaceStringInString(s, search, repl, false);
  if (!search.empty()) {
    Check(replaced.size() + static_cast<std::size_t>(ns) * search.size() ==
          s.size() + static_cast<std::size_t>(ns) * repl.size());
  } else {
    Check(replaced == s);
  }
  (void)krv::ReplaceStringInString(s, search, repl, true);
  Check(krv::ProcessHexChars(s).size() <= s.size());
  Check(krv::ReduceStringToAZ09(s).size() == s.size());
  Check(krv::ReduceStringToFN83CompliantChars(s).size() == s.size());

  // Shaping and re-casing.
  Check(krv::ReverseString(krv::ReverseString(s)) == s);
  Check(krv::CenterString(s, width).size() == width);
  Check(krv::LeftString(s, width).size() == width);
  Check(krv::RightString(s, width).size() == width);
  const std::size_t m = krv::MultiChar(c, a).size();
  Check(m >= 1 && m <= 255);
  (void)krv::AbbrevString(s, b);
  Check(krv::CapitalizeString(s).size() == s.size());
  Check(krv::ChangeCase(s).size() == s.size());
  Check(krv::ExpandDiphthongs(s).size() <= 2 * s.size());
  return 0;
}
