// Case folding of single characters: the one implementation every part of the library uses.
//
// Two foldings exist. ASCII folding changes only 'a'..'z' and 'A'..'Z' and is what the
// routines documented as "ASCII case-insensitive" use. Unicode folding is the simple
// (one-to-one) case mapping of the Basic Multilingual Plane, built into the library so that
// results never depend on the environment the program runs in: a ⇄ A, ä ⇄ Ä, é ⇄ É, ω ⇄ Ω,
// я ⇄ Я. Characters without a simple mapping (ß, digits, surrogate halves, CJK) map to
// themselves; no mapping changes the length of a text.
//
// These live in the platform layer, the lowest one, because the platform's own classes
// (Variant, TStringList) fold case too; stringl/chars.h and stringl/casemap.h offer the same
// names by including this header.
#pragma once

#include <concepts>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// ASCII folding: only 'a'..'z' / 'A'..'Z' change, every other code is returned as is. Works on
// any character or byte type (Char, char, Byte) and returns a value of that type.
template <std::integral C>
constexpr C AsciiUpper(C c) {
  return (c >= C{'a'} && c <= C{'z'}) ? static_cast<C>(c - ('a' - 'A')) : c;
}
template <std::integral C>
constexpr C AsciiLower(C c) {
  return (c >= C{'A'} && c <= C{'Z'}) ? static_cast<C>(c + ('a' - 'A')) : c;
}

// The simple upper-case mapping of c, or c itself when it has none.
Char UnicodeUpper(Char c);
// The simple lower-case mapping of c, or c itself when it has none.
Char UnicodeLower(Char c);
// The key two characters share when they are equal ignoring case: UnicodeLower(UnicodeUpper(c)).
// So K, k and the Kelvin sign fold alike, as do Σ, σ and ς.
Char UnicodeFold(Char c);

}  // namespace krv
KORVEX_API_END
