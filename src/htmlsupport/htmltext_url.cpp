// URL percent-coding, HTTP paths and word counting in HTML text.
#include <cstddef>
#include <string_view>

#include "korvex/htmlsupport/htmltext.h"
#include "korvex/platform/casefold.h"
#include "korvex/stringl/chars.h"

namespace krv {
namespace {

constexpr std::u16string_view kUrlReserved = u" !*'();:@&=+$,/?%#[]";

int HexValue(Char c) {
  if (c <= u'9') return c - u'0';
  return AsciiLower(c) - u'a' + 10;
}

// One decoding pass: `%` and two hex digits become the character of that code.
String DecodePass(const String& text) {
  String out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] == u'%' && i + 2 < n && IsHexChar(text[i + 1]) && IsHexChar(text[i + 2])) {
      out += static_cast<Char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

String URLEncode(const String& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  String out;
  out.reserve(text.size());
  for (Char c : text) {
    if (kUrlReserved.find(c) == std::u16string_view::npos) {
      out += c;
    } else {
      out += u'%';
      out += static_cast<Char>(kHex[c >> 4]);
      out += static_cast<Char>(kHex[c & 15]);
    }
  }
  return out;
}

String URLDecode(const String& text) {
  return DecodePass(DecodePass(text));
}

String ExtractHTTPPath(const String& url) {
  static constexpr std::u16string_view kScheme = u"http://";
  String result = url;
  for (std::size_t i = 0; i + kScheme.size() <= url.size(); ++i) {
    std::size_t k = 0;
    while (k < kScheme.size() && AsciiLower(url[i + k]) == kScheme[k]) ++k;
    if (k == kScheme.size()) {
      result.erase(0, i + kScheme.size());
      break;
    }
  }
  const std::size_t slash = result.rfind(u'/');
  if (slash != String::npos) result.erase(slash + 1);
  return result;
}

std::int32_t CountWordsHTML(const String& text, bool ignoreNumbers, bool& insideTag) {
  std::int32_t words = 0;
  std::size_t run = 0;
  Char first = u' ';
  for (Char c : text) {
    if (c == u'<') insideTag = true;
    if (c == u'>') insideTag = false;
    if (insideTag) continue;
    if (IsWordSep(c)) {
      if (run > 1 && !(ignoreNumbers && IsDigit(first))) ++words;
      run = 0;
    } else {
      if (run == 0) first = c;
      ++run;
    }
  }
  return words;
}

}  // namespace krv
