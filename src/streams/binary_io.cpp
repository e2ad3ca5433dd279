// Little-endian binary numbers on streams.
#include "korvex/streams/binary_io.h"

#include "streams/internal/x87.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace krv {
namespace {

template <std::size_t N>
void PutLittleEndian(std::uint64_t bits, Byte (&out)[N]) {
  for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<Byte>(bits >> (8 * i));
}

template <std::size_t N>
std::uint64_t GetLittleEndian(const Byte (&in)[N]) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < N; ++i) bits |= std::uint64_t{in[i]} << (8 * i);
  return bits;
}

// Reads exactly `count` bytes; false when the stream runs short or raises.
bool ReadExactly(TStream& stream, Byte* out, std::size_t count) {
  try {
    std::size_t got = 0;
    while (got < count) {
      const std::size_t n = stream.Read(out + got, count - got);
      if (n == 0 || n > count - got) return false;
      got += n;
    }
    return true;
  } catch (...) {
    return false;
  }
}

// The host's long double is the x87 format stored little-endian in its first 10 bytes.
constexpr bool kNativeX87 = std::numeric_limits<long double>::digits == 64 &&
                            std::numeric_limits<long double>::max_exponent == 16384 &&
                            std::endian::native == std::endian::little;

}  // namespace

std::array<Byte, 10> ExtendedToBytes(Extended value) {
  if constexpr (kNativeX87) {
    std::array<Byte, 10> out{};
    std::memcpy(out.data(), &value, 10);
    return out;
  } else {
    return detail::EncodeX87Portable(value);
  }
}

Extended ExtendedFromBytes(const std::array<Byte, 10>& bytes) {
  if constexpr (kNativeX87) {
    const unsigned exponent = (bytes[8] | (unsigned{bytes[9]} << 8)) & 0x7FFFu;
    // Unnormals are invalid operands to the x87; give them a proper NaN.
    if (exponent == 0 || (bytes[7] & 0x80) != 0) {
      Extended v = 0;
      std::memcpy(&v, bytes.data(), 10);
      return v;
    }
  }
  return detail::DecodeX87Portable(bytes);
}

void WriteLongintToStream(TStream& stream, std::int32_t value) {
  Byte b[4];
  PutLittleEndian(static_cast<std::uint32_t>(value), b);
  stream.WriteBuffer(b, sizeof b);
}

void WriteSingleToStream(TStream& stream, float value) {
  Byte b[4];
  PutLittleEndian(std::bit_cast<std::uint32_t>(value), b);
  stream.WriteBuffer(b, sizeof b);
}

void WriteDoubleToStream(TStream& stream, double value) {
  Byte b[8];
  PutLittleEndian(std::bit_cast<std::uint64_t>(value), b);
  stream.WriteBuffer(b, sizeof b);
}

void WriteExtendedToStream(TStream& stream, Extended value) {
  const std::array<Byte, 10> b = ExtendedToBytes(value);
  stream.WriteBuffer(b.data(), b.size());
}

std::int32_t ReadLongintFromStream(TStream& stream, bool& failed) {
  Byte b[4];
  failed = !ReadExactly(stream, b, sizeof b);
  return failed ? 0 : static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLittleEndian(b)));
}

float ReadSingleFromStream(TStream& stream, bool& failed) {
  Byte b[4];
  failed = !ReadExactly(stream, b, sizeof b);
  return failed ? 0.0f : std::bit_cast<float>(static_cast<std::uint32_t>(GetLittleEndian(b)));
}

double ReadDoubleFromStream(TStream& stream, bool& failed) {
  Byte b[8];
  failed = !ReadExactly(stream, b, sizeof b);
  return failed ? 0.0 : std::bit_cast<double>(GetLittleEndian(b));
}

Extended ReadExtendedFromStream(TStream& stream, bool& failed) {
  std::array<Byte, 10> b{};
  failed = !ReadExactly(stream, b.data(), b.size());
  return failed ? Extended{0} : ExtendedFromBytes(b);
}

}  // namespace krv
