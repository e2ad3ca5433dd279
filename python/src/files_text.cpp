// The text-file utilities of filesys/textfiles.h over POSIX names: the kind of text a file
// announces, counting and tailing lines, searching, repairing line ends, appending lines.
// Each runs without the GIL; a file that cannot be opened or read raises InOutError.
#include <algorithm>
#include <utility>

#include "files_names.h"
#include "files_parts.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/stringlist.h"

namespace korvex_py::files {
namespace {

const char* TypeName(krv::TTextfileType t) {
  switch (t) {
    case krv::tftUnicode_le:
      return "utf-16-le";
    case krv::tftUnicode_be:
      return "utf-16-be";
    case krv::tftUnicode4_le:
      return "utf-32-le";
    case krv::tftUnicode4_be:
      return "utf-32-be";
    case krv::tftRTF:
      return "rtf";
    case krv::tftUTF8:
      return "utf-8";
    default:
      return "unknown";
  }
}

template <typename F>
auto Released(F&& f) {
  py::gil_scoped_release release;
  return f();
}

py::list Strs(const std::vector<krv::String>& lines, std::size_t from) {
  py::list out;
  for (std::size_t i = from; i < lines.size(); ++i) out.append(TextOut(lines[i]));
  return out;
}

py::list TailLines(const py::object& path, std::int32_t n) {
  const krv::String name = VerbatimName(path);
  std::int32_t total = 0;
  const krv::TStrArray lines =
      Released([&] { return krv::ReadLastNLinesOfTextFile(name, n, total); });
  // The array is padded in front with empty strings when the file has fewer than n lines.
  const std::size_t kept = std::min(lines.size(), static_cast<std::size_t>(std::max(total, 0)));
  return Strs(lines, lines.size() - kept);
}

py::object FindLine(const py::object& path, const py::object& text, bool ignore_case) {
  const krv::String name = VerbatimName(path), t = TextIn(text);
  krv::String line;
  const std::int32_t at =
      Released([&] { return krv::FindFirstMatchInTextFile(name, t, ignore_case, line); });
  if (at == 0) return py::none();
  return py::make_tuple(at, TextOut(line));
}

void AppendLines(const py::object& path, const py::object& lines) {
  const krv::String name = VerbatimName(path);
  krv::TStringList list;
  if (PyUnicode_Check(lines.ptr())) {
    list.Add(TextIn(lines));
  } else {
    for (const py::handle line : lines) list.Add(TextIn(line));
  }
  Released([&] {
    krv::AppendToTextFile(name, list);
    return 0;
  });
}

}  // namespace

void BindTextFiles(py::module_& m) {
  m.def(
      "text_file_type",
      [](const py::object& path) {
        const krv::String name = VerbatimName(path);
        return TypeName(Released([&] { return krv::CheckTextFileType(name); }));
      },
      py::arg("path"),
      "The kind of text the first bytes of the file announce: 'utf-8' (EF BB BF), 'utf-16-le', "
      "'utf-16-be', 'utf-32-le', 'utf-32-be' (their byte-order marks), 'rtf' ('{\\r') or "
      "'unknown' (an empty file too).");
  m.def(
      "count_lines",
      [](const py::object& path) {
        const krv::String name = VerbatimName(path);
        return Released([&] { return krv::CountLinesInTextFile(name); });
      },
      py::arg("path"),
      "The number of lines: lines end at LF or CR LF, and a last line without one counts too.");
  m.def("tail_lines", &TailLines, py::arg("path"), py::arg("n"),
        "The last n lines of the file (all of them when it has fewer), oldest first, without "
        "their line ends; [] for n < 1.");
  m.def("find_line", &FindLine, py::arg("path"), py::arg("text"), py::kw_only(),
        py::arg("ignore_case") = false,
        "(position, line) for the first line containing text, the position 1-based; None when "
        "no line does (an empty text matches nothing).");
  m.def(
      "find_offset",
      [](const py::object& path, const py::object& text, std::int32_t limit, bool ignore_case) {
        const krv::String name = VerbatimName(path), t = TextIn(text);
        return Released([&] { return krv::DetectStringInFile(name, t, ignore_case, limit); });
      },
      py::arg("path"), py::arg("text"), py::arg("limit") = INT32_MAX, py::kw_only(),
      py::arg("ignore_case") = false,
      "The 1-based character offset of text in the file counted without line ends, when it "
      "is at most limit; 0 otherwise. ignore_case compares the letters A-Z lower-cased.");
  m.def(
      "ensure_crlf",
      [](const py::object& src, const py::object& dst) {
        const krv::String in = VerbatimName(src), out = VerbatimName(dst);
        Released([&] {
          krv::EnsureCRLFInFile(in, out);
          return 0;
        });
      },
      py::arg("src"), py::arg("dst"),
      "Copies src to dst (created or replaced) turning every CR not followed by LF into CR LF. "
      "InOutError, writing nothing, when dst is src itself under any name.");
  m.def("append_lines", &AppendLines, py::arg("path"), py::arg("lines"),
        "Appends a str, or every str of an iterable, each followed by CR LF (Windows-1252, '?' "
        "for characters it has no byte for), creating the file when it does not exist.");
}

}  // namespace korvex_py::files
