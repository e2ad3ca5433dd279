// The block copy both file copies use, and the process-wide abort flag.
#pragma once

#include <cstdint>
#include <functional>

#include "korvex/platform/filesystem.h"

namespace krv::detail {

inline constexpr std::size_t kCopyBlock = 8192;
inline constexpr std::size_t kCopyChunk = 16 * kCopyBlock;

// A file handle of filesystem.h, closed on every way out.
class Handle {
 public:
  explicit Handle(TFileHandle h = kInvalidFileHandle) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  TFileHandle Get() const { return h_; }
  bool Valid() const { return h_ != kInvalidFileHandle; }
  void Reset(TFileHandle h = kInvalidFileHandle) {
    if (Valid()) FileClose(h_);
    h_ = h;
  }

 private:
  TFileHandle h_;
};

// True once AbortAnyFileCopying was called, until the next copy starts.
bool CopyAborted();
void ClearCopyAbort();

// Call-backs get 32-bit counts: values of 2^31 and more reach them as 2^31 - 1.
std::int32_t Clamp32(Int64 v);

// How a block copy ended.
struct BlockCopy {
  std::int32_t status = 0;  // kCopyOk, kCopyReadError or kCopyWriteError (copying.h)
  int os_error = 0;         // the system's reason for a failed status
  Int64 total = 0;          // bytes written to the destination
  bool complete = false;    // the source's end was reached and everything written
};

// Copies `in` to `out` in 8192-byte blocks. progress(done, size) is called with (bytes
// written before the block, size) for every block read, the last read being the short
// (possibly empty) one; a regular file is read 16 blocks at a time and written block by
// block, so after a failed write no later block is reported. Stops after the block in
// progress when the abort flag is set. Does not make the (0, size) and final calls.
BlockCopy CopyBlocks(TFileHandle in, TFileHandle out, bool regular,
                     const std::function<void(std::int32_t, std::int32_t)>& progress,
                     std::int32_t size32);

// The mode a finished copy gets: the source's permission bits with the owner's write bit
// when attributes are copied, else the source's bits less the umask (as cp makes a new file),
// so a copy is never readable by more users than its source.
unsigned FinalCopyMode(unsigned source_mode, bool copy_attributes);

}  // namespace krv::detail
