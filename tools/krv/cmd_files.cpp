// krv files: counts, lists, copies, deletes and trashes files through the library's file
// routines, which take Windows names (C:\data\*.TXT) as well as POSIX names.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/filesys/copying.h"
#include "korvex/filesys/scanning.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/text.h"
#include "korvex/platform/trash.h"
#include "os.h"
#include "progress.h"

namespace krv::tool {
namespace {

// Exit status after Ctrl-C, as shells report a command ended by SIGINT.
constexpr int kExitInterrupted = 130;
constexpr std::int64_t kBlock = 8192;

struct Options {
  std::string mask, source, dest, dir;
  bool recursive = false;
  bool ignore_case = false;
};

// --windows-names: operands are read as the library reads Windows names (drives, `\` and `/`
// separators, case-insensitive lookup). Otherwise every operand is a native name, exactly.
bool g_windows_names = false;

// The library's name for an operand: a native name goes in the verbatim form, which the
// library resolves to exactly that path.
String W(const std::string& s) {
#ifdef _WIN32
  return ToUtf16(s);
#else
  return g_windows_names ? FromNativeName(s) : u"\\\\?\\" + FromNativeName(s);
#endif
}

// A name the library gave back, for messages and listings: the bytes it stands for.
std::string Shown(const String& name) {
  const std::u16string_view verbatim = u"\\\\?\\";
  if (std::u16string_view(name).substr(0, verbatim.size()) == verbatim) {
    return NativeNameOf(std::u16string_view(name).substr(verbatim.size()));
  }
  return NativeNameOf(name);
}

std::string OsReason(int fallback) {
  const int err = GetLastOSError();
  return ErrnoText(err != 0 ? err : fallback);
}

// Whether operands are Windows names: on request, and always on Windows, where they are the
// system's own.
bool WindowsStyleNames() {
#ifdef _WIN32
  return true;
#else
  return g_windows_names;
#endif
}

// The separators of an operand: `/` for a POSIX name, `\`, `/` and a drive's `:` for a
// Windows name.
const char* Separators() {
  return WindowsStyleNames() ? "\\/:" : "/";
}

// The directory part of a name: up to its last separator ("" when none).
std::string DirPart(const std::string& name) {
  const std::size_t p = name.find_last_of(Separators());
  return p == std::string::npos ? "" : name.substr(0, p + 1);
}

// Appends a separator: `/` to a native name; to a Windows name `\` when it is written with
// `\`, else `/`. The library keeps it, so the names it reports are written the same way.
std::string WithSeparator(const std::string& dir) {
  const bool windows = WindowsStyleNames();
  if (dir.empty() || dir.back() == '/' || (windows && dir.back() == '\\')) return dir;
  return dir + (windows && dir.find('\\') != std::string::npos ? '\\' : '/');
}

// A mask whose directory does not exist is an error rather than "nothing found".
void RequireMaskDir(const std::string& mask) {
  const std::string dir = DirPart(mask);
  if (dir.empty() || DirectoryExists(W(dir))) return;
  throw Failure{mask, ErrnoText(FileGetAttr(W(dir)) == -1 ? ENOENT : ENOTDIR)};
}

// Refuses, with exit status 2, an operand that names a protected target (the roots, "." and
// "..", a folder holding the current folder): "refusing to delete the root of drive C:".
void RefuseProtected(const std::string& operand, const char* verb, bool follow = false,
                     const std::string& as_given = "") {
  const String reason = ProtectedTargetReason(W(as_given.empty() ? operand : as_given), follow);
  if (!reason.empty())
    throw Failure{operand, std::string("refusing to ") + verb + " " + ToUtf8(reason)};
}

#ifndef _WIN32
// Whether two native names are one folder.
bool SameFolder(const std::string& a, const std::string& b) {
  os::FileInfo sa, sb;
  return os::StatPath(a, sa) && os::StatPath(b, sb) && sa.dev == sb.dev && sa.ino == sb.ino;
}

// The folder part of a Windows-name mask (dir, resolved to native_dir, which ends in '/') as
// a native name written like the operand: an absolute one as native_dir; a relative one
// relative again, its leading "." and ".." kept and each folder after them in its stored
// spelling, taken from the end of native_dir. native_dir itself when no such spelling names
// the same folder.
std::string ShownFolder(const std::string& dir, const std::string& native_dir) {
  if (dir.find_first_of("\\/") == 0 || dir.find(':') != std::string::npos) return native_dir;
  std::string lead;
  std::size_t folders = 0;
  for (std::size_t at = 0; at < dir.size();) {
    const std::size_t end = std::min(dir.find_first_of("\\/", at), dir.size());
    const std::string part = dir.substr(at, end - at);
    at = end + 1;
    if (part.empty()) continue;
    const bool dots = part == "." || part == "..";
    if (dots && folders > 0) return native_dir;  // "a/../b": no plain relative spelling
    if (dots) {
      lead += part + "/";
    } else {
      ++folders;
    }
  }
  std::size_t cut = native_dir.size() - 1;  // the final '/'
  for (std::size_t i = 0; i < folders; ++i) {
    cut = cut == 0 ? std::string::npos : native_dir.rfind('/', cut - 1);
    if (cut == std::string::npos) return native_dir;
  }
  const std::string shown = lead + native_dir.substr(cut + 1);
  return SameFolder(shown.empty() ? "." : shown, native_dir) ? shown : native_dir;
}
#endif

// A file a mask matched: the name to list, MASK's folder as written followed by the stored
// names below it (as find prints them), and the library's name for exactly that entry.
struct Match {
  std::string shown;
  String name;
};

// The files matching the mask operand, in listing order (see ScanStoredNames). A Windows name
// is resolved to its native folder once, and matches ignoring case.
std::vector<Match> Matches(const Options& o, bool recursive) {
  const std::string dir = DirPart(o.mask);
  std::string shown_dir = dir;
  // The current folder is "" to the scan, which then gives plain relative names.
  String folder = dir.empty() ? String() : W(dir);
#ifdef _WIN32
  const bool case_sensitive = false;  // Windows' own names match ignoring case
  const String exact;
#else
  const bool case_sensitive = !g_windows_names && !o.ignore_case;
  const String exact = u"\\\\?\\";  // the verbatim form: exactly the name that follows
  if (g_windows_names && !dir.empty()) {
    std::string native_dir = ToNativePath(folder);
    if (native_dir.empty()) throw Failure{o.mask, ErrnoText(ENOENT)};
    if (native_dir.back() != '/') native_dir += '/';
    shown_dir = ShownFolder(dir, native_dir);
    folder = exact + FromNativeName(native_dir);
  }
#endif
  std::vector<Match> matches;
  const auto visit = [&](const String& path) {
    const std::u16string_view below = std::u16string_view(path).substr(folder.size());
    matches.push_back({shown_dir + NativeNameOf(below), folder.empty() ? exact + path : path});
  };
  ScanStoredNames(folder, FromNativeName(o.mask.substr(dir.size())), recursive, case_sensitive,
                  visit);
  return matches;
}

bool SameNativeFile(const std::string& a, const std::string& b) {
  const std::string na = ToNativePath(W(a)), nb = ToNativePath(W(b));
  os::FileInfo sa, sb;
  return !na.empty() && !nb.empty() && os::StatPath(na, sa) && os::StatPath(nb, sb) &&
         sa.dev == sb.dev && sa.ino == sb.ino;
}

// ---- count, list -------------------------------------------------------------------------

int Count(const Options& o) {
  RequireMaskDir(o.mask);
  Output out("-");
  const std::size_t n = Matches(o, o.recursive).size();
  out.Text() << n << '\n';
  out.Commit();
  return n > 0 ? kExitOk : kExitNo;
}

// Prints the files one native path a line, the bytes of each name as stored.
int List(const Options& o) {
  RequireMaskDir(o.mask);
  Output out("-");
  const std::vector<Match> matches = Matches(o, o.recursive);
  for (const Match& m : matches) out.Text() << m.shown << '\n';
  out.Commit();
  return matches.empty() ? kExitNo : kExitOk;
}

// ---- copy --------------------------------------------------------------------------------

volatile std::sig_atomic_t g_interrupted = 0;

// Ctrl-C aborts the copy through the library's abort flag while an InterruptAborts lives.
void OnInterrupt() {
  g_interrupted = 1;
  AbortAnyFileCopying();
}

struct InterruptAborts : os::InterruptHandler {
  InterruptAborts() : os::InterruptHandler(&OnInterrupt) {}
};

// What the call-backs (plain functions) work with during one copy.
struct CopyState {
  Progress* progress = nullptr;
  std::int64_t files_total = 0;
  std::int64_t bytes_done = 0;  // of the files finished
  // The file being copied.
  std::int32_t number = 0;
  String dest_name;
  std::int64_t size = 0;
  std::int64_t calls = 0;
  // The tree copy's roots, with their separators, to find a destination's source.
  String source_root, dest_root;
  int failures = 0;
};
CopyState* g_state = nullptr;

// Bytes done of the current file. The call-back values stop at 2^31 - 1; beyond that the
// calls themselves (one per 8192-byte block) tell the progress.
std::int64_t CurrentDone(std::int32_t done) {
  if (g_state->size < INT32_MAX) return done;
  return std::min(g_state->size, std::max<std::int64_t>(0, g_state->calls - 2) * kBlock);
}

void ShowProgress() {
  if (g_state->progress == nullptr) return;
  if (g_state->files_total > 0) {
    g_state->progress->SetLabel(std::to_string(g_state->number) + " of " +
                                std::to_string(g_state->files_total) + " files");
  }
}

void FileFeedback(std::int32_t done, std::int32_t) {
  ++g_state->calls;
  if (g_state->progress != nullptr) g_state->progress->Update(CurrentDone(done));
}

// Counts the bytes of the file just copied as done.
void FinishTreeFile() {
  CopyState& s = *g_state;
  if (s.number == 0 || g_interrupted) return;
  s.bytes_done += s.size > 0 ? s.size : 0;
}

void TreeFeedback(std::int32_t done, std::int32_t size, const String& name, std::int32_t number) {
  CopyState& s = *g_state;
  if (number != s.number) {
    FinishTreeFile();
    s.number = number;
    s.dest_name = name;
    s.calls = 0;
    s.size = size < INT32_MAX ? size : FileSize64(s.source_root + name.substr(s.dest_root.size()));
    ShowProgress();
  }
  ++s.calls;
  if (s.progress != nullptr) s.progress->Update(s.bytes_done + CurrentDone(done));
}

// Files and bytes a tree copy will copy (regular files; links and FIFOs are made again).
void Measure(const String& dir, std::int64_t& files, std::int64_t& bytes) {
  ScanStoredNames(dir, u"*", true, true, [&](const String& path) {
    if ((FileGetAttr(path) & (faSymLink | faSysFile)) != 0) return;
    ++files;
    bytes += std::max<Int64>(0, FileSize64(path));
  });
}

// cp's words for an entry a tree copy could not copy.
std::string CopyFailureText(const TCopyFailure& f) {
  const std::string src = "'" + Shown(f.Source) + "'", dst = "'" + Shown(f.Dest) + "'";
  const std::string why = f.OSError != 0 ? ErrnoText(f.OSError) : "";
  switch (f.Step) {
    case csOpenSource:
      return "cannot open " + src + " for reading: " + why;
    case csCreateFile:
      return "cannot create regular file " + dst + ": " + why;
    case csCreateDir:
      return "cannot create directory " + dst + ": " + why;
    case csCreateLink:
      return "cannot create symbolic link " + dst + ": " + why;
    case csCreateFifo:
      return "cannot create fifo " + dst + ": " + why;
    case csRead:
      return "error reading " + src + ": " + why;
    case csWrite:
      return "error writing " + dst + ": " + why;
    case csSpecial:
      return "cannot copy special file " + src + ": not a file, directory, link or FIFO";
    case csRefused:
      break;
  }
  return "refusing to copy into " + dst + ": " + ToUtf8(LastRefusalReason());
}

int Interrupted(const std::string& dest) {
  Report(Failure{"", "interrupted; " + dest + " is incomplete"});
  return kExitInterrupted;
}

// Removes a temporary copy unless it was renamed into place; a signal that ends the tool
// meanwhile removes it too (os::MakeTrackedTemp).
class TempCopy {
 public:
  explicit TempCopy(std::string native) : native_(std::move(native)) {}
  ~TempCopy() {
    if (!native_.empty()) os::RemoveTemp(native_);
  }
  TempCopy(const TempCopy&) = delete;
  TempCopy& operator=(const TempCopy&) = delete;
  const std::string& Name() const { return native_; }
  // Renames the copy to target; false with errno set.
  bool Commit(const std::string& target) {
    if (!os::RenameTemp(native_, target)) return false;
    native_.clear();
    return true;
  }

 private:
  std::string native_;
};

// A replaced file's owner, group and mode go to the copy that replaces it, as cp keeps them
// when it overwrites.
void KeepIdentity(const std::string& copy, const os::FileInfo& replaced) {
  const int fd = os::OpenWrite(copy);
  if (fd < 0) return;
  os::SetNewFileMode(fd, &replaced);
  os::Close(fd);
}

// The file a single-file copy writes: DEST, or SRC's name inside DEST when DEST is a folder.
// Refuses a DEST that ends in a separator but names no folder (as cp does), SRC itself, and a
// folder or read-only file where the copy would go.
std::string CopyTarget(const Options& o) {
  std::string target = o.dest;
  if (DirectoryExists(W(o.dest))) {
    target = WithSeparator(o.dest) + o.source.substr(o.source.find_last_of(Separators()) + 1);
  } else if (!o.dest.empty() &&
             std::string_view(WindowsStyleNames() ? "\\/" : "/").find(o.dest.back()) !=
                 std::string_view::npos) {
    throw Failure{"", "cannot create regular file '" + o.dest + "': " + ErrnoText(ENOTDIR)};
  }
  if (SameNativeFile(o.source, target))
    throw Failure{"", o.source + " and " + o.dest + " are the same file"};
  const Integer target_attr = FileGetAttr(W(target));
  if (target_attr != -1 && (target_attr & faDirectory) != 0)
    throw Failure{target, ErrnoText(EISDIR)};
  if (target_attr != -1 && (target_attr & faReadOnly) != 0)
    throw Failure{target, ErrnoText(EACCES)};
  return target;
}

// The native file a copy to target replaces: a link as DEST is written through, as cp does,
// to the file it leads to.
std::string WrittenFile(const std::string& target) {
  const std::string resolved = ToNativePath(W(target));
  if (resolved.empty()) throw Failure{target, ErrnoText(ENOENT)};
  try {
    return FollowOutputLinks(resolved);
  } catch (Failure& f) {
    f.name = target;  // the operand, not the path it resolved to
    throw;
  }
}

// A single file is copied to a temporary file beside the target and renamed into place
// when complete, so a failure or Ctrl-C leaves an existing target as it was.
int CopyOneFile(const Options& o) {
  const std::string target = CopyTarget(o);
  const std::string native = WrittenFile(target);
  os::FileInfo replaced;
  const bool replacing = os::StatPath(native, replaced);
  const std::size_t slash = os::LastSeparator(native);
  const std::size_t leaf = slash == std::string::npos ? 0 : slash + 1;  // a name in this folder
  std::string temp = native.substr(0, leaf) + "." + native.substr(leaf) + ".krv-XXXXXX";
  const int fd = os::MakeTrackedTemp(temp);
  if (fd < 0) throw Failure{target, ErrnoText(errno)};
  os::Close(fd);
  TempCopy copy(temp);

  CopyState state;
  state.size = FileSize64(W(o.source));
  std::unique_ptr<Progress> progress;
  if (Progress::Wanted()) progress = std::make_unique<Progress>(o.source, state.size);
  state.progress = progress.get();
  g_state = &state;
  std::int32_t status;
  {
    const InterruptAborts interrupts;
    try {
      status = FileCopyFeedBk(W(o.source), W(copy.Name()), true, FileFeedback);
    } catch (const EInOutError& e) {
      throw Failure{o.source, e.what()};
    }
  }
  const int err = GetLastOSError();
  progress.reset();
  if (g_interrupted) {
    Report(Failure{"", "interrupted; " + target + " was not written"});
    return kExitInterrupted;
  }
  switch (status) {
    case kCopyOk:
      if (replacing) KeepIdentity(copy.Name(), replaced);
      if (!copy.Commit(native)) throw Failure{target, ErrnoText(errno)};
      return kExitOk;
    case kCopyNoDest:
      throw Failure{target, ErrnoText(err != 0 ? err : EACCES)};
    case kCopyWriteError:
      throw Failure{target, "write error: " + ErrnoText(err != 0 ? err : EIO)};
    default:
      throw Failure{o.source, "read error: " + ErrnoText(err != 0 ? err : EIO)};
  }
}

int CopyTree(const Options& o) {
  const std::string source = WithSeparator(o.source), dest = WithSeparator(o.dest);
  if (SameNativeFile(o.source, o.dest))
    throw Failure{"", o.source + " and " + o.dest + " are the same file"};
  RefuseProtected(o.dest, "copy into", true);
  CopyState state;
  state.source_root = W(source);
  state.dest_root = W(dest);
  std::unique_ptr<Progress> progress;
  if (Progress::Wanted()) {
    std::int64_t bytes = 0;
    Measure(state.source_root, state.files_total, bytes);
    progress = std::make_unique<Progress>(o.source, bytes);
  }
  state.progress = progress.get();
  g_state = &state;
  {
    const InterruptAborts interrupts;
    CopyFileTree(state.source_root, state.dest_root, true, TreeFeedback);
  }
  FinishTreeFile();
  progress.reset();
  const std::vector<TCopyFailure> failures = LastTreeCopyFailures();
  for (const TCopyFailure& f : failures) Report(Failure{"", CopyFailureText(f)});
  if (g_interrupted) return Interrupted(o.dest);
  return failures.empty() ? kExitOk : kExitError;
}

int Copy(const Options& o) {
  const Integer attr = FileGetAttr(W(o.source));
  if (attr == -1) throw Failure{o.source, OsReason(ENOENT)};
  // A link to a directory, named as the source, is the tree it points to (as cp -r SRC does
  // with a link given on the command line).
  return (attr & faDirectory) != 0 ? CopyTree(o) : CopyOneFile(o);
}

// ---- deltree, trash ----------------------------------------------------------------------

int DelTree(const Options& o) {
  const Integer attr = FileGetAttr(W(o.dir));
  if (attr == -1) throw Failure{o.dir, OsReason(ENOENT)};
  RefuseProtected(o.dir, "delete", false, WithSeparator(o.dir));  // as DelDirTree gets it
  if ((attr & faDirectory) == 0) throw Failure{o.dir, ErrnoText(ENOTDIR)};
  const String failed = DelDirTree(W(WithSeparator(o.dir)));
  if (failed.empty()) return kExitOk;
  const int err = GetLastOSError();
  if (err == EPERM && !LastRefusalReason().empty())
    throw Failure{o.dir, "refusing to delete " + ToUtf8(LastRefusalReason())};
  const Integer failed_attr = FileGetAttr(failed);
  const bool read_only =
      failed_attr != -1 && (failed_attr & faReadOnly) != 0 && (failed_attr & faDirectory) == 0;
  throw Failure{Shown(failed),
                read_only ? "read-only file; the deletion stopped here"
                          : ErrnoText(err != 0 ? err : EACCES) + "; the deletion stopped here"};
}

// The files trash acts on: matching, no directories, no names beginning with '.'.
std::vector<Match> TrashCandidates(const Options& o) {
  std::vector<Match> files;
  for (Match& m : Matches(o, false)) {
    const std::size_t cut = os::LastSeparator(m.shown);
    if (m.shown[cut == std::string::npos ? 0 : cut + 1] == '.') continue;
    const Integer attr = FileGetAttr(m.name);
    if (attr != -1 && (attr & faDirectory) == 0) files.push_back(std::move(m));
  }
  return files;
}

int Trash(const Options& o) {
  RequireMaskDir(o.mask);
  RefuseProtected(o.mask, "move to the Trash");
  const std::vector<Match> files = TrashCandidates(o);
  if (files.empty()) {
    Report(Failure{o.mask, "no files match"});
    return kExitNo;
  }
  std::size_t moved = 0;
  for (const Match& m : files) {
    const int err = MoveFileToTrash(m.name);
    if (err == 0) {
      ++moved;
    } else {
      Report(Failure{m.shown, TrashErrorText(err)});
    }
  }
  if (moved == files.size()) return kExitOk;
  throw Failure{o.mask, std::to_string(files.size() - moved) + " of " +
                            std::to_string(files.size()) +
                            " files could not be moved to the Trash"};
}

// ---- Command line ------------------------------------------------------------------------

// How every mode reads its operands, for the help pages.
#define NAMES_TEXT                                                                    \
  "Names: every operand is a POSIX name, exactly as written: its case, no drive\n"    \
  "letters, '\\' an ordinary character. With --windows-names operands are read as\n"  \
  "Windows names instead: C: is /, '\\' and '/' separate, a name is found ignoring\n" \
  "case when no entry has its exact case."

// MASK with -i, and -r when recursive.
void AddMaskOperand(CLI::App& mode, Options& o, bool recursive) {
  mode.add_option("MASK", o.mask, "directory and wildcard mask")->required();
  if (recursive) mode.add_flag("-r,--recursive", o.recursive, "include every subdirectory");
  mode.add_flag("-i,--ignore-case", o.ignore_case, "the mask matches letters of either case");
}

// --windows-names, last on every mode's page.
void AddNamesFlag(CLI::App& mode) {
  mode.add_flag("--windows-names", g_windows_names,
                "read operands as Windows names (drives, \\, any case)");
}

CLI::App* AddCount(CLI::App& app, Options& o) {
  CLI::App* count = AddMode(
      app, {.name = "count",
            .summary = "count the files matching a mask",
            .usage = "krv files count [-r] [-i] MASK",
            .description = "Prints the number of files matching MASK (a directory and a Windows\n"
                           "wildcard mask: *.* is every name, *. the names without a dot; the\n"
                           "mask's letters match their own case unless -i is given). With -r\n"
                           "the subdirectories are counted too; hidden directories (names\n"
                           "beginning with '.') and links to directories are not entered.\n"
                           "\n" NAMES_TEXT,
            .exit_status = "0  files were found\n"
                           "1  no file matches\n"
                           "2  the directory does not exist, or a usage or write error",
            .examples = "krv files count '/var/log/*.log'\n"
                        "krv files count -r -i 'src/*.CPP'\n"
                        "krv files count -r --windows-names 'C:\\src\\*.CPP'"});
  AddMaskOperand(*count, o, true);
  AddNamesFlag(*count);
  return count;
}

CLI::App* AddList(CLI::App& app, Options& o) {
  CLI::App* list = AddMode(
      app, {.name = "list",
            .summary = "list the files matching a mask",
            .usage = "krv files list [-r] [-i] MASK",
            .description = "Prints the files matching MASK, one native path a line, each\n"
                           "directory's files before those of its subdirectories (-r). The\n"
                           "files and directories are the ones 'krv files count' counts. Names\n"
                           "are printed with their bytes as stored, each starting with MASK's\n"
                           "directory as written (relative or absolute, as find prints them);\n"
                           "with --windows-names its folders are written as stored, with '/'.\n"
                           "\n" NAMES_TEXT,
            .exit_status = "0  files were found\n"
                           "1  no file matches\n"
                           "2  the directory does not exist, or a usage or write error",
            .examples = "krv files list '*.txt'\n"
                        "krv files list -r --windows-names 'C:\\home\\ann\\*.JPG'"});
  AddMaskOperand(*list, o, true);
  AddNamesFlag(*list);
  return list;
}

CLI::App* AddCopy(CLI::App& app, Options& o) {
  CLI::App* copy = AddMode(
      app, {.name = "copy",
            .summary = "copy a file or a directory tree",
            .usage = "krv files copy [-q] SRC DEST",
            .description =
                "Copies the file SRC to DEST (into DEST when DEST is a directory; a DEST\n"
                "ending in '/' must be one, as for cp), or the directory tree SRC into DEST\n"
                "(created when missing). Copies take the source's modification time and\n"
                "permission bits, made writable for the owner; a copy that did not finish\n"
                "keeps its own time. In a tree, symbolic links are copied as links and FIFOs\n"
                "as FIFOs (as cp -r does); sockets and devices are not copied and are\n"
                "reported. Names are created exactly as the source has them.\n"
                "A file that cannot be copied completely (a full disk) is removed again and\n"
                "reported with cp's message; every other entry is still copied.\n"
                "\n"
                "A single file is written to a temporary file beside DEST and renamed into\n"
                "place when complete; a read-only DEST is not replaced.\n"
                "\n"
                "On a terminal a progress line shows files, bytes, rate and time left. Ctrl-C\n"
                "stops the copy after the current block and the command exits with 130: a\n"
                "single file's DEST is left as it was; in a tree the file being copied stays\n"
                "incomplete, without the source's time.\n"
                "\n"
                "Refused (exit 2): a DEST that is the root of the file system or of a drive,\n"
                "'.' or '..', or a folder that holds the current folder.\n"
                "\n" NAMES_TEXT,
            .exit_status = "0  everything was copied\n"
                           "2  SRC is missing, DEST cannot be made or is refused, SRC and DEST\n"
                           "   are the same, an entry could not be copied, or a usage error\n"
                           "130  interrupted by Ctrl-C",
            .examples = "krv files copy big.iso /media/stick/\n"
                        "krv files copy -q --windows-names 'C:\\Projects\\Site' /backup/site"});
  copy->add_option("SRC", o.source, "file or directory to copy")->required();
  copy->add_option("DEST", o.dest, "destination file or directory")->required();
  AddQuietFlag(*copy);
  AddNamesFlag(*copy);
  return copy;
}

CLI::App* AddDelTree(CLI::App& app, Options& o) {
  CLI::App* deltree = AddMode(
      app, {.name = "deltree",
            .summary = "delete a directory tree",
            .usage = "krv files deltree DIR",
            .description =
                "Deletes DIR and everything in it. Symbolic links are removed themselves,\n"
                "never what they point to. A read-only file (owner's write bit clear) is not\n"
                "deleted, whoever runs the command: the deletion stops at the first entry it\n"
                "cannot delete and names it; what was deleted before stays deleted. The walk\n"
                "never follows a link, also one swapped in while it runs.\n"
                "\n"
                "Refused (exit 2), as rm --preserve-root refuses them: the root of the file\n"
                "system, the root of a drive, '.' and '..', and every folder that holds the\n"
                "current folder.\n"
                "\n" NAMES_TEXT,
            .exit_status = "0  the tree is gone\n"
                           "2  DIR is missing, no directory or refused, an entry could not be\n"
                           "   deleted, or a usage error",
            .examples = "krv files deltree build/old\n"
                        "krv files deltree --windows-names 'C:\\tmp\\Scratch'"});
  deltree->add_option("DIR", o.dir, "directory to delete")->required();
  AddNamesFlag(*deltree);
  return deltree;
}

void AddTrash(CLI::App& app, Options& o) {
  CLI::App* trash = AddMode(
      app, {.name = "trash",
            .summary = "move files to the Trash",
            .usage = "krv files trash [-i] MASK",
            .description =
                "Moves the files matching MASK (not directories, not names beginning with '.')\n"
                "into the freedesktop Trash ($XDG_DATA_HOME/Trash, by default\n"
                "~/.local/share/Trash), where file managers can restore them. The mask's\n"
                "letters match their own case unless -i is given.\n"
                "\n"
                "Refused (exit 2): a MASK naming the root of the file system or of a drive,\n"
                "'.' or '..', or a folder that holds the current folder.\n"
                "\n" NAMES_TEXT,
            .exit_status = "0  every matching file was moved\n"
                           "1  no file matches\n"
                           "2  a file could not be moved, the directory does not exist, MASK\n"
                           "   is refused, or a usage error",
            .examples = "krv files trash '*.bak'\n"
                        "krv files trash --windows-names 'C:\\tmp\\Report.PDF'"});
  AddMaskOperand(*trash, o, false);
  AddNamesFlag(*trash);
}

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* count = AddCount(app, *o);
  CLI::App* list = AddList(app, *o);
  CLI::App* copy = AddCopy(app, *o);
  CLI::App* deltree = AddDelTree(app, *o);
  AddTrash(app, *o);
  return [o, count, list, copy, deltree] {
    if (count->parsed()) return Count(*o);
    if (list->parsed()) return List(*o);
    if (copy->parsed()) return Copy(*o);
    if (deltree->parsed()) return DelTree(*o);
    return Trash(*o);  // the parse requires a mode, and trash is the one left
  };
}

const KrvCommand reg{
    {.name = "files",
     .summary = "count, list, copy, delete and trash files",
     .usage = "krv files count [-r] MASK\n"
              "krv files list [-r] MASK\n"
              "krv files copy [-q] SRC DEST\n"
              "krv files deltree DIR\n"
              "krv files trash MASK",
     .description = "Works on files with the library's file routines. Operands are POSIX names,\n"
                    "exactly as written; with --windows-names they are Windows names\n"
                    "(C:\\data\\*.TXT, where C: is /, found ignoring case). Masks keep Windows\n"
                    "wildcard rules. deltree, copy and trash refuse the roots, '.', '..' and\n"
                    "folders that hold the current folder. Quote masks for the shell.\n"
                    "'krv help files MODE' shows one mode's page.",
     .exit_status = "0  success\n"
                    "1  count, list, trash: no file matches\n"
                    "2  every error: missing files, failed copies or deletions, usage\n"
                    "130  copy interrupted by Ctrl-C",
     .examples = "krv files count -r '/usr/include/*.h'\n"
                 "krv files copy photos /backup/photos\n"
                 "krv files trash --windows-names 'C:\\tmp\\*.BAK'"},
    &Setup};

}  // namespace
}  // namespace krv::tool
