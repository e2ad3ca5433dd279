// Names and texts of the files area (see files_names.h).
#include "files_names.h"

#include <cerrno>

#include "korvex/platform/text.h"

namespace korvex_py::files {
namespace {

constexpr std::u16string_view kVerbatim = u"\\\\?\\";

py::str Checked(PyObject* s) {
  if (s == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

}  // namespace

py::str NameOut(std::u16string_view name) {
  if (name.substr(0, kVerbatim.size()) == kVerbatim) name.remove_prefix(kVerbatim.size());
  std::string native;
  if (!krv::ToNativeName(name, native)) return TextOut(name);
  return Checked(
      PyUnicode_DecodeFSDefaultAndSize(native.data(), static_cast<Py_ssize_t>(native.size())));
}

py::str Shown(const py::object& path) {
  return py::module_::import("os").attr("fsdecode")(path);
}

krv::String TextIn(const py::handle& text) {
  if (!PyUnicode_Check(text.ptr())) {
    throw py::type_error(std::string("expected str, not ") + Py_TYPE(text.ptr())->tp_name);
  }
  const py::object b = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(text.ptr(), "utf-16-le", "surrogatepass"));
  if (!b) throw py::error_already_set();
  const std::string_view v(PyBytes_AS_STRING(b.ptr()),
                           static_cast<std::size_t>(PyBytes_GET_SIZE(b.ptr())));
  krv::String out(v.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<krv::Char>(static_cast<unsigned char>(v[2 * i]) |
                                    (static_cast<unsigned char>(v[2 * i + 1]) << 8));
  }
  return out;
}

py::str TextOut(std::u16string_view text) {
  std::string le(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    le[2 * i] = static_cast<char>(text[i] & 0xFF);
    le[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  int order = -1;  // little-endian, a leading U+FEFF kept as text
  return Checked(PyUnicode_DecodeUTF16(le.data(), static_cast<Py_ssize_t>(le.size()),
                                       "surrogatepass", &order));
}

void RaiseOsError(int err, const py::object& path) {
  errno = err != 0 ? err : EIO;
  PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
  throw py::error_already_set();
}

void RaiseOsError(int err, const std::string& message, const py::object& path) {
  const py::object e = py::reinterpret_borrow<py::object>(PyExc_OSError)(err, message, path);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(e.ptr())), e.ptr());
  throw py::error_already_set();
}

}  // namespace korvex_py::files
