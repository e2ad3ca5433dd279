// Text on byte streams: one byte per character. Reading, a byte becomes the character of
// the same code (0-255); writing, a character becomes the low 8 bits of its code (so
// U+263A is written as 0x3A). No byte order mark is read or written.
//
// Every routine starts at the stream's position and leaves it after the last byte it
// consumed. Errors the stream raises while reading or writing pass through.
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Writes `text`, one byte per character, collecting the bytes in a 4096-byte buffer and
// writing each full buffer (and the rest at the end) with one WriteBuffer call. An empty
// text writes nothing. No line end.
void WriteStringStream(TStream& stream, const String& text);

// WriteStringStream, then the bytes 13 and 10.
void WriteLnStream(TStream& stream, const String& text);

// Line-end modes of ReadLnStream.
inline constexpr std::int32_t kLnModeLF = 0;      // the line ends after an LF
inline constexpr std::int32_t kLnModeCR = 1;      // after a CR
inline constexpr std::int32_t kLnModeCRorLF = 2;  // after a CR or an LF, whichever comes first
inline constexpr std::int32_t kLnModeLFCR = 3;    // after a CR directly preceded by an LF
inline constexpr std::int32_t kLnModeCRLF = 4;    // after an LF directly preceded by a CR
// Any other mode: the line never ends; the rest of the stream is one line.

// Reads one line, until the line end of `mode` or the end of the stream. A stream that
// offers a buffer view (TStream::PeekBuffer) is scanned a block at a time; any other is read
// with one single-byte Read per byte. Either way no byte after the line end is consumed.
// `endOfStream` is set true only when a read delivers no byte; the text read so far is then
// returned untrimmed. When a line end was found, a final CR or LF is removed, and then once more,
// so at most two line-end characters go (mode 0 turns a,b,CR,LF into "ab"; mode 2 reads CR LF as a
// line ending at the CR, then an empty line for the LF). A line that ends exactly at the end of the
// stream returns endOfStream false; the next call returns "" with endOfStream true.
String ReadLnStream(TStream& stream, bool& endOfStream, std::int32_t mode);

// All bytes from the position to the end, read in blocks of 256 bytes until a block comes
// back shorter.
String StreamAsString(TStream& stream);

// Reads until `b` (through the buffer view, or byte by byte): true with the stream right after its
// first occurrence; false with the stream at its end when the byte does not occur.
bool FindInStream(TStream& stream, Byte b);

// The number of LF bytes from the position to the end; the stream is left at its end.
std::int64_t CountLinesInStream(TStream& stream);

}  // namespace krv
KORVEX_API_END
