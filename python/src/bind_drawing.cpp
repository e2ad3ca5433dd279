// Bindings of one area of the korvex module (filled in by its own change).
#include "bind.h"

namespace korvex_py {

void BindDrawing(py::module_&) {}

}  // namespace korvex_py
