// str <-> krv::String that keep lone surrogates (U+D800..U+DFFF) as the code units they are,
// as the library keeps them: text read with errors="surrogateescape" holds U+DC80 + byte for
// every undecodable byte, and such text goes in and comes back out unchanged.
#pragma once

#include <string_view>

#include "bind.h"

namespace korvex_py {

// The UTF-16 code units of a str; TypeError for anything else.
krv::String Utf16Of(const py::handle& text);
// Appends the UTF-16 code units of a str to out, with no allocation beyond out's growth for
// Latin-1 and BMP strings (nearly all); TypeError for anything else.
void AppendUtf16(const py::handle& text, krv::String& out);
// The str of UTF-16 code units; a lone surrogate becomes that code point.
py::str StrOf(std::u16string_view text);
// The one UTF-16 code unit of a str (what a library Char parameter takes); ValueError naming
// the parameter `what` otherwise.
krv::Char OneChar(const py::handle& text, const char* what);

}  // namespace korvex_py
