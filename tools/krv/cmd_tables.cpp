// krv tables: prints the library's shared tables and constants in aligned columns.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/base/enums.h"
#include "korvex/base/tables.h"
#include "korvex/base/univconst.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

constexpr TLanguage kLanguages[] = {lgUnknown, lgEnglish, lgGerman, lgFrench, lgSpanish};
constexpr const char* kLanguageNames[] = {"lgUnknown", "lgEnglish", "lgGerman", "lgFrench",
                                          "lgSpanish"};

// Display width of UTF-8 text: one column per code point (the tables hold Latin-1 only).
std::size_t Width(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Rows of cells printed in columns two blanks apart; columns marked right-aligned are
// padded on the left. A header row is followed by a rule of dashes.
class Grid {
 public:
  Grid(std::vector<std::string> header, std::vector<bool> right = {})
      : header_(std::move(header)), right_(std::move(right)) {
    right_.resize(header_.size(), false);
  }
  void Add(std::vector<std::string> row) {
    row.resize(header_.size());
    rows_.push_back(std::move(row));
  }
  void Print(std::string& out) const {
    std::vector<std::size_t> width(header_.size(), 0);
    for (std::size_t c = 0; c < header_.size(); ++c) {
      width[c] = Width(header_[c]);
      for (const auto& row : rows_) width[c] = std::max(width[c], Width(row[c]));
    }
    PrintRow(header_, width, out);
    std::vector<std::string> rule;
    for (std::size_t w : width) rule.emplace_back(w, '-');
    PrintRow(rule, width, out);
    for (const auto& row : rows_) PrintRow(row, width, out);
  }

 private:
  void PrintRow(const std::vector<std::string>& row, const std::vector<std::size_t>& width,
                std::string& out) const {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += "  ";
      const std::string pad(width[c] - Width(row[c]), ' ');
      line += right_[c] ? pad + row[c] : row[c] + pad;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line;
    out += '\n';
  }

  std::vector<std::string> header_;
  std::vector<bool> right_;
  std::vector<std::vector<std::string>> rows_;
};

// A Windows-1252 table entry as quoted UTF-8.
std::string Quoted(const ShortString& s) {
  return "\"" + ToUtf8(FromAnsi(s)) + "\"";
}

void Title(std::string_view title, std::string& out) {
  out += title;
  out += "\n\n";
}

// One row per index, one column per language.
template <typename Table>
void PrintByLanguage(std::string_view title, std::string_view index_name, const Table& table,
                     std::string& out) {
  Title(title, out);
  std::vector<std::string> header{std::string(index_name)};
  header.insert(header.end(), std::begin(kLanguageNames), std::end(kLanguageNames));
  Grid grid(std::move(header), {true});
  const auto& first = table[lgUnknown];
  for (long i = first.kFirst; i <= first.kLast; ++i) {
    std::vector<std::string> row{std::to_string(i)};
    for (TLanguage lg : kLanguages) row.push_back(Quoted(table[lg][i]));
    grid.Add(std::move(row));
  }
  grid.Print(out);
}

void PrintMonths(std::string& out) {
  PrintByLanguage("MonthShort: month names, short form (at most 4 characters)", "month", MonthShort,
                  out);
  out += '\n';
  PrintByLanguage("MonthLong: month names, long form (at most 10 characters)", "month", MonthLong,
                  out);
}

void PrintWeekdays(std::string& out) {
  PrintByLanguage("WeekDayShort: day names, short form, 1 = Monday (at most 3 characters)", "day",
                  WeekDayShort, out);
  out += '\n';
  PrintByLanguage("WeekDayLong: day names, long form, 1 = Monday (at most 10 characters)", "day",
                  WeekDayLong, out);
}

void PrintNumbers(std::string& out) {
  PrintByLanguage("NumWords: number words (at most 6 characters)", "number", NumWords, out);
}

void PrintLanguages(std::string& out) {
  Title("LanguageID: language names (row: written in; column: language named)", out);
  std::vector<std::string> header{"written in"};
  header.insert(header.end(), std::begin(kLanguageNames), std::end(kLanguageNames));
  Grid grid(std::move(header));
  for (TLanguage in : kLanguages) {
    std::vector<std::string> row{kLanguageNames[in]};
    for (TLanguage named : kLanguages) row.push_back(Quoted(LanguageID[in][named]));
    grid.Add(std::move(row));
  }
  grid.Print(out);
}

void PrintIso639(std::string& out) {
  Title("ISO639_2Char, ISO639_3Char: ISO 639 language codes", out);
  Grid grid({"language", "ISO639_2Char", "ISO639_3Char"});
  for (TLanguage lg : kLanguages)
    grid.Add({kLanguageNames[lg], Quoted(ISO639_2Char[lg]), Quoted(ISO639_3Char[lg])});
  grid.Print(out);
}

void PrintEntities(std::string& out) {
  Title("HTMLLat1Entities: HTML 4 entity names of the Latin-1 characters 160..255", out);
  constexpr long kGroups = 4;
  constexpr long kRows = 96 / kGroups;
  std::vector<std::string> header;
  std::vector<bool> right;
  for (long g = 0; g < kGroups; ++g) {
    header.insert(header.end(), {"code", "char", "entity"});
    right.insert(right.end(), {true, false, false});
  }
  Grid grid(std::move(header), std::move(right));
  for (long r = 0; r < kRows; ++r) {
    std::vector<std::string> row;
    for (long g = 0; g < kGroups; ++g) {
      const long code = 160 + g * kRows + r;
      // The no-break space and soft hyphen are invisible; name them instead.
      std::string shown = code == 160   ? "NBSP"
                          : code == 173 ? "SHY"
                                        : ToUtf8(String(1, static_cast<Char>(code)));
      row.insert(row.end(), {std::to_string(code), shown, HTMLLat1Entities[code]});
    }
    grid.Add(std::move(row));
  }
  grid.Print(out);
}

void PrintCsv(std::string& out) {
  Title("CSVDelimiters: delimiter character of each TCSVDelimiters value", out);
  static constexpr const char* kNames[] = {"csvUnknown", "csvSemicolon", "csvComma", "csvColon",
                                           "csvTab"};
  Grid grid({"value", "char", "code"}, {false, false, true});
  for (long d = csvUnknown; d <= csvTab; ++d) {
    const Char c = CSVDelimiters[d];
    const std::string shown = c == 0 ? "NUL" : c == u'\t' ? "TAB" : ToUtf8(String(1, c));
    grid.Add({kNames[d], shown, std::to_string(static_cast<unsigned>(c))});
  }
  grid.Print(out);
}

std::string Extended21(Extended v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%#.21LG", v);
  return buf;
}

void PrintConstants(std::string& out) {
  Title("Extended-precision constants (64-bit mantissa), to 21 significant digits", out);
  struct Row {
    const char* name;
    Extended value;
    const char* quantity;
  };
  static const Row kRows[] = {
      {"uc_e", uc_e, "e"},
      {"uc_etom1", uc_etom1, "1/e"},
      {"uc_lg2", uc_lg2, "log10 2"},
      {"uc_lg5", uc_lg5, "log10 5"},
      {"uc_lge", uc_lge, "log10 e"},
      {"uc_lgPi", uc_lgPi, "log10 pi"},
      {"uc_ln10", uc_ln10, "ln 10"},
      {"uc_ln2", uc_ln2, "ln 2"},
      {"uc_lnPi", uc_lnPi, "ln pi"},
      {"uc_PiH", uc_PiH, "pi/2"},
      {"uc_PiSqr", uc_PiSqr, "pi squared"},
      {"uc_Pitom1", uc_Pitom1, "1/pi"},
      {"uc_sqrt2", uc_sqrt2, "square root of 2"},
      {"uc_sqrt2pi", uc_sqrt2pi, "square root of 2 pi"},
      {"uc_sqrt2pitom1", uc_sqrt2pitom1, "1 / square root of 2 pi"},
      {"uc_GoldenR", uc_GoldenR, "golden ratio (1 + square root of 5)/2"},
      {"uc_MinReal", uc_MinReal, "smallest magnitude of the 6-byte real (2.9E-39)"},
      {"uc_MaxReal", uc_MaxReal, "largest magnitude of the 6-byte real (1.7E38)"},
      {"uc_MinSingle", uc_MinSingle, "smallest magnitude of single (1.5E-45)"},
      {"uc_MaxSingle", uc_MaxSingle, "largest magnitude of single (3.4E38)"},
      {"uc_MinDouble", uc_MinDouble, "smallest magnitude of double (5.0E-324)"},
      {"uc_MaxDouble", uc_MaxDouble, "largest magnitude of double (1.7E308)"},
      {"uc_MinExtended", uc_MinExtended, "least positive extended, 2^-16445"},
      {"uc_MaxExtended", uc_MaxExtended, "largest magnitude of extended (1.1E4932)"},
      {"uc_lnMinDouble", uc_lnMinDouble, "ln of uc_MinDouble"},
      {"uc_lnMaxDouble", uc_lnMaxDouble, "ln of uc_MaxDouble"},
      {"uc_lnMaxExtended", uc_lnMaxExtended, "ln of uc_MaxExtended"},
      {"uc_lnMinExtended", uc_lnMinExtended, "ln of uc_MinExtended (ln 3.6E-4951)"},
      {"uc_lnMinReal", uc_lnMinReal, "ln of uc_MinReal"},
      {"uc_lnMaxReal", uc_lnMaxReal, "ln of uc_MaxReal"},
      {"uc_lnMinSingle", uc_lnMinSingle, "ln of uc_MinSingle"},
      {"uc_lnMaxSingle", uc_lnMaxSingle, "ln of uc_MaxSingle"},
  };
  Grid grid({"name", "value", "quantity"});
  for (const Row& r : kRows) grid.Add({r.name, Extended21(r.value), r.quantity});
  grid.Print(out);
}

void PrintLnFactorial(std::string& out) {
  Title("uc_LnFactorial: ln(n!) for n = 0..1000, to 15 significant digits", out);
  constexpr long kGroups = 4;
  constexpr long kCount = 1001;
  constexpr long kRows = (kCount + kGroups - 1) / kGroups;
  std::vector<std::string> header;
  std::vector<bool> right;
  for (long g = 0; g < kGroups; ++g) {
    header.insert(header.end(), {"n", "ln(n!)"});
    right.insert(right.end(), {true, false});
  }
  Grid grid(std::move(header), std::move(right));
  char buf[32];
  for (long r = 0; r < kRows; ++r) {
    std::vector<std::string> row;
    for (long g = 0; g < kGroups; ++g) {
      const long n = g * kRows + r;
      if (n >= kCount) break;
      std::snprintf(buf, sizeof buf, "%.15g", uc_LnFactorial[n]);
      row.insert(row.end(), {std::to_string(n), buf});
    }
    grid.Add(std::move(row));
  }
  grid.Print(out);
}

struct Section {
  std::string_view name;
  void (*print)(std::string& out);
};

constexpr Section kSections[] = {
    {"months", &PrintMonths},
    {"weekdays", &PrintWeekdays},
    {"numbers", &PrintNumbers},
    {"languages", &PrintLanguages},
    {"iso639", &PrintIso639},
    {"entities", &PrintEntities},
    {"csv", &PrintCsv},
    {"constants", &PrintConstants},
    {"lnfactorial", &PrintLnFactorial},
};

const Section* FindSection(std::string_view name) {
  for (const Section& s : kSections)
    if (s.name == name) return &s;
  return nullptr;
}

std::string SectionNames() {
  std::string names;
  for (const Section& s : kSections) names += (names.empty() ? "" : ", ") + std::string(s.name);
  return names;
}

int Run(const std::vector<std::string>& names) {
  std::vector<const Section*> chosen;
  for (const std::string& name : names) {
    const Section* s = FindSection(name);
    if (s == nullptr)
      throw Failure{"", "unknown table '" + name + "' (choose from " + SectionNames() + ")"};
    if (std::find(chosen.begin(), chosen.end(), s) == chosen.end()) chosen.push_back(s);
  }
  if (chosen.empty())
    for (const Section& s : kSections) chosen.push_back(&s);

  Output out("-");
  std::string text;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (i > 0) text += '\n';
    chosen[i]->print(text);
  }
  out.Write(text);
  out.Commit();
  return kExitOk;
}

RunFn Setup(CLI::App& app) {
  auto names = std::make_shared<std::vector<std::string>>();
  KeepOperands(app.add_option("NAME", *names, "tables to print (all when none is named)"));
  return [names] { return Run(*names); };
}

const KrvCommand reg{
    {.name = "tables",
     .summary = "print the shared tables: month, day and language names, constants",
     .usage = "krv tables [NAME...]",
     .description =
         "Prints the shared tables of the Korvex library in aligned columns, as UTF-8.\n"
         "With no NAME every table is printed. NAME is one of:\n"
         "  months       MonthShort and MonthLong: month 1..12 in each language\n"
         "  weekdays     WeekDayShort and WeekDayLong: day 1 = Monday .. 7 = Sunday\n"
         "  numbers      NumWords: the number words 0..12\n"
         "  languages    LanguageID: each language's name, written in each language\n"
         "  iso639       ISO639_2Char and ISO639_3Char: the language codes\n"
         "  entities     HTMLLat1Entities: HTML 4 entity names of the characters 160..255\n"
         "  csv          CSVDelimiters: the characters ResolveCSVDelimiter recognises\n"
         "  constants    the extended-precision constants uc_..., to 21 significant digits\n"
         "  lnfactorial  uc_LnFactorial: ln(n!) for n = 0..1000\n"
         "\n"
         "Text entries are shown between double quotes, so that a trailing blank is seen\n"
         "(\"f\xC3\xA9vrier \").\n",
     .exit_status = "0  the tables were printed\n"
                    "2  an unknown NAME or option, or standard output could not be written",
     .examples = "krv tables months\n"
                 "krv tables entities csv\n"
                 "krv tables constants | less"},
    &Setup};

}  // namespace
}  // namespace krv::tool
