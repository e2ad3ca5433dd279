// krv: the Korvex command-line tool.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "command.h"

namespace krv::tool {
namespace {

std::vector<CommandInfo>& Registry() {
  static std::vector<CommandInfo> registry;
  return registry;
}

const CommandInfo* Find(std::string_view name) {
  for (const auto& c : Registry())
    if (c.name == name) return &c;
  return nullptr;
}

void PrintToolHelp(std::ostream& out) {
  out << "usage: krv [--help] [--version] COMMAND [ARGS...]\n\n"
         "Korvex command-line tool: puts the Korvex library to work on files.\n\n"
         "Commands:\n";
  auto sorted = Registry();
  std::sort(sorted.begin(), sorted.end(),
            [](const CommandInfo& a, const CommandInfo& b) { return a.name < b.name; });
  for (const auto& c : sorted) {
    std::string name(c.name);
    name.resize(std::max<std::size_t>(name.size(), 12), ' ');
    out << "  " << name << "  " << c.summary << "\n";
  }
  out << "\nRun 'krv COMMAND --help' for the options of one command.\n"
         "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

}  // namespace

KrvCommand::KrvCommand(std::string_view name, std::string_view summary, std::string_view usage,
                       RunFn run) {
  Registry().push_back({name, summary, usage, run});
}

const std::vector<CommandInfo>& Commands() { return Registry(); }

int Fail(std::string_view command, std::string_view message, bool usage) {
  std::cerr << "krv " << command << ": " << message << "\n";
  if (usage) std::cerr << "Try 'krv " << command << " --help'.\n";
  return usage ? kExitUsage : kExitFailure;
}

bool WantsHelp(const Args& args, std::string_view command) {
  for (const auto& a : args) {
    if (a == "--") break;
    if (a == "-h" || a == "--help") {
      if (const auto* c = Find(command)) std::cout << c->usage;
      return true;
    }
  }
  return false;
}

}  // namespace krv::tool

int main(int argc, char** argv) {
  using namespace krv::tool;
  std::ios::sync_with_stdio(false);
  if (argc < 2) {
    PrintToolHelp(std::cerr);
    return kExitUsage;
  }
  const std::string_view first = argv[1];
  if (first == "-h" || first == "--help" || first == "help") {
    if (first == "help" && argc > 2) {
      if (const auto* c = Find(argv[2])) {
        std::cout << c->usage;
        return kExitOk;
      }
    }
    PrintToolHelp(std::cout);
    return kExitOk;
  }
  if (first == "--version" || first == "-V") {
    std::cout << "krv (Korvex) " << KORVEX_VERSION << "\n";
    return kExitOk;
  }
  const CommandInfo* cmd = Find(first);
  if (cmd == nullptr) {
    std::cerr << "krv: unknown command '" << first << "'\nTry 'krv --help'.\n";
    return kExitUsage;
  }
  Args args(argv + 2, argv + argc);
  if (WantsHelp(args, cmd->name)) return kExitOk;
  try {
    return cmd->run(args);
  } catch (const std::exception& e) {
    return Fail(cmd->name, e.what());
  }
}
