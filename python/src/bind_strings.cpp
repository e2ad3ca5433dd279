// Numbers as text: the library's fixed and scientific layouts (strff and the routines built
// on it) and its number scanners over str (1-based positions) and over bytes.
#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "bind.h"
#include "korvex/platform/stream.h"
#include "korvex/streams/number_scan.h"
#include "korvex/stringl/format.h"
#include "korvex/stringl/numscan.h"
#include "strings_text.h"

namespace korvex_py {
namespace {

constexpr std::size_t kReleaseGil = 64 * 1024;

// A Python int as a library Integer; values beyond its range are clamped (the layouts clamp
// widths and decimals further themselves).
std::int32_t Clamped(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The library's separator option from the characters a number may use as its decimal point:
// "." 1, "," 2, ".," or ",." 3, "" none.
std::int32_t SepOption(const std::string& decimal) {
  if (decimal == ".") return 1;
  if (decimal == ",") return 2;
  if (decimal == ".," || decimal == ",.") return 3;
  if (decimal.empty()) return 0;
  throw py::value_error("decimal must be '.', ',', '.,' or '', not '" + decimal + "'");
}

py::tuple ScanFloat(const py::str& str, std::int64_t start, bool allow_exp,
                    const std::string& decimal) {
  const std::int32_t option = SepOption(decimal);
  const krv::String text = Utf16Of(str);
  std::int32_t position = Clamped(start);  // outside the text reads as its end
  const double value = krv::ScanStringFPNum(text, allow_exp, option, position);
  return py::make_tuple(value, position);
}

// count numbers read one after the other from the bytes, as the library's stream readers
// read them; numbers past the end read as 0.
template <typename T, typename Read>
std::vector<T> ReadNumbers(const py::object& data, std::int64_t count, Read&& read) {
  if (count < 0) throw py::value_error("count must not be negative");
  const ByteView v(data);
  std::vector<T> out;
  auto run = [&] {
    krv::TStringStream stream{std::string(v.view())};
    out.reserve(static_cast<std::size_t>(std::min<std::int64_t>(count, v.size() + 1)));
    for (std::int64_t i = 0; i < count; ++i) out.push_back(read(stream));
  };
  if (v.size() < kReleaseGil && count < static_cast<std::int64_t>(kReleaseGil)) {
    run();
  } else {
    py::gil_scoped_release release;
    run();
  }
  return out;
}

void BindLayouts(py::module_& m) {
  m.def(
      "strff",
      [](double value, std::int64_t width, std::int64_t decimals, bool force_plus) {
        return force_plus ? krv::strffForcePlus(value, Clamped(width), Clamped(decimals))
                          : krv::strff(value, Clamped(width), Clamped(decimals));
      },
      py::arg("value"), py::arg("width"), py::arg("decimals"), py::kw_only(),
      py::arg("force_plus") = false,
      "The value right-justified in |width| characters: fixed with `decimals` decimals "
      "(strff(3.14159, 8, 3) is '   3.142'), decimals -2 the short scientific layout with a "
      "two-digit exponent, any other negative decimals the scientific layout with four exponent "
      "digits. A negative width zero-fills (strff(-3.5, -8, 2) is '-0003.50'). Correctly "
      "rounded, ties to even; always a full stop. force_plus writes '+' for values >= 0.");
  m.def(
      "format_data",
      [](double value, std::int64_t width, std::int64_t decimals) {
        return krv::FormatData(value, Clamped(width), Clamped(decimals));
      },
      py::arg("value"), py::arg("width"), py::arg("decimals"),
      "Fixed layout with width and decimals (0..8) when the value has at most nine significant "
      "digits in it, otherwise strff(value, width + 6, -2).");
  m.def(
      "format_sig",
      [](double value, std::int64_t width, std::int64_t digits, bool strip) {
        return krv::SigDigStr(value, Clamped(width), Clamped(digits), strip);
      },
      py::arg("value"), py::arg("width"), py::arg("digits"), py::kw_only(),
      py::arg("strip") = false,
      "The value with `digits` significant digits: fixed layout in width characters when they "
      "fit, else short scientific in max(width, digits + 6) (format_sig(3.14159, 8, 3) is "
      "'    3.14', format_sig(0.000123, 8, 3) ' 1.23E-04'); strip removes the blanks around.");
  m.def(
      "auto_format",
      [](double value, std::int64_t digits, bool comma) {
        return krv::AutoFormatData(value, Clamped(digits), comma);
      },
      py::arg("value"), py::arg("digits") = 4, py::kw_only(), py::arg("comma") = false,
      "Compact text without blanks with digits (2..16) significant digits: fixed for "
      "0.1 <= |value| < 10**(digits-1), short scientific otherwise (123.456 gives '123.5', "
      "12345 '1.234E+04'). comma writes a comma in place of the full stop.");
  m.def(
      "sortable_numeric",
      [](const py::str& text, std::int64_t position, const py::str& decimal) {
        return StrOf(krv::SortableNumericString(Utf16Of(text), OneChar(decimal, "decimal"),
                                                Clamped(position)));
      },
      py::arg("text"), py::arg("position"), py::arg("decimal") = ".",
      "text stripped of blanks and padded on the left so that its first decimal character lands "
      "at the 1-based position (a text without one gets position blanks in front), so that "
      "such texts sort as their numbers do. At most 2**20 blanks are added.");
}

void BindScanners(py::module_& m) {
  m.def("scan_float", &ScanFloat, py::arg("text"), py::arg("start") = 1, py::kw_only(),
        py::arg("allow_exp") = true, py::arg("decimal") = ".",
        "Reads one number from text at the 1-based start and returns (value, next), next being "
        "the position of the character that ended or broke the number: "
        "scan_float('  -12.5e3x') is (-12500.0, 10). Leading blanks are skipped; decimal names "
        "the characters taken as decimal point ('.', ',', '.,' or ''). A malformed number "
        "('1.5.3', '+x') gives 0.0; a start outside the text reads as its end.");
  m.def(
      "read_floats",
      [](const py::object& data, std::int64_t count, bool allow_exp, const std::string& decimal) {
        const std::int32_t option = SepOption(decimal);
        return ReadNumbers<double>(data, count, [&](krv::TStream& s) {
          return krv::ScanStreamFPNum(s, allow_exp, option);
        });
      },
      py::arg("data"), py::arg("count"), py::kw_only(), py::arg("allow_exp") = true,
      py::arg("decimal") = ".",
      "count floating-point numbers read one after another from bytes (any buffer) as the "
      "library's stream readers read them: blanks, tabs and line ends before a number are "
      "skipped, the byte after each number is consumed, a malformed number and every number "
      "past the end read as 0.0.");
  m.def(
      "read_ints",
      [](const py::object& data, std::int64_t count) {
        return ReadNumbers<std::int32_t>(data, count,
                                         [](krv::TStream& s) { return krv::ScanStreamDecimal(s); });
      },
      py::arg("data"), py::arg("count"),
      "count decimal integers read one after another from bytes: blanks and line ends (not "
      "tabs) before each are skipped, an optional sign is taken, the byte after the digits is "
      "consumed; no digits give 0, values beyond 32 bits saturate.");
}

}  // namespace

void BindStrings(py::module_& m) {
  BindLayouts(m);
  BindScanners(m);
}

}  // namespace korvex_py
