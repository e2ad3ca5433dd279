// Colour values on krv command lines, shared by every command that takes a colour:
//   NAME      a name of the library's dictionary, any case, blanks ignored ("Sky Blue")
//   $BBGGRR   1 to 6 hexadecimal digits in the library's byte order ($FF is red)
//   #RRGGBB   6 hexadecimal digits in web order (#FF0000 is red)
//   r,g,b     three numbers 0 to 255, blanks allowed around each
#pragma once

#include <string>

#include "korvex/platform/types.h"

namespace krv::tool {

// The colour value names; throws Failure{value, reason} when it names none.
TColor ParseColor(const std::string& value);

}  // namespace krv::tool
