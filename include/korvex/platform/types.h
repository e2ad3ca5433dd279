// Basic types shared by every area of Korvex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "korvex/platform/export.h"

KORVEX_API_BEGIN
namespace krv {

// A string of 16-bit code units; positions in it are 1-based, 0 means "not found".
using String = std::u16string;
// One 16-bit code unit.
using Char = char16_t;
// At most 255 one-byte characters in Windows-1252 (the original 8-bit code page).
using ShortString = std::string;
// 80-bit x87 extended precision on x86.
using Extended = long double;
// Colour value: red in the lowest byte, then green, then blue; high byte marks system colours.
using TColor = std::uint32_t;

using Byte = std::uint8_t;
using Word = std::uint16_t;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;

// Longest text a ShortString may hold.
inline constexpr std::size_t kShortStringMax = 255;

}  // namespace krv
KORVEX_API_END
