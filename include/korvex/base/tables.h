// Read-only tables shared by every area: month and weekday names, number words, language
// names and ISO 639 codes per TLanguage, the HTML 4 entity names of the Latin-1 range, and
// the CSV delimiter characters with their inverse ResolveCSVDelimiter.
//
// Text entries are ShortStrings in Windows-1252, one byte per character, exactly as the
// original tables hold them: the French February keeps its trailing blank, so
// MonthLong[lgFrench][2] is "f\xE9vrier ", and Spanish May is "mai" in MonthLong. Every table
// keeps its natural index range (months 1..12, days 1 = Monday .. 7 = Sunday, numbers 0..12,
// HTMLLat1Entities 160..255); the lgUnknown rows hold placeholders such as "M01".
//
// The ShortString tables are initialised with the library's other globals; read them from
// code that runs after static initialisation (not from another global's initialiser).
#pragma once

#include <cstddef>

#include "korvex/base/enums.h"
#include "korvex/platform/export.h"
#include "korvex/platform/indexed_array.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// A table with one row per TLanguage, each row indexed First..Last.
template <long First, long Last>
using TLanguageTable = IndexedArray<IndexedArray<ShortString, First, Last>, lgUnknown, lgSpanish>;
// One entry per TLanguage.
using TLanguageList = IndexedArray<ShortString, lgUnknown, lgSpanish>;

// Longest entry each table may hold, in characters.
inline constexpr std::size_t kMonthShortMaxLen = 4;
inline constexpr std::size_t kMonthLongMaxLen = 10;
inline constexpr std::size_t kWeekDayShortMaxLen = 3;
inline constexpr std::size_t kWeekDayLongMaxLen = 10;
inline constexpr std::size_t kNumWordsMaxLen = 6;
inline constexpr std::size_t kLanguageIDMaxLen = 15;
inline constexpr std::size_t kHTMLEntityMaxLen = 8;

extern const TLanguageTable<1, 12> MonthShort;   // "Jan", "J\xE4n", "f\xE9v" ...
extern const TLanguageTable<1, 12> MonthLong;    // "January", "J\xE4nner", "f\xE9vrier " ...
extern const TLanguageTable<1, 7> WeekDayShort;  // "Mon", "Mo", "lun" ...
extern const TLanguageTable<1, 7> WeekDayLong;   // "Monday", "Montag", "lundi" ...
extern const TLanguageTable<0, 12> NumWords;     // "zero", "null", "z\xE9ro" ...
// LanguageID[written in][language named]: LanguageID[lgGerman][lgFrench] is "franz\xF6sisch".
extern const TLanguageTable<lgUnknown, lgSpanish> LanguageID;
extern const TLanguageList ISO639_2Char;  // "??", "en", "de", "fr", "es"
extern const TLanguageList ISO639_3Char;  // "???", "eng", "ger", "fre", "spa"

// The HTML 4 character entity reference of each Latin-1 character 160..255, ampersand and
// semicolon included: HTMLLat1Entities[160] is "&nbsp;", HTMLLat1Entities[255] is "&yuml;".
extern const IndexedArray<ShortString, 160, 255> HTMLLat1Entities;

// The delimiter character of each TCSVDelimiters value; csvUnknown holds character 0.
inline constexpr IndexedArray<Char, csvUnknown, csvTab> CSVDelimiters = {
    {u'\0', u';', u',', u':', u'\t'}};

// The value whose CSVDelimiters entry is c, looked for among csvSemicolon..csvTab;
// csvUnknown for any other character, character 0 included.
TCSVDelimiters ResolveCSVDelimiter(Char c);

}  // namespace krv
KORVEX_API_END
