// Conversions shared by the binding files.
#include "bind.h"
#include "korvex/platform/text.h"

namespace korvex_py {

krv::String PathArg(const py::object& path) {
  // os.fsencode gives the file system's bytes of a str too, undecodable bytes (held in a str
  // as surrogateescape code points) included, and the library maps bytes exactly.
  const std::string name = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
  if (name.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
  return krv::FromNativeName(name);
}

krv::String VerbatimName(const py::object& path) {
  return u"\\\\?\\" + PathArg(path);
}

}  // namespace korvex_py
