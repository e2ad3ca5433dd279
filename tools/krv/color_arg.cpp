// Parsing of colour values given on krv command lines.
#include "color_arg.h"

#include <string_view>

#include "cli.h"
#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiLower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool AllHex(std::string_view s) {
  for (char c : s)
    if (HexValue(c) < 0) return false;
  return true;
}

// A name of the dictionary, compared ignoring ASCII case and blanks; 0 when none matches.
long FindName(std::string_view text) {
  std::string key;
  for (char c : text)
    if (c != ' ') key += AsciiLower(c);
  for (long i = AllKRVColorNames.kFirst; i <= AllKRVColorNames.kLast; ++i) {
    const std::u16string_view name = AllKRVColorNames[i];
    if (name.size() != key.size()) continue;
    bool same = true;
    for (std::size_t k = 0; same && k < key.size(); ++k)
      same = AsciiLower(name[k]) == static_cast<Char>(static_cast<unsigned char>(key[k]));
    if (same) return i;
  }
  return 0;
}

// "r,g,b": three decimal numbers 0..255, blanks allowed around each.
bool ParseTriple(std::string_view text, TColor& color) {
  color = 0;
  int channel = 0;
  for (std::size_t start = 0; channel < 3; ++channel) {
    const std::size_t comma = text.find(',', start);
    if ((comma == std::string_view::npos) != (channel == 2)) return false;
    std::string_view part = text.substr(start, comma - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (part.empty() || part.size() > 3) return false;
    unsigned v = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 255) return false;
    color |= static_cast<TColor>(v) << (8 * channel);
    start = comma + 1;
  }
  return true;
}

}  // namespace

TColor ParseColor(const std::string& value) {
  const std::string_view v = value;
  if (v.empty()) throw Failure{value, "empty colour value"};
  if (v[0] == '$') {
    if (v.size() < 2 || v.size() > 7 || !AllHex(v.substr(1)))
      throw Failure{value, "expected 1 to 6 hexadecimal digits after '$' ($BBGGRR)"};
    return HexStrToColor(ToUtf16(v));
  }
  if (v[0] == '#') {
    if (v.size() != 7 || !AllHex(v.substr(1)))
      throw Failure{value, "expected 6 hexadecimal digits after '#' (#RRGGBB)"};
    TColor c = 0;
    for (int ch = 0; ch < 3; ++ch)
      c |= static_cast<TColor>(HexValue(v[1 + 2 * ch]) * 16 + HexValue(v[2 + 2 * ch])) << (8 * ch);
    return c;
  }
  if (v.find(',') != std::string_view::npos) {
    TColor c;
    if (!ParseTriple(v, c)) throw Failure{value, "expected three numbers 0 to 255 (r,g,b)"};
    return c;
  }
  if (const long i = FindName(v)) return AllKRVColors[i];
  throw Failure{value, "unknown colour name (see 'krv color names')"};
}

}  // namespace krv::tool
