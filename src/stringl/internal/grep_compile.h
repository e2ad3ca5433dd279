// The pattern compiler behind TGrep::CompileRegExp.
#pragma once

#include <string_view>

#include "korvex/stringl/grep.h"

namespace krv::detail {

// The pattern with every \#hh escape replaced by the character of hexadecimal code hh. An
// escape whose back slash follows another back slash is left alone.
String ResolveGrepHexEscapes(std::u16string_view pattern);

// Compiles pattern into tokens (all 64 cleared first) and returns the error code; count
// receives the number of tokens built, also when compilation stops at an error.
int CompileGrepPattern(std::u16string_view pattern, bool ignore_case, TRegExp& tokens,
                       Integer& count);

}  // namespace krv::detail
