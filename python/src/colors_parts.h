// The pieces of the colours area's bindings; BindColors calls them.
#pragma once

#include "bind.h"

namespace korvex_py {

// ColorArray and PALETTES.
void BindColorArray(py::module_& m);

}  // namespace korvex_py
