// Wildcard masks and directory listings: korvex.matches_wildcard and korvex.scan, an iterator
// over FindFirst/FindNext that yields ScanEntry objects ("." and ".." left out, as os.scandir
// leaves them out). Each FindFirst/FindNext runs without the GIL.
#include <optional>
#include <utility>

#include "files_names.h"
#include "files_parts.h"
#include "korvex/platform/filesystem.h"

namespace korvex_py::files {
namespace {

// One entry of a listing, as os.DirEntry describes one: the stored name, the folder's name
// joined with it, and what FindFirst/FindNext report.
struct ScanEntry {
  py::str name, path;
  krv::Int64 size = 0;
  krv::Integer attributes = 0;
  krv::TFileTime time = krv::kNoFileTime;
  bool Has(krv::Integer a) const { return (attributes & a) != 0; }
};

class Scanner {
 public:
  Scanner(const py::object& folder, const py::object& mask, krv::Integer attributes,
          bool case_sensitive)
      : mask_(TextIn(mask)), case_sensitive_(case_sensitive) {
    if (mask_.empty() || mask_.find_first_of(u"\\/") != krv::String::npos)
      throw py::value_error("the mask must be one non-empty name, without '/' or '\\'");
    krv::String dir = VerbatimName(folder);
    if (dir.back() != u'/') dir += u'/';
    prefix_ = Shown(folder);
    if (!prefix_.attr("endswith")("/").cast<bool>()) prefix_ = prefix_ + py::str("/");
    const krv::String pattern = dir + mask_;
    int r;
    {
      py::gil_scoped_release release;
      r = krv::FindFirst(pattern, attributes, rec_);
    }
    if (r == krv::kFsFileNotFound) {
      done_ = true;
    } else if (r != 0) {
      RaiseOsError(r == krv::kFsPathNotFound   ? ENOENT
                   : r == krv::kFsAccessDenied ? EACCES
                   : r == krv::kFsInvalidName  ? EINVAL
                                               : krv::GetLastOSError(),
                   folder);
    } else {
      have_ = true;
    }
  }

  std::optional<ScanEntry> Next() {
    const BusyGuard guard(busy_, "this scan");
    while (!done_) {
      if (!have_) {
        int r;
        {
          py::gil_scoped_release release;
          r = krv::FindNext(rec_);
        }
        if (r != 0) break;
      }
      have_ = false;
      if (Wanted()) return Entry();
    }
    Close();
    return std::nullopt;
  }

  void Close() {
    done_ = true;
    krv::FindClose(rec_);
  }
  bool busy_ = false;

 private:
  bool Wanted() const {
    if (rec_.Name == u"." || rec_.Name == u"..") return false;
    return !case_sensitive_ || krv::MatchesWildcard(rec_.Name, mask_, true);
  }
  ScanEntry Entry() const {
    const py::str name = NameOut(rec_.Name);
    return ScanEntry{name, py::str(prefix_ + name), rec_.Size, rec_.Attr, rec_.Time};
  }

  krv::TSearchRec rec_;
  krv::String mask_;
  py::object prefix_;
  bool case_sensitive_;
  bool have_ = false;  // rec_ holds an entry not yet looked at
  bool done_ = false;
};

void BindEntry(py::module_& m) {
  py::class_<ScanEntry>(m, "ScanEntry",
                        "One entry of a scan: its stored name, the folder joined with it, and "
                        "the size, fa... attributes and last-write time the listing reports.")
      .def_readonly("name", &ScanEntry::name, "The stored name, as os.listdir gives it.")
      .def_readonly("path", &ScanEntry::path, "The scanned folder as written + '/' + name.")
      .def_readonly("size", &ScanEntry::size, "Bytes; 0 for directories.")
      .def_readonly("attributes", &ScanEntry::attributes, "The Attr flags of the entry.")
      .def_property_readonly(
          "mtime_ns",
          [](const ScanEntry& e) -> py::object {
            if (e.time == krv::kNoFileTime) return py::none();
            return py::int_(e.time);
          },
          "Last-write time in nanoseconds since 1970 (UTC), None when unknown.")
      .def_property_readonly(
          "is_dir", [](const ScanEntry& e) { return e.Has(krv::faDirectory); },
          "A directory, or a symbolic link to one.")
      .def_property_readonly(
          "is_file", [](const ScanEntry& e) { return e.Has(krv::faArchive); },
          "A regular file, or a symbolic link to one.")
      .def_property_readonly("is_symlink", [](const ScanEntry& e) { return e.Has(krv::faSymLink); })
      .def_property_readonly("is_hidden", [](const ScanEntry& e) { return e.Has(krv::faHidden); })
      .def_property_readonly("is_readonly",
                             [](const ScanEntry& e) { return e.Has(krv::faReadOnly); })
      .def("__fspath__", [](const ScanEntry& e) { return e.path; })
      .def("__repr__",
           [](const ScanEntry& e) { return py::str("<ScanEntry {!r}>").format(e.name); });
}

}  // namespace

void BindScan(py::module_& m) {
  m.def(
      "matches_wildcard",
      [](const py::object& name, const py::object& mask, bool case_sensitive) {
        return krv::MatchesWildcard(TextIn(name), TextIn(mask), case_sensitive);
      },
      py::arg("name"), py::arg("mask"), py::kw_only(), py::arg("case_sensitive") = false,
      "Windows wildcard matching: '*' any run of characters; '?' one character, but at a '.' "
      "or the end of the name nothing; '*' directly before a '.' stops at the name's last dot; "
      "a '.' before '*', '?' or at the end of the mask also matches the end of the name. So "
      "'*.*' matches every name, '*.' the names without a dot. Letters match ignoring case "
      "(simple Unicode folding) unless case_sensitive.");
  m.def(
      "has_wildcards", [](const py::object& mask) { return krv::HasWildcards(TextIn(mask)); },
      py::arg("mask"), "True when the mask contains '*' or '?'.");
  BindEntry(m);
  py::class_<Scanner>(m, "Scan",
                      "An iterator over the entries of one folder whose names match a mask; "
                      "also a context manager that releases the listing.")
      .def("__iter__", [](Scanner& s) -> Scanner& { return s; })
      .def("__next__",
           [](Scanner& s) {
             std::optional<ScanEntry> e = s.Next();
             if (!e) throw py::stop_iteration();
             return std::move(*e);
           })
      .def(
          "close",
          [](Scanner& s) {
            const BusyGuard guard(s.busy_, "this scan");
            s.Close();
          },
          "Releases the listing; later iteration ends at once.")
      .def("__enter__", [](Scanner& s) -> Scanner& { return s; })
      .def("__exit__", [](Scanner& s, const py::args&) {
        const BusyGuard guard(s.busy_, "this scan");
        s.Close();
      });
  m.def(
      "scan",
      [](const py::object& folder, const py::object& mask, krv::Integer attributes,
         bool case_sensitive) {
        return std::make_unique<Scanner>(folder, mask, attributes, case_sensitive);
      },
      py::arg("folder") = ".", py::arg("mask") = "*", py::kw_only(),
      py::arg("attributes") = krv::faAnyFile, py::arg("case_sensitive") = false,
      "The entries of `folder` (a POSIX name) whose names match the Windows wildcard `mask`, "
      "in the file system's order, '.' and '..' left out. An entry that is hidden, a system "
      "entry (device, FIFO, socket) or a directory is only reported when `attributes` has "
      "that flag (Attr.ANY_FILE, the default, reports all). A mask without wildcards yields "
      "the one entry of that name. FileNotFoundError when the folder does not exist.");
}

}  // namespace korvex_py::files
