// Classic uuencode lines for strings of bytes.
#include "korvex/stringl/uucode.h"

#include <string_view>

namespace krv {
namespace {

constexpr std::size_t kBytesPerLine = 45;

// 6-bit value as a character; 0 is written as '`' so that no line ends in blanks.
Char Enc(unsigned v) {
  return v == 0 ? u'`' : static_cast<Char>(32 + v);
}
unsigned Dec(Char c) {
  return static_cast<unsigned>(c - 32) & 63u;
}

bool StartsWith(std::u16string_view line, std::u16string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

}  // namespace

String UUEncodeStr(const String& s) {
  for (Char c : s)
    if (c > 255) return String();
  String out = u"begin 644 data\n";
  out.reserve(out.size() + s.size() / 3 * 4 + s.size() / kBytesPerLine * 2 + 16);
  for (std::size_t at = 0; at < s.size(); at += kBytesPerLine) {
    const std::size_t n = std::min(kBytesPerLine, s.size() - at);
    out += Enc(static_cast<unsigned>(n));
    for (std::size_t i = 0; i < n; i += 3) {
      unsigned b[3] = {0, 0, 0};
      for (std::size_t k = 0; k < 3 && i + k < n; ++k) b[k] = s[at + i + k];
      out += Enc(b[0] >> 2);
      out += Enc(((b[0] << 4) | (b[1] >> 4)) & 63);
      out += Enc(((b[1] << 2) | (b[2] >> 6)) & 63);
      out += Enc(b[2] & 63);
    }
    out += u'\n';
  }
  out += u"`\nend\n";
  return out;
}

String UUDecodeStr(const String& s) {
  const std::u16string_view text(s);
  // Lines, without their LF or CR LF.
  auto line_at = [&](std::size_t at, std::size_t& next) {
    std::size_t end = text.find(u'\n', at);
    next = end == std::u16string_view::npos ? text.size() : end + 1;
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    return line;
  };
  // Data start after the first begin line, or at the top when there is none.
  std::size_t data = 0;
  for (std::size_t at = 0, next = 0; at < text.size(); at = next) {
    const std::u16string_view line = line_at(at, next);
    if (StartsWith(line, u"begin-base64 ")) return String();
    if (StartsWith(line, u"begin ")) {
      data = next;
      break;
    }
  }
  String out;
  for (std::size_t at = data, next = 0; at < text.size(); at = next) {
    const std::u16string_view line = line_at(at, next);
    if (line.empty() || line == u"end") break;
    const std::size_t n = Dec(line[0]);
    if (n == 0) break;
    auto sixbits = [&](std::size_t k) { return k < line.size() ? Dec(line[k]) : 0u; };
    std::size_t written = 0;
    for (std::size_t k = 1; written < n; k += 4) {
      const unsigned a = sixbits(k), b = sixbits(k + 1), c = sixbits(k + 2), d = sixbits(k + 3);
      const unsigned bytes[3] = {(a << 2 | b >> 4) & 255, (b << 4 | c >> 2) & 255,
                                 (c << 6 | d) & 255};
      for (unsigned byte : bytes)
        if (written < n) out += static_cast<Char>(byte), ++written;
    }
  }
  return out;
}

}  // namespace krv
