// ASCII85: binary data as text, four bytes to five characters from "!" to "u".
//
// The library's own form: no "<~" start delimiter, no line breaks, a group of four zero bytes
// written as "z", and a final group of k < 4 bytes written as the k + 1 base-85 digits of the
// value of just those k bytes (not padded with zeros as Adobe's form is). The text ends with
// the terminator "~>". Full groups are the same as in every other ASCII85 coder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Encodes the input from its current position to its end and appends the text to output.
// An empty input gives just "~>". Stream errors propagate.
void EncodeASCII85(TStream& input, TStream& output);

// Decodes ASCII85 text from the input's current position up to the group that holds the "~"
// of the terminator (or the end of the input) and appends the bytes to output. CR and LF are
// skipped anywhere; "z" at the start of a group gives four zero bytes. A group of m digits
// gives m - 1 bytes. Characters after the terminator's group are not read: the input is left
// just after that group.
//
// Result: 0 when the text was sound; otherwise the code of the last fault found, and decoding
// goes on all the same:
//   -1  a character outside "!".."u" (other than a leading "z"), or a group whose value does
//       not fit the bytes it stands for (above 2^32 - 1 for five digits, above 2^(8(m-1)) - 1
//       for a final group of m digits); no encoder writes such a group, and its bytes would
//       be wrong. Its low bytes are written as usual.
//   -2  a "z" inside a group.
// Never raises by itself; errors of the streams propagate.
Integer DecodeASCII85(TStream& input, TStream& output);

// Where DecodeASCII85 found its first fault.
struct TASCII85Fault {
  Integer code = 0;  // 0 (none), -1 or -2 as DecodeASCII85's result codes
  // Counted in characters from where decoding started (CR and LF count): the bad character,
  // or for a group too large the character that ends it (its fifth digit; for a final group
  // the "~" after it, or its last digit when the input ends there). -1 without a fault.
  std::int64_t offset = -1;
  bool group_too_large = false;  // code -1 for a group's value rather than a bad character
  bool operator==(const TASCII85Fault&) const = default;
};

// The same decoding with the same result; also tells where the first fault stands, which
// the result code (that of the last fault) does not.
Integer DecodeASCII85(TStream& input, TStream& output, TASCII85Fault& first_fault);

// ---- Adobe's form ----
//
// For exchanging text with other tools (PostScript, PDF, Python's base64.a85encode with
// adobe=True), which write Adobe's form rather than the library's: the text is framed by "<~"
// and "~>", and a final group of k < 4 bytes is padded with zero bytes, coded as a full group
// and cut to its first k + 1 digits. Full groups and "z" are as in the library's form. These
// functions are the library's own additions; the functions above are unchanged by them.

// Encodes the input from its current position to its end and appends "<~", the text and "~>"
// to output. A line width above 0 breaks the text into lines of that many characters, as
// Python's a85encode(data, adobe=True, wrapcol=width) does, byte for byte: the "<~" counts
// toward the first line, a width of 1 acts as 2, lines end in LF, and "~>" starts a new line
// when it does not fit on the last one. Stream errors propagate.
void EncodeASCII85Adobe(TStream& input, TStream& output, std::size_t line_width = 0);

// What DecodeASCII85Adobe found wrong with a text, in the order it looks.
enum TASCII85AdobeFault : std::uint8_t {
  a85Sound,                // no fault: the text was decoded through its terminator
  a85BadCharacter,         // a character outside "!".."u" that is not "z", "~" or white space
  a85ZInsideGroup,         // a "z" after the first digit of a group
  a85GroupTooLarge,        // a group (a final group once padded) whose value exceeds 2^32 - 1
  a85OneDigitGroup,        // a final group of one digit, which holds no byte
  a85TildeWithoutGreater,  // a "~" followed by a character other than ">"
  a85NoTerminator,         // the input ends before "~>": the text is cut short
};

struct TASCII85AdobeResult {
  TASCII85AdobeFault fault = a85Sound;
  // Counted in characters from where decoding started. Sound text: the characters read, up
  // to and including the terminator's ">". A fault: where the faulty character stands (the
  // ">" for a faulty final group); for a85NoTerminator, the length of the input.
  std::int64_t offset = 0;
  bool operator==(const TASCII85AdobeResult&) const = default;
};

// Decodes Adobe's form from the input's current position and appends the bytes to output.
// White space (space, TAB, LF, CR, FF, VT, NUL) is skipped anywhere outside "<~" and "~>".
// The "<~" start is optional: when the first character other than white space is "<" and the
// next one is "~", they are skipped; a "<" followed by anything else is a digit. A final
// group of m = 2..4 digits is padded with "u" and gives m - 1 bytes. Decoding stops at the
// first fault or after the terminator; the input is then left just after the last character
// read when it can seek back, and output holds the bytes of every group before the fault.
// Never raises by itself; errors of the streams propagate.
TASCII85AdobeResult DecodeASCII85Adobe(TStream& input, TStream& output);

}  // namespace krv
KORVEX_API_END
