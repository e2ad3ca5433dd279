// Temporary folders for tests that touch files: unique per process and per call, so test
// processes that CTest runs side by side (or two build trees tested at once) never share one.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace krv::testing {

// A random word drawn once per process: process ids alone are not enough, as Wine hands the
// same id to processes started one after another.
inline const std::string& ProcessToken() {
  static const std::string token = [] {
    std::random_device device;
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seed{device(), device(), static_cast<unsigned>(ticks),
                       static_cast<unsigned>(ticks >> 32), static_cast<unsigned>(::getpid())};
    std::mt19937_64 mix(seed);
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";
    std::string word;
    for (std::uint64_t bits = mix(); word.size() < 10; bits >>= 5) word += kDigits[bits & 31];
    return std::to_string(::getpid()) + "_" + word;
  }();
  return token;
}

// A path in the system's temporary folder that no other call (in any process) returns.
inline std::filesystem::path UniqueTempPath(std::string_view tag) {
  static std::atomic<unsigned> counter{0};
  return std::filesystem::temp_directory_path() /
         (std::string(tag) + "_" + ProcessToken() + "_" + std::to_string(counter++));
}

// A folder in memory (/dev/shm) where the system has one, else in the temporary folder: for
// tests that make and delete many thousands of files.
inline std::filesystem::path FastTempBase() {
#ifdef _WIN32
  return std::filesystem::temp_directory_path();
#else
  std::error_code ec;
  const std::filesystem::path shm = "/dev/shm";
  if (std::filesystem::is_directory(shm, ec) && ::access(shm.c_str(), W_OK) == 0) return shm;
  return std::filesystem::temp_directory_path();
#endif
}

// A folder created empty on construction and removed with its contents on destruction.
class TempDir {
 public:
  explicit TempDir(std::string_view tag = "korvex_test") : path_(UniqueTempPath(tag)) {
    std::filesystem::create_directories(path_);
  }
  // The same folder under `base` instead of the temporary folder.
  TempDir(std::string_view tag, const std::filesystem::path& base)
      : path_(base / UniqueTempPath(tag).filename()) {
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
