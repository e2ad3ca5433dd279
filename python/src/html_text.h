// The HTML text helpers of htmltext.h (URL coding, entities, page skeleton, body text) with
// Python names; bound by BindHtml.
#pragma once

#include "bind.h"

namespace korvex_py {

void BindHtmlText(py::module_& m);

}  // namespace korvex_py
