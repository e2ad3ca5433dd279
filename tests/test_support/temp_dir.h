// Temporary folders for tests that touch files: unique per process and per call, so test
// processes that CTest runs side by side (or two build trees tested at once) never share one.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace krv::testing {

// A path in the system's temporary folder that no other call (in any process) returns.
inline std::filesystem::path UniqueTempPath(std::string_view tag) {
  static std::atomic<unsigned> counter{0};
  return std::filesystem::temp_directory_path() /
         (std::string(tag) + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
}

// A folder created empty on construction and removed with its contents on destruction.
class TempDir {
 public:
  explicit TempDir(std::string_view tag = "korvex_test") : path_(UniqueTempPath(tag)) {
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path File(std::string_view name) const { return path_ / name; }

  // Writes bytes to the named file, replacing it.
  void Write(std::string_view name, std::string_view bytes) const {
    std::ofstream(File(name), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // The named file's bytes; empty when it cannot be read.
  std::string Read(std::string_view name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

}  // namespace krv::testing
