// Files and folders a benchmark program makes under the temporary folder, removed when the
// program exits normally (a killed run leaves them; their names start with "korvex_").
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace krv::bench {

// Removes path (a file or a whole tree) at exit. The list lives in a static made on the first
// call, so it outlives the statics that hold the data the path names.
inline void RemoveAtExit(std::string path) {
  struct Paths {
    std::vector<std::string> list;
    ~Paths() {
      for (const auto& p : list) {
        std::error_code ec;
        std::filesystem::remove_all(p, ec);
      }
    }
  };
  static Paths paths;
  paths.list.push_back(std::move(path));
}

}  // namespace krv::bench
