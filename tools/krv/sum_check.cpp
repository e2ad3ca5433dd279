// The checksum-line parser of krv sum --check (see sum_check.h).
#include "sum_check.h"

#include <algorithm>

namespace krv::tool::sum {
namespace {

// The name a checksum line gives: taken as it stands, or unescaped when the line starts with
// a backslash (only \\, \n and \r are escapes). Nothing for a bad escape or a NUL byte, which
// no file name holds.
std::optional<std::string> NameOf(std::string_view text, bool escaped) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  if (!escaped) return std::string(text);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool AllHex(std::string_view s) {
  return std::all_of(s.begin(), s.end(), IsHex);
}

std::optional<Kind> KindOfLength(std::size_t digits) {
  switch (digits) {
    case 4:
      return Kind::kCrc16XModem;
    case 8:
      return Kind::kCrc32;
    case 40:
      return Kind::kSha1;
    default:
      return std::nullopt;
  }
}

// "TAG (NAME) = VALUE" after the tag: one optional blank, the name up to the last ')', blanks
// around '=' and exactly the kind's digits to the end of the line.
std::optional<CheckLine> ParseTagged(std::string_view s, Kind kind, bool escaped) {
  if (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (s.empty() || s.front() != '(') return std::nullopt;
  s.remove_prefix(1);
  const std::size_t close = s.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  std::optional<std::string> name = NameOf(s.substr(0, close), escaped);
  std::string_view rest = s.substr(close + 1);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (!name || rest.empty() || rest.front() != '=') return std::nullopt;
  rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.size() != InfoOf(kind).hex || !AllHex(rest)) return std::nullopt;
  return CheckLine{{kind}, {std::string(rest)}, std::move(*name)};
}

// The kinds of an untagged line's values when no option names them, by their lengths: runs
// of 4, 8 or 40 digits, each followed by one blank, for as long as they look like values.
std::vector<Kind> KindsByLength(std::string_view s) {
  std::vector<Kind> kinds;
  for (std::size_t i = 0;;) {
    std::size_t n = 0;
    while (i + n < s.size() && IsHex(s[i + n])) ++n;
    const std::optional<Kind> k = KindOfLength(n);
    if (!k || i + n == s.size() || !IsBlank(s[i + n])) return kinds;
    kinds.push_back(*k);
    i += n + 1;
    if (i == s.size() || s[i] == ' ' || s[i] == '*') return kinds;
  }
}

// "V1 V2  NAME" (krv sum), "HEX  NAME" / "HEX *NAME" and "HEX NAME" (sha1sum): each value
// exactly as long as its kind and followed by one blank, then ' ' or '*' and the name (all of
// the rest, blanks included), or in the reversed layout the name at once.
std::optional<CheckLine> ParseUntagged(std::string_view s, const std::vector<Kind>& kinds,
                                       bool escaped, Layout& layout) {
  std::size_t need = 1;  // a name of at least one character
  for (Kind k : kinds) need += InfoOf(k).hex + 1;
  if (s.size() < need) return std::nullopt;
  CheckLine line{kinds, {}, {}};
  std::size_t i = 0;
  for (Kind k : kinds) {
    const std::size_t n = InfoOf(k).hex;
    if (!IsBlank(s[i + n]) || !AllHex(s.substr(i, n))) return std::nullopt;
    line.values.emplace_back(s.substr(i, n));
    i += n + 1;
  }
  if (s.size() - i == 1 || (s[i] != ' ' && s[i] != '*')) {
    if (layout == Layout::kStandard) return std::nullopt;
    layout = Layout::kReversed;
  } else if (layout != Layout::kReversed) {
    layout = Layout::kStandard;
    ++i;
  }
  std::optional<std::string> name = NameOf(s.substr(i), escaped);
  if (!name) return std::nullopt;
  line.name = std::move(*name);
  return line;
}

}  // namespace

std::string_view CheckLineText(std::string_view line) {
  if (!line.empty() && line.front() == '#') return {};
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::optional<CheckLine> ParseCheckLine(std::string_view s, const std::vector<Kind>& given,
                                        Layout& layout) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  const bool escaped = !s.empty() && s.front() == '\\';
  if (escaped) s.remove_prefix(1);
  for (const KindInfo& k : kKinds) {
    if (s.substr(0, k.tag.size()) != k.tag) continue;
    if (!given.empty() && std::find(given.begin(), given.end(), k.kind) == given.end())
      return std::nullopt;
    return ParseTagged(s.substr(k.tag.size()), k.kind, escaped);
  }
  const std::vector<Kind> kinds = given.empty() ? KindsByLength(s) : given;
  if (kinds.empty()) return std::nullopt;
  return ParseUntagged(s, kinds, escaped, layout);
}

bool NeedsEscape(std::string_view name) {
  return name.find_first_of("\\\n\r") != std::string_view::npos;
}

std::string Escaped(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace krv::tool::sum
