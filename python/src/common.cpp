// Conversions shared by the binding files.
#include "bind.h"
#include "korvex/platform/text.h"

namespace korvex_py {

krv::String PathArg(const py::object& path) {
  const py::object name = py::module_::import("os").attr("fspath")(path);
  if (py::isinstance<py::bytes>(name)) return krv::FromNativeName(name.cast<std::string>());
  return name.cast<krv::String>();
}

}  // namespace korvex_py
