#include "korvex/platform/text.h"

#include <array>

namespace krv {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80..0x9F; the rest of the code page equals Latin-1.
// clang-format off
constexpr std::array<Char, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

void AppendUtf16(String& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<Char>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<Char>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<Char>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at s[i]; advances i past it (at least one byte).
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra;
  char32_t cp;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return kReplacement;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) return kReplacement;
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return kReplacement;
    cp = (cp << 6) | (b & 0x3F);
    ++i;
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  return cp;
}

// When s[i] starts a surrogate pair: its code point in cp, i on the pair's second unit.
bool TakePair(std::u16string_view s, std::size_t& i, char32_t& cp) {
  if (cp < 0xD800 || cp > 0xDBFF || i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) {
    return false;
  }
  cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
  ++i;
  return true;
}

}  // namespace

String ToUtf16(std::string_view utf8) {
  String out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) AppendUtf16(out, DecodeUtf8(utf8, i));
  return out;
}

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (!TakePair(s, i, cp) && cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;
    AppendUtf8(out, cp);
  }
  return out;
}

std::string ToUtf8(const String& s) {
  return ToUtf8(std::u16string_view(s));
}

String FromNativeName(std::string_view native) {
  String out;
  out.reserve(native.size());
  const auto* p = reinterpret_cast<const unsigned char*>(native.data());
  const std::size_t n = native.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    if (b < 0x80) {
      out.push_back(static_cast<Char>(b));
      ++i;
      continue;
    }
    // The length of a well-formed sequence starting with b; 0 when b cannot start one.
    const std::size_t len = b >= 0xC2 && b <= 0xDF   ? 2
                            : b >= 0xE0 && b <= 0xEF ? 3
                            : b >= 0xF0 && b <= 0xF4 ? 4
                                                     : 0;
    char32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      ok = (p[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, encoded surrogates and values past U+10FFFF are not UTF-8.
    if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))) {
      ok = false;
    }
    if (!ok) {
      out.push_back(static_cast<Char>(0xDC00 + b));
      ++i;
    } else if (cp >= 0x10000) {
      out.push_back(static_cast<Char>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<Char>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      i += len;
    } else {
      out.push_back(static_cast<Char>(cp));
      i += len;
    }
  }
  return out;
}

bool ToNativeName(std::u16string_view s, std::string& out) {
  out.clear();
  out.reserve(s.size());
  bool escapes = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (TakePair(s, i, cp)) {
      // a code point of its own
    } else if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out.push_back(static_cast<char>(cp - 0xDC00));  // an escaped byte
      escapes = true;
      continue;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      out.clear();
      return false;
    }
    AppendUtf8(out, cp);
  }
  // Escapes of bytes that make valid UTF-8 together ("\xC3\xA9") would name the file whose
  // String has "é" instead: such a string stands for no name of its own.
  if (escapes && FromNativeName(out) != s) {
    out.clear();
    return false;
  }
  return true;
}

std::string NativeNameOf(std::u16string_view name) {
  std::string out;
  return ToNativeName(name, out) ? out : std::string();
}

Char AnsiToChar(unsigned char c) {
  return (c >= 0x80 && c <= 0x9F) ? kCp1252High[c - 0x80] : static_cast<Char>(c);
}

bool CharToAnsi(Char c, unsigned char& out) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    out = static_cast<unsigned char>(c);
    return true;
  }
  for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
    if (kCp1252High[k] == c) {
      out = static_cast<unsigned char>(0x80 + k);
      return true;
    }
  }
  out = '?';
  return false;
}

String FromAnsi(std::string_view ansi) {
  String out(ansi.size(), u'\0');
  for (std::size_t i = 0; i < ansi.size(); ++i)
    out[i] = AnsiToChar(static_cast<unsigned char>(ansi[i]));
  return out;
}

std::string ToAnsi(const String& s) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char b;
    CharToAnsi(s[i], b);
    out[i] = static_cast<char>(b);
  }
  return out;
}

ShortString ToShortString(const String& s) {
  return ToAnsi(s.size() > kShortStringMax ? s.substr(0, kShortStringMax) : s);
}

}  // namespace krv
