// Binary numbers on byte streams, little-endian whatever the host:
// 32-bit integers and singles take 4 bytes, doubles 8 (IEEE 754), and extendeds 10 bytes in
// the x87 80-bit layout (64-bit mantissa with explicit integer bit, then 15-bit exponent
// and sign).
//
// The writers pass on the stream's own write error (EWriteError from WriteBuffer). The
// readers never raise: when the stream cannot deliver all bytes, or raises while reading,
// `failed` is set true and the result is 0; otherwise `failed` is false. The stream then
// stands after the bytes it did deliver.
#pragma once

#include <array>
#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

void WriteLongintToStream(TStream& stream, std::int32_t value);
void WriteSingleToStream(TStream& stream, float value);
void WriteDoubleToStream(TStream& stream, double value);
void WriteExtendedToStream(TStream& stream, Extended value);

std::int32_t ReadLongintFromStream(TStream& stream, bool& failed);
float ReadSingleFromStream(TStream& stream, bool& failed);
double ReadDoubleFromStream(TStream& stream, bool& failed);
Extended ReadExtendedFromStream(TStream& stream, bool& failed);

// The 10-byte x87 image of an extended value, and back. Portable: on hosts whose long
// double is not the x87 format the value is rounded to 64 mantissa bits (overflow gives
// infinity, NaN gives the default quiet NaN).
std::array<Byte, 10> ExtendedToBytes(Extended value);
// Zero, subnormal, normal, infinite and NaN images decode as such; an image with a
// non-zero exponent and a clear integer bit (which x87 treats as invalid) gives NaN.
Extended ExtendedFromBytes(const std::array<Byte, 10>& bytes);

}  // namespace krv
KORVEX_API_END
