// ASCII85: binary data as text, four bytes to five characters from "!" to "u".
//
// The library's own form: no "<~" start delimiter, no line breaks, a group of four zero bytes
// written as "z", and a final group of k < 4 bytes written as the k + 1 base-85 digits of the
// value of just those k bytes (not padded with zeros as Adobe's form is). The text ends with
// the terminator "~>". Full groups are the same as in every other ASCII85 coder.
#pragma once

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

}  // namespace krv
KORVEX_API_END
