// Locale case mapping of UTF-16 text.
//
// The library's "locale folding" is the Unicode simple (one-to-one) case mapping of the Basic
// Multilingual Plane, built into the library, so results never depend on the environment the
// program runs in: a ⇄ A, ä ⇄ Ä, é ⇄ É, ω ⇄ Ω, я ⇄ Я. Characters without a simple mapping
// (ß, digits, surrogate halves, CJK) map to themselves; the mapping never changes the length.
// The single-character mappings UnicodeUpper, UnicodeLower and UnicodeFold come from
// platform/casefold.h, which TStringList uses too, so both agree on which letters are equal.
#pragma once

#include "korvex/platform/casefold.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Whole strings mapped one code unit at a time.
String UnicodeUpperCase(const String& s);
String UnicodeLowerCase(const String& s);

}  // namespace krv
KORVEX_API_END
