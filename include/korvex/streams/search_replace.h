// Search and replace on the bytes of a memory stream.
#pragma once

#include <cstdint>
#include <functional>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Called for a modifier command SearchAndReplace does not know; it may change the
// replacement text `Substring`.
using TSRUnknownModifierEvent = std::function<void(const String& Command, String& Substring)>;

// Replaces occurrences of `searchStr` in the bytes of `source` and puts the result into
// `dest`; returns the number of replacements. `source` and `dest` may be the same stream.
//
// - Text is one byte per character: `searchStr` and `replaceStr` are taken as the low 8 bits
//   of their character codes. With `ignoreCase` the bytes A-Z and a-z match either case.
// - The search covers the whole of `source` from the 1-based byte `startPos` (below 1
//   counts as 1); bytes before it are copied unchanged. Occurrences do not overlap: the
//   search resumes after each replaced one. At most `maxCount` occurrences are replaced
//   (0 or negative: all). An empty `searchStr` replaces nothing.
// - Each replacement is `replaceStr` after the `modifier` command: "" leaves it as it is,
//   "upper" and "lower" change the case of A-Z / a-z, and any other command is handed,
//   once per occurrence, to `onUnknownModifier` together with the replacement, which it
//   may change (without an event the replacement stays as it is). Commands compare
//   ignoring ASCII case.
// - `dest` is emptied, receives the result and is left at position 0; `source` keeps its
//   position (unless it is `dest`).
std::int32_t SearchAndReplace(TMemoryStream& source, TMemoryStream& dest, const String& searchStr,
                              const String& replaceStr, bool ignoreCase, std::int32_t startPos,
                              std::int32_t maxCount, const String& modifier,
                              const TSRUnknownModifierEvent& onUnknownModifier);

}  // namespace krv
KORVEX_API_END
