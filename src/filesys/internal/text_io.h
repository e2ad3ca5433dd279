// Helpers shared by the text-file utilities: raising EInOutError from an operating-system
// failure, and a plain file handle that closes itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "korvex/platform/filesystem.h"
#include "korvex/platform/textfile.h"
#include "korvex/platform/types.h"

namespace krv::detail {

// Raises EInOutError with `code` and its standard message.
[[noreturn]] void RaiseInOutError(int code);
// The IOResult code TextFile reports for the errno-style code `err`.
int InOutCodeOfOsError(int err);

// A file opened by name through the file-system layer; raises EInOutError when it cannot be
// opened, read or written; closes on destruction.
class RawFile {
 public:
  enum Mode { kRead, kCreate };
  RawFile(const String& name, Mode mode);
  ~RawFile();
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  // Up to `count` bytes; 0 at the end. Raises on a read error.
  std::size_t Read(void* buffer, std::size_t count);
  // Reads until `count` bytes or the end; the number read. Read errors end the reading.
  std::size_t ReadQuietly(void* buffer, std::size_t count);
  // Writes all `count` bytes or raises.
  void Write(const void* buffer, std::size_t count);
  TFileHandle Handle() const { return handle_; }

 private:
  TFileHandle handle_ = kInvalidFileHandle;
};

}  // namespace krv::detail
