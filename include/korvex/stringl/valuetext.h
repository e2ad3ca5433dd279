// Booleans, three-valued logic and durations as words and clock text.
#pragma once

#include <cstdint>

#include "korvex/base/enums.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// ifTrue if flag is true, else ifFalse.
String BinString(bool flag, const String& ifTrue, const String& ifFalse);

// A word for flag. kind: 0 TRUE/FALSE, 1 T/F, 2 .T./.F., 3 1/0, 4 -1/0, 5 FF/00, 6 YES/NO,
// 7 GOOD/BAD; any other kind as 0.
String BoolToStr(bool flag, std::int32_t kind);

// A word for value (false / true / undefined). kind: 0 "false" "true" "", 1 "-1" "1" "0",
// 2 "no" "yes" "unknown"; any other kind as 0. Values outside the enumeration count as
// undefined.
String TriStateToStr(TTriState value, std::int32_t kind);

// text folded to ASCII lower case and stripped of blanks at both ends: "true", "1", "+1",
// "yes" give tsTrue; "false", "-1", "no" give tsFalse; anything else gives tsUndefined.
TTriState StrToTriState(const String& text);

// A duration as clock text; a negative or NaN duration counts as 0. Hours, minutes, seconds
// and hundredths are truncated, each written with at least two digits (more when needed).
//   0 "01:02:03.25"   1 "01:02:03"   2 " 1h02"   3 " 1h02'03\""   4 "01:02"
//   5 12-hour clock " 1:05p" (hour 0 shown as 12, 'a' before noon, 'p' after)
// (examples for 3723.25 s, and 47100 s for format 5); any other format gives "".
// Hours are counted in full (the count does not wrap at 65536); durations beyond
// kMaxTimeStringSeconds are written as that many seconds.
inline constexpr double kMaxTimeStringSeconds = 1e15;
String TimeString(double seconds, std::uint8_t format);

}  // namespace krv
KORVEX_API_END
