// The memory bound of the `krv text` modes, the count of line ends they share, and reading
// the regular file behind an Input at offsets, so that a mode can read a file from its end or
// read a line again instead of holding it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io.h"

namespace krv::tool {

// The most bytes of input a text mode holds in memory, whatever the length of the lines.
inline constexpr std::size_t kTextWindow = std::size_t{64} << 20;
// The block in which text modes read and write.
inline constexpr std::size_t kTextBlock = std::size_t{1} << 20;

// The number of LF bytes in p[0, n).
std::int64_t CountLineFeeds(const char* p, std::size_t n);

// The regular file an Input reads, read at any offset (through Input::ReadAt).
class FileAt {
 public:
  // Usable when `in` is a regular file that is not empty (a file the system reports as empty,
  // such as those of /proc, may still have content: it is read as a stream). Standard input
  // counts only with `with_stdin`; it is then read from offset 0, as the name /dev/stdin
  // reads it, wherever its position is. Otherwise IsOpen() is false.
  FileAt(Input& in, bool with_stdin);

  bool IsOpen() const { return open_; }
  // The size the Input found.
  std::int64_t Size() const { return in_.Size(); }
  // Reads up to n bytes at `offset`, fewer only at the end of the file. Throws Failure.
  std::size_t Read(void* buffer, std::size_t n, std::int64_t offset);

 private:
  Input& in_;
  bool open_;
};

}  // namespace krv::tool
