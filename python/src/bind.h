// Shared by the binding files of the korvex module: one Bind function per area, and the
// conversions every area uses (str <-> String, os.PathLike -> String, bytes views).
#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "korvex/platform/types.h"

namespace korvex_py {

namespace py = pybind11;

// A library name from a str, bytes or os.PathLike, through os.fsencode: the file system's
// bytes, undecodable ones (surrogateescape in a str) kept as the library keeps them.
krv::String PathArg(const py::object& path);
// The library's name for exactly the native file PathArg reads (the verbatim prefix: no
// drive, case or back-slash rule applies to it). "" gives the bare prefix, which names nothing.
krv::String VerbatimName(const py::object& path);

// The bytes of any C-contiguous buffer (bytes, bytearray, memoryview, numpy arrays) without a
// copy, held for the view's life; anything else raises TypeError (Python's own message).
class ByteView {
 public:
  explicit ByteView(const py::handle& o) {
    if (PyObject_GetBuffer(o.ptr(), &buffer_, PyBUF_C_CONTIGUOUS) != 0)
      throw py::error_already_set();
  }
  ~ByteView() { PyBuffer_Release(&buffer_); }
  ByteView(const ByteView&) = delete;
  ByteView& operator=(const ByteView&) = delete;
  const std::uint8_t* data() const { return static_cast<const std::uint8_t*>(buffer_.buf); }
  std::size_t size() const { return static_cast<std::size_t>(buffer_.len); }
  std::string_view view() const { return {static_cast<const char*>(buffer_.buf), size()}; }

 private:
  Py_buffer buffer_{};
};

// str <-> String keeping lone surrogates (strings_text.h has their promises).
krv::String Utf16Of(const py::handle& text);
py::str StrOf(std::u16string_view text);

// Binds one area; module.cpp calls each in turn.
void BindErrors(py::module_& m);
void BindChecksums(py::module_& m);
void BindStrings(py::module_& m);
void BindGrep(py::module_& m);
void BindHtml(py::module_& m);
void BindFeatures(py::module_& m);
void BindTables(py::module_& m);
void BindColors(py::module_& m);
void BindDrawing(py::module_& m);
void BindFiles(py::module_& m);

}  // namespace korvex_py

namespace pybind11::detail {

// Every String parameter and result of the module goes through Utf16Of and StrOf, so a lone
// surrogate (U+D800..U+DFFF, which text read with errors="surrogateescape" holds) goes in and
// comes back as the code unit it is. pybind11's own conversion refuses such a str. Declared
// here, before any binding converts a String, in every file that binds.
template <>
struct type_caster<std::u16string> {
  PYBIND11_TYPE_CASTER(std::u16string, const_name("str"));
  bool load(handle src, bool /*convert*/) {
    if (!PyUnicode_Check(src.ptr())) return false;
    value = korvex_py::Utf16Of(src);
    return true;
  }
  static handle cast(const std::u16string& text, return_value_policy /*policy*/,
                     handle /*parent*/) {
    return korvex_py::StrOf(text).release();
  }
};

}  // namespace pybind11::detail
