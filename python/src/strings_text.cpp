// str <-> krv::String through UTF-16 with the surrogatepass error handler.
#include "strings_text.h"

#include <bit>
#include <cstring>
#include <string>

namespace korvex_py {
namespace {

constexpr bool kLittle = std::endian::native == std::endian::little;

}  // namespace

krv::String Utf16Of(const py::handle& text) {
  if (!PyUnicode_Check(text.ptr()))
    throw py::type_error(std::string("expected str, not ") + Py_TYPE(text.ptr())->tp_name);
  // Strings of Latin-1 or BMP characters (nearly all) are widened or copied straight from
  // their storage; others (characters beyond the BMP) go through the codec.
  if (PyUnicode_READY(text.ptr()) != 0) throw py::error_already_set();
  const Py_ssize_t length = PyUnicode_GET_LENGTH(text.ptr());
  const void* units = PyUnicode_DATA(text.ptr());
  switch (PyUnicode_KIND(text.ptr())) {
    case PyUnicode_1BYTE_KIND: {
      const auto* p = static_cast<const Py_UCS1*>(units);
      return krv::String(p, p + length);
    }
    case PyUnicode_2BYTE_KIND: {
      const auto* p = static_cast<const Py_UCS2*>(units);
      return krv::String(p, p + length);
    }
    default:
      break;
  }
  const py::object bytes = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(text.ptr(), kLittle ? "utf-16-le" : "utf-16-be", "surrogatepass"));
  if (!bytes) throw py::error_already_set();
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  krv::String out(static_cast<std::size_t>(size) / 2, u'\0');
  if (!out.empty()) std::memcpy(out.data(), data, out.size() * 2);
  return out;
}

py::str StrOf(std::u16string_view text) {
  int order = kLittle ? -1 : 1;
  PyObject* s =
      PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                            static_cast<Py_ssize_t>(text.size() * 2), "surrogatepass", &order);
  if (s == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

krv::Char OneChar(const py::handle& text, const char* what) {
  const krv::String s = Utf16Of(text);
  if (s.size() != 1)
    throw py::value_error(std::string(what) +
                          " must be one character of the Basic Multilingual Plane");
  return s[0];
}

}  // namespace korvex_py
