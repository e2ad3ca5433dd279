// krv features: shows feature-matrix files and converts them to and from CSV.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"

namespace krv::tool {
namespace {

constexpr std::string_view kCommand = "features";
constexpr std::string_view kUsage =
    "usage: krv features show FILE [-n ROWS]\n"
    "       krv features to-csv FILE [-o CSV]\n"
    "       krv features from-csv CSV -o FILE\n"
    "\n"
    "Works with feature-matrix files (the '#featdef ... #featend' text format).\n"
    "\n"
    "  show     prints the counts, the feature definitions and a table of the values\n"
    "           (at most ROWS objects with -n; all by default)\n"
    "  to-csv   writes the values as CSV (UTF-8, comma-separated, RFC 4180 quoting): a first\n"
    "           row of feature names, then one row per object; to standard output unless\n"
    "           -o names a file\n"
    "  from-csv reads CSV whose first row holds the feature names and writes a\n"
    "           feature-matrix file. Each column's kind is inferred from its non-empty\n"
    "           values: integer when all are integers of 32 bits, double when all are\n"
    "           numbers, tristate when all are true/false, string otherwise. Names longer\n"
    "           than 20 characters are cut; CSV '-' reads standard input. A table larger\n"
    "           than a feature-matrix file may hold (128 MiB as a matrix) is refused.\n"
    "\n"
    "The file format keeps no blanks at the ends of a value and no line breaks inside one.\n"
    "\n"
    "Examples:\n"
    "  krv features show features-sample.txt\n"
    "  krv features to-csv features-sample.txt -o sample.csv\n"
    "  krv features from-csv sample.csv -o copy.txt\n";

std::string U8(const String& s) {
  return ToUtf8(s);
}

// Display width of UTF-8 text: one column per code point.
std::size_t Width(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string LoadMessage(std::int32_t code) {
  switch (code) {
    case -1:
      return "no such file";
    case -2:
      return "no feature-matrix section found";
    default:
      return "the file is malformed (reading failed)";
  }
}

bool LoadMatrix(const std::string& name, TFeatureMatrix& m) {
  const std::int32_t r = m.Load(ToUtf16(name));
  if (r == 0) return true;
  Fail(kCommand, name + ": " + LoadMessage(r));
  return false;
}

using Row = std::vector<std::string>;

// Prints rows of cells in columns two blanks apart, with a rule under the header. Row i of
// n (0 is the header) comes from row(i), which is asked twice, to measure and to print, so
// that no table is held in memory however many objects a file declares.
void PrintGrid(std::ostream& out, std::size_t n, const std::function<Row(std::size_t)>& row) {
  std::vector<std::size_t> w;
  for (std::size_t i = 0; i < n; ++i) {
    const Row r = row(i);
    w.resize(std::max(w.size(), r.size()), 0);
    for (std::size_t c = 0; c < r.size(); ++c) w[c] = std::max(w[c], Width(r[c]));
  }
  for (std::size_t i = 0; i < n; ++i) {
    const Row r = row(i);
    std::string line;
    for (std::size_t c = 0; c < r.size(); ++c) {
      line += r[c];
      if (c + 1 < r.size()) line.append(w[c] - Width(r[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
    if (i == 0) {
      std::string rule;
      for (std::size_t c = 0; c < w.size(); ++c)
        rule.append(c > 0 ? 2 : 0, ' ').append(std::max<std::size_t>(w[c], 1), '-');
      out << rule << "\n";
    }
  }
}

int Show(const Args& args) {
  std::string file;
  long rows_max = -1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-n" && i + 1 < args.size()) {
      char* end = nullptr;
      rows_max = std::strtol(args[++i].c_str(), &end, 10);
      if (*end != '\0' || rows_max < 0) return Fail(kCommand, "-n needs a count", true);
    } else if (file.empty()) {
      file = args[i];
    } else {
      return Fail(kCommand, "show takes one FILE", true);
    }
  }
  if (file.empty()) return Fail(kCommand, "show needs a FILE", true);
  TFeatureMatrix m;
  if (!LoadMatrix(file, m)) return kExitFailure;
  std::cout << file << ": " << m.NFeatures() << " features, " << m.NObjects() << " objects\n\n";
  const std::int32_t nf = m.NFeatures();
  PrintGrid(std::cout, static_cast<std::size_t>(nf) + 1, [&](std::size_t i) -> Row {
    if (i == 0) return {"#", "number", "name", "kind", "sorted", "comment", "presets"};
    const TFeatProps p = m.GetFeatProps(static_cast<std::int32_t>(i));
    return {std::to_string(i),        std::to_string(p.FeatNum),
            U8(FromAnsi(p.FeatName)), U8(String(FEATKINDIDS[p.FeatKind])),
            p.Sorted ? "yes" : "no",  U8(FromAnsi(p.Comment)),
            U8(p.PresetValues)};
  });
  if (nf == 0 || m.NObjects() == 0) return kExitOk;
  std::cout << "\n";
  Row header{"object"};
  std::vector<bool> undefined;
  for (std::int32_t f = 1; f <= nf; ++f) {
    const TFeatProps p = m.GetFeatProps(f);
    header.push_back(U8(FromAnsi(p.FeatName)));
    undefined.push_back(p.FeatKind == fkUndefined);
  }
  const std::int32_t shown =
      rows_max < 0 ? m.NObjects()
                   : static_cast<std::int32_t>(std::min<long>(rows_max, m.NObjects()));
  PrintGrid(std::cout, static_cast<std::size_t>(shown) + 1, [&](std::size_t i) -> Row {
    if (i == 0) return header;
    const auto o = static_cast<std::int32_t>(i);
    Row row{std::to_string(o)};
    for (std::int32_t f = 1; f <= nf; ++f)
      row.push_back(undefined[static_cast<std::size_t>(f - 1)] ? "?" : U8(m.GetFeatValStr(f, o)));
    return row;
  });
  if (shown < m.NObjects()) std::cout << "(" << m.NObjects() - shown << " more objects)\n";
  return kExitOk;
}

std::string CsvField(const std::string& s) {
  const bool quote = s.find_first_of(",\"\r\n") != std::string::npos ||
                     (!s.empty() && (s.front() == ' ' || s.back() == ' '));
  if (!quote) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

int ToCsv(const Args& args) {
  std::string file, out_name;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      out_name = args[++i];
    else if (file.empty())
      file = args[i];
    else
      return Fail(kCommand, "to-csv takes one FILE", true);
  }
  if (file.empty()) return Fail(kCommand, "to-csv needs a FILE", true);
  TFeatureMatrix m;
  if (!LoadMatrix(file, m)) return kExitFailure;
  std::string csv;
  for (std::int32_t f = 1; f <= m.NFeatures(); ++f) {
    if (f > 1) csv += ',';
    csv += CsvField(U8(FromAnsi(m.GetFeatProps(f).FeatName)));
  }
  csv += "\r\n";
  for (std::int32_t o = 1; o <= m.NObjects(); ++o) {
    for (std::int32_t f = 1; f <= m.NFeatures(); ++f) {
      if (f > 1) csv += ',';
      if (m.GetFeatProps(f).FeatKind != fkUndefined) csv += CsvField(U8(m.GetFeatValStr(f, o)));
    }
    csv += "\r\n";
  }
  if (out_name.empty() || out_name == "-") {
    std::cout << csv;
    return std::cout.good() ? kExitOk : Fail(kCommand, "cannot write standard output");
  }
  std::ofstream out(out_name, std::ios::binary | std::ios::trunc);
  out << csv;
  out.close();
  if (!out) return Fail(kCommand, out_name + ": cannot write");
  return kExitOk;
}

// RFC 4180 records: fields separated by commas, quoted fields may hold commas, doubled
// quotes and line breaks; records end at LF or CR LF. A last empty line is no record.
bool ParseCsv(const std::string& text, std::vector<std::vector<std::string>>& records,
              std::string& error) {
  std::vector<std::string> rec;
  std::string field;
  bool quoted = false, was_quoted = false;
  std::size_t line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        field += c;
      }
      continue;
    }
    if (c == '"' && field.empty() && !was_quoted) {
      quoted = was_quoted = true;
    } else if (c == ',') {
      rec.push_back(std::move(field));
      field.clear();
      was_quoted = false;
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      rec.push_back(std::move(field));
      field.clear();
      was_quoted = false;
      records.push_back(std::move(rec));
      rec.clear();
      ++line;
    } else if (was_quoted) {
      error = "line " + std::to_string(line) + ": text after a closing quote";
      return false;
    } else {
      field += c;
    }
  }
  if (quoted) {
    error = "a quoted field is not closed";
    return false;
  }
  if (!field.empty() || !rec.empty() || was_quoted) {
    rec.push_back(std::move(field));
    records.push_back(std::move(rec));
  }
  return true;
}

TFeatKind InferKind(const std::vector<std::vector<std::string>>& records, std::size_t col) {
  bool any = false, ints = true, doubles = true, tris = true;
  for (std::size_t r = 1; r < records.size(); ++r) {
    if (col >= records[r].size() || records[r][col].empty()) continue;
    any = true;
    const String v = ToUtf16(records[r][col]);
    if (ints) {
      ints = IsValidFeatInteger(v);
      if (ints) try {
          FeatStrToInt(v);
        } catch (const EConvertError&) {
          ints = false;
        }
    }
    if (doubles) {
      doubles = IsValidFeatDouble(v);
      if (doubles) try {
          FeatStrToFloat(v);
        } catch (const EConvertError&) {
          doubles = false;
        }
    }
    if (tris) {
      String l = v;
      for (auto& ch : l) ch = AsciiLower(ch);
      tris = l == u"true" || l == u"false";
    }
  }
  if (!any) return fkString;
  if (ints) return fkInteger;
  if (doubles) return fkDouble;
  if (tris) return fkTriState;
  return fkString;
}

int FromCsv(const Args& args) {
  std::string csv_name, out_name;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      out_name = args[++i];
    else if (csv_name.empty())
      csv_name = args[i];
    else
      return Fail(kCommand, "from-csv takes one CSV file", true);
  }
  if (csv_name.empty()) return Fail(kCommand, "from-csv needs a CSV file", true);
  if (out_name.empty()) return Fail(kCommand, "from-csv needs -o FILE", true);
  std::string text;
  if (csv_name == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(csv_name, std::ios::binary);
    if (!in) return Fail(kCommand, csv_name + ": cannot open");
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // BOM
  std::vector<std::vector<std::string>> records;
  std::string error;
  if (!ParseCsv(text, records, error)) return Fail(kCommand, csv_name + ": " + error);
  if (records.empty()) return Fail(kCommand, csv_name + ": no header row");
  const std::size_t nf = records[0].size();
  for (std::size_t r = 1; r < records.size(); ++r) {
    if (records[r].size() > nf)
      return Fail(kCommand, csv_name + ": record " + std::to_string(r + 1) + " has " +
                                std::to_string(records[r].size()) + " fields, the header " +
                                std::to_string(nf));
  }
  // Short records make a matrix of header fields x records, which a small CSV can make huge:
  // refuse what a feature-matrix file could not load back.
  const auto objects = static_cast<std::int64_t>(records.size() - 1);
  TFeatureMatrix m;
  if (objects > INT32_MAX ||
      FeatMatShapeBytes(static_cast<std::int64_t>(nf), objects) > kFeatMatMaxLoadBytes ||
      !m.Resize(static_cast<std::int32_t>(nf), static_cast<std::int32_t>(objects)))
    return Fail(kCommand, csv_name + ": too many values (" + std::to_string(nf) + " features x " +
                              std::to_string(objects) + " objects)");
  for (std::size_t f = 0; f < nf; ++f) {
    TFeatProps p;
    p.FeatNum = static_cast<std::int32_t>(f + 1);
    p.FeatName = ToAnsi(ToUtf16(records[0][f]));
    p.FeatKind = InferKind(records, f);
    m.SetFeatProps(static_cast<std::int32_t>(f + 1), p);
    for (std::size_t r = 1; r < records.size(); ++r)
      if (f < records[r].size())
        m.SetFeatValStr(static_cast<std::int32_t>(f + 1), static_cast<std::int32_t>(r),
                        ToUtf16(records[r][f]));
  }
  m.Save(ToUtf16(out_name));
  std::cerr << out_name << ": " << nf << " features, " << records.size() - 1 << " objects\n";
  return kExitOk;
}

int Run(const Args& args) {
  if (args.empty()) return Fail(kCommand, "missing subcommand (show, to-csv or from-csv)", true);
  try {
    if (args[0] == "show") return Show(args);
    if (args[0] == "to-csv") return ToCsv(args);
    if (args[0] == "from-csv") return FromCsv(args);
  } catch (const EInOutError& e) {
    return Fail(kCommand, e.what());
  }
  return Fail(kCommand, "unknown subcommand '" + args[0] + "'", true);
}

KrvCommand reg{kCommand, "show feature-matrix files, convert them to and from CSV", kUsage, &Run};

}  // namespace
}  // namespace krv::tool
