// The pure part of the file-system layer: wildcard masks, name splitting, ExpandFileName,
// FromNativePath and the drive table.
#include <algorithm>
#include <array>
#include <mutex>

#include "korvex/platform/casefold.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "platform/internal/fs_names.h"

namespace krv {
namespace detail {
namespace {

Char FoldChar(Char c) {
  return c < 0x80 ? AsciiLower(c) : UnicodeFold(c);
}

}  // namespace

// ---- Wildcards ------------------------------------------------------------------------------

WildMask::WildMask(std::u16string_view mask, bool fold) {
  tokens_.reserve(mask.size());
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const Char c = mask[i];
    const Char next = i + 1 < mask.size() ? mask[i + 1] : Char{0};
    const bool at_end = i + 1 == mask.size();
    if (c == u'?') {
      tokens_.push_back({kDosQm, 0});
      has_wild_ = true;
    } else if (c == u'*') {
      tokens_.push_back({next == u'.' ? kDosStar : kStar, 0});
      has_wild_ = true;
    } else if (c == u'.' && (at_end || next == u'?' || next == u'*')) {
      tokens_.push_back({kDosDot, 0});
    } else {
      tokens_.push_back({kLit, fold ? FoldChar(c) : c});
    }
  }
  // Shapes with a direct test: "*" and "*.*", a plain name, "*.ext" without wildcards.
  const auto& t = tokens_;
  if ((t.size() == 1 && t[0].kind == kStar) ||
      (t.size() == 3 && t[0].kind == kDosStar && t[1].kind == kDosDot && t[2].kind == kStar)) {
    shape_ = kAll;
  } else if (std::all_of(t.begin(), t.end(), [](const Token& k) { return k.kind == kLit; })) {
    shape_ = kExact;
    for (const Token& k : t) literal_.push_back(k.c);
  } else if (t.size() >= 2 && t[0].kind == kDosStar && t[1].kind == kLit && t[1].c == u'.' &&
             std::all_of(t.begin() + 2, t.end(),
                         [](const Token& k) { return k.kind == kLit && k.c != u'.'; })) {
    shape_ = kAnyExt;
    for (std::size_t i = 2; i < t.size(); ++i) literal_.push_back(t[i].c);
  }
}

bool WildMask::MatchFolded(std::u16string_view name, std::vector<std::uint8_t>& reach) const {
  switch (shape_) {
    case kAll:
      return true;
    case kExact:
      return name == literal_;
    case kAnyExt: {
      const std::size_t dot = name.rfind(u'.');
      return dot != std::u16string_view::npos && name.substr(dot + 1) == literal_;
    }
    case kGeneral:
      break;
  }
  // reach[i] != 0: the tokens so far can consume exactly name[0, i).
  const std::size_t n = name.size();
  const std::size_t last_dot = name.rfind(u'.');  // npos when there is none
  reach.assign(n + 1, 0);
  reach[0] = 1;
  for (const Token& t : tokens_) {
    bool any = false;
    switch (t.kind) {
      case kLit:
        for (std::size_t i = n; i > 0; --i) {
          reach[i] = reach[i - 1] && name[i - 1] == t.c;
          any |= reach[i] != 0;
        }
        reach[0] = 0;
        break;
      case kStar: {
        std::size_t i = 0;
        while (i <= n && !reach[i]) ++i;
        for (; i <= n; ++i) reach[i] = 1, any = true;
        break;
      }
      case kDosStar: {
        // From i, any j >= i, as long as the run does not take the name's last dot.
        bool on = false;
        for (std::size_t i = 0; i <= n; ++i) {
          if (reach[i]) on = true;
          reach[i] = on;
          any |= on;
          if (i == last_dot) on = false;
        }
        break;
      }
      case kDosQm:
        // One character that is not a dot; nothing at a dot or at the end.
        for (std::size_t i = n + 1; i-- > 0;) {
          const bool zero = reach[i] && (i == n || name[i] == u'.');
          const bool one = i > 0 && reach[i - 1] && name[i - 1] != u'.';
          reach[i] = zero || one;
          any |= reach[i] != 0;
        }
        break;
      case kDosDot:
        // A dot, or nothing at the end of the name.
        for (std::size_t i = n + 1; i-- > 0;) {
          const bool zero = i == n && reach[i];
          const bool one = i > 0 && reach[i - 1] && name[i - 1] == u'.';
          reach[i] = zero || one;
          any |= reach[i] != 0;
        }
        break;
    }
    if (!any) return false;
  }
  return reach[n] != 0;
}

void FoldInto(std::u16string_view s, std::u16string& out) {
  out.resize(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = FoldChar(s[i]);
}

namespace {

template <bool kFold>
bool Decode(std::string_view s, std::u16string& out) {
  out.clear();
  bool valid = true;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    if (b < 0x80) {
      out.push_back(kFold ? AsciiLower(static_cast<Char>(b)) : static_cast<Char>(b));
      ++i;
      continue;
    }
    std::size_t len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (b > 0xF4) len = 0;
    std::uint32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))) {
      ok = false;
    }
    if (!ok) {
      out.push_back(static_cast<Char>(0xDC00 + b));  // the byte, escaped (see FromNativeName)
      valid = false;
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<Char>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<Char>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(kFold ? FoldChar(static_cast<Char>(cp)) : static_cast<Char>(cp));
    }
    i += len;
  }
  return valid;
}

}  // namespace

bool DecodeFolded(std::string_view utf8, std::u16string& out) {
  return Decode<true>(utf8, out);
}

bool DecodeInto(std::string_view utf8, std::u16string& out) {
  return Decode<false>(utf8, out);
}

// ---- Native paths ---------------------------------------------------------------------------

std::string NormalizeNative(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    std::size_t j = i;
    while (j < path.size() && path[j] != '/') ++j;
    const std::string_view c = path.substr(i, j - i);
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!c.empty() && c != ".") {
      parts.push_back(c);
    }
    i = j;
  }
  std::string out;
  for (const auto& c : parts) {
    out += '/';
    out += c;
  }
  return out.empty() ? std::string("/") : out;
}

// ---- Drive table ------------------------------------------------------------------------------

namespace {

int DriveIndex(Char letter) {
  const Char u = AsciiUpper(letter);
  return u >= u'A' && u <= u'Z' ? u - u'A' : -1;
}

// The drive table maps letters to POSIX directories; on Windows the drives are the system's
// own (src/platform/win32/).
#ifndef _WIN32
struct DriveTable {
  std::mutex mu;
  std::array<std::string, 26> roots;  // "" when unmapped
  DriveTable() { roots[2] = "/"; }
};

DriveTable& Drives() {
  static DriveTable* table = new DriveTable;  // never destroyed: usable during exit
  return *table;
}

std::string AbsoluteNative(std::string_view native) {
  if (!native.empty() && native[0] == '/') return NormalizeNative(native);
  const std::string cwd = OsCurrentDir();
  if (cwd.empty()) return {};
  return NormalizeNative(cwd + "/" + std::string(native));
}

// Longest mapped root covering `path` (normalised, absolute); the lowest letter on a tie.
int DriveCovering(const std::string& path, std::string& root) {
  DriveTable& t = Drives();
  std::lock_guard<std::mutex> lock(t.mu);
  int best = -1;
  for (int d = 0; d < 26; ++d) {
    const std::string& r = t.roots[d];
    if (r.empty()) continue;
    const bool covers =
        r == "/" || path == r ||
        (path.size() > r.size() && path.compare(0, r.size(), r) == 0 && path[r.size()] == '/');
    if (covers && (best < 0 || r.size() > root.size())) {
      best = d;
      root = r;
    }
  }
  return best;
}
#endif

}  // namespace

#ifndef _WIN32
bool IsDriveRootNative(std::string_view native) {
  const std::string path = AbsoluteNative(native);
  DriveTable& t = Drives();
  std::lock_guard<std::mutex> lock(t.mu);
  return std::find(t.roots.begin(), t.roots.end(), path) != t.roots.end();
}
#endif

bool SplitExpanded(const String& e, WinParts& parts) {
  parts = WinParts{};
  if (e.size() < 3 || e[1] != u':' || e[2] != u'\\' || DriveIndex(e[0]) < 0) return false;
  if (e.find(Char{0}) != String::npos) return false;
  parts.drive = AsciiUpper(e[0]);
  std::size_t i = 3;
  while (i < e.size()) {
    std::size_t j = e.find(u'\\', i);
    if (j == String::npos) j = e.size();
    if (j > i) parts.components.emplace_back(e, i, j - i);
    i = j + 1;
  }
  parts.trailing_separator = e.size() > 3 && e.back() == u'\\';
  return true;
}

}  // namespace detail

bool MatchesWildcard(std::u16string_view name, std::u16string_view mask) {
  const detail::WildMask m(mask);
  std::u16string folded;
  detail::FoldInto(name, folded);
  std::vector<std::uint8_t> scratch;
  return m.MatchFolded(folded, scratch);
}

bool MatchesWildcard(std::u16string_view name, std::u16string_view mask, bool caseSensitive) {
  if (!caseSensitive) return MatchesWildcard(name, mask);
  const detail::WildMask m(mask, false);
  std::vector<std::uint8_t> scratch;
  return m.MatchFolded(name, scratch);
}

bool HasWildcards(std::u16string_view mask) {
  return mask.find_first_of(u"*?") != std::u16string_view::npos;
}

#ifndef _WIN32
bool MapDrive(Char letter, std::string_view native_dir) {
  const int d = detail::DriveIndex(letter);
  if (d < 0 || native_dir.empty() || native_dir.find('\0') != std::string_view::npos) {
    return false;
  }
  std::string root = detail::AbsoluteNative(native_dir);
  if (root.empty() || !detail::OsIsNativeDirectory(root)) return false;
  detail::DriveTable& t = detail::Drives();
  std::lock_guard<std::mutex> lock(t.mu);
  t.roots[d] = std::move(root);
  return true;
}

bool UnmapDrive(Char letter) {
  const int d = detail::DriveIndex(letter);
  if (d < 0) return false;
  detail::DriveTable& t = detail::Drives();
  std::lock_guard<std::mutex> lock(t.mu);
  if (t.roots[d].empty()) return false;
  t.roots[d].clear();
  return true;
}

std::vector<TDriveMapping> MappedDrives() {
  std::vector<TDriveMapping> out;
  detail::DriveTable& t = detail::Drives();
  std::lock_guard<std::mutex> lock(t.mu);
  for (int d = 0; d < 26; ++d) {
    if (!t.roots[d].empty()) out.push_back({static_cast<Char>(u'A' + d), t.roots[d]});
  }
  return out;
}

std::uint32_t GetLogicalDrives() {
  std::uint32_t mask = 0;
  for (const auto& m : MappedDrives()) mask |= 1u << (m.Letter - u'A');
  return mask;
}

std::string DriveNativeRoot(Char letter) {
  const int d = detail::DriveIndex(letter);
  if (d < 0) return {};
  detail::DriveTable& t = detail::Drives();
  std::lock_guard<std::mutex> lock(t.mu);
  return t.roots[d];
}
#endif

// ---- Windows names ----------------------------------------------------------------------------

#ifndef _WIN32
String FromNativePath(std::string_view native) {
  if (native.find('\0') != std::string_view::npos) return {};
  const std::string path = detail::AbsoluteNative(native);
  if (path.empty()) return {};
  std::string root;
  const int d = detail::DriveCovering(path, root);
  if (d < 0) return {};
  String out;
  out.push_back(static_cast<Char>(u'A' + d));
  out += u":\\";
  std::string_view rest(path);
  rest.remove_prefix(root == "/" ? 1 : std::min(root.size() + 1, path.size()));
  String tail = ToUtf16(rest);
  std::replace(tail.begin(), tail.end(), u'/', u'\\');
  return out + tail;
}
#endif

String GetCurrentDir() {
  return FromNativePath(detail::OsCurrentDir());
}

String ExpandFileName(const String& name) {
  if (name.empty()) return {};
  String s = name;
  std::replace(s.begin(), s.end(), u'/', u'\\');
  if (s.size() >= 2 && s[0] == u'\\' && s[1] == u'\\') return s;  // UNC: left alone
  String base;  // "X:\..." the relative part is taken against
  String rest;
  if (s.size() >= 2 && s[1] == u':' && detail::DriveIndex(s[0]) >= 0) {
    const Char drive = AsciiUpper(s[0]);
    rest = s.substr(2);
    String root{drive, u':', u'\\'};
    if (!rest.empty() && rest[0] == u'\\') {
      base = root;
    } else {
      const String cwd = GetCurrentDir();
      base = !cwd.empty() && cwd[0] == drive ? cwd : root;
    }
  } else {
    const String cwd = GetCurrentDir();
    if (cwd.empty()) return {};
    base = s[0] == u'\\' ? cwd.substr(0, 3) : cwd;
    rest = s;
  }
  std::vector<String> comps;
  auto add = [&comps](const String& text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size()) {
      std::size_t j = text.find(u'\\', i);
      if (j == String::npos) j = text.size();
      const std::u16string_view c(text.data() + i, j - i);
      if (c == u"..") {
        if (!comps.empty()) comps.pop_back();
      } else if (!c.empty() && c != u".") {
        comps.emplace_back(c);
      }
      i = j + 1;
    }
  };
  add(base, 3);
  add(rest, 0);
  String out = base.substr(0, 3);
  for (std::size_t i = 0; i < comps.size(); ++i) {
    if (i > 0) out += u'\\';
    out += comps[i];
  }
  if (!comps.empty() && s.back() == u'\\') out += u'\\';
  return out;
}

namespace {

// Position just after the last `\` or `:`; 0 when there is none.
std::size_t NameStart(const String& name) {
  const std::size_t p = name.find_last_of(u"\\:");
  return p == String::npos ? 0 : p + 1;
}

}  // namespace

String ExtractFilePath(const String& name) {
  return name.substr(0, NameStart(name));
}

String ExtractFileDir(const String& name) {
  std::size_t p = NameStart(name);
  // Keep the separator of a root ("C:\") and of a name like "\x".
  if (p > 1 && name[p - 1] == u'\\' && name[p - 2] != u':' && name[p - 2] != u'\\') --p;
  return name.substr(0, p);
}

String ExtractFileName(const String& name) {
  return name.substr(NameStart(name));
}

String ExtractFileExt(const String& name) {
  const std::size_t start = NameStart(name);
  const std::size_t dot = name.rfind(u'.');
  return dot == String::npos || dot < start ? String() : name.substr(dot);
}

String ExtractFileDrive(const String& name) {
  if (name.size() >= 2 && name[1] == u':') return name.substr(0, 2);
  return {};
}

String ChangeFileExt(const String& name, const String& ext) {
  const std::size_t start = NameStart(name);
  const std::size_t dot = name.rfind(u'.');
  const std::size_t cut = dot == String::npos || dot < start ? name.size() : dot;
  return name.substr(0, cut) + ext;
}

String IncludeTrailingPathDelimiter(const String& name) {
  return !name.empty() && name.back() == u'\\' ? name : name + u'\\';
}

String ExcludeTrailingPathDelimiter(const String& name) {
  return !name.empty() && name.back() == u'\\' ? name.substr(0, name.size() - 1) : name;
}

}  // namespace krv
