// The krv subcommand registry. Each subcommand lives in its own cmd_<name>.cpp and registers
// itself with a static KrvCommand object:
//
//   static krv::tool::KrvCommand reg{"tables", "print the shared tables", kUsage, &RunTables};
//
// Run functions get the arguments after the subcommand name and return the exit status:
// 0 success, 1 failure, 2 usage error. Errors go to stderr.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace krv::tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;
using RunFn = int (*)(const Args& args);

struct CommandInfo {
  std::string_view name;
  std::string_view summary;  // one line for `krv --help`
  std::string_view usage;    // full text for `krv NAME --help`
  RunFn run;
};

// Registers a command at static-initialisation time.
struct KrvCommand {
  KrvCommand(std::string_view name, std::string_view summary, std::string_view usage, RunFn run);
};

const std::vector<CommandInfo>& Commands();

// Prints "krv NAME: message" to stderr, and the usage hint when usage is true; returns the
// matching exit status (2 for usage errors, 1 otherwise).
int Fail(std::string_view command, std::string_view message, bool usage = false);

// True when args holds -h or --help; prints the command's usage to stdout.
bool WantsHelp(const Args& args, std::string_view command);

}  // namespace krv::tool
