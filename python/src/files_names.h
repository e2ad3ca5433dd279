// The names and texts of the files area: Python file names in, the library's names of exactly
// those native files; stored names out as os.fsdecode gives them; str <-> String keeping lone
// surrogates; OSError from an errno-style code.
#pragma once

#include <string_view>

#include "bind.h"

namespace korvex_py::files {

// The library's name for exactly the native file a str, bytes or os.PathLike names (the
// verbatim form: no drive, case or back-slash rule applies). ValueError for a name holding
// NUL, as os functions raise it; "" stays the bare verbatim form, which names nothing.
krv::String NameIn(const py::object& path);
// The str of a name the library gave back (verbatim or not): os.fsdecode of its bytes, so
// undecodable bytes come back as the surrogate escapes os.listdir gives.
py::str NameOut(std::u16string_view name);
// The str os.fsdecode gives for the path argument as the caller wrote it.
py::str Shown(const py::object& path);

// The UTF-16 code units of a str, lone surrogates kept; TypeError for anything else.
krv::String TextIn(const py::handle& text);
// The str of UTF-16 code units; a lone surrogate becomes that code point.
py::str TextOut(std::u16string_view text);

// Raises the OSError subclass of `err` (FileNotFoundError...) naming `path`; `err` 0 stands
// for EIO.
[[noreturn]] void RaiseOsError(int err, const py::object& path);
// Raises OSError(err, message, path) with the library's own reason.
[[noreturn]] void RaiseOsError(int err, const std::string& message, const py::object& path);

}  // namespace korvex_py::files
