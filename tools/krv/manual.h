// The manual of krv as one man page, made from the commands' help pages so that the page
// (docs/krv.1, printed by `krv help --man`) says what `krv help` says.
#pragma once

#include <string>

namespace krv::tool {

// The man page in roff with the man macros: NAME, SYNOPSIS, DESCRIPTION, one section per
// command (usage, description, options, modes, exit status, examples), then EXIT STATUS,
// ENVIRONMENT, FILES and SEE ALSO. The same bytes on every run and every system.
std::string ManualPage();

}  // namespace krv::tool
