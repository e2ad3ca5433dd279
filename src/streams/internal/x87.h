// The portable x87 extended codec behind ExtendedToBytes/ExtendedFromBytes, exposed so
// tests can compare it with the native memory-copy path.
#pragma once

#include <array>

#include "korvex/platform/types.h"

namespace krv::detail {

std::array<Byte, 10> EncodeX87Portable(long double v);
long double DecodeX87Portable(const std::array<Byte, 10>& in);

}  // namespace krv::detail
