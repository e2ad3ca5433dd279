// The first line of an input that contains a text, searched in bounded memory.
#pragma once

#include <string_view>

#include "io.h"

namespace krv::tool {

// Finds the first line of `in` that contains `text` and writes "POSITION:LINE\n" to `out`,
// POSITION being the 1-based byte column of the first match in it and LINE its bytes without
// the line end (LF or CR LF). Lines end at LF; a last line without one counts. Bytes are
// compared as they are, or with ignore_case through the Unicode simple lower-case mapping of
// the Windows-1252 character each byte stands for. An empty text is in every line, so the
// first line is found; a text that holds an LF is in none. Returns false when no line holds
// the text.
//
// At most kTextWindow bytes are held: a longer line is searched as it streams past. When the
// line found is longer and its start is no longer held, it is read again from its start,
// which only a named regular file allows; otherwise this throws Failure naming the limit.
bool WriteFirstMatch(Input& in, std::string_view text, bool ignore_case, Output& out);

}  // namespace krv::tool
