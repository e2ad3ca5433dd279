// The names and texts of the files area (file names go in through VerbatimName, bind.h):
// stored names out as os.fsdecode gives them; str <-> String keeping lone
// surrogates; OSError from an errno-style code.
#pragma once

#include <string_view>

#include "bind.h"

namespace korvex_py::files {

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
