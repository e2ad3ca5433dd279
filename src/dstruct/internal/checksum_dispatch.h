// The code paths behind the CRC and SHA-1 functions, and the choice between them.
//
// Each checksum has a portable path (tables, plain C++) and, on x86-64, a path using special
// instructions (PCLMULQDQ folding for CRC-32, the SHA extensions for SHA-1) compiled with a
// function-level target attribute so the library still builds and runs on baseline x86-64.
// The choice is made at run time from the processor's feature flags; tests force the
// portable path to cover it on machines that have the instructions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace krv::detail {

enum class ChecksumPath : std::uint8_t {
  kBest,           // the fastest path this processor supports
  kNoWideVectors,  // the fastest path without 512-bit vectors
  kPortable,       // always the portable code
};

// Process-wide; meant for tests and benchmarks. Not synchronised with running checksums
// beyond each call reading it once.
void SetChecksumPath(ChecksumPath path);
ChecksumPath GetChecksumPath();

// Processor support, from GetCpuFeatures() (platform/cpu_features.h); fixed for the process.
bool CpuHasClmul();      // PCLMULQDQ and SSE4.1
bool CpuHasClmulWide();  // also AVX-512F and VPCLMULQDQ, with the 512-bit state saved by the OS
bool CpuHasShaNi();      // SHA extensions, SSSE3 and SSE4.1

// CRC-16, most significant bit first, polynomial 0x1021: the raw register after feeding n bytes.
std::uint16_t Crc16Bytewise(std::uint16_t crc, const std::uint8_t* p, std::size_t n);
std::uint16_t Crc16Slicing8(std::uint16_t crc, const std::uint8_t* p, std::size_t n);

// CRC-32, reflected polynomial 0xEDB88320: the raw register (no complement) after n bytes.
std::uint32_t Crc32Bytewise(std::uint32_t crc, const std::uint8_t* p, std::size_t n);
std::uint32_t Crc32Slicing8(std::uint32_t crc, const std::uint8_t* p, std::size_t n);
// Only when CpuHasClmul() / CpuHasClmulWide(); x86-64 only.
std::uint32_t Crc32Clmul(std::uint32_t crc, const std::uint8_t* p, std::size_t n);
std::uint32_t Crc32ClmulWide(std::uint32_t crc, const std::uint8_t* p, std::size_t n);

// SHA-1 compression of nblocks consecutive 64-byte blocks into the five chaining words.
void Sha1CompressPortable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t nblocks);
// Only when CpuHasShaNi(); x86-64 only.
void Sha1CompressShaNi(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t nblocks);

// The compression function the current path selects.
using Sha1CompressFn = void (*)(std::uint32_t*, const std::uint8_t*, std::size_t);
Sha1CompressFn SelectedSha1Compress();

}  // namespace krv::detail
