// Running krv where "/" is a sandbox: krv and its shared libraries are copied into a folder the
// test made, and krv runs chrooted there. For the refusals that must be tried on the root
// itself: if a refusal failed, only the jail could be lost. POSIX systems, as root.
#pragma once

#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support/process.h"
#include "test_support/run_krv.h"

namespace krv::testing {

// Copies `program` and the libraries `ldd` names for it into `jail`; false when it cannot.
inline bool FurnishJail(const std::filesystem::path& jail, const std::string& program) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(jail / "bin", ec);
  fs::copy_file(program, jail / "bin" / "krv", fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  const ProcessResult ldd = RunProcess({"ldd", program}, {});
  if (ldd.status != 0) return false;
  for (std::size_t at = ldd.out.find('/'); at != std::string::npos; at = ldd.out.find('/', at)) {
    const std::size_t end = ldd.out.find_first_of(" \n", at);
    const fs::path lib = ldd.out.substr(at, end - at);
    at = end;
    fs::create_directories(jail / lib.relative_path().parent_path(), ec);
    fs::copy_file(fs::canonical(lib, ec), jail / lib.relative_path(),
                  fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
  }
  return true;
}

// Runs krv ARGS chrooted in `jail` with `workdir` (inside the jail) as its current folder.
// status 77: no jail could be made here (not root, or krv runs under an emulator).
inline ProcessResult RunKrvInJail(const std::filesystem::path& jail, const std::string& workdir,
                                  const std::vector<std::string>& args) {
  ProcessResult result;
  if (::geteuid() != 0 || !FurnishJail(jail, KrvPath())) {
    result.status = 77;
    return result;
  }
  std::filesystem::create_directories(jail / std::filesystem::path(workdir).relative_path());
  const std::filesystem::path err = jail / "stderr.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A /proc of its own in a mount namespace of its own: sanitizers read /proc/self.
    const std::string proc = (jail / "proc").string();
    if (::unshare(CLONE_NEWNS) == 0 &&
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0) {
      ::mkdir(proc.c_str(), 0555);
      ::mount("proc", proc.c_str(), "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr);
    }
    if (std::freopen(err.c_str(), "w", stderr) == nullptr || ::chroot(jail.c_str()) != 0 ||
        ::chdir(workdir.c_str()) != 0) {
      ::_exit(77);
    }
    std::vector<char*> argv{const_cast<char*>("/bin/krv")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv("/bin/krv", argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::FILE* f = std::fopen(err.c_str(), "r");
  for (int c; f != nullptr && (c = std::fgetc(f)) != EOF;) result.err += static_cast<char>(c);
  if (f != nullptr) std::fclose(f);
  std::filesystem::remove(err);
  return result;
}

}  // namespace krv::testing
#endif
