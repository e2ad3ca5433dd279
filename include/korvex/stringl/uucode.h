// uuencode for strings, in the classic line format that the uuencode and uudecode programs
// (sharutils) write and read.
//
// The string stands for bytes, one character per byte, so only characters 0..255 can be
// encoded. A block is
//   begin 644 data
//   <lines: a length character (32 + byte count, 45 bytes at most per line), then each
//    3 bytes as 4 characters of 6 bits (32 + value, with '`' for 0)>
//   `
//   end
// with LF line ends.
#pragma once

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The bytes of s as a complete uuencoded block named "data" with mode 644, as
// "uuencode data" writes it. A character above 255 is no byte: the result is then "".
String UUEncodeStr(const String& s);

// The bytes of a uuencoded text, one character per byte. Reads the data lines after the first
// line that starts with "begin " (or from the first line if there is none) up to a line of
// length 0, the "end" line or the end of the text. LF and CR LF line ends are accepted, and
// the characters decode as the classic decoder does ((c - 32) & 63, so blank and '`' are
// both 0). A line shorter than its length character says is taken as padded with zeros.
// "begin-base64" blocks are not read. Never fails: any text gives some bytes.
String UUDecodeStr(const String& s);

}  // namespace krv
KORVEX_API_END
