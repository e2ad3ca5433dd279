// A copy's progress and the failures of a tree copy (see files_progress.h).
#include "files_progress.h"

#include <algorithm>
#include <string>

#include "files_names.h"
#include "filesys/internal/tree_walk.h"
#include "korvex/platform/filesystem.h"
#include "platform/internal/dir_handle.h"

namespace korvex_py::files {
namespace {

using krv::detail::DirHandle;
using krv::detail::FileId;
using krv::detail::NativeName;
using krv::detail::NodeInfo;
using krv::detail::NodeKind;

constexpr std::int64_t kBlock = 8192;  // the library's copy block

// Call-back values stop at 2^31 - 1; past that the calls themselves (one per block after the
// first two) tell how far a file is.
std::int64_t BytesOf(std::int32_t done, std::int32_t size, std::int64_t calls) {
  if (size < INT32_MAX) return done;
  return std::max<std::int64_t>(0, calls - 2) * kBlock;
}

// The bytes of the regular files below `dir`, walked through handles (never through a link).
std::int64_t TreeBytes(DirHandle& dir, const FileId& id, const FileId* skip, int depth) {
  std::vector<NativeName> names;
  int err = 0;
  if (!dir.List(names, err)) return 0;
  std::int64_t sum = 0;
  for (const NativeName& name : names) {
    NodeInfo info;
    if (!dir.Valid()) break;
    if (!dir.ChildInfo(name, info, err)) continue;
    if (info.kind == NodeKind::kFile) sum += info.size;
    if (info.kind != NodeKind::kDirectory || (skip != nullptr && info.id == *skip)) continue;
    krv::detail::Descend(dir, id, name, depth, err,
                         [&](DirHandle& sub) { sum += TreeBytes(sub, info.id, skip, depth + 1); });
  }
  return sum;
}

}  // namespace

void CopyProgress::FileBlock(std::int32_t done, std::int32_t size) {
  ++calls_;
  if (total_ < 0) {
    total_ = size < INT32_MAX ? size : std::max<krv::Int64>(0, krv::FileSize64(source_));
  }
  current_ = std::min(total_, BytesOf(done, size, calls_));
  Deliver(current_);
}

void CopyProgress::TreeBlock(std::int32_t done, std::int32_t size, const krv::String& name,
                             std::int32_t files) {
  if (files != files_) {
    finished_ += FileBytes();
    files_ = files;
    name_ = name;
    calls_ = 0;
  }
  size_ = size;
  ++calls_;
  current_ = BytesOf(done, size, calls_);
  Deliver(finished_ + current_);
}

std::int64_t CopyProgress::FileBytes() const {
  if (files_ == 0) return 0;
  if (size_ < INT32_MAX) return current_;
  return std::max<krv::Int64>(0, krv::FileSize64(name_));  // the finished copy's size
}

void CopyProgress::CountTree(const krv::String& dest) {
  NativeName from, to;
  NodeInfo info, skip;
  int err = 0;
  total_ = 0;
  if (krv::detail::ResolveNative(source_, from)) {
    const bool has_skip =
        krv::detail::ResolveNative(dest, to) && krv::detail::PathInfo(to, true, skip, err);
    DirHandle dir = DirHandle::Open(from, true, err);
    if (dir.Valid() && dir.Info(info, err)) {
      total_ = TreeBytes(dir, info.id, has_skip ? &skip.id : nullptr, 0);
    }
  }
  Deliver(0);
}

void CopyProgress::EndTree() {
  finished_ += FileBytes();
  files_ = 0;
  current_ = 0;
  done_ = finished_;
}

void CopyProgress::Deliver(std::int64_t done) {
  done_ = done;
  if (error_) return;
  const std::int64_t total = std::max(total_, done);
  if (sent_ >= 0 && (done == sent_ || (done - sent_ < kStep && done != total_))) return;
  py::gil_scoped_acquire gil;
  try {
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    if (!callable_.is_none()) callable_(done, total);
    sent_ = done;
    sent_total_ = total;
  } catch (...) {
    error_ = std::current_exception();
    krv::AbortAnyFileCopying();
  }
}

void CopyProgress::RaiseStored() {
  if (error_) std::rethrow_exception(error_);
}

void CopyProgress::Finish() {
  if (sent_ == done_ && sent_total_ == done_) return;
  if (!callable_.is_none()) callable_(done_, done_);
  sent_ = sent_total_ = done_;
}

// ---- Failures ----------------------------------------------------------------------------

namespace {

struct CopyFailure {
  py::str source, dest, step, reason;
  int error = 0;
};

py::object& TreeErrorClass() {
  static py::object* cls = new py::object();  // lives as long as the interpreter
  return *cls;
}

const char* StepName(krv::TCopyStep s) {
  static const char* const kNames[] = {"open_source", "create_file", "create_dir",
                                       "create_link", "create_fifo", "read",
                                       "write",       "special",     "refused"};
  return s <= krv::csRefused ? kNames[s] : "unknown";
}

CopyFailure Described(const krv::TCopyFailure& f, const krv::String& refusal) {
  std::string reason;
  if (f.Step == krv::csRefused) {
    reason = "refusing to write into " + TextOut(refusal).cast<std::string>();
  } else if (f.Step == krv::csSpecial) {
    reason = "a socket or device: not copied";
  } else if (f.OSError != 0) {
    reason = py::module_::import("os").attr("strerror")(f.OSError).cast<std::string>();
  }
  return CopyFailure{NameOut(f.Source), NameOut(f.Dest), py::str(StepName(f.Step)), py::str(reason),
                     f.OSError};
}

}  // namespace

void BindCopyFailure(py::module_& m) {
  py::class_<CopyFailure>(m, "CopyFailure", "One entry a tree copy could not copy.")
      .def_readonly("source", &CopyFailure::source, "The source entry.")
      .def_readonly("dest", &CopyFailure::dest, "The destination entry.")
      .def_readonly("step", &CopyFailure::step,
                    "What failed: 'open_source', 'create_file', 'create_dir', 'create_link', "
                    "'create_fifo', 'read', 'write', 'special' (a socket or device) or "
                    "'refused' (a protected destination).")
      .def_readonly("errno", &CopyFailure::error, "The system's reason, 0 when there is none.")
      .def_readonly("reason", &CopyFailure::reason, "The reason as text.")
      .def("__repr__", [](const CopyFailure& f) {
        return py::str("<CopyFailure {} {!r}: {}>").format(f.step, f.source, f.reason);
      });
  py::dict ns;
  ns["__doc__"] = "A tree copy could not copy every entry; .failures lists them (CopyFailure).";
  ns["__module__"] = "korvex";
  const py::object bases = py::make_tuple(m.attr("Error"), py::handle(PyExc_OSError));
  TreeErrorClass() = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type))(
      "CopyTreeError", bases, ns);
  m.attr("CopyTreeError") = TreeErrorClass();
}

void RaiseCopyTreeError(const std::vector<krv::TCopyFailure>& failures,
                        const krv::String& refusal) {
  py::list list;
  for (const krv::TCopyFailure& f : failures) list.append(py::cast(Described(f, refusal)));
  const CopyFailure first = list[0].cast<CopyFailure>();
  const std::size_t n = failures.size();
  const py::str message = py::str("{} {} could not be copied; the first, {}: {}")
                              .format(n, n == 1 ? "entry" : "entries", first.source, first.reason);
  const py::object e = TreeErrorClass()(message);
  e.attr("failures") = list;
  PyErr_SetObject(TreeErrorClass().ptr(), e.ptr());
  throw py::error_already_set();
}

}  // namespace korvex_py::files
