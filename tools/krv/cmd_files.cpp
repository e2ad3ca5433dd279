// krv files: counts, lists, copies, deletes and trashes files through the library's file
// routines, which take Windows names (C:\data\*.TXT) as well as POSIX names.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli.h"
#include "io.h"
#include "korvex/filesys/copying.h"
#include "korvex/filesys/scanning.h"
#include "korvex/filesys/trees.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/stringlist.h"
#include "korvex/platform/text.h"
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
};

String W(const std::string& s) {
  return ToUtf16(s);
}

std::string OsReason(int fallback) {
  const int err = GetLastOSError();
  return ErrnoText(err != 0 ? err : fallback);
}

// The directory part of a name: up to its last `\`, `/` or `:` ("" when none).
std::string DirPart(const std::string& name) {
  const std::size_t p = name.find_last_of("\\/:");
  return p == std::string::npos ? "" : name.substr(0, p + 1);
}

// Appends a separator: `\` to a name written with `\` (a Windows name), else `/`. The
// library keeps it, so the names it reports are written the same way.
std::string WithSeparator(const std::string& dir) {
  if (dir.empty() || dir.back() == '/' || dir.back() == '\\') return dir;
  return dir + (dir.find('\\') != std::string::npos ? '\\' : '/');
}

// A mask whose directory does not exist is an error rather than "nothing found".
void RequireMaskDir(const std::string& mask) {
  const std::string dir = DirPart(mask);
  if (dir.empty() || DirectoryExists(W(dir))) return;
  throw Failure{mask, ErrnoText(FileGetAttr(W(dir)) == -1 ? ENOENT : ENOTDIR)};
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
  const std::int32_t n = CountFiles(W(o.mask), o.recursive);
  out.Text() << n << '\n';
  out.Commit();
  return n > 0 ? kExitOk : kExitNo;
}

// Prints the files as native paths: the library lists an upper-cased directory part, which
// the file system layer resolves to the stored spelling once per directory.
int List(const Options& o) {
  RequireMaskDir(o.mask);
  Output out("-");
  TStringList names;
  ScanFilesToStrList(W(o.mask), o.recursive, &names);
  String last_dir;
  std::string native_dir;
  for (int i = 0; i < names.Count(); ++i) {
    const String& name = names[i];
    const std::size_t split = name.find_last_of(u"\\/:") + 1;  // npos + 1 == 0
    const String dir = name.substr(0, split);
    if (i == 0 || dir != last_dir) {
      last_dir = dir;
      native_dir = dir.empty() ? "" : os::StoredSpelling(ToNativePath(dir));
      if (!native_dir.empty() && os::LastSeparator(native_dir) != native_dir.size() - 1)
        native_dir += os::NativeSeparator();
    }
    out.Text() << native_dir << ToUtf8(name.substr(split)) << '\n';
  }
  out.Commit();
  return names.Count() > 0 ? kExitOk : kExitNo;
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

// Checks that the file just copied is complete: same size as its source and, as only a
// complete copy gets it, the source's time.
void FinishTreeFile() {
  CopyState& s = *g_state;
  if (s.number == 0 || g_interrupted) return;
  const String source = s.source_root + s.dest_name.substr(s.dest_root.size());
  const Int64 size = FileSize64(source);
  const TFileTime a = FileAge(source), b = FileAge(s.dest_name);
  const bool complete = size >= 0 && FileSize64(s.dest_name) == size && a != kNoFileTime &&
                        b != kNoFileTime && (a > b ? a - b : b - a) < 2'000'000'000;
  if (!complete) {
    ++s.failures;
    Report(Failure{ToUtf8(source), "could not be copied to " + ToUtf8(s.dest_name)});
  }
  s.bytes_done += size > 0 ? size : 0;
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

// Files and bytes a tree copy will copy, walked with the copy's rules.
void Measure(const String& dir, std::int64_t& files, std::int64_t& bytes) {
  TSearchRec rec;
  for (int rc = FindFirst(dir + u"*.*", faAnyFile, rec); rc == 0; rc = FindNext(rec)) {
    const String& n = rec.Name;
    if (n == u"." || n == u".." || n.find(u'\\') != String::npos) continue;
    if ((rec.Attr & faSymLink) != 0 && (rec.Attr & faArchive) == 0) continue;
    if ((rec.Attr & faDirectory) != 0) {
      Measure(dir + n + dir.back(), files, bytes);
    } else if ((rec.Attr & faSysFile) == 0) {
      ++files;
      bytes += rec.Size;
    }
  }
  FindClose(rec);
}

int Interrupted(const std::string& dest) {
  Report(Failure{"", "interrupted; " + dest + " is incomplete"});
  return kExitInterrupted;
}

// Removes a temporary copy unless it was renamed into place.
class TempCopy {
 public:
  explicit TempCopy(std::string native) : native_(std::move(native)) {}
  ~TempCopy() {
    if (!native_.empty()) os::Remove(native_);
  }
  TempCopy(const TempCopy&) = delete;
  TempCopy& operator=(const TempCopy&) = delete;
  const std::string& Name() const { return native_; }
  // Renames the copy to target; false with errno set.
  bool Commit(const std::string& target) {
    if (!os::Rename(native_, target)) return false;
    native_.clear();
    return true;
  }

 private:
  std::string native_;
};

// A single file is copied to a temporary file beside the target and renamed into place
// when complete, so a failure or Ctrl-C leaves an existing target as it was.
int CopyOneFile(const Options& o) {
  std::string target = o.dest;
  if (DirectoryExists(W(o.dest)))
    target = WithSeparator(o.dest) + o.source.substr(o.source.find_last_of("\\/:") + 1);
  if (SameNativeFile(o.source, target))
    throw Failure{"", o.source + " and " + o.dest + " are the same file"};
  const Integer target_attr = FileGetAttr(W(target));
  if (target_attr != -1 && (target_attr & faDirectory) != 0)
    throw Failure{target, ErrnoText(EISDIR)};
  if (target_attr != -1 && (target_attr & faReadOnly) != 0)
    throw Failure{target, ErrnoText(EACCES)};
  const std::string native = ToNativePath(W(target));
  const std::size_t slash = os::LastSeparator(native);
  if (native.empty() || slash == std::string::npos) throw Failure{target, ErrnoText(ENOENT)};
  std::string temp = native.substr(0, slash + 1) + "." + native.substr(slash + 1) + ".krv-XXXXXX";
  const int fd = os::MakeTemp(temp);
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
  if (!ForceDirectories(W(o.dest))) throw Failure{o.dest, OsReason(ENOTDIR)};
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
  if (g_interrupted) return Interrupted(o.dest);
  return state.failures == 0 ? kExitOk : kExitError;
}

int Copy(const Options& o) {
  const Integer attr = FileGetAttr(W(o.source));
  if (attr == -1) throw Failure{o.source, OsReason(ENOENT)};
  return (attr & faDirectory) != 0 ? CopyTree(o) : CopyOneFile(o);
}

// ---- deltree, trash ----------------------------------------------------------------------

int DelTree(const Options& o) {
  const Integer attr = FileGetAttr(W(o.dir));
  if (attr == -1) throw Failure{o.dir, OsReason(ENOENT)};
  if ((attr & faDirectory) == 0) throw Failure{o.dir, ErrnoText(ENOTDIR)};
  if (ToNativePath(W(o.dir)) == "/") throw Failure{o.dir, "the root directory is not deleted"};
  const String failed = DelDirTree(W(WithSeparator(o.dir)));
  if (failed.empty()) return kExitOk;
  const int err = GetLastOSError();
  const Integer failed_attr = FileGetAttr(failed);
  const bool read_only =
      failed_attr != -1 && (failed_attr & faReadOnly) != 0 && (failed_attr & faDirectory) == 0;
  throw Failure{ToUtf8(failed),
                read_only ? "read-only file; the deletion stopped here"
                          : ErrnoText(err != 0 ? err : EACCES) + "; the deletion stopped here"};
}

// The files the library's masked operations act on: matching, not directories, no dot.
std::int32_t MatchingFiles(const String& mask) {
  std::int32_t n = 0;
  TSearchRec rec;
  for (int rc = FindFirst(ExpandFileName(mask), faAnyFile, rec); rc == 0; rc = FindNext(rec)) {
    if (!rec.Name.empty() && rec.Name[0] != u'.' && (rec.Attr & faDirectory) == 0) ++n;
  }
  FindClose(rec);
  return n;
}

int Trash(const Options& o) {
  RequireMaskDir(o.mask);
  const std::int32_t matching = MatchingFiles(W(o.mask));
  if (matching == 0) {
    Report(Failure{o.mask, "no files match"});
    return kExitNo;
  }
  const std::int32_t moved = MoveToRecycleBin(W(o.mask));
  if (moved == matching) return kExitOk;
  throw Failure{o.mask, std::to_string(matching - moved) + " of " + std::to_string(matching) +
                            " files could not be moved to the Trash"};
}

// ---- Command line ------------------------------------------------------------------------

RunFn Setup(CLI::App& app) {
  auto o = std::make_shared<Options>();
  CLI::App* count = AddMode(
      app, {.name = "count",
            .summary = "count the files matching a mask",
            .usage = "krv files count [-r] MASK",
            .description = "Prints the number of files matching MASK (a directory and a Windows\n"
                           "wildcard mask: *.* is every name, *. the names without a dot). With\n"
                           "-r the subdirectories are counted too; hidden directories (names\n"
                           "beginning with '.') and links to directories are not entered.",
            .exit_status = "0  files were found\n"
                           "1  no file matches\n"
                           "2  the directory does not exist, or a usage or write error",
            .examples = "krv files count '/var/log/*.log'\n"
                        "krv files count -r 'C:\\src\\*.CPP'"});
  CLI::App* list = AddMode(
      app, {.name = "list",
            .summary = "list the files matching a mask",
            .usage = "krv files list [-r] MASK",
            .description = "Prints the files matching MASK, one native path a line, each\n"
                           "directory's files before those of its subdirectories (-r). The\n"
                           "files and directories are the ones 'krv files count' counts.",
            .exit_status = "0  files were found\n"
                           "1  no file matches\n"
                           "2  the directory does not exist, or a usage or write error",
            .examples = "krv files list '*.txt'\n"
                        "krv files list -r 'C:\\home\\ann\\*.JPG'"});
  for (CLI::App* sub : {count, list}) {
    sub->add_option("MASK", o->mask, "directory and wildcard mask")->required();
    sub->add_flag("-r,--recursive", o->recursive, "include every subdirectory");
  }
  CLI::App* copy = AddMode(
      app, {.name = "copy",
            .summary = "copy a file or a directory tree",
            .usage = "krv files copy [-q] SRC DEST",
            .description =
                "Copies the file SRC to DEST (into DEST when DEST is a directory), or the\n"
                "directory tree SRC into DEST (created when missing). Copies take the source's\n"
                "modification time and permission bits, made writable for the owner; a copy\n"
                "that did not finish keeps its own time. In a tree, links to files are copied\n"
                "as files; links to directories and dangling links are left out.\n"
                "\n"
                "A single file is written to a temporary file beside DEST and renamed into\n"
                "place when complete; a read-only DEST is not replaced.\n"
                "\n"
                "On a terminal a progress line shows files, bytes, rate and time left. Ctrl-C\n"
                "stops the copy after the current block and the command exits with 130: a\n"
                "single file's DEST is left as it was; in a tree the file being copied stays\n"
                "incomplete, without the source's time.",
            .exit_status = "0  everything was copied\n"
                           "2  SRC is missing, DEST cannot be made, SRC and DEST are the same,\n"
                           "   a file could not be copied, or a usage error\n"
                           "130  interrupted by Ctrl-C",
            .examples = "krv files copy big.iso /media/stick/\n"
                        "krv files copy -q 'C:\\Projects\\Site' /backup/site"});
  copy->add_option("SRC", o->source, "file or directory to copy")->required();
  copy->add_option("DEST", o->dest, "destination file or directory")->required();
  AddQuietFlag(*copy);
  CLI::App* deltree = AddMode(
      app, {.name = "deltree",
            .summary = "delete a directory tree",
            .usage = "krv files deltree DIR",
            .description =
                "Deletes DIR and everything in it. Symbolic links are removed themselves,\n"
                "never what they point to. A read-only file (owner's write bit clear) is not\n"
                "deleted, whoever runs the command: the deletion stops at the first entry it\n"
                "cannot delete and names it; what was deleted before stays deleted.",
            .exit_status = "0  the tree is gone\n"
                           "2  DIR is missing or no directory, an entry could not be deleted,\n"
                           "   or a usage error",
            .examples = "krv files deltree build/old\n"
                        "krv files deltree 'C:\\tmp\\Scratch'"});
  deltree->add_option("DIR", o->dir, "directory to delete")->required();
  CLI::App* trash = AddMode(
      app, {.name = "trash",
            .summary = "move files to the Trash",
            .usage = "krv files trash MASK",
            .description =
                "Moves the files matching MASK (not directories, not names beginning with '.')\n"
                "into the freedesktop Trash ($XDG_DATA_HOME/Trash, by default\n"
                "~/.local/share/Trash), where file managers can restore them.",
            .exit_status = "0  every matching file was moved\n"
                           "1  no file matches\n"
                           "2  a file could not be moved, the directory does not exist, or a\n"
                           "   usage error",
            .examples = "krv files trash '*.bak'\n"
                        "krv files trash 'C:\\tmp\\Report.PDF'"});
  trash->add_option("MASK", o->mask, "directory and wildcard mask")->required();
  app.require_subcommand(1);
  return [o, count, list, copy, deltree, trash] {
    if (count->parsed()) return Count(*o);
    if (list->parsed()) return List(*o);
    if (copy->parsed()) return Copy(*o);
    if (deltree->parsed()) return DelTree(*o);
    if (trash->parsed()) return Trash(*o);
    throw Failure{"", "no mode given (count, list, copy, deltree or trash)"};
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
     .description = "Works on files with the library's file routines. Names may be POSIX names\n"
                    "or Windows names (C:\\data\\*.TXT, where C: is /); a name is found ignoring\n"
                    "case when no entry has its exact case. Quote masks for the shell.\n"
                    "'krv help files MODE' shows one mode's page.",
     .exit_status = "0  success\n"
                    "1  count, list, trash: no file matches\n"
                    "2  every error: missing files, failed copies or deletions, usage\n"
                    "130  copy interrupted by Ctrl-C",
     .examples = "krv files count -r '/usr/include/*.h'\n"
                 "krv files copy photos /backup/photos\n"
                 "krv files trash 'C:\\tmp\\*.BAK'"},
    &Setup};

}  // namespace
}  // namespace krv::tool
