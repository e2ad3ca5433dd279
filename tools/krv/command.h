// Registration for commands that still parse their own arguments (grep, features) until
// they move onto cli.h. Such a command registers itself with
//
//   static krv::tool::KrvCommand reg{"name", "summary", kUsage, &Run};
//
// and its Run gets every argument after the command word. Fail() prints "krv NAME: message".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli.h"

namespace krv::tool {

using Args = std::vector<std::string>;

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Prints "krv NAME: message" to stderr, and the usage hint when usage is true; returns the
// matching exit status (2 for usage errors, 1 otherwise).
int Fail(std::string_view command, std::string_view message, bool usage = false);

}  // namespace krv::tool
