// File helpers of the features and tables areas: Python file names handed to the library
// exactly as written, native reads and writes with Python's OSError, scratch files that let
// the library's file readers and writers work on text in memory, and the guard that keeps an
// object from being used by two threads while one call runs without the GIL.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "bind.h"
#include "korvex/platform/exceptions.h"

namespace korvex_py {

// Raises the OSError subclass of errno `err` with the file name `path` (FileNotFoundError,
// PermissionError, IsADirectoryError...).
[[noreturn]] void RaiseOSError(int err, const py::object& path);

// The errno an EInOutError code stands for, or 0 when it is none of the opening failures.
int ErrnoOfIoCode(int code);

// korvex.FileFormatError (korvex.Error and ValueError): a file or text that holds none of the
// data asked for, or holds it malformed. Bind creates the class in the module; Raise needs it.
void BindFileFormatError(py::module_& m);
[[noreturn]] void RaiseFileFormatError(const std::string& message);
// The file name for a message (os.fsdecode).
std::string ShownName(const py::object& path);

// The bytes of a file, read without the GIL; OSError when it cannot be read.
std::string ReadNativeFile(const py::object& path);
// Creates or truncates a file and writes the bytes, without the GIL; OSError on failure.
void WriteNativeFile(const py::object& path, std::string_view bytes);

// A file of its own in the system's temporary folder (TMPDIR, else /tmp), removed when the
// object goes. Every member may run without the GIL; failures raise EInOutError.
class ScratchFile {
 public:
  ScratchFile();
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  // The library name of the file (verbatim).
  const krv::String& Name() const { return name_; }
  void Write(std::string_view bytes);
  std::string Read() const;

 private:
  std::string native_;
  krv::String name_;
};

// Marks an object in use by a call that runs without the GIL. Every call on such an object
// takes an InUse first; a second one while the first lives raises RuntimeError rather than
// racing. The flag is only read and written with the GIL held.
class InUse {
 public:
  InUse(bool& busy, const char* what) : busy_(busy) {
    if (busy_)
      throw std::runtime_error(std::string(what) + " is busy with a call in another thread");
    busy_ = true;
  }
  ~InUse() { busy_ = false; }
  InUse(const InUse&) = delete;
  InUse& operator=(const InUse&) = delete;

 private:
  bool& busy_;
};

// Runs f (which may release the GIL) and turns an EInOutError of opening or creating the file
// (not found, access denied, or a system error) into the OSError of the native file name.
template <typename F>
auto WithOpenErrors(const py::object& path, F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const krv::EInOutError& e) {
    const int err = ErrnoOfIoCode(e.ErrorCode());
    if (err == 0) throw;
    RaiseOSError(err, path);
  }
}

}  // namespace korvex_py
