// korvex.TextFile: the library's text file (Windows-1252, lines written with CR LF, read ending
// at LF or CR LF) as a context manager and an iterator over lines. Opening and the calls
// over many lines run without the GIL; single reads and writes are buffered and keep it.
// Every failure raises InOutError, whatever this thread's I/O-checking setting.
#include <string>
#include <vector>

#include "files_names.h"
#include "files_parts.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/textfile.h"

namespace korvex_py::files {
namespace {

class PyTextFile {
 public:
  PyTextFile(const py::object& path, const std::string& mode) : name_(Shown(path)), mode_(mode) {
    if (mode != "r" && mode != "w" && mode != "a")
      throw py::value_error("mode must be 'r', 'w' or 'a', not '" + mode + "'");
    const krv::String name = VerbatimName(path);
    py::gil_scoped_release release;
    const krv::IOChecksOn checks;
    file_.Assign(name);
    if (mode == "r") {
      file_.Reset();
    } else if (mode == "w") {
      file_.Rewrite();
    } else {
      file_.Append();
    }
  }

  // The open file, for one call; ValueError when closed or in use by a call without the GIL.
  krv::TextFile& Use() {
    if (busy_) throw py::value_error("this TextFile is in use by another thread");
    if (!file_.IsOpen()) throw py::value_error("I/O operation on closed file");
    return file_;
  }

  py::object ReadLine() {
    krv::TextFile& f = Use();
    const krv::IOChecksOn checks;
    if (f.Eof()) return py::none();
    return TextOut(f.ReadLn());
  }

  py::list ReadLines() {
    krv::TextFile& f = Use();
    std::vector<krv::String> lines;
    {
      const BusyGuard guard(busy_, "this TextFile");
      py::gil_scoped_release release;
      const krv::IOChecksOn checks;
      while (!f.Eof()) lines.push_back(f.ReadLn());
    }
    py::list out;
    for (const krv::String& s : lines) out.append(TextOut(s));
    return out;
  }

  void WriteLines(const py::iterable& lines) {
    krv::TextFile& f = Use();
    std::vector<krv::String> texts;
    for (const py::handle line : lines) texts.push_back(TextIn(line));
    const BusyGuard guard(busy_, "this TextFile");
    py::gil_scoped_release release;
    const krv::IOChecksOn checks;
    for (const krv::String& s : texts) f.WriteLn(s);
  }

  void Close() {
    if (busy_) throw py::value_error("this TextFile is in use by another thread");
    if (!file_.IsOpen()) return;
    py::gil_scoped_release release;
    const krv::IOChecksOn checks;
    file_.Close();
  }

  // Closes without raising: the file is closed however writing its last output went.
  void CloseQuietly() {
    try {
      Close();
    } catch (const krv::Exception&) {
    }
  }

  bool Closed() const { return !file_.IsOpen(); }

  py::str name_;
  std::string mode_;

 private:
  krv::TextFile file_;
  bool busy_ = false;
};

template <typename R>
auto Checked(R (*op)(krv::TextFile&)) {
  return [op](PyTextFile& t) {
    krv::TextFile& f = t.Use();
    const krv::IOChecksOn checks;
    return op(f);
  };
}

void BindReading(py::class_<PyTextFile>& c) {
  c.def("read_line", &PyTextFile::ReadLine,
        "The next line without its line end; None at the end of the file.")
      .def("read_lines", &PyTextFile::ReadLines, "The lines left, without their line ends.")
      .def("read_char", Checked(+[](krv::TextFile& f) {
             return f.Eof() ? py::str() : TextOut(krv::String(1, f.ReadChar()));
           }),
           "The next character (a line end is its characters); '' at the end of the file.")
      .def("read_int", Checked(+[](krv::TextFile& f) { return f.ReadInteger(); }),
           "Skips characters of code 32 and below, then reads a decimal integer with optional "
           "sign, or hexadecimal after '$' or '0x'; 0 at the end of the file. InOutError "
           "(code 106) for other text.")
      .def("read_word",
           Checked(+[](krv::TextFile& f) { return TextOut(krv::ReadNextWordInTextFile(f)); }),
           "Skips characters of code 32 and below and reads the characters up to the next one "
           "(consumed); '' at the end of the file.")
      .def("__iter__",
           [](PyTextFile& t) -> PyTextFile& {
             t.Use();
             return t;
           })
      .def("__next__", [](PyTextFile& t) {
        py::object line = t.ReadLine();
        if (line.is_none()) throw py::stop_iteration();
        return line;
      });
}

void BindWriting(py::class_<PyTextFile>& c) {
  c.def(
       "write",
       [](PyTextFile& t, const py::object& text) {
         const krv::String s = TextIn(text);
         krv::TextFile& f = t.Use();
         const krv::IOChecksOn checks;
         f.Write(s);
       },
       py::arg("text"), "Writes the text, one byte a character ('?' for those without one).")
      .def(
          "write_line",
          [](PyTextFile& t, const py::object& text) {
            const krv::String s = TextIn(text);
            krv::TextFile& f = t.Use();
            const krv::IOChecksOn checks;
            f.WriteLn(s);
          },
          py::arg("text") = py::str(), "Writes the text, then CR LF.")
      .def("write_lines", &PyTextFile::WriteLines, py::arg("lines"),
           "Writes every str of the iterable, each followed by CR LF.")
      .def("flush", Checked(+[](krv::TextFile& f) { f.Flush(); }),
           "Hands pending output to the operating system.");
}

}  // namespace

void BindTextFile(py::module_& m) {
  py::class_<PyTextFile> c(m, "TextFile",
                           "A text file of one byte per character in Windows-1252: lines are "
                           "written ending in CR LF and read ending at LF or CR LF (a lone CR is "
                           "text). Mode 'r' reads from the start, 'w' creates or truncates, 'a' "
                           "appends to an existing file. Iterating gives the lines left; 'with' "
                           "closes the file, also when the block raises.");
  c.def(py::init<const py::object&, const std::string&>(), py::arg("path"), py::arg("mode") = "r");
  BindReading(c);
  BindWriting(c);
  c.def("close", &PyTextFile::Close,
        "Writes pending output and closes the file; closing twice "
        "does nothing.")
      .def_property_readonly("closed", &PyTextFile::Closed)
      .def_property_readonly("eof", Checked(+[](krv::TextFile& f) { return f.Eof(); }),
                             "True when no character is left to read.")
      .def_readonly("name", &PyTextFile::name_, "The file's name as given.")
      .def_readonly("mode", &PyTextFile::mode_)
      .def("__enter__", [](PyTextFile& t) -> PyTextFile& { return t; })
      .def("__exit__",
           [](PyTextFile& t, const py::object& type, const py::object&, const py::object&) {
             if (type.is_none()) {
               t.Close();
             } else {
               t.CloseQuietly();  // the block's exception is the one to see
             }
             return false;
           })
      .def("__repr__", [](const PyTextFile& t) {
        return py::str("<korvex.TextFile {!r} mode={!r}>").format(t.name_, t.mode_);
      });
}

}  // namespace korvex_py::files
