// Shared by the HTML text sources.
#pragma once

#include <cstddef>
#include <string_view>

#include "korvex/platform/types.h"

namespace krv::detail {

// Decodes the character reference whose `&` is text[i]. On success appends its replacement
// to `out` and sets `next` after its `;`. Otherwise appends nothing and sets `next` past the
// characters looked at (at least i + 1, never past an `&` other than text[i]), which the
// caller copies unchanged.
bool DecodeReference(std::u16string_view text, std::size_t i, String& out, std::size_t& next);

}  // namespace krv::detail
