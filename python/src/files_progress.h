// What a copy's call-backs share with the call that started it: the progress callable, the
// byte counts it is given, the exception it raised; and the failures of a tree copy as
// korvex.CopyFailure objects and korvex.CopyTreeError.
#pragma once

#include <cstdint>
#include <exception>
#include <vector>

#include "bind.h"
#include "korvex/filesys/copying.h"

namespace korvex_py::files {

// Bytes between two calls of the progress callable (besides the first and the last).
inline constexpr std::int64_t kStep = 1 << 20;

class CopyProgress {
 public:
  // `callable` is None or a callable; `source` the library's name of what is copied.
  CopyProgress(py::object callable, krv::String source)
      : callable_(std::move(callable)), source_(std::move(source)) {}

  // Call-backs of the library (run without the GIL; they take it to call Python).
  void FileBlock(std::int32_t done, std::int32_t size);
  void TreeBlock(std::int32_t done, std::int32_t size, const krv::String& name, std::int32_t files);
  // Before a tree copy (without the GIL): total = the bytes of the regular files below the
  // source, the folder `dest` left out when it lies inside; then the first call.
  void CountTree(const krv::String& dest);
  // After a tree copy (without the GIL): the last file's bytes counted.
  void EndTree();

  // True once the callable raised (read on the copy's own thread).
  bool Stopped() const { return static_cast<bool>(error_); }

  // With the GIL, after the copy: raises what the callable raised (or a signal handler).
  void RaiseStored();
  // With the GIL, after a successful copy: the last call, with done == total, unless the
  // last call already was that one.
  void Finish();

 private:
  void Deliver(std::int64_t done);
  std::int64_t FileBytes() const;

  py::object callable_;
  krv::String source_;
  std::exception_ptr error_;
  std::int64_t total_ = -1;  // as counted before the copy; -1 until known
  std::int64_t done_ = 0;
  std::int64_t sent_ = -1, sent_total_ = -1;  // what the last call gave
  // The file being copied: its values and the number of call-backs it had.
  std::int64_t finished_ = 0, current_ = 0, calls_ = 0;
  std::int32_t files_ = 0, size_ = 0;
  krv::String name_;
};

// Binds korvex.CopyFailure and korvex.CopyTreeError.
void BindCopyFailure(py::module_& m);
// Raises CopyTreeError for the failures; `refusal` is the protected destination's reason.
[[noreturn]] void RaiseCopyTreeError(const std::vector<krv::TCopyFailure>& failures,
                                     const krv::String& refusal);

}  // namespace korvex_py::files
