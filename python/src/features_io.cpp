// File helpers of the features and tables areas (see features_io.h).
#include "features_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "huge_pages.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace korvex_py {
namespace {

// The native name of a Python file name; ValueError when no native name can hold it.
std::string NativeOf(const py::object& path) {
  std::string name;
  if (!krv::ToNativeName(PathArg(path), name))
    throw py::value_error("no file name can hold this name");
  return name;
}

[[noreturn]] void RaiseIo(int err) {
  krv::IOResult();  // nothing stays pending for a later call
  const int code = krv::kIoOsErrorBase + err;
  throw krv::EInOutError(krv::IOErrorMessage(code), code);
}

// Writes all bytes to fd; the errno of a failure, else 0.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Reads fd to its end into out (straight into its buffer, sized by fstat and grown as the
// file turns out longer); the errno of a failure, else 0.
int ReadAll(int fd, std::string& out) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  std::size_t used = 0;
  const std::size_t size =
      st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : std::size_t{1} << 16;
  out.reserve(size);
  AdviseHugePages(out.data(), out.capacity());
  out.resize(size);
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2);
    const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  out.resize(used);
  return 0;
}

PyObject* g_file_format_error = nullptr;  // lives as long as the interpreter

}  // namespace

void BindFileFormatError(py::module_& m) {
  if (g_file_format_error == nullptr) {
    const py::tuple bases = py::make_tuple(m.attr("Error"), py::handle(PyExc_ValueError));
    g_file_format_error = PyErr_NewExceptionWithDoc(
        "korvex.FileFormatError",
        "A file or text holds none of the data asked for, or holds it malformed.", bases.ptr(),
        nullptr);
    if (g_file_format_error == nullptr) throw py::error_already_set();
  }
  m.attr("FileFormatError") = py::handle(g_file_format_error);
}

void RaiseFileFormatError(const std::string& message) {
  PyErr_SetString(g_file_format_error, message.c_str());
  throw py::error_already_set();
}

std::string ShownName(const py::object& path) {
  const py::object name = py::module_::import("os").attr("fsdecode")(path);
  const py::object utf8 = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(name.ptr(), "utf-8", "backslashreplace"));
  if (!utf8) throw py::error_already_set();
  return utf8.cast<std::string>();
}

void RaiseOSError(int err, const py::object& path) {
  errno = err;
  PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
  throw py::error_already_set();
}

int ErrnoOfIoCode(int code) {
  switch (code) {
    case krv::kIoFileNotFound:
    case krv::kIoPathNotFound:
      return ENOENT;
    case krv::kIoAccessDenied:
      return EACCES;
    case krv::kIoTooManyOpenFiles:
      return EMFILE;
    default:
      return code > krv::kIoOsErrorBase ? code - krv::kIoOsErrorBase : 0;
  }
}

std::string ReadNativeFile(const py::object& path) {
  const std::string name = NativeOf(path);
  std::string bytes;
  int err = 0;
  {
    py::gil_scoped_release release;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      err = errno;
    } else {
      err = ReadAll(fd, bytes);
      ::close(fd);
    }
  }
  if (err != 0) RaiseOSError(err, path);
  return bytes;
}

void WriteNativeFile(const py::object& path, std::string_view bytes) {
  const std::string name = NativeOf(path);
  int err = 0;
  {
    py::gil_scoped_release release;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      err = errno;
    } else {
      err = WriteAll(fd, bytes);
      if (::close(fd) != 0 && err == 0) err = errno;
    }
  }
  if (err != 0) RaiseOSError(err, path);
}

ScratchFile::ScratchFile() {
  const char* dir = std::getenv("TMPDIR");
  native_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/korvex-XXXXXX";
  const int fd = ::mkstemp(native_.data());
  if (fd < 0) RaiseIo(errno);
  ::close(fd);
  name_ = u"\\\\?\\" + krv::FromNativeName(native_);
}

ScratchFile::~ScratchFile() {
  ::unlink(native_.c_str());
}

void ScratchFile::Write(std::string_view bytes) {
  const int fd = ::open(native_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) RaiseIo(errno);
  const int err = WriteAll(fd, bytes);
  ::close(fd);
  if (err != 0) RaiseIo(err);
}

std::string ScratchFile::Read() const {
  const int fd = ::open(native_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseIo(errno);
  std::string bytes;
  const int err = ReadAll(fd, bytes);
  ::close(fd);
  if (err != 0) RaiseIo(err);
  return bytes;
}

}  // namespace korvex_py
