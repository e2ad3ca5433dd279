// Fuzz target for the checksum-line parser of krv sum --check (tools/krv/sum_check.h).
//
// Each line is read as --check reads the lines of one checksum file, the layout carried from
// line to line and never changed once fixed. Any line gives an entry or nothing, never a
// crash. An entry has one value per kind, each exactly as many hexadecimal digits as its kind
// has; its kinds are the ones the options name (all of them for an untagged line, one for a
// tagged line); its name holds no NUL, and is (escaped where the line is) a part of the
// line's text without the CR that ended the line, so it holds no line break the line does not
// spell. Written again as krv sum writes it, plain ("V1 V2  NAME") and tagged ("TAG (NAME) =
// V", one line per value), and read in a fresh file, the entry comes back the same.
//
// Input: a flag byte (bits 0-3 the kinds the options name, in the order CRC-16/XMODEM,
// CRC-16/IBM-3740, CRC-32, SHA-1, or backwards with bit 4; none: every kind), then the lines,
// separated by line feeds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../tools/krv/sum_check.h"

namespace {

using krv::tool::sum::CheckLine;
using krv::tool::sum::InfoOf;
using krv::tool::sum::Kind;
using krv::tool::sum::Layout;

void Check(bool ok) {
  if (!ok) std::abort();
}

// ---- Lines as krv sum writes them (SumLine and TagLines in tools/krv/cmd_sum.cpp); the
// escaping is the tool's own ----

using krv::tool::sum::Escaped;
using krv::tool::sum::NeedsEscape;

std::string Plain(const CheckLine& e) {
  const bool escape = NeedsEscape(e.name);
  std::string line = escape ? "\\" : "";
  for (std::size_t i = 0; i < e.values.size(); ++i) line += (i > 0 ? " " : "") + e.values[i];
  return line + "  " + (escape ? Escaped(e.name) : e.name);
}

std::string Tagged(Kind kind, const std::string& value, const std::string& name) {
  const bool escape = NeedsEscape(name);
  return std::string(escape ? "\\" : "") + std::string(InfoOf(kind).tag) + " (" +
         (escape ? Escaped(name) : name) + ") = " + value;
}

// ---- The properties ----

// A written line read back as the first line of a checksum file.
std::optional<CheckLine> ReadBack(const std::string& line, const std::vector<Kind>& given) {
  Layout layout = Layout::kUnknown;
  const std::string_view text = krv::tool::sum::CheckLineText(line);
  Check(text == line);  // no line krv sum writes is passed over or loses a character
  return krv::tool::sum::ParseCheckLine(text, given, layout);
}

void CheckEntry(const CheckLine& e, std::string_view text, const std::vector<Kind>& given) {
  Check(!e.kinds.empty() && e.kinds.size() == e.values.size());
  for (std::size_t i = 0; i < e.kinds.size(); ++i) {
    const std::string& v = e.values[i];
    Check(v.size() == InfoOf(e.kinds[i]).hex);
    Check(std::all_of(v.begin(), v.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }));
    Check(text.find(v) != std::string_view::npos);
    if (!given.empty()) Check(std::find(given.begin(), given.end(), e.kinds[i]) != given.end());
  }
  if (!given.empty()) Check(e.kinds == given || e.kinds.size() == 1);
  Check(e.name.find('\0') == std::string::npos);
  const std::size_t first = text.find_first_not_of(" \t");
  const bool escaped = first != std::string_view::npos && text[first] == '\\';
  if (!escaped) {
    Check(text.find(e.name) != std::string_view::npos);
    return;
  }
  // An escaped name may hold a CR as it stands or as "\r": both spelt "\r" here.
  std::string spelt;
  for (char c : text) spelt += c == '\r' ? std::string("\\r") : std::string(1, c);
  Check(spelt.find(Escaped(e.name)) != std::string::npos);
}

void CheckRoundTrips(const CheckLine& e, const std::vector<Kind>& given) {
  for (std::size_t i = 0; i < e.kinds.size(); ++i) {
    const std::optional<CheckLine> back = ReadBack(Tagged(e.kinds[i], e.values[i], e.name), given);
    Check(back && *back == (CheckLine{{e.kinds[i]}, {e.values[i]}, e.name}));
  }
  if (e.name.empty()) return;  // krv sum writes no plain line for a name no file has
  const std::optional<CheckLine> plain = ReadBack(Plain(e), e.kinds);
  Check(plain && *plain == e);
  // Without options the lengths give the kinds: right unless a CRC-16 is the IBM-3740 one.
  if (std::find(e.kinds.begin(), e.kinds.end(), Kind::kCrc16Ccitt) == e.kinds.end()) {
    const std::optional<CheckLine> by_length = ReadBack(Plain(e), {});
    Check(by_length && *by_length == e);
  }
}

std::vector<Kind> GivenKinds(unsigned flags) {
  std::vector<Kind> given;
  for (unsigned k = 0; k < 4; ++k)
    if (flags & (1u << k)) given.push_back(static_cast<Kind>(k));
  if (flags & 16) std::reverse(given.begin(), given.end());
  return given;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const std::vector<Kind> given = GivenKinds(data[0]);
  std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  Layout layout = Layout::kUnknown;
  while (!in.empty()) {
    const std::size_t nl = in.find('\n');
    const std::string_view line = in.substr(0, nl);
    in.remove_prefix(nl == std::string_view::npos ? in.size() : nl + 1);
    const std::string_view text = krv::tool::sum::CheckLineText(line);
    if (!line.empty() && line.front() == '#') {
      Check(text.empty());
      continue;
    }
    const bool cr = !line.empty() && line.back() == '\r';
    Check(text == line.substr(0, line.size() - (cr ? 1 : 0)));
    if (text.empty()) continue;
    const Layout before = layout;
    const std::optional<CheckLine> e = krv::tool::sum::ParseCheckLine(text, given, layout);
    Check(before == Layout::kUnknown || layout == before);
    if (!e) continue;
    CheckEntry(*e, text, given);
    CheckRoundTrips(*e, given);
  }
  return 0;
}
