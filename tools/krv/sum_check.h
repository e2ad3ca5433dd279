// The lines of a checksum file as krv sum --check reads them: what kinds of sum a line gives,
// their hexadecimal values and the name of the file, or that the line is improperly
// formatted. Pure functions of the line's text; reading the file and summing are the
// command's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv::tool::sum {

enum class Kind { kCrc16XModem, kCrc16Ccitt, kCrc32, kSha1 };

// What each kind is called in tagged lines ("TAG (NAME) = VALUE") and how many hexadecimal
// digits its value has. SHA-1 is tagged as sha1sum --tag tags it; the CRCs by their names in
// the catalogue of parametrised CRCs. No tag is a prefix of another.
struct KindInfo {
  Kind kind;
  std::string_view tag;
  std::size_t hex;
};
inline constexpr KindInfo kKinds[] = {{Kind::kCrc16XModem, "CRC-16/XMODEM", 4},
                                      {Kind::kCrc16Ccitt, "CRC-16/IBM-3740", 4},
                                      {Kind::kCrc32, "CRC-32/ISO-HDLC", 8},
                                      {Kind::kSha1, "SHA1", 40}};

inline const KindInfo& InfoOf(Kind k) {
  return kKinds[static_cast<std::size_t>(k)];
}

// What one line of a checksum file asks for: one value per kind, each exactly as many
// hexadecimal digits as its kind has, as the line spells them, and the name, unescaped.
struct CheckLine {
  std::vector<Kind> kinds;
  std::vector<std::string> values;
  std::string name;
  bool operator==(const CheckLine&) const = default;
};

// How untagged lines separate the values from the name. As sha1sum does, a run reads either
// "HEX  NAME" / "HEX *NAME" lines or "HEX NAME" lines (one blank, as BSD's `sha1 -r` writes
// them), whichever it met first; a line of the other form is then improperly formatted, or
// for "HEX  NAME" after "HEX NAME" lines, the name starts with the blank.
enum class Layout { kUnknown, kStandard, kReversed };

// The text of one line of a checksum file (its LF taken off) that ParseCheckLine reads: the
// line without one trailing CR. Empty for a line that --check passes over: an empty one (a
// lone CR included) and a comment, which starts with '#'.
std::string_view CheckLineText(std::string_view line);

// One line's text (from CheckLineText): leading blanks, then a backslash when the name is
// escaped (only \\, \n and \r are escapes), then a tagged line "TAG (NAME) = HEX" or an
// untagged one: "V1 V2  NAME" (krv sum), "HEX  NAME" / "HEX *NAME" and "HEX NAME" (sha1sum).
// The kinds are those given (a tagged line's kind must be among them), otherwise the tag's or
// the values' own by their lengths: 4 digits CRC-16/XMODEM, 8 CRC-32, 40 SHA-1. Nothing for
// an improperly formatted line, a bad escape or a name holding a NUL byte. An untagged line
// whose values are sound fixes `layout` when it is still unknown, and must keep to it.
std::optional<CheckLine> ParseCheckLine(std::string_view s, const std::vector<Kind>& given,
                                        Layout& layout);

// Names holding a backslash, LF or CR are written as sha1sum writes them: those three as
// "\\", "\n" and "\r", and the whole line starts with a backslash.
bool NeedsEscape(std::string_view name);
std::string Escaped(std::string_view name);

}  // namespace krv::tool::sum
