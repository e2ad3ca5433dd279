// Temporary paths for tests that touch files: unique per process and per call, so test
// processes that CTest runs side by side (or two build trees tested at once) never share one.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>

namespace krv::testing {

inline std::filesystem::path UniqueTempPath(std::string_view tag) {
  static std::atomic<unsigned> counter{0};
  return std::filesystem::temp_directory_path() /
         (std::string(tag) + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
}

}  // namespace krv::testing
