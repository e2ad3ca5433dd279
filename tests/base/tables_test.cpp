#include "korvex/base/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <ctime>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "korvex/platform/text.h"

namespace krv {
namespace {

constexpr TLanguage kLanguages[] = {lgUnknown, lgEnglish, lgGerman, lgFrench, lgSpanish};

// A Windows-1252 table entry as UTF-8, for comparison with the UTF-8 texts below.
std::string U8(const ShortString& s) {
  return ToUtf8(FromAnsi(s));
}

// Expected rows, typed in UTF-8 (one row per language, lgUnknown first), compared entry by
// entry with a table held in Windows-1252.
template <typename Table>
void ExpectRows(const Table& table, const std::vector<std::vector<std::string>>& rows,
                const char* what) {
  ASSERT_EQ(rows.size(), 5u) << what;
  for (TLanguage lg : kLanguages) {
    const auto& row = table[lg];
    const auto& want = rows[lg];
    ASSERT_EQ(want.size(), row.size()) << what;
    long i = row.kFirst;
    for (const std::string& w : want) {
      EXPECT_EQ(U8(row[i]), w) << what << " language " << int{lg} << " index " << i;
      ++i;
    }
  }
}

// "M01".."M12", "D01".."D07", "N00".."N12": the placeholders of the lgUnknown rows.
std::string Placeholder(char prefix, long i) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%c%02ld", prefix, i);
  return buf;
}

TEST(LanguageTables, MonthNames) {
  ExpectRows(MonthShort,
             {{"M01", "M02", "M03", "M04", "M05", "M06", "M07", "M08", "M09", "M10", "M11", "M12"},
              {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
              {"Jän", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
              {"jan", "fév", "mar", "avr", "mai", "juin", "jul", "aoû", "sep", "oct", "nov", "déc"},
              {"Ene", "Feb", "Mar", "Abr", "May", "Jun", "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"}},
             "MonthShort");
  ExpectRows(MonthLong,
             {{"M01", "M02", "M03", "M04", "M05", "M06", "M07", "M08", "M09", "M10", "M11", "M12"},
              {"January", "February", "March", "April", "May", "June", "July", "August",
               "September", "October", "November", "December"},
              {"Jänner", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September",
               "Oktober", "November", "Dezember"},
              {"janvier", "février ", "mars", "avril", "mai", "juin", "juillet", "août",
               "septembre", "octobre", "novembre", "décembre"},
              {"enero", "febrero", "marzo", "abril", "mai", "junio", "julio", "agosto",
               "septiembre", "octubre", "noviembre", "diciembre"}},
             "MonthLong");
}

TEST(LanguageTables, WeekDayNames) {
  ExpectRows(WeekDayShort,
             {{"D01", "D02", "D03", "D04", "D05", "D06", "D07"},
              {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"},
              {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"},
              {"lun", "mar", "mer", "jeu", "ven", "sam", "dim"},
              {"lun", "mar", "mie", "jue", "vie", "sab", "dom"}},
             "WeekDayShort");
  ExpectRows(WeekDayLong,
             {{"D01", "D02", "D03", "D04", "D05", "D06", "D07"},
              {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
              {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"},
              {"lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"},
              {"lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo"}},
             "WeekDayLong");
}

TEST(LanguageTables, NumberWordsAndLanguageNames) {
  ExpectRows(
      NumWords,
      {{"N00", "N01", "N02", "N03", "N04", "N05", "N06", "N07", "N08", "N09", "N10", "N11", "N12"},
       {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten",
        "eleven", "twelve"},
       {"null", "eins", "zwei", "drei", "vier", "fünf", "sechs", "sieben", "acht", "neun", "zehn",
        "elf", "zwölf"},
       {"zéro", "celui", "deux", "trois", "quatre", "cinq", "six", "sept", "huit", "neuf", "dix",
        "onze", "douze"},
       {"cero", "uno", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve", "diez",
        "once", "doce"}},
      "NumWords");
  ExpectRows(LanguageID,
             {{"???", "???", "???", "???", "???"},
              {"???", "English", "German", "French", "Spanish"},
              {"???", "englisch", "deutsch", "französisch", "spanisch"},
              {"???", "anglais", "allemand", "français", "espagnol"},
              {"???", "inglés", "alemán", "francés", "español"}},
             "LanguageID");
  const char* two[] = {"??", "en", "de", "fr", "es"};
  const char* three[] = {"???", "eng", "ger", "fre", "spa"};
  for (TLanguage lg : kLanguages) {
    EXPECT_EQ(ISO639_2Char[lg], two[lg]);
    EXPECT_EQ(ISO639_3Char[lg], three[lg]);
  }
}

TEST(LanguageTables, EdgeEntries) {
  // French February: seven letters and one trailing blank.
  const ShortString& feb = MonthLong[lgFrench][2];
  ASSERT_EQ(feb.size(), 8u);
  EXPECT_EQ(feb, "f\xE9vrier ");
  EXPECT_EQ(feb.back(), ' ');
  EXPECT_EQ(feb.find(' '), 7u);
  EXPECT_EQ(NumWords[lgFrench][1], "celui");
  EXPECT_EQ(MonthLong[lgSpanish][5], "mai");
  EXPECT_EQ(LanguageID[lgGerman][lgFrench], "franz\xF6sisch");
  EXPECT_EQ(WeekDayLong[lgEnglish][1], "Monday");  // day 1 is Monday
  EXPECT_EQ(WeekDayLong[lgEnglish][7], "Sunday");
  EXPECT_EQ(NumWords[lgEnglish][0], "zero");  // numbers start at 0
}

TEST(LanguageTables, IndexRanges) {
  static_assert(decltype(MonthLong)::kFirst == lgUnknown &&
                decltype(MonthLong)::kLast == lgSpanish);
  static_assert(std::decay_t<decltype(MonthLong[lgEnglish])>::kFirst == 1);
  static_assert(std::decay_t<decltype(MonthLong[lgEnglish])>::kLast == 12);
  static_assert(std::decay_t<decltype(WeekDayShort[lgEnglish])>::kLast == 7);
  static_assert(std::decay_t<decltype(NumWords[lgEnglish])>::kFirst == 0);
  static_assert(std::decay_t<decltype(NumWords[lgEnglish])>::kLast == 12);
  static_assert(decltype(HTMLLat1Entities)::kFirst == 160 &&
                decltype(HTMLLat1Entities)::kLast == 255);
  static_assert(decltype(HTMLLat1Entities)::size() == 96);
}

TEST(LanguageTables, PlaceholdersOfTheUnknownLanguage) {
  for (long m = 1; m <= 12; ++m) {
    EXPECT_EQ(MonthShort[lgUnknown][m], Placeholder('M', m));
    EXPECT_EQ(MonthLong[lgUnknown][m], Placeholder('M', m));
  }
  for (long d = 1; d <= 7; ++d) {
    EXPECT_EQ(WeekDayShort[lgUnknown][d], Placeholder('D', d));
    EXPECT_EQ(WeekDayLong[lgUnknown][d], Placeholder('D', d));
  }
  for (long n = 0; n <= 12; ++n) EXPECT_EQ(NumWords[lgUnknown][n], Placeholder('N', n));
  for (TLanguage lg : kLanguages) {
    EXPECT_EQ(LanguageID[lgUnknown][lg], "???");
    EXPECT_EQ(LanguageID[lg][lgUnknown], "???");
  }
}

// The English rows agree with the month and day names of the C library's "C" locale.
TEST(LanguageTables, EnglishNamesMatchTheCLocale) {
  ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
  std::tm tm{};
  char buf[64];
  for (int m = 1; m <= 12; ++m) {
    tm.tm_mon = m - 1;
    ASSERT_GT(std::strftime(buf, sizeof buf, "%b", &tm), 0u);
    EXPECT_EQ(MonthShort[lgEnglish][m], buf);
    ASSERT_GT(std::strftime(buf, sizeof buf, "%B", &tm), 0u);
    EXPECT_EQ(MonthLong[lgEnglish][m], buf);
  }
  for (int d = 1; d <= 7; ++d) {
    tm.tm_wday = d % 7;  // tm counts from Sunday = 0, the tables from Monday = 1
    ASSERT_GT(std::strftime(buf, sizeof buf, "%a", &tm), 0u);
    EXPECT_EQ(WeekDayShort[lgEnglish][d], buf);
    ASSERT_GT(std::strftime(buf, sizeof buf, "%A", &tm), 0u);
    EXPECT_EQ(WeekDayLong[lgEnglish][d], buf);
  }
}

// Every entry is non-empty, within its table's length, and made of letters (ASCII or the
// Latin-1 letters C0..FF), with the placeholders' digits and '?' and the French blank.
template <typename Table>
void ExpectWellFormed(const Table& table, std::size_t max_len, const char* what) {
  for (const auto& row : table) {
    for (const ShortString& s : row) {
      EXPECT_FALSE(s.empty()) << what;
      EXPECT_LE(s.size(), max_len) << what << ": " << U8(s);
      for (unsigned char c : s) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '?' || c == ' ' ||
                        (c >= 0xC0 && c != 0xD7 && c != 0xF7);
        EXPECT_TRUE(ok) << what << ": byte " << int{c} << " in " << U8(s);
      }
    }
  }
}

TEST(LanguageTables, EntriesFitTheirLengthsAndHoldOnlyLetters) {
  ExpectWellFormed(MonthShort, kMonthShortMaxLen, "MonthShort");
  ExpectWellFormed(MonthLong, kMonthLongMaxLen, "MonthLong");
  ExpectWellFormed(WeekDayShort, kWeekDayShortMaxLen, "WeekDayShort");
  ExpectWellFormed(WeekDayLong, kWeekDayLongMaxLen, "WeekDayLong");
  ExpectWellFormed(NumWords, kNumWordsMaxLen, "NumWords");
  ExpectWellFormed(LanguageID, kLanguageIDMaxLen, "LanguageID");
  // The only blank in all these tables is the one after "février".
  int blanks = 0;
  for (const auto* table : {&MonthShort, &MonthLong})
    for (const auto& row : *table)
      for (const auto& s : row) blanks += static_cast<int>(std::count(s.begin(), s.end(), ' '));
  EXPECT_EQ(blanks, 1);
  for (TLanguage lg : kLanguages) {
    EXPECT_EQ(ISO639_2Char[lg].size(), 2u);
    EXPECT_EQ(ISO639_3Char[lg].size(), 3u);
  }
}

// The Latin-1 entities of the HTML 4 DTD (HTMLlat1.ent), written down independently of the
// table: name and character code, in alphabetical (ASCII) order of the name. The same 96 pairs
// appear in Python's html.entities.name2codepoint for the codes 160..255.
const std::vector<std::pair<std::string, int>> kHtml4Latin1 = {
    {"AElig", 198},  {"Aacute", 193}, {"Acirc", 194},  {"Agrave", 192}, {"Aring", 197},
    {"Atilde", 195}, {"Auml", 196},   {"Ccedil", 199}, {"ETH", 208},    {"Eacute", 201},
    {"Ecirc", 202},  {"Egrave", 200}, {"Euml", 203},   {"Iacute", 205}, {"Icirc", 206},
    {"Igrave", 204}, {"Iuml", 207},   {"Ntilde", 209}, {"Oacute", 211}, {"Ocirc", 212},
    {"Ograve", 210}, {"Oslash", 216}, {"Otilde", 213}, {"Ouml", 214},   {"THORN", 222},
    {"Uacute", 218}, {"Ucirc", 219},  {"Ugrave", 217}, {"Uuml", 220},   {"Yacute", 221},
    {"aacute", 225}, {"acirc", 226},  {"acute", 180},  {"aelig", 230},  {"agrave", 224},
    {"aring", 229},  {"atilde", 227}, {"auml", 228},   {"brvbar", 166}, {"ccedil", 231},
    {"cedil", 184},  {"cent", 162},   {"copy", 169},   {"curren", 164}, {"deg", 176},
    {"divide", 247}, {"eacute", 233}, {"ecirc", 234},  {"egrave", 232}, {"eth", 240},
    {"euml", 235},   {"frac12", 189}, {"frac14", 188}, {"frac34", 190}, {"iacute", 237},
    {"icirc", 238},  {"iexcl", 161},  {"igrave", 236}, {"iquest", 191}, {"iuml", 239},
    {"laquo", 171},  {"macr", 175},   {"micro", 181},  {"middot", 183}, {"nbsp", 160},
    {"not", 172},    {"ntilde", 241}, {"oacute", 243}, {"ocirc", 244},  {"ograve", 242},
    {"ordf", 170},   {"ordm", 186},   {"oslash", 248}, {"otilde", 245}, {"ouml", 246},
    {"para", 182},   {"plusmn", 177}, {"pound", 163},  {"raquo", 187},  {"reg", 174},
    {"sect", 167},   {"shy", 173},    {"sup1", 185},   {"sup2", 178},   {"sup3", 179},
    {"szlig", 223},  {"thorn", 254},  {"times", 215},  {"uacute", 250}, {"ucirc", 251},
    {"ugrave", 249}, {"uml", 168},    {"uuml", 252},   {"yacute", 253}, {"yen", 165},
    {"yuml", 255},
};

TEST(HtmlEntities, EqualTheHtml4Latin1Set) {
  ASSERT_EQ(kHtml4Latin1.size(), 96u);
  std::set<int> codes;
  std::set<std::string> names;
  for (const auto& [name, code] : kHtml4Latin1) {
    ASSERT_TRUE(HTMLLat1Entities.InRange(code)) << name;
    EXPECT_EQ(HTMLLat1Entities[code], "&" + name + ";") << "code " << code;
    codes.insert(code);
    names.insert(name);
  }
  EXPECT_EQ(codes.size(), 96u);  // every code 160..255 exactly once
  EXPECT_EQ(names.size(), 96u);
  EXPECT_EQ(*codes.begin(), 160);
  EXPECT_EQ(*codes.rbegin(), 255);
  EXPECT_EQ(HTMLLat1Entities[160], "&nbsp;");
  EXPECT_EQ(HTMLLat1Entities[161], "&iexcl;");
  EXPECT_EQ(HTMLLat1Entities[255], "&yuml;");
}

TEST(HtmlEntities, EntriesAreWellFormedReferences) {
  for (long c = 160; c <= 255; ++c) {
    const ShortString& e = HTMLLat1Entities[c];
    ASSERT_GE(e.size(), 4u) << c;
    EXPECT_LE(e.size(), kHTMLEntityMaxLen) << e;
    EXPECT_EQ(e.front(), '&') << e;
    EXPECT_EQ(e.back(), ';') << e;
    for (std::size_t i = 1; i + 1 < e.size(); ++i)
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(e[i]))) << e;
  }
}

// The obvious reference: a switch over the four delimiters.
TCSVDelimiters SlowResolve(Char c) {
  switch (c) {
    case u';':
      return csvSemicolon;
    case u',':
      return csvComma;
    case u':':
      return csvColon;
    case u'\t':
      return csvTab;
    default:
      return csvUnknown;
  }
}

TEST(CsvDelimiters, TableHoldsTheDelimiterCharacters) {
  EXPECT_EQ(CSVDelimiters[csvUnknown], 0);
  EXPECT_EQ(CSVDelimiters[csvSemicolon], u';');
  EXPECT_EQ(CSVDelimiters[csvComma], u',');
  EXPECT_EQ(CSVDelimiters[csvColon], u':');
  EXPECT_EQ(CSVDelimiters[csvTab], 9);
}

TEST(CsvDelimiters, ResolveFindsEachDelimiterAndNothingElse) {
  EXPECT_EQ(ResolveCSVDelimiter(u';'), csvSemicolon);
  EXPECT_EQ(ResolveCSVDelimiter(u','), csvComma);
  EXPECT_EQ(ResolveCSVDelimiter(u':'), csvColon);
  EXPECT_EQ(ResolveCSVDelimiter(u'\t'), csvTab);
  EXPECT_EQ(ResolveCSVDelimiter(u' '), csvUnknown);
  EXPECT_EQ(ResolveCSVDelimiter(u'a'), csvUnknown);
  EXPECT_EQ(ResolveCSVDelimiter(0), csvUnknown);  // the csvUnknown entry itself is not found
  for (long d = csvSemicolon; d <= csvTab; ++d) EXPECT_EQ(ResolveCSVDelimiter(CSVDelimiters[d]), d);
  for (unsigned c = 0; c <= 0xFFFF; ++c)
    ASSERT_EQ(ResolveCSVDelimiter(static_cast<Char>(c)), SlowResolve(static_cast<Char>(c))) << c;
}

}  // namespace
}  // namespace krv
