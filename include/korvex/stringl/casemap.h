// Locale case mapping of single UTF-16 code units.
//
// The library's "locale folding" is the Unicode simple (one-to-one) case mapping of the Basic
// Multilingual Plane, built into the library, so results never depend on the environment the
// program runs in: a ⇄ A, ä ⇄ Ä, é ⇄ É, ω ⇄ Ω, я ⇄ Я. Characters without a simple mapping
// (ß, digits, surrogate halves, CJK) map to themselves; the mapping never changes the length.
#pragma once

#include "korvex/platform/types.h"

namespace krv {

// The simple upper-case mapping of c, or c itself when it has none.
Char UnicodeUpper(Char c);
// The simple lower-case mapping of c, or c itself when it has none.
Char UnicodeLower(Char c);
// The key two characters share when they are equal ignoring case: UnicodeLower(UnicodeUpper(c)).
// So K, k and the Kelvin sign fold alike, as do Σ, σ and ς.
Char UnicodeFold(Char c);

// Whole strings mapped one code unit at a time.
String UnicodeUpperCase(const String& s);
String UnicodeLowerCase(const String& s);

}  // namespace krv
