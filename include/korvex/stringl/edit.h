// Tests, counts and small edits on whole strings: search, strip, ensure, remove, replace,
// reverse, pad and re-case.
//
// Every routine takes its strings by const reference and returns a new value; none throws,
// and every input (the empty string, code 0, characters above 255) gives a defined result.
// A character is one 16-bit code unit compared by its code. Positions are 1-based, 0 means
// not found. "Blank" is the space (32) only; tabs are not blanks.
//
// Two kinds of case folding are used, each routine says which:
//  - ASCII folding: only 'a'..'z' and 'A'..'Z' change;
//  - locale folding: Unicode simple case mapping (see casemap.h), independent of the
//    environment, so accented letters fold too (ä ⇄ Ä, é ⇄ É).
#pragma once

#include <cstdint>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// ---- Tests and searches ------------------------------------------------------------------

// True if s is not empty and every character of s equals c.
bool TestAllChar(const String& s, Char c);

// Character-set strings. The set string is expanded first: each marker "//dig", "//lc",
// "//uc", "//31dwn", "//128up" stands for 0-9, a-z, A-Z, codes 0..31 and codes 128..255;
// every other character of the set string (a '/' outside a marker included) is a member
// itself. Membership of codes 0..255 is one lookup in a 256-entry flag table. A character
// above 255 is a member exactly when it appears literally in the set string (it is looked up
// in a short side list, never in the table).

// True if at least one character of s is in the set.
bool StringContains(const String& s, const String& charSet);
// True if at least one character of s is not in the set.
bool StringContainsOtherThan(const String& s, const String& charSet);

// Number of characters of s equal to c; case-insensitive compares after ASCII folding.
std::int32_t CountCharInString(Char c, const String& s, bool caseSensitive);
// Number of non-overlapping occurrences of search in s, scanning from the left. Case-insensitive
// compares after ASCII folding. An empty search string gives 0.
std::int32_t CountStringInString(const String& search, const String& s, bool caseSensitive);
// Number of runs of at least two non-separators that a member of WordSeps ends. A run at the
// very end of s, with no separator after it, is not counted: "ab cd " gives 2, "ab cd" 1.
std::int32_t CountWords(const String& s);
// True if the longest run of capitals A-Z has at least two letters and s holds fewer "small"
// characters (a-z, 0-9) than that run: USA, OK, IBMs yes; Hello, A, Ab, ABcde no.
bool IsAbbreviation(const String& s);
// True if a and b are equal under locale folding. Each string ends at its first code 0.
bool EqualAnsiStrings(const String& a, const String& b);
// Position of the first '0'..'9'; 0 if none.
std::int32_t FindFirstDigit(const String& s);
// Position of the first character that is not a blank; 0 if s is empty or all blanks.
std::int32_t FindFirstNonBlank(const String& s);
// Position of the last of the non-overlapping occurrences of search found from the left;
// 0 if none or search is empty.
std::int32_t PosLast(const String& search, const String& s);
// Position (in the whole of s) of the occurrence-th non-overlapping occurrence of search at or
// after startPos. A startPos below 1 counts as 1. 0 if there are fewer occurrences, occurrence
// is below 1, or search is empty. ignoreCase compares after ASCII folding.
std::int32_t NumberedPos(const String& search, const String& s, std::int32_t startPos,
                         std::int32_t occurrence, bool ignoreCase);

// ---- Stripping and ensuring --------------------------------------------------------------

// Leading and trailing blanks removed; all blanks gives "".
String StripLTBlanks(const String& s);
// Leading blanks removed, but never the last character: n >= 1 blanks give one blank.
String StripLeadingBlanks(const String& s);
// Trailing blanks removed, but never the first character: n >= 1 blanks give one blank.
String StripTrailingBlanks(const String& s);
// All leading c removed; a string of c only gives "".
String StripLeadingChars(Char c, const String& s);
// Trailing c removed, but never the first character: a string of c only gives c once.
String StripTrailingChars(Char c, const String& s);
// c put in front unless s already starts with it; "" stays "".
String EnsureLeadingChar(Char c, const String& s);
// c appended unless s already ends with it; "" stays "".
String EnsureTrailingChar(Char c, const String& s);
// EnsureTrailingChar with the back slash.
String EnsureTrailingBkSlash(const String& s);

// ---- Removing and replacing --------------------------------------------------------------

// Every c removed.
String RemoveCharInString(const String& s, Char c);
// Every run of two or more c reduced to one c.
String RemoveMultiChars(const String& s, Char c);
// Every character below code 32 removed (127 and above stay).
String RemoveControlChars(const String& s);
// Every oldChar replaced by newChar.
String ReplaceCharInString(const String& s, Char oldChar, Char newChar);
// Every non-overlapping occurrence of search, found from the left, replaced by replacement.
// The inserted text is never searched again, so a replacement that contains search cannot
// loop ("a" by "aa" in "aaa" gives six a). An empty search changes nothing. ignoreCase
// compares after ASCII folding.
String ReplaceStringInString(const String& s, const String& search, const String& replacement,
                             bool ignoreCase);
// Escapes resolved from the left: "\#hh" (two characters read as hexadecimal: leading blanks
// and a '$' skipped, reading stops at a non-digit, no digit gives 0) becomes the character of
// that code 0..255; "\\" becomes "\" and the remaining back slash starts no escape; a back
// slash before anything else stays. "A\#41B" gives "AAB", "\\#41" gives "\#41".
String ProcessHexChars(const String& s);
// Every character other than 0-9, A-Z, a-z replaced by '_'; the length is kept.
String ReduceStringToAZ09(const String& s);
// Every character not allowed in a short (8.3) file name replaced by '_'; the length is kept.
// Allowed: ! # $ % & ' ( ) - . 0-9 @ A-Z ^ _ ` a-z { } ~.
String ReduceStringToFN83CompliantChars(const String& s);

// ---- Shaping and re-casing ---------------------------------------------------------------

// The characters in reverse order (code units, so a surrogate pair is reversed too).
String ReverseString(const String& s);
// s padded with blanks on both sides to width (the odd blank goes right), or its first width
// characters when it is not shorter.
String CenterString(const String& s, std::uint8_t width);
// s padded with blanks on the right to width, or its first width characters.
String LeftString(const String& s, std::uint8_t width);
// s padded with blanks on the left to width, or its first width characters.
String RightString(const String& s, std::uint8_t width);
// c repeated count times, count clamped to 1..255.
String MultiChar(Char c, std::int32_t count);
// s if it is no longer than maxLength; else its first maxLength - 2 characters and "..".
// A maxLength below 2 gives "..".
String AbbrevString(const String& s, std::int32_t maxLength);
// First letter of each word upper-cased by ASCII folding. Letters and every character above
// 127 are word characters, digits continue a word without being changed, anything else
// starts a new word: "hello wORLD-foo 2bar" gives "Hello WORLD-Foo 2bar"; "äpfel" stays.
String CapitalizeString(const String& s);
// The case of every character swapped under locale folding: a character that upper-casing
// leaves unchanged is lower-cased, any other is upper-cased.
String ChangeCase(const String& s);
// German umlauts spelled out: ä ae, ö oe, ü ue, ß ss, µ (micro sign) u; Ä Ö Ü give Ae Oe Ue
// before a small letter a-z and AE OE UE otherwise.
String ExpandDiphthongs(const String& s);

}  // namespace krv
KORVEX_API_END
