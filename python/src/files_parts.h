// The pieces of BindFiles, one file each: masks and listings, copies and deletion, text files.
#pragma once

#include "bind.h"

namespace korvex_py::files {

void BindScan(py::module_& m);
void BindCopy(py::module_& m);
void BindTextFiles(py::module_& m);
void BindTextFile(py::module_& m);
void BindPaths(py::module_& m);

// Refuses a second use of an object while a call on it runs without the GIL; set and read
// with the GIL held only.
class BusyGuard {
 public:
  BusyGuard(bool& busy, const char* what) : busy_(busy) {
    if (busy_) throw py::value_error(std::string(what) + " is in use by another thread");
    busy_ = true;
  }
  ~BusyGuard() { busy_ = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& busy_;
};

}  // namespace korvex_py::files
