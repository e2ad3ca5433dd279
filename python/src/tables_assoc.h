// TAssocArray as korvex.AssocArray (tables_assoc.cpp).
#pragma once

#include "bind.h"

namespace korvex_py {

// Binds AssocArray: a mapping of str keys to values in insertion order, with its XML file.
void BindAssocArray(py::module_& m);

}  // namespace korvex_py
