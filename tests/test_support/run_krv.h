// Runs the krv tool from tests. The test programs that include this depend on the krv target,
// so the tool is always built first; a missing tool fails the test instead of skipping it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gtest/gtest.h"
#include "test_support/process.h"
#include "test_support/temp_dir.h"

namespace krv::testing {

// The tool the build made.
inline const std::string& KrvPath() {
  static const std::string path = KORVEX_KRV_PATH;
  return path;
}

using KrvRun = ProcessResult;

// A krv command line taken apart: the tool's arguments and where its standard streams go.
struct KrvCommand {
  std::vector<std::string> args;
  ProcessOptions options;
};

// Splits a command line the way a shell does for plain words, 'single quotes', "double
// quotes", backslash escapes and the redirections `< FILE`, `> FILE` and `>> FILE`. Other shell
// syntax (pipes, variables, unquoted wildcards, ...) gives nothing, so a test cannot silently
// depend on a shell.
inline std::optional<KrvCommand> ParseKrvCommand(std::string_view line) {
  KrvCommand command;
  std::vector<std::string> words;
  std::vector<bool> operators;  // whether words[i] is an unquoted redirection operator
  std::string word;
  bool in_word = false, quoted = false, bad = false;
  auto finish = [&] {
    if (in_word) {
      const bool op = !quoted && !word.empty() && word.find_first_not_of("<>") == std::string::npos;
      bad = bad || (op && word != "<" && word != ">" && word != ">>");  // <<, >>> and the like
      operators.push_back(op);
      words.push_back(std::move(word));
    }
    word.clear();
    in_word = quoted = false;
  };
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      finish();
      continue;
    }
    if ((c == '<' || c == '>') && in_word) {
      if (quoted) return std::nullopt;  // 'name'>file
      if (word.find_first_not_of("0123456789") == std::string::npos) return std::nullopt;  // 2>
      if (word.find_first_not_of(c) != std::string::npos) finish();  // `a>b` is `a > b`
    }
    in_word = true;
    if (c == '\'') {
      const size_t end = line.find('\'', i + 1);
      if (end == std::string_view::npos) return std::nullopt;
      word.append(line.substr(i + 1, end - i - 1));
      quoted = true;
      i = end;
    } else if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '$' || line[i] == '`') return std::nullopt;
        if (line[i] == '\\' && i + 1 < line.size() &&
            std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos)
          ++i;
        word += line[i];
      }
      if (i == line.size()) return std::nullopt;
      quoted = true;
    } else if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
      quoted = true;
    } else if (std::string_view("|&;()$`*?[~").find(c) != std::string_view::npos) {
      return std::nullopt;
    } else {
      word += c;
      if ((c == '<' || c == '>') && (i + 1 == line.size() || line[i + 1] != '>')) finish();
    }
  }
  finish();
  if (bad) return std::nullopt;
  for (size_t i = 0; i < words.size(); ++i) {
    if (!operators[i]) {
      command.args.push_back(words[i]);
      continue;
    }
    if (i + 1 == words.size() || operators[i + 1]) return std::nullopt;
    const std::string& file = words[++i];
    if (words[i - 1] == "<") {
      command.options.in_file = file;
    } else {
      command.options.out_file = file;
      command.options.append = words[i - 1] == ">>";
    }
  }
  return command;
}

// Runs `krv ARGS...` in dir with the given options (dir is filled in).
inline KrvRun RunKrvArgs(const TempDir& dir, std::vector<std::string> args,
                         ProcessOptions options = {}) {
  if (KrvPath().empty() || !std::filesystem::exists(KrvPath())) {
    ADD_FAILURE() << "the krv tool is missing: " << KrvPath();
    return {};
  }
  args.insert(args.begin(), KrvPath());
  options.dir = dir.Path();
  return RunProcess(args, options);
}

// Runs `krv ARGS` in dir with `input` on standard input. ARGS is split into words like a shell
// would for quotes and escapes and may redirect standard input or output to files (see
// ParseKrvCommand); it must not use other shell syntax.
inline KrvRun RunKrv(const TempDir& dir, const std::string& args, const std::string& input = "") {
  std::optional<KrvCommand> command = ParseKrvCommand(args);
  if (!command) {
    ADD_FAILURE() << "krv arguments use shell syntax: " << args;
    return {};
  }
  command->options.input = input;
  return RunKrvArgs(dir, std::move(command->args), std::move(command->options));
}

// Whether a command line names a device file of POSIX systems (/dev/full, /dev/null, ...) or
// gives a folder as standard input (`< .`): true only where neither can be had (Windows), so
// that tests leave such checks out there.
inline bool LacksPosixDevice(std::string_view args) {
#ifdef _WIN32
  return args.find("/dev/") != std::string_view::npos || args.find("< .") != std::string_view::npos;
#else
  (void)args;
  return false;
#endif
}

}  // namespace krv::testing
