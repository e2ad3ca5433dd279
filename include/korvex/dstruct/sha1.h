// The SHA-1 message digest (FIPS 180-1) of strings, streams and files, and its hexadecimal
// form. SHA-1 is no longer collision resistant: use it to identify data, not to protect it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// The digest in standard byte order: the first byte is the most significant byte of the
// first 32-bit digest word.
using TSHACode = std::array<Byte, 20>;

// Digest of the string's UTF-16 code units, each as two bytes, low byte first.
TSHACode SHA1FromString(const String& s);

// Digest of the stream from its current position to its end, read in blocks of up to 1024
// bytes until a read returns 0 bytes. Leaves the stream at its end; read errors propagate.
TSHACode SHA1FromStream(TStream& stream);

// Digest of the file called name, read through a read-only file stream (in larger blocks than
// SHA1FromStream, with the same result). A file that cannot be opened raises EFOpenError; a
// read that fails before the end raises EReadError rather than give the digest of part of the
// file. The stream is released in every case.
TSHACode SHA1FromFile(const String& name);

// The 20 bytes in order, two upper-case hexadecimal digits each (high nibble first).
String SHA1DigestToHex(const TSHACode& code);

// Incremental SHA-1: feed the message in pieces of any size, then take the digest.
// Final() leaves the context reset, ready for the next message.
class TSHA1Context {
 public:
  TSHA1Context() { Reset(); }
  void Reset();
  void Update(const void* data, std::size_t n);
  TSHACode Final();

 private:
  std::uint64_t bit_length_;                // message length so far, in bits (mod 2^64)
  std::size_t waiting_;                     // bytes waiting in block_
  std::array<std::uint32_t, 5> chaining_;   // the five chaining words
  alignas(16) std::array<Byte, 64> block_;  // a partly filled block
};

}  // namespace krv
KORVEX_API_END
