#include "dstruct/internal/xml_text.h"

#include <charconv>
#include <string>

#include "korvex/platform/casefold.h"
#include "korvex/platform/text.h"
#include "korvex/streams/tags.h"

namespace krv::detail {
namespace {

bool NeedsCharRef(Char c, XmlCharset set) {
  if (c < 32 || c == 127 || (c >= 0x80 && c <= 0x9F)) return true;
  if (set == XmlCharset::kAscii) return c > 126;
  unsigned char b = 0;
  return !CharToAnsi(c, b);
}

String Ascii(const std::string& s) {
  return String(s.begin(), s.end());
}

}  // namespace

String XmlEscape(const String& s, XmlCharset set) {
  String out;
  out.reserve(s.size());
  for (Char c : s) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      default:
        if (NeedsCharRef(c, set)) {
          out += u"&#" + Ascii(std::to_string(static_cast<unsigned>(c))) + u";";
        } else {
          out.push_back(c);
        }
    }
  }
  return out;
}

bool XmlUnescape(const String& s, String& out) {
  out.clear();
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const Char c = s[i];
    if (c == u'<' || c == u'>') return false;
    if (c != u'&') {
      out.push_back(c);
      continue;
    }
    const std::size_t semi = s.find(u';', i + 1);
    if (semi == String::npos || semi - i > 10) return false;
    const String name = s.substr(i + 1, semi - i - 1);
    i = semi;
    if (name == u"amp") {
      out.push_back(u'&');
    } else if (name == u"lt") {
      out.push_back(u'<');
    } else if (name == u"gt") {
      out.push_back(u'>');
    } else if (name == u"quot") {
      out.push_back(u'"');
    } else if (name == u"apos") {
      out.push_back(u'\'');
    } else if (name.size() >= 2 && name[0] == u'#') {
      const bool hex = name[1] == u'x' || name[1] == u'X';
      const std::size_t start = hex ? 2 : 1;
      if (start >= name.size()) return false;
      std::uint32_t code = 0;
      for (std::size_t k = start; k < name.size(); ++k) {
        const Char d = name[k];
        std::uint32_t v;
        if (d >= u'0' && d <= u'9') {
          v = d - u'0';
        } else if (hex && d >= u'a' && d <= u'f') {
          v = d - u'a' + 10;
        } else if (hex && d >= u'A' && d <= u'F') {
          v = d - u'A' + 10;
        } else {
          return false;
        }
        code = code * (hex ? 16 : 10) + v;
        if (code > 0xFFFF) return false;
      }
      out.push_back(static_cast<Char>(code));
    } else {
      return false;
    }
  }
  return true;
}

bool ParseXmlInt(const String& s, std::int64_t lo, std::int64_t hi, std::int64_t& out) {
  if (s.empty() || s.size() > 24) return false;
  std::string t;
  for (Char c : s) {
    if (c > 127) return false;
    t.push_back(static_cast<char>(c));
  }
  const char* first = t.data();
  const char* last = t.data() + t.size();
  if (*first == '+') ++first;
  if (first == last || *first == '+') return false;
  std::int64_t v = 0;
  auto [p, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || p != last || v < lo || v > hi) return false;
  out = v;
  return true;
}

String FoldAscii(String s) {
  for (Char& c : s) c = AsciiLower(c);
  return s;
}

String IntToText(std::int64_t v) {
  return Ascii(std::to_string(v));
}

namespace {

String TrimBlanks(const String& s) {
  const auto b = s.find_first_not_of(u' ');
  return b == String::npos ? String() : s.substr(b, s.find_last_not_of(u' ') - b + 1);
}

}  // namespace

bool MatchElementLine(const String& line, const String& open, const String& wanted_id,
                      String& attributes) {
  const String lower = FoldAscii(line);
  const std::size_t at = lower.find(open);
  if (at == String::npos || lower.find(u"korvexlib") == String::npos) return false;
  const std::size_t attr_start = at + open.size();
  const std::size_t close = line.rfind(u'>');
  attributes = (close == String::npos || close < attr_start)
                   ? line.substr(attr_start)
                   : line.substr(attr_start, close - attr_start);
  // Blanks around identifiers do not count, on either side.
  const String wanted = TrimBlanks(wanted_id);
  if (wanted.empty()) return true;
  String id;
  if (!XmlUnescape(ScanForXMLAttrib(attributes, u"id"), id)) return false;
  return FoldAscii(TrimBlanks(id)) == FoldAscii(wanted);
}

}  // namespace krv::detail
