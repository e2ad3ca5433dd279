// The extension module korvex._korvex: every area's bindings, the package's version and
// PackageLoad at import (PackageUnload when the interpreter exits).
#include "bind.h"
#include "korvex/package.h"

PYBIND11_MODULE(_korvex, m) {
  m.doc() = "Korvex, the C++ library, for Python: see the korvex package.";
  krv::PackageLoad();
  pybind11::module_::import("atexit").attr("register")(
      pybind11::cpp_function([] { krv::PackageUnload(); }));
  korvex_py::BindErrors(m);
  korvex_py::BindChecksums(m);
  korvex_py::BindStrings(m);
  korvex_py::BindGrep(m);
  korvex_py::BindHtml(m);
  korvex_py::BindFeatures(m);
  korvex_py::BindTables(m);
  korvex_py::BindColors(m);
  korvex_py::BindDrawing(m);
  korvex_py::BindFiles(m);
}
