// Reading the small system files of the system queries (mount table, MIME database, desktop
// entries) with bounds: a file is read whole only up to a byte cap, and lines longer than a
// cap are passed over, so no file makes the library allocate more than its cap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace krv::detail {

// Reads the file at `path` into `out`. False when it cannot be opened or read, or when it
// holds more than `cap` bytes (then `out` is empty).
bool ReadFileCapped(const std::string& path, std::size_t cap, std::string& out);

// Calls f(line) for each line of `text` (split at LF, a CR before it removed), skipping lines
// longer than `max_line` bytes.
template <typename F>
void ForEachLine(std::string_view text, std::size_t max_line, F&& f) {
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() <= max_line) f(line);
  }
}

}  // namespace krv::detail
