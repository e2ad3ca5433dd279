// Removing and replacing characters and substrings, and escape processing.
#include <algorithm>
#include <string_view>

#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"
#include "stringl/internal/char_flags.h"

namespace krv {
namespace {

using View = std::u16string_view;

// The characters a short (8.3) file name may hold.
constexpr detail::CharFlags MakeFN83Flags() {
  detail::CharFlags f(false);
  for (Char c : View(u"!#$%&'()-.@^_`{}~")) f.Set(c, true);
  f.SetRange(u'0', u'9', true);
  f.SetRange(u'A', u'Z', true);
  f.SetRange(u'a', u'z', true);
  return f;
}
constexpr detail::CharFlags kFN83Flags = MakeFN83Flags();

// Value of up to two characters read as hexadecimal: leading blanks and one '$' skipped,
// reading stops at the first non-digit; no digit gives 0.
Char HexValue(View digits) {
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == u' ') ++i;
  if (i < digits.size() && digits[i] == u'$') ++i;
  unsigned value = 0;
  for (; i < digits.size() && IsHexChar(digits[i]); ++i) {
    const Char d = digits[i];
    value = value * 16 + (IsDigit(d) ? d - u'0' : (AsciiUpper(d) - u'A' + 10));
  }
  return static_cast<Char>(value);
}

}  // namespace

String RemoveCharInString(const String& s, Char c) {
  String out;
  out.reserve(s.size());
  std::copy_if(s.begin(), s.end(), std::back_inserter(out), [c](Char x) { return x != c; });
  return out;
}

String RemoveMultiChars(const String& s, Char c) {
  String out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c && i > 0 && s[i - 1] == c) continue;
    out.push_back(s[i]);
  }
  return out;
}

String RemoveControlChars(const String& s) {
  String out;
  out.reserve(s.size());
  std::copy_if(s.begin(), s.end(), std::back_inserter(out), [](Char x) { return x >= 32; });
  return out;
}

String ReplaceCharInString(const String& s, Char oldChar, Char newChar) {
  String out(s);
  std::replace(out.begin(), out.end(), oldChar, newChar);
  return out;
}

// Appends the text between matches and the replacement for each match. Equivalent to deleting
// and inserting in place and resuming after the inserted text, without the quadratic moves.
String ReplaceStringInString(const String& s, const String& search, const String& replacement,
                             bool ignoreCase) {
  if (search.empty() || s.size() < search.size()) return s;
  String foldedSearch, foldedS;
  View needle(search), hay(s);
  if (ignoreCase) {
    foldedSearch = detail::AsciiLowerCopy(search);
    foldedS = detail::AsciiLowerCopy(s);
    needle = foldedSearch;
    hay = foldedS;
  }
  std::size_t p = hay.find(needle);
  if (p == View::npos) return s;
  String out;
  out.reserve(s.size());
  std::size_t done = 0;
  for (; p != View::npos; p = hay.find(needle, done)) {
    out.append(s, done, p - done);
    out.append(replacement);
    done = p + needle.size();
  }
  out.append(s, done, String::npos);
  return out;
}

String ProcessHexChars(const String& s) {
  String out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == u'\\' && i + 1 < s.size()) {
      if (s[i + 1] == u'#') {
        const View digits = View(s).substr(i + 2, 2);
        out.push_back(HexValue(digits));
        i += 2 + digits.size();
        continue;
      }
      if (s[i + 1] == u'\\') {
        out.push_back(u'\\');
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
    ++i;
  }
  return out;
}

String ReduceStringToAZ09(const String& s) {
  String out(s);
  for (Char& c : out) {
    if (!IsDigitLetter(c)) c = u'_';
  }
  return out;
}

String ReduceStringToFN83CompliantChars(const String& s) {
  String out(s);
  for (Char& c : out) {
    if (!kFN83Flags.Get(c, false)) c = u'_';
  }
  return out;
}

}  // namespace krv
