// Read-only colour tables: the dictionary of 466 named colours, the X11 colour set, the
// platform's predefined colour constants, the key-colour lists for colour scales, and
// ObtainColorName.
//
// AllKRVColors and AllKRVColorNames are parallel and indexed 1..466. They open with the 16
// basic colours (Black .. White) and MoneyGreen, Cream and MedGray, then list the X11 names
// alphabetically, each followed by its numbered shades 1..4 where X11 has them, together with
// a few names of the library's own (Bronze, Carbon, WebGray ...). Values repeat under
// different names ($FFFF00 is both Aqua and Cyan). The X11 values were generated from the X11
// colour database (rgb.txt) by scripts/gen_color_names.py; SkyBlue ($F0CAA6) and SkyBlue1
// ($EBCE87) keep the library's own values.
//
// X11Colors (145 values) and PredefinedColors (47 values) are indexed from 1, like the
// dictionary; the key-colour lists from 0, as TColorArray::FillByInterpolation reads them.
// The names are string views of static text, usable during static initialisation.
#pragma once

#include <array>
#include <string_view>

#include "korvex/platform/export.h"
#include "korvex/platform/indexed_array.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

inline constexpr long kNumKRVColors = 466;

// AllKRVColors[i] is the value of the colour named AllKRVColorNames[i].
extern const IndexedArray<TColor, 1, kNumKRVColors> AllKRVColors;
extern const IndexedArray<std::u16string_view, 1, kNumKRVColors> AllKRVColorNames;

// The X11 colour set in the alphabetical order of its names (AliceBlue .. YellowGreen), each
// with its AllKRVColors value.
extern const IndexedArray<TColor, 1, 145> X11Colors;

// The platform's predefined colour constants: the 16 basic colours, MoneyGreen, SkyBlue, Cream
// and MedGray, then the system colours ($FF0000nn, system colour nn) and the special values
// $1FFFFFFF (no colour) and $20000000 (default colour).
inline constexpr IndexedArray<TColor, 1, 47> PredefinedColors = {{
    0x000000,   0x000080,   0x008000,   0x008080,   0x800000,   0x800080,   0x808000,   0x808080,
    0xC0C0C0,   0x0000FF,   0x00FF00,   0x00FFFF,   0xFF0000,   0xFF00FF,   0xFFFF00,   0xFFFFFF,
    0xC0DCC0,   0xF0CAA6,   0xF0FBFF,   0xA4A0A0,   0xFF00000A, 0xFF000002, 0xFF00000C, 0xFF000001,
    0xFF00000F, 0xFF000014, 0xFF000010, 0xFF000012, 0xFF000009, 0x20000000, 0xFF000011, 0xFF00000D,
    0xFF00000E, 0xFF00000B, 0xFF000003, 0xFF000013, 0xFF000018, 0xFF000017, 0xFF000004, 0xFF000007,
    0x1FFFFFFF, 0xFF000000, 0xFF000015, 0xFF000016, 0xFF000005, 0xFF000006, 0xFF000008,
}};

// Key colours for colour scales (TColorArray::FillByInterpolation).
inline constexpr std::array<TColor, 11> ColorArray_Geo1 = {0xDED2BD, 0x639F63, 0x89BA88, 0xA7CFAD,
                                                           0xC5E5D2, 0xCBF1F5, 0x96CEEA, 0x6CAED8,
                                                           0x3586BD, 0x426594, 0xF0FAFC};
inline constexpr std::array<TColor, 11> ColorArray_Geo2 = {0xDFAE7F, 0xDEB68C, 0xE3BE9B, 0xE2C9AD,
                                                           0xDCCCBB, 0x90BBAC, 0x99C9C6, 0xA4D7DA,
                                                           0xA1C8DA, 0x9AB6C5, 0x96ACC8};
inline constexpr std::array<TColor, 11> ColorArray_Geo3 = {0xFF8A2B, 0xFF9C43, 0xFFAF61, 0xFFCA89,
                                                           0xF9D1A8, 0x4AA885, 0x5DCAC2, 0x74EDF4,
                                                           0x6DC7F4, 0x5F9CC0, 0x5685C7};
// The default scale of a new TColorArray: dark violet through red, yellow, green, cyan and
// blue to dark navy.
inline constexpr std::array<TColor, 11> ColorArray_Rainbow = {
    0x400020, 0x800060, 0xEF1200, 0xF56E00, 0xFFF400, 0x00FF18,
    0x00F6FF, 0x00C1FF, 0x0013FF, 0x00008D, 0x000040};
// Around the hue circle from red back to red, so a scale built from it is closed.
inline constexpr std::array<TColor, 7> ColorArray_Circle = {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00,
                                                            0xFF0000, 0xFF00FF, 0x0000FF};
inline constexpr std::array<TColor, 7> ColorArray_MorgenStemning = {
    0x000000, 0x4E2F0E, 0x742880, 0x711BC2, 0x4C61EF, 0x2AFBFF, 0xFFFFFF};
// Sixteen colours that are easy to tell apart.
inline constexpr std::array<TColor, 16> ColorArray_Contrast = {
    0x000000, 0xFF0000, 0x008000, 0x0000FF, 0x0080FF, 0x808080, 0x404080, 0xFF00FF,
    0x800000, 0x00FF00, 0xC5CD18, 0x808000, 0xFF0080, 0x41E1EE, 0x800080, 0x8000FF};

// The name of the first (lowest-index) AllKRVColors entry equal to color in all 32 bits, or
// ColorToHexStr(color) when none is.
String ObtainColorName(TColor color);

}  // namespace krv
KORVEX_API_END
