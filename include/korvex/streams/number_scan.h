// Numbers in text form read from byte streams, one byte per step. Neither routine raises:
// a stream that raises while reading is treated as ending there.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"

KORVEX_API_BEGIN
namespace krv {

// Skips blanks, LFs and CRs (not tabs), takes an optional `-` or `+`, then reads decimal
// digits. The byte that ends the number is consumed. No digits give 0; a value beyond the
// 32-bit range saturates at INT32_MIN / INT32_MAX (the digits are still consumed).
// "  -42x" gives -42 with the stream after the x.
std::int32_t ScanStreamDecimal(TStream& stream);

// Reads one floating-point number with the state machine below; the byte that ended or
// broke the number has been consumed (there is no stepping back).
//
// sepOption: 1 full stop, 2 comma, 3 either, any other value no decimal separator. Bytes
// are upper-cased (ASCII), so `e` counts as `E`. "Blank" is blank, tab, LF or CR; a read
// that delivers nothing is the end mark and belongs to "other".
//
//   state                  separator digit sign  E             blank other/end
//   1 start                4         3     2     fail          1     fail
//   2 after sign           4         3     fail  fail          fail  fail
//   3 integer digits       4         3     end   6 or end (*)  end   end
//   4 after separator      fail      5     end   6 or end      end   end
//   5 fraction digits      fail      5     end   6 or end      end   end
//   6 after E              fail      8     7     fail          fail  fail
//   7 after exponent sign  fail      8     fail  fail          fail  fail
//   8 exponent digits      end       8     end   end           end   end
//   (*) 6 when allowExp, otherwise the number ends.
//
// Each byte that leads to a state is kept in the number text, except blanks; a comma is
// kept as a full stop. Once the exponent digits read so far exceed 4200, further bytes are
// consumed but not kept. On end a final full stop gets a "0", and the text is converted
// (correctly rounded, locale-independent); on fail the value is 0. The value is clamped to
// +-uc_MaxDouble. A text that is only a separator (".", "-.") gives zero of its sign.
double ScanStreamFPNum(TStream& stream, bool allowExp, std::int32_t sepOption);

}  // namespace krv
KORVEX_API_END
