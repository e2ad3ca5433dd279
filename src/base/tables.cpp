// The shared language, entity and delimiter tables. Non-ASCII letters are written as
// Windows-1252 byte escapes; a literal split such as "d\xE9" "c" keeps a following hex
// letter out of the escape.
#include "korvex/base/tables.h"

namespace krv {

const TLanguageTable<1, 12> MonthShort = {{{
    {{{"M01", "M02", "M03", "M04", "M05", "M06", "M07", "M08", "M09", "M10", "M11", "M12"}}},
    {{{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}}},
    {{{"J\xE4n", "Feb", "M\xE4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"}}},
    {{{"jan", "f\xE9v", "mar", "avr", "mai", "juin", "jul", "ao\xFB", "sep", "oct", "nov",
       "d\xE9"
       "c"}}},
    {{{"Ene", "Feb", "Mar", "Abr", "May", "Jun", "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"}}},
}}};

const TLanguageTable<1, 12> MonthLong = {{{
    {{{"M01", "M02", "M03", "M04", "M05", "M06", "M07", "M08", "M09", "M10", "M11", "M12"}}},
    {{{"January", "February", "March", "April", "May", "June", "July", "August", "September",
       "October", "November", "December"}}},
    {{{"J\xE4nner", "Februar", "M\xE4rz", "April", "Mai", "Juni", "Juli", "August", "September",
       "Oktober", "November", "Dezember"}}},
    {{{"janvier", "f\xE9vrier ", "mars", "avril", "mai", "juin", "juillet", "ao\xFBt", "septembre",
       "octobre", "novembre",
       "d\xE9"
       "cembre"}}},
    {{{"enero", "febrero", "marzo", "abril", "mai", "junio", "julio", "agosto", "septiembre",
       "octubre", "noviembre", "diciembre"}}},
}}};

const TLanguageTable<1, 7> WeekDayShort = {{{
    {{{"D01", "D02", "D03", "D04", "D05", "D06", "D07"}}},
    {{{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}}},
    {{{"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"}}},
    {{{"lun", "mar", "mer", "jeu", "ven", "sam", "dim"}}},
    {{{"lun", "mar", "mie", "jue", "vie", "sab", "dom"}}},
}}};

const TLanguageTable<1, 7> WeekDayLong = {{{
    {{{"D01", "D02", "D03", "D04", "D05", "D06", "D07"}}},
    {{{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}}},
    {{{"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"}}},
    {{{"lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"}}},
    {{{"lunes", "martes", "mi\xE9rcoles", "jueves", "viernes",
       "s\xE1"
       "bado",
       "domingo"}}},
}}};

const TLanguageTable<0, 12> NumWords = {{{
    {{{"N00", "N01", "N02", "N03", "N04", "N05", "N06", "N07", "N08", "N09", "N10", "N11", "N12"}}},
    {{{"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten",
       "eleven", "twelve"}}},
    {{{"null", "eins", "zwei", "drei", "vier", "f\xFCnf", "sechs", "sieben", "acht", "neun", "zehn",
       "elf", "zw\xF6lf"}}},
    {{{"z\xE9ro", "celui", "deux", "trois", "quatre", "cinq", "six", "sept", "huit", "neuf", "dix",
       "onze", "douze"}}},
    {{{"cero", "uno", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve", "diez",
       "once", "doce"}}},
}}};

const TLanguageTable<lgUnknown, lgSpanish> LanguageID = {{{
    {{{"???", "???", "???", "???", "???"}}},
    {{{"???", "English", "German", "French", "Spanish"}}},
    {{{"???", "englisch", "deutsch", "franz\xF6sisch", "spanisch"}}},
    {{{"???", "anglais", "allemand",
       "fran\xE7"
       "ais",
       "espagnol"}}},
    {{{"???", "ingl\xE9s", "alem\xE1n", "franc\xE9s", "espa\xF1ol"}}},
}}};

const TLanguageList ISO639_2Char = {{{"??", "en", "de", "fr", "es"}}};
const TLanguageList ISO639_3Char = {{{"???", "eng", "ger", "fre", "spa"}}};

const IndexedArray<ShortString, 160, 255> HTMLLat1Entities = {{{
    "&nbsp;",   "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;",
    "&sect;",   "&uml;",    "&copy;",   "&ordf;",   "&laquo;",  "&not;",    "&shy;",
    "&reg;",    "&macr;",   "&deg;",    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",
    "&micro;",  "&para;",   "&middot;", "&cedil;",  "&sup1;",   "&ordm;",   "&raquo;",
    "&frac14;", "&frac12;", "&frac34;", "&iquest;",  // 160..191
    "&Agrave;", "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",
    "&Ccedil;", "&Egrave;", "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;",
    "&Icirc;",  "&Iuml;",   "&ETH;",    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",
    "&Otilde;", "&Ouml;",   "&times;",  "&Oslash;", "&Ugrave;", "&Uacute;", "&Ucirc;",
    "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",  // 192..223
    "&agrave;", "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",
    "&ccedil;", "&egrave;", "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;",
    "&icirc;",  "&iuml;",   "&eth;",    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",
    "&otilde;", "&ouml;",   "&divide;", "&oslash;", "&ugrave;", "&uacute;", "&ucirc;",
    "&uuml;",   "&yacute;", "&thorn;",  "&yuml;",  // 224..255
}}};

TCSVDelimiters ResolveCSVDelimiter(Char c) {
  for (long d = csvSemicolon; d <= csvTab; ++d)
    if (CSVDelimiters[d] == c) return static_cast<TCSVDelimiters>(d);
  return csvUnknown;
}

}  // namespace krv
