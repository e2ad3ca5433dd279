// The file-system routines as korvex.files: wildcard masks and listings (files_scan.cpp),
// copies with progress and deleting trees (files_copy.cpp), text files (files_text.cpp,
// files_textfile.cpp) and, here, the name helpers of filesys/paths.h. File names are POSIX
// names (str, bytes or os.PathLike), each naming exactly that native file; names come back
// as str as os.fsdecode gives them.
#include "bind.h"
#include "files_names.h"
#include "files_parts.h"
#include "korvex/filesys/paths.h"
#include "korvex/platform/filesystem.h"

namespace korvex_py {
namespace files {
namespace {

using Unary = krv::String (*)(const krv::String&);

void DefText(py::module_& m, const char* name, Unary f, const char* arg, const char* doc) {
  m.def(
      name, [f](const py::object& s) { return TextOut(f(TextIn(s))); }, py::arg(arg), doc);
}

}  // namespace

void BindPaths(py::module_& m) {
  DefText(m, "file_name_part", &krv::StripPath, "name",
          "Everything after the last '\\' or ':' (C:\\a\\b.txt gives b.txt); '' when the name "
          "ends in one of them.");
  DefText(m, "strip_extension", &krv::StripExtension, "name",
          "The name without the extension of its file-name part (the last '.' and what follows); "
          "dots in the directory part stay, and '.profile' gives ''.");
  DefText(m, "parent_dir", &krv::ParentDir, "path",
          "The parent directory with its trailing '\\' or '/', ignoring one trailing separator: "
          "C:\\a\\b and C:\\a\\b\\ give C:\\a\\, x/y gives x/, C:\\ and abc give ''.");
  DefText(m, "file_extension", &krv::ExtractFileExt, "name",
          "The extension from the last '.' of the file-name part ('.txt'), or ''.");
  m.def(
      "change_extension",
      [](const py::object& name, const py::object& ext) {
        return TextOut(krv::ChangeFileExt(TextIn(name), TextIn(ext)));
      },
      py::arg("name"), py::arg("ext"),
      "The name with its extension replaced by ext, which brings its own dot.");
  m.def(
      "drive_number",
      [](const py::object& path) -> py::object {
        const std::int32_t d = krv::ExtractDrive(TextIn(path));
        if (d < 0) return py::none();
        return py::int_(d);
      },
      py::arg("path"),
      "The drive number (A = 0 ... Z = 25, either case) when the second character is ':' "
      "(0 when the first is then no letter); None otherwise.");
  m.def(
      "is_root_dir", [](const py::object& p) { return krv::IsRootDir(TextIn(p)); }, py::arg("path"),
      "True exactly for a drive root such as 'c:\\', blanks around it allowed.");
  m.def(
      "is_dos83_path", [](const py::object& p) { return krv::IsDOS83Path(TextIn(p)); },
      py::arg("path"),
      "True when the path has 8.3-safe characters only and pieces of at most 8 characters "
      "(9 for the last, its extension's dot included).");
  m.def(
      "abridge_path",
      [](const py::object& p, std::int32_t maximum) {
        return TextOut(krv::AbridgeFilePath(TextIn(p), maximum));
      },
      py::arg("path"), py::arg("maximum"),
      "A shorter form for display: while it is at least maximum characters long, directory "
      "names after the first separator become '..', from the left; the file name stays.");
  m.def(
      "insert_before_extension",
      [](const py::object& name, const py::object& text) {
        return TextOut(krv::InsertBeforeFileExt(TextIn(text), TextIn(name)));
      },
      py::arg("name"), py::arg("text"),
      "text inserted before the first '.' of the file-name part, or appended when it has none: "
      "('C:\\x\\data.tar.gz', '_old') gives C:\\x\\data_old.tar.gz.");
  m.def(
      "with_default_extension",
      [](const py::object& name, const py::object& ext) {
        return TextOut(krv::EnsureDefaultFileExt(TextIn(name), TextIn(ext)));
      },
      py::arg("name"), py::arg("ext"),
      "The name unchanged when ext is '' or the file-name part has a '.'; otherwise name + '.' "
      "+ ext (without a second dot when ext begins with one).");
}

}  // namespace files

void BindFiles(py::module_& m) {
  files::BindScan(m);
  files::BindCopy(m);
  files::BindTextFiles(m);
  files::BindTextFile(m);
  files::BindPaths(m);
}

}  // namespace korvex_py
