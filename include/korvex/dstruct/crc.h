// Cyclic redundancy checks: CRC-16 (polynomial 0x1021, most significant bit first) and CRC-32
// (reflected polynomial 0xEDB88320, the CRC of zlib, PNG and Ethernet).
//
// The byte-at-a-time functions work on the raw register; the buffer functions set the initial
// value and, for CRC-32, the final complement. None of them raises or keeps state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Start value of CRC16ofBuffer: 0x0000 for crcZModem (CRC-16/XMODEM), 0xFFFF for crcCCITT
// (CRC-16/IBM-3740, also called CCITT-FALSE). Neither mode inverts the result.
enum TCRC16Mode : std::uint8_t { crcZModem, crcCCITT };

// The register after feeding byte b: table[(crc >> 8) xor b] xor (crc << 8), kept to 16 bits.
Word CalcNextCRC16(Byte b, Word crc);

// CRC-16 of the first n bytes of buffer, from the start value of mode. A count of 0 or less
// gives the start value. A count beyond the array's length is cut to the length, so the
// function never reads outside the array.
Word CRC16ofBuffer(const std::vector<Byte>& buffer, Integer n, TCRC16Mode mode);

// The register after feeding byte b: table[(crc xor b) and 0xFF] xor (crc >> 8), with the
// register taken as 32 unsigned bits (so a negative crc shifts in zeros).
Integer CalcNextCRC32(Byte b, Integer crc);

// CRC-32 of the first n bytes of buffer: start 0xFFFFFFFF, feed, complement. The bits are
// returned in a signed integer; zero bytes give 0. A count of 0 or less gives 0; a count beyond
// the array's length is cut to the length.
Integer CRC32ofBuffer(const std::vector<Byte>& buffer, Integer n);

// CRC-32 of the bytes of the file called name, computed as CRC32ofBuffer would. Every failure
// (missing file, no permission, a read error) gives 0, the same as an empty file. Never raises.
// Clears a pending input/output error code (see IOResult in platform/textfile.h) first.
Integer CalcCRC32ofFile(const String& name);

// Bulk forms of CalcNextCRC16 and CalcNextCRC32: the register after feeding the n bytes at data
// in order, without start value or complement. They take the fastest code path the processor
// offers, so a long input can be checked piece by piece:
//   crc = ~UpdateCRC32(UpdateCRC32(0xFFFFFFFF, a, na), b, nb)
Word UpdateCRC16(Word crc, const void* data, std::size_t n);
Cardinal UpdateCRC32(Cardinal crc, const void* data, std::size_t n);

}  // namespace krv
KORVEX_API_END
