// Shared by the hostile-name and race tests of the tree routines: decoy folders kept beside a
// sandbox, whose every file is checked afterwards, and small POSIX helpers.
#pragma once

#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "korvex/platform/text.h"
#include "test_support/temp_dir.h"

namespace krv::testing {

// Writes `bytes` to `path` (created with `mode`, replaced when there).
inline void PutFile(const std::filesystem::path& path, const std::string& bytes,
                    mode_t mode = 0644) {
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::fchmod(fd, mode);
  ::close(fd);
}

// The library's exact (verbatim) name for a native path: no drive, case or `\\` rule.
inline String Verbatim(const std::filesystem::path& p) {
  return u"\\\\?\\" + FromNativeName(p.string());
}

// A file's bytes, read without following anything but the name given; "" when unreadable.
inline std::string Slurp(const std::filesystem::path& p) {
  std::string out;
  const int fd = ::open(p.c_str(), O_RDONLY);
  char buf[4096];
  for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, n);
  if (fd >= 0) ::close(fd);
  return out;
}

// A folder of files nobody may touch: made with `count` files, checked file by file.
class Decoy {
 public:
  Decoy(std::filesystem::path dir, int count, const std::string& prefix = "")
      : dir_(std::move(dir)) {
    std::filesystem::create_directories(dir_);
    for (int i = 0; i < count; ++i) {
      const std::string name = prefix + "f" + std::to_string(i);
      files_[name] = "decoy " + dir_.string() + " " + name;
      PutFile(dir_ / name, files_[name], 0600);
    }
  }
  const std::filesystem::path& Path() const { return dir_; }
  // The bytes every decoy file holds start with this.
  static std::string Marker() { return "decoy "; }
  // Every file still there with its bytes, and nothing added.
  void ExpectUntouched() const {
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      if (entry.is_directory()) continue;  // a folder inside is a decoy of its own
      const std::string name = entry.path().filename().string();
      const auto it = files_.find(name);
      EXPECT_NE(it, files_.end()) << "added to the decoy: " << name;
      ++seen;
    }
    EXPECT_EQ(seen, files_.size()) << "decoy files lost in " << dir_;
    for (const auto& [name, bytes] : files_) {
      EXPECT_EQ(Slurp(dir_ / name), bytes) << "decoy changed: " << name;
    }
  }
  std::size_t Count() const {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) n += e.is_regular_file();
    return n;
  }

 private:
  std::filesystem::path dir_;
  std::map<std::string, std::string> files_;
};

}  // namespace krv::testing
#endif  // _WIN32
