// Words, fields, tokens and lines.
#include "korvex/stringl/tokens.h"

#include <algorithm>

#include "korvex/stringl/chars.h"
#include "korvex/stringl/edit.h"

namespace krv {

String ExtractWordFromString(const String& text, std::int32_t position) {
  std::int32_t start, end;
  return ExtractWordFromString(text, position, start, end);
}

String ExtractWordFromString(const String& text, std::int32_t position, std::int32_t& start,
                             std::int32_t& end) {
  start = end = 0;
  const std::int64_t len = static_cast<std::int64_t>(text.size());
  if (position < 1 || position > len) return String();
  std::size_t i = static_cast<std::size_t>(position - 1);
  if (IsWordSep(text[i])) {
    start = end = position;
    return String(1, text[i]);
  }
  std::size_t first = i;
  while (first > 0 && !IsWordSep(text[first - 1])) --first;
  std::size_t last = i;
  while (last + 1 < text.size() && !IsWordSep(text[last + 1])) ++last;
  start = static_cast<std::int32_t>(first + 1);
  end = static_cast<std::int32_t>(last + 1);
  return text.substr(first, last - first + 1);
}

String ExtractSubString(const String& text, std::int32_t index, const String& delimiter) {
  if (index < 0 || text.empty()) return String();
  if (delimiter.empty()) return index == 0 ? text : String();
  std::size_t at = 0;  // start of the current field
  for (std::int32_t i = 0; i < index; ++i) {
    const std::size_t p = text.find(delimiter, at);
    if (p == String::npos) return String();
    at = p + delimiter.size();
    if (at >= text.size()) return String();
  }
  // A field that starts with the delimiter is empty. Searching from the field's second
  // character on finds the end of any other field.
  if (text.compare(at, delimiter.size(), delimiter) == 0) return String();
  const std::size_t p = text.find(delimiter, at + 1);
  return text.substr(at, p == String::npos ? String::npos : p - at);
}

namespace {

// Cuts text at the split points that next_split finds (npos when there are none left).
template <class NextSplit>
std::int32_t Split(const String& text, std::size_t delimiter_size, TStrArray& tokens,
                   NextSplit next_split) {
  tokens.clear();
  std::size_t at = 0;
  if (delimiter_size > 0) {
    while (static_cast<std::int32_t>(tokens.size()) < kMaxTokens - 1) {
      const std::size_t p = next_split(at);
      if (p == String::npos) break;
      tokens.push_back(text.substr(at, p - at));
      at = p + delimiter_size;
    }
  }
  tokens.push_back(text.substr(std::min(at, text.size())));
  return static_cast<std::int32_t>(tokens.size());
}

}  // namespace

std::int32_t Tokenize(const String& text, const String& delimiter, TStrArray& tokens) {
  return Split(text, delimiter.size(), tokens,
               [&](std::size_t at) { return text.find(delimiter, at); });
}

std::int32_t Tokenize(const String& text, const String& delimiter, Char escape, TStrArray& tokens) {
  const std::int32_t n = Split(text, delimiter.size(), tokens, [&](std::size_t at) {
    std::size_t from = at;
    for (;;) {
      const std::size_t p = text.find(delimiter, from);
      // A delimiter right after an escape inside the remaining text is no split point.
      if (p == String::npos || p == at || text[p - 1] != escape) return p;
      from = p + 1;
    }
  });
  const String doubled(2, escape);
  const String single(1, escape);
  const String escaped = single + delimiter;
  for (String& t : tokens) {
    t = ReplaceStringInString(t, doubled, single, true);
    if (!delimiter.empty()) t = ReplaceStringInString(t, escaped, delimiter, true);
  }
  return n;
}

String ReadLnString(const String& text, std::int32_t& position, bool& endOfString,
                    std::int32_t mode) {
  endOfString = false;
  String line;
  std::size_t i = position < 1 ? 0 : static_cast<std::size_t>(position - 1);
  Char previous = 0;
  for (;; ++i) {
    if (i >= text.size()) {
      endOfString = true;
      break;
    }
    const Char c = text[i];
    if (c >= 32) {
      line += c;
    } else {
      bool ends = false;
      switch (mode) {
        case 0:
          ends = c == 10;
          break;
        case 1:
          ends = c == 13;
          break;
        case 2:
          ends = c == 10 || c == 13;
          break;
        case 3:
          ends = c == 13 && previous == 10;
          break;
        case 4:
          ends = c == 10 && previous == 13;
          break;
        default:
          break;
      }
      if (ends) {
        ++i;
        break;
      }
    }
    previous = c;
  }
  // i is the next character to read; it only passes the text's end if position already did.
  position = static_cast<std::int32_t>(i + 1);
  return line;
}

std::int32_t StringIx(const String& s, std::span<const String> list) {
  return StringIx(s, true, list);
}

std::int32_t StringIx(const String& s, bool caseSensitive, std::span<const String> list) {
  auto equal = [&](const String& item) {
    if (caseSensitive) return item == s;
    return item.size() == s.size() &&
           std::equal(item.begin(), item.end(), s.begin(),
                      [](Char a, Char b) { return AsciiLower(a) == AsciiLower(b); });
  };
  for (std::size_t i = 0; i < list.size(); ++i)
    if (equal(list[i])) return static_cast<std::int32_t>(i + 1);
  return 0;
}

bool TextLineCoords(const String& text, std::int32_t position, std::int32_t& line,
                    std::int32_t& column) {
  line = column = 0;
  if (position < 1 || static_cast<std::size_t>(position) > text.size() + 1) return false;
  std::int32_t l = 1;
  std::size_t line_start = 0;
  const std::size_t target = static_cast<std::size_t>(position - 1);
  for (std::size_t i = 0; i < target; ++i) {
    const Char c = text[i];
    // A CR directly followed by an LF ends its line only at the LF.
    const bool ends = c == 10 || (c == 13 && (i + 1 >= text.size() || text[i + 1] != 10));
    if (ends) {
      ++l;
      line_start = i + 1;
    }
  }
  line = l;
  column = static_cast<std::int32_t>(target - line_start + 1);
  return true;
}

}  // namespace krv
