// HTML character references: the named Latin-1 and markup entities, numeric references.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "htmltext_internal.h"
#include "korvex/base/tables.h"
#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

// Longest entity name known here ("frac14", "plusmn"...), without `&` and `;`.
constexpr std::size_t kMaxNameLength = 6;
// Stands for every numeric value above the last code point while digits are summed.
constexpr std::uint32_t kTooLarge = 0x110000;

using NameTable = std::vector<std::pair<String, Char>>;

// Entity names (without `&` and `;`) sorted for binary search. Built on first use, after the
// library's tables are initialised.
const NameTable& Names() {
  static const NameTable table = [] {
    NameTable t = {{u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}};
    for (long c = 160; c <= 255; ++c) {
      const ShortString& e = HTMLLat1Entities[c];
      t.emplace_back(String(e.begin() + 1, e.end() - 1), static_cast<Char>(c));
    }
    std::sort(t.begin(), t.end());
    return t;
  }();
  return table;
}

bool FindName(std::u16string_view name, Char& c) {
  const NameTable& t = Names();
  const auto it = std::lower_bound(t.begin(), t.end(), name, [](const auto& entry, auto n) {
    return std::u16string_view(entry.first) < n;
  });
  if (it == t.end() || it->first != name) return false;
  c = it->second;
  return true;
}

// What an HTML5 parser makes of the numeric reference `v`.
void AppendCodePoint(std::uint32_t v, String& out) {
  if (v == 0 || (v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF) {
    out += u'\uFFFD';
  } else if (v >= 0x80 && v <= 0x9F) {
    out += AnsiToChar(static_cast<unsigned char>(v));
  } else if (v > 0xFFFF) {
    v -= 0x10000;
    out += static_cast<Char>(0xD800 + (v >> 10));
    out += static_cast<Char>(0xDC00 + (v & 0x3FF));
  } else {
    out += static_cast<Char>(v);
  }
}

int DigitValue(Char c) {
  if (IsDigit(c)) return c - u'0';
  return AsciiLower(c) - u'a' + 10;
}

std::size_t DecodeNumeric(std::u16string_view text, std::size_t i, String& out) {
  std::size_t j = i + 2;  // after "&#"
  const bool hex = j < text.size() && (text[j] == u'x' || text[j] == u'X');
  if (hex) ++j;
  const std::size_t digitsStart = j;
  std::uint32_t value = 0;
  for (; j < text.size() && (hex ? IsHexChar(text[j]) : IsDigit(text[j])); ++j) {
    value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + DigitValue(text[j]), kTooLarge);
  }
  if (j == digitsStart || j >= text.size() || text[j] != u';') return j;
  AppendCodePoint(value, out);
  return j + 1;
}

std::size_t DecodeNamed(std::u16string_view text, std::size_t i, String& out) {
  std::size_t j = i + 1;
  while (j < text.size() && j - i <= kMaxNameLength && IsDigitLetter(text[j])) ++j;
  Char c;
  if (j >= text.size() || text[j] != u';' || !FindName(text.substr(i + 1, j - i - 1), c)) return j;
  out += c;
  return j + 1;
}

}  // namespace

namespace detail {

bool DecodeReference(std::u16string_view text, std::size_t i, String& out, std::size_t& next) {
  const std::size_t before = out.size();
  next = (i + 1 < text.size() && text[i + 1] == u'#') ? DecodeNumeric(text, i, out)
                                                      : DecodeNamed(text, i, out);
  if (out.size() != before) return true;
  next = std::max(next, i + 1);
  return false;
}

}  // namespace detail

String AnsiToHTMLEntity(Char c) {
  switch (c) {
    case u'&':
      return u"&amp;";
    case u'<':
      return u"&lt;";
    case u'>':
      return u"&gt;";
    case u'"':
      return u"&quot;";
    default:
      break;
  }
  if (c >= 160 && c <= 255) return FromAnsi(HTMLLat1Entities[c]);
  return String(1, c);
}

String MakeStringHTMLCompatible(const String& text) {
  String out;
  out.reserve(text.size());
  for (Char c : text) {
    if (c == u'\'') {
      out += u"&#39;";
    } else if (c == u'\r') {
      out += u"&#13;";
    } else if (c >= 160 && c <= 255) {
      const ShortString& entity = HTMLLat1Entities[c];
      out.append(entity.begin(), entity.end());
    } else if (c == u'&' || c == u'<' || c == u'>' || c == u'"') {
      out += AnsiToHTMLEntity(c);
    } else {
      out += c;
    }
  }
  return out;
}

String ResolveHTMLEntities(const String& text) {
  String out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != u'&') {
      out += text[i++];
      continue;
    }
    std::size_t next;
    if (!detail::DecodeReference(text, i, out, next)) out.append(text, i, next - i);
    i = next;
  }
  return out;
}

String HTMLEntityToAnsi(const String& entity) {
  if (entity.empty() || entity[0] != u'&') return entity;
  String out;
  std::size_t next;
  if (detail::DecodeReference(entity, 0, out, next) && next == entity.size()) return out;
  return entity;
}

}  // namespace krv
