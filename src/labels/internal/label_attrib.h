// The label reader's attribute scanner and value parsers, shared with the tests.
#pragma once

#include <cstdint>
#include <string_view>

#include "korvex/platform/types.h"

namespace krv::detail {

// Scans attributes as name=value pairs (unquoted values end at a blank or a double quote,
// quoted ones at the closing quote) and gives the value of the first pair whose name, blanks
// removed and lower-cased, equals wanted (lower case). False, with value empty, when the
// text ends or a syntax error (a quote in a name, "=" where a value starts or inside an
// unquoted value) comes first.
bool FindLabelAttribute(std::u16string_view attributes, std::u16string_view wanted, String& value);

// Leading blanks, an optional sign, decimal digits up to the first other character; no
// digits give 0. Wraps around beyond 32 bits.
std::int32_t LabelIntValue(std::u16string_view text);
// Leading blanks; a "$" as the very first character is passed over; hexadecimal digits of
// either case up to the first other character, the low 32 bits kept.
std::uint32_t LabelHexValue(std::u16string_view text);

}  // namespace krv::detail
