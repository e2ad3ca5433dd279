// Conversion of a plain decimal number text ([sign] digits [. digits] [E [sign] digits])
// to double: correctly rounded, independent of the locale.
#pragma once

#include <string_view>

namespace krv::detail {

// Converts `text`, which must match the form above (a leading `+` is allowed). Values too
// large for a double give +-infinity, values too small +-0. Returns false (and 0) when the
// text does not have that form.
bool DecimalTextToDouble(std::string_view text, double& value);

}  // namespace krv::detail
