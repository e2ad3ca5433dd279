// Readers of shared-mime-info glob lists, mimeapps.list and desktop entries.
#include "platform/internal/mime_assoc.h"

#include <charconv>

#include "korvex/platform/casefold.h"
#include "korvex/platform/text.h"
#include "platform/internal/system_files.h"

namespace krv::detail {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Splits at the first `sep`: head before it, rest after it; false when there is none.
bool SplitAt(std::string_view s, char sep, std::string_view& head, std::string_view& rest) {
  const std::size_t at = s.find(sep);
  if (at == std::string_view::npos) return false;
  head = s.substr(0, at);
  rest = s.substr(at + 1);
  return true;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  const String ua = ToUtf16(a), ub = ToUtf16(b);
  if (ua.size() != ub.size()) return false;
  for (std::size_t i = 0; i < ua.size(); ++i)
    if (UnicodeFold(ua[i]) != UnicodeFold(ub[i])) return false;
  return true;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// True when a flags field "a,b,cs" lists "cs".
bool CaseSensitive(std::string_view flags) {
  std::string_view flag;
  while (SplitAt(flags, ',', flag, flags))
    if (flag == "cs") return true;
  return flags == "cs";
}

// A group header "[Name]" gives its name.
bool GroupHeader(std::string_view line, std::string_view& name) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  name = line.substr(1, line.size() - 2);
  return true;
}

}  // namespace

bool MatchExtensionGlobs(std::string_view text, bool globs2, std::string_view ext,
                         std::string& type, int& weight) {
  bool matched = false;
  if (ext.empty()) return false;
  ForEachLine(text, kMimeLineCap, [&](std::string_view line) {
    if (line.empty() || line.front() == '#') return;
    int w = 50;
    std::string_view t, glob, flags;
    if (globs2) {
      std::string_view wtext;
      if (!SplitAt(line, ':', wtext, line)) return;
      const auto [end, ec] = std::from_chars(wtext.data(), wtext.data() + wtext.size(), w);
      if (ec != std::errc() || end != wtext.data() + wtext.size()) return;
    }
    if (!SplitAt(line, ':', t, glob) || t.empty()) return;
    // globs2 may add a flags field, and later versions further fields after it.
    if (globs2 && SplitAt(glob, ':', glob, flags)) flags = flags.substr(0, flags.find(':'));
    if (glob.size() < 3 || glob.substr(0, 2) != "*." ||
        glob.find_first_of("*?[", 2) != std::string_view::npos)
      return;
    const std::string_view glob_ext = glob.substr(2);
    const bool same = CaseSensitive(flags) ? glob_ext == ext : EqualIgnoringCase(glob_ext, ext);
    if (!same) return;
    if (!matched || w > weight) {
      type.assign(t);
      weight = w;
    }
    matched = true;
  });
  return matched;
}

std::vector<std::string> DefaultApplications(std::string_view text, std::string_view mime_type) {
  std::vector<std::string> ids;
  bool in_group = false;
  ForEachLine(text, kMimeLineCap, [&](std::string_view line) {
    line = Trim(line);
    std::string_view group;
    if (GroupHeader(line, group)) {
      in_group = group == "Default Applications";
      return;
    }
    std::string_view key, value;
    if (!in_group || line.empty() || line.front() == '#' || !SplitAt(line, '=', key, value)) return;
    if (!EqualIgnoringAsciiCase(Trim(key), mime_type)) return;
    value = Trim(value);
    std::string_view id;
    while (!value.empty()) {
      if (!SplitAt(value, ';', id, value)) {
        id = value;
        value = {};
      }
      id = Trim(id);
      if (!id.empty()) ids.emplace_back(id);
    }
  });
  return ids;
}

std::string DesktopExec(std::string_view text) {
  bool in_entry = false, hidden = false;
  std::string exec;
  ForEachLine(text, kMimeLineCap, [&](std::string_view line) {
    line = Trim(line);
    std::string_view group;
    if (GroupHeader(line, group)) {
      in_entry = group == "Desktop Entry";
      return;
    }
    std::string_view key, value;
    if (!in_entry || line.empty() || line.front() == '#' || !SplitAt(line, '=', key, value)) return;
    key = Trim(key);
    value = Trim(value);
    if (key == "Hidden") hidden = value == "true";
    if (key != "Exec" || !exec.empty()) return;
    for (std::size_t i = 0; i < value.size(); ++i) {
      char c = value[i];
      if (c == '\\' && i + 1 < value.size()) {
        const char e = value[++i];
        c = e == 's' ? ' ' : e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
      }
      exec += c;
    }
  });
  return hidden ? std::string() : exec;
}

}  // namespace krv::detail
