// Runs the krv tool from tests. The test programs that include this depend on the krv target,
// so the tool is always built first; a missing tool fails the test instead of skipping it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gtest/gtest.h"
#include "test_support/temp_dir.h"

namespace krv::testing {

// The tool the build made.
inline const std::string& KrvPath() {
  static const std::string path = KORVEX_KRV_PATH;
  return path;
}

struct KrvRun {
  int status = -1;  // exit status, -1 when the tool did not exit normally
  std::string out, err;
};

// Runs a shell command line in dir with `input` on standard input and "$KRV" naming the tool;
// redirections in the command override the defaults.
inline KrvRun RunShell(const TempDir& dir, const std::string& command,
                       const std::string& input = "") {
  KrvRun r;
  if (KrvPath().empty() || !std::filesystem::exists(KrvPath())) {
    ADD_FAILURE() << "the krv tool is missing: " << KrvPath();
    return r;
  }
  dir.Write(".stdin", input);
  const std::string cmd = "cd '" + dir.Path().string() + "' && KRV='" + KrvPath() + "' && { " +
                          command + "; } < .stdin > .stdout 2> .stderr";
  const int rc = std::system(cmd.c_str());
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = dir.Read(".stdout");
  r.err = dir.Read(".stderr");
  return r;
}

// Runs `krv ARGS` as a shell command in dir with `input` on standard input; ARGS may use
// shell syntax (quotes, pipes, redirections) and "$KRV" for the tool itself; redirections in
// ARGS override the defaults.
inline KrvRun RunKrv(const TempDir& dir, const std::string& args, const std::string& input = "") {
  return RunShell(dir, "\"$KRV\" " + args, input);
}

}  // namespace krv::testing
