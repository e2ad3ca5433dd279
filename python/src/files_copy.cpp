// File and tree copies with a progress callable, and deleting a tree.
//
// A copy runs without the GIL; its call-backs take the GIL again to call progress(done,
// total) with 64-bit byte counts: once at the start, then whenever done has grown by
// kStep bytes or reached total, never twice with the same done. While it holds the GIL a
// call-back also lets Python handle signals, so Ctrl-C stops a copy. An exception from the
// callable (or a signal handler) sets the library's abort switch - a file copy stops after
// its block in progress, a tree copy after its file in progress - and is raised once the
// copy has returned. The abort switch is one for the process, so the module runs one copy
// at a time: a second thread's copy waits (without the GIL) for the first to end.
#include <mutex>

#include "files_names.h"
#include "files_parts.h"
#include "files_progress.h"
#include "korvex/filesys/copying.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"

namespace korvex_py::files {
namespace {

std::mutex g_copy_mutex;
thread_local CopyProgress* t_progress = nullptr;

void OnFileBlock(std::int32_t done, std::int32_t size) {
  t_progress->FileBlock(done, size);
}

void OnTreeBlock(std::int32_t done, std::int32_t size, const krv::String& name,
                 std::int32_t files) {
  t_progress->TreeBlock(done, size, name, files);
}

// Runs body() without the GIL, alone among this module's copies, with t_progress set.
template <class Body>
void RunCopy(CopyProgress& progress, Body&& body) {
  py::gil_scoped_release release;
  const std::lock_guard<std::mutex> lock(g_copy_mutex);
  t_progress = &progress;
  struct Reset {
    ~Reset() { t_progress = nullptr; }
  } reset;
  body();
}

py::object CheckedProgress(const py::object& progress) {
  if (!progress.is_none() && PyCallable_Check(progress.ptr()) == 0)
    throw py::type_error("progress must be a callable or None");
  return progress;
}

void CopyFile(const py::object& src, const py::object& dst, const py::object& progress,
              bool copy_attributes) {
  const krv::String source = VerbatimName(src), dest = VerbatimName(dst);
  CopyProgress state(CheckedProgress(progress), source);
  std::int32_t status = krv::kCopyOk;
  int err = 0;
  RunCopy(state, [&] {
    try {
      status = krv::FileCopyFeedBk(source, dest, copy_attributes, &OnFileBlock);
      err = krv::GetLastOSError();
    } catch (const krv::EInOutError&) {  // the source cannot be opened
      status = krv::kCopyNoSource;
      err = krv::GetLastOSError() != 0 ? krv::GetLastOSError() : ENOENT;
    }
  });
  state.RaiseStored();
  if (status == krv::kCopyNoDest && err == EINVAL)
    RaiseOsError(err, "the destination is the source itself", dst);
  if (status == krv::kCopyNoSource || status == krv::kCopyReadError) RaiseOsError(err, src);
  if (status != krv::kCopyOk) RaiseOsError(err, dst);
  state.Finish();
}

void CopyTree(const py::object& src, const py::object& dst, const py::object& progress,
              bool copy_attributes) {
  const krv::String source = VerbatimName(src), dest = VerbatimName(dst);
  CopyProgress state(CheckedProgress(progress), source);
  std::vector<krv::TCopyFailure> failures;
  krv::String refusal;
  RunCopy(state, [&] {
    state.CountTree(dest);
    if (state.Stopped()) return;  // the first call raised: nothing is copied
    krv::CopyFileTree(source, dest, copy_attributes, &OnTreeBlock);
    state.EndTree();
    failures = krv::LastTreeCopyFailures();
    if (!failures.empty()) refusal = krv::LastRefusalReason();
  });
  state.RaiseStored();
  if (!failures.empty()) RaiseCopyTreeError(failures, refusal);
  state.Finish();
}

void DeleteTree(const py::object& path) {
  const krv::String name = VerbatimName(path);
  if (PathArg(path).empty()) RaiseOsError(ENOENT, path);
  krv::String reason, failed;
  int err = 0;
  {
    py::gil_scoped_release release;
    reason = krv::ProtectedTargetReason(name, false);
    if (reason.empty()) {
      failed = krv::DelDirTree(name);
      err = krv::GetLastOSError();
      if (!failed.empty() && err == EPERM) reason = krv::LastRefusalReason();
    }
  }
  if (!reason.empty()) {
    const py::str text = TextOut(reason);
    RaiseOsError(EPERM, "refusing to delete " + text.cast<std::string>(), path);
  }
  if (!failed.empty()) RaiseOsError(err, NameOut(failed));
}

}  // namespace

void BindCopy(py::module_& m) {
  BindCopyFailure(m);
  m.def("copy_file", &CopyFile, py::arg("src"), py::arg("dst"), py::arg("progress") = py::none(),
        py::kw_only(), py::arg("copy_attributes") = false,
        "Copies the file src to dst (into it, under src's name, when dst is a directory) and "
        "gives it src's last-write time; with copy_attributes also src's permission bits (with "
        "the owner's write bit), otherwise a new file gets them less the umask. progress, when "
        "given, is called as progress(done, total) in bytes, the last time with done == total. "
        "A read-only destination, or one that is src itself, is not overwritten. OSError when "
        "the copy fails (a file this call created is then removed); an exception raised by "
        "progress stops the copy (the bytes copied so far stay) and is raised again.");
  m.def("copy_tree", &CopyTree, py::arg("src"), py::arg("dst"), py::arg("progress") = py::none(),
        py::kw_only(), py::arg("copy_attributes") = false,
        "Copies every entry of the folder src into dst (made with missing parents): names "
        "exactly as stored, symbolic links as links, FIFOs as FIFOs; nothing outside the two "
        "trees is read or written. progress(done, total) counts the bytes of the regular files "
        "(total as found before the copy; the last call has done == total). Entries that "
        "cannot be copied are passed over and then reported by CopyTreeError (its .failures). "
        "The root of the file system, '.', '..' and a folder holding the current folder are "
        "refused as destinations. An exception raised by progress stops the copy after the "
        "file in progress and is raised again.");
  m.def("delete_tree", &DeleteTree, py::arg("path"),
        "Deletes the folder and everything in it (as shutil.rmtree); a symbolic link named as "
        "the folder is removed itself, and links inside are never followed. Read-only files "
        "are not deleted. PermissionError, deleting nothing, for the root of the file system, "
        "'.', '..' and a folder holding the current folder; otherwise OSError naming the first "
        "entry that could not be deleted (what was deleted before it stays deleted).");
}

}  // namespace korvex_py::files
