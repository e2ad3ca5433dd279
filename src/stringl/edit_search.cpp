// Tests, counts and searches on whole strings.
#include <algorithm>
#include <cstddef>
#include <string_view>

#include "korvex/stringl/casemap.h"
#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"
#include "stringl/internal/char_flags.h"

namespace krv {
namespace detail {

String AsciiLowerCopy(const String& s) {
  String out(s);
  for (Char& c : out) c = AsciiLower(c);
  return out;
}

}  // namespace detail

namespace {

using View = std::u16string_view;

std::int32_t ToPos(std::size_t index) {
  return static_cast<std::int32_t>(index + 1);
}

// The members a character-set string describes: codes 0..255 in the flag table, wider
// characters in a sorted side list.
struct CharSetTable {
  detail::CharFlags flags;
  String wide;

  bool WideMember(Char c) const { return std::binary_search(wide.begin(), wide.end(), c); }
};

// Expands the markers in one left-to-right scan. Markers never overlap and no expansion
// contains '/', so this gives the same members as replacing marker by marker in passes.
CharSetTable BuildCharSet(const String& set, bool member) {
  CharSetTable t{detail::CharFlags(!member), {}};
  const View v(set);
  std::size_t i = 0;
  while (i < v.size()) {
    if (v[i] == u'/' && i + 1 < v.size() && v[i + 1] == u'/') {
      const View rest = v.substr(i + 2);
      struct Marker {
        View name;
        Char first, last;
      };
      static constexpr Marker kMarkers[] = {{u"dig", u'0', u'9'},
                                            {u"lc", u'a', u'z'},
                                            {u"uc", u'A', u'Z'},
                                            {u"31dwn", 0, 31},
                                            {u"128up", 128, 255}};
      bool found = false;
      for (const Marker& m : kMarkers) {
        if (rest.starts_with(m.name)) {
          t.flags.SetRange(m.first, m.last, member);
          i += 2 + m.name.size();
          found = true;
          break;
        }
      }
      if (found) continue;
    }
    if (v[i] < 256) {
      t.flags.Set(v[i], member);
    } else {
      t.wide.push_back(v[i]);
    }
    ++i;
  }
  std::sort(t.wide.begin(), t.wide.end());
  return t;
}

}  // namespace

bool TestAllChar(const String& s, Char c) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [c](Char x) { return x == c; });
}

bool StringContains(const String& s, const String& charSet) {
  const CharSetTable t = BuildCharSet(charSet, true);
  for (Char c : s) {
    if (c < 256 ? t.flags[static_cast<unsigned char>(c)] : t.WideMember(c)) return true;
  }
  return false;
}

bool StringContainsOtherThan(const String& s, const String& charSet) {
  const CharSetTable t = BuildCharSet(charSet, false);
  for (Char c : s) {
    if (c < 256 ? t.flags[static_cast<unsigned char>(c)] : !t.WideMember(c)) return true;
  }
  return false;
}

std::int32_t CountCharInString(Char c, const String& s, bool caseSensitive) {
  std::size_t n;
  if (caseSensitive) {
    n = static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
  } else {
    const Char u = AsciiUpper(c);
    n = static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [u](Char x) { return AsciiUpper(x) == u; }));
  }
  return static_cast<std::int32_t>(n);
}

std::int32_t CountStringInString(const String& search, const String& s, bool caseSensitive) {
  if (search.empty()) return 0;
  String foldedSearch, foldedS;
  View needle(search), hay(s);
  if (!caseSensitive) {
    foldedSearch = detail::AsciiLowerCopy(search);
    foldedS = detail::AsciiLowerCopy(s);
    needle = foldedSearch;
    hay = foldedS;
  }
  std::int32_t n = 0;
  for (std::size_t p = hay.find(needle); p != View::npos; p = hay.find(needle, p + needle.size()))
    ++n;
  return n;
}

std::int32_t CountWords(const String& s) {
  const TCharSet seps = WordSeps;  // read once per call
  std::int32_t words = 0;
  int run = 0;  // characters in the current run, saturated at 2
  for (Char c : s) {
    if (seps.Contains(c)) {
      words += run >> 1;
      run = 0;
    } else {
      run += run < 2;
    }
  }
  return words;
}

bool IsAbbreviation(const String& s) {
  std::size_t run = 0, longest = 0, small = 0;
  for (Char c : s) {
    if (c >= u'A' && c <= u'Z') {
      ++run;
      continue;
    }
    longest = std::max(longest, run);
    run = 0;
    if ((c >= u'a' && c <= u'z') || IsDigit(c)) ++small;
  }
  longest = std::max(longest, run);
  return longest >= 2 && small < longest;
}

bool EqualAnsiStrings(const String& a, const String& b) {
  const View va = View(a).substr(0, View(a).find(u'\0'));
  const View vb = View(b).substr(0, View(b).find(u'\0'));
  if (va.size() != vb.size()) return false;
  for (std::size_t i = 0; i < va.size(); ++i) {
    if (va[i] != vb[i] && UnicodeFold(va[i]) != UnicodeFold(vb[i])) return false;
  }
  return true;
}

std::int32_t FindFirstDigit(const String& s) {
  const auto it = std::find_if(s.begin(), s.end(), [](Char c) { return IsDigit(c); });
  return it == s.end() ? 0 : ToPos(static_cast<std::size_t>(it - s.begin()));
}

std::int32_t FindFirstNonBlank(const String& s) {
  const std::size_t p = s.find_first_not_of(u' ');
  return p == String::npos ? 0 : ToPos(p);
}

std::int32_t PosLast(const String& search, const String& s) {
  if (search.empty()) return 0;
  std::size_t last = View::npos;
  for (std::size_t p = s.find(search); p != View::npos; p = s.find(search, p + search.size()))
    last = p;
  return last == View::npos ? 0 : ToPos(last);
}

std::int32_t NumberedPos(const String& search, const String& s, std::int32_t startPos,
                         std::int32_t occurrence, bool ignoreCase) {
  if (occurrence < 1 || search.empty()) return 0;
  std::size_t from = startPos < 1 ? 0 : static_cast<std::size_t>(startPos) - 1;
  if (from >= s.size()) return 0;
  String foldedSearch, foldedS;
  View needle(search), hay(s);
  if (ignoreCase) {
    foldedSearch = detail::AsciiLowerCopy(search);
    foldedS = detail::AsciiLowerCopy(s);
    needle = foldedSearch;
    hay = foldedS;
  }
  std::size_t p = View::npos;
  for (std::int32_t k = 0; k < occurrence; ++k) {
    p = hay.find(needle, from);
    if (p == View::npos) return 0;
    from = p + needle.size();
  }
  return ToPos(p);
}

}  // namespace krv
