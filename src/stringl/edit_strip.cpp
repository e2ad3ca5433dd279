// Stripping blanks and characters from the ends, and ensuring a character at an end.
#include <algorithm>

#include "korvex/stringl/edit.h"

namespace krv {

String StripLTBlanks(const String& s) {
  const std::size_t first = s.find_first_not_of(u' ');
  if (first == String::npos) return String();
  const std::size_t last = s.find_last_not_of(u' ');
  return s.substr(first, last - first + 1);
}

String StripLeadingBlanks(const String& s) {
  if (s.empty()) return s;
  return s.substr(std::min(s.find_first_not_of(u' '), s.size() - 1));
}

String StripTrailingBlanks(const String& s) {
  return StripTrailingChars(u' ', s);
}

String StripLeadingChars(Char c, const String& s) {
  const std::size_t first = s.find_first_not_of(c);
  return first == String::npos ? String() : s.substr(first);
}

String StripTrailingChars(Char c, const String& s) {
  if (s.empty()) return s;
  const std::size_t last = s.find_last_not_of(c);
  return s.substr(0, last == String::npos ? 1 : last + 1);
}

String EnsureLeadingChar(Char c, const String& s) {
  if (s.empty() || s.front() == c) return s;
  return c + s;
}

String EnsureTrailingChar(Char c, const String& s) {
  if (s.empty() || s.back() == c) return s;
  return s + c;
}

String EnsureTrailingBkSlash(const String& s) {
  return EnsureTrailingChar(u'\\', s);
}

}  // namespace krv
