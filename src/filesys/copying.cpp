// File and tree copies in 8192-byte blocks, with call-backs and the process-wide abort flag.
#include "korvex/filesys/copying.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>

#include "filesys/internal/tree_names.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/textfile.h"
#include "korvex/stringl/casemap.h"
#include "platform/internal/file_identity.h"
#include "platform/internal/fs_names.h"

namespace krv {
namespace {

constexpr std::size_t kBlock = 8192;
constexpr std::size_t kChunk = 16 * kBlock;

// Lock-free, so setting it from a signal handler is safe.
std::atomic<bool> g_abort{false};
static_assert(std::atomic<bool>::is_always_lock_free);

bool Aborted() {
  return g_abort.load(std::memory_order_relaxed);
}

std::int32_t Clamp32(Int64 v) {
  constexpr Int64 kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v < 0 ? 0 : v > kMax ? kMax : v);
}

// The IOResult-style code of an errno-style code.
int IoCode(int err) {
  if (err == ENOENT) return kIoFileNotFound;
  if (err == ENOTDIR) return kIoPathNotFound;
  if (err == EACCES || err == EPERM || err == EISDIR || err == EROFS) return kIoAccessDenied;
  if (err == EMFILE) return kIoTooManyOpenFiles;
  return kIoOsErrorBase + err;
}

// Closes a handle on every way out.
class Handle {
 public:
  explicit Handle(TFileHandle h) : h_(h) {}
  ~Handle() { FileClose(h_); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  TFileHandle Get() const { return h_; }
  bool Valid() const { return h_ != kInvalidFileHandle; }

 private:
  TFileHandle h_;
};

// What the single-file copy reports to its caller.
struct CopyResult {
  std::int32_t status = kCopyOk;
  int open_error = 0;  // the source could not be opened at all (errno-style code)
  int os_error = 0;    // the system's reason for a failed status
};

// The destination file name: a destination that is a directory gets the source's name.
String DestinationName(const String& source, const String& dest) {
  if (!DirectoryExists(dest)) return dest;
  return detail::WithTrailingSeparator(dest) + source.substr(detail::NamePartStart(source));
}

// True when dest already exists as the very file the handle reads.
bool IsSameFile(TFileHandle source, const String& dest) {
  detail::FileId a, b;
  return detail::HandleFileId(source, a) && detail::NativeFileId(ToNativePath(dest), b) && a == b;
}

// Copies one file. progress(done, size) is called as the feedback of FileCopyFeedBk is.
// Does not touch the abort flag's value.
template <class Progress>
CopyResult CopyOneFile(const String& source, const String& dest_given, bool copy_attributes,
                       Progress&& progress) {
  CopyResult result;
  const String dest = DestinationName(source, dest_given);
  const Handle in(FileOpen(source, fmOpenRead | fmShareDenyWrite));
  if (!in.Valid()) {
    result.open_error = GetLastOSError();
    if (result.open_error == 0) result.open_error = ENOENT;
    return result;
  }
  const Int64 size = FileSizeOfHandle(in.Get());
  const std::int32_t size32 = Clamp32(size);
  progress(0, size32);

  std::unique_ptr<char[]> buffer;
  // Refuse the source itself before FileCreate could truncate it.
  const Handle out(IsSameFile(in.Get(), dest) ? kInvalidFileHandle : FileCreate(dest));
  Int64 total = 0;
  bool reached_end = false;
  if (!out.Valid()) {
    result.status = kCopyNoDest;
    result.os_error = GetLastOSError();
  } else {
    // A regular file is read in chunks of many blocks, fewer system calls for the same
    // blocks: each block of a chunk is reported and checked for an abort as if it had been
    // read alone, and only the blocks reported are written. A pipe or device, whose reads
    // may come back short at any time, is read a block at a time.
    const bool regular = (FileGetAttr(source) & (faArchive | faDirectory)) == faArchive;
    const Int64 chunk = static_cast<Int64>(regular ? kChunk : kBlock);
    buffer = std::make_unique<char[]>(static_cast<std::size_t>(chunk));
    detail::AdviseSequential(in.Get());
    do {
      Int64 n = FileRead(in.Get(), buffer.get(), chunk);
      if (n < 0) {
        result.status = kCopyReadError;
        result.os_error = GetLastOSError();
        progress(Clamp32(total), size32);
        break;
      }
      Int64 taken = 0;  // bytes of the blocks reported so far
      do {
        const Int64 block = std::min<Int64>(static_cast<Int64>(kBlock), n - taken);
        progress(Clamp32(total + taken), size32);
        taken += block;
        reached_end = block < static_cast<Int64>(kBlock);
      } while (!reached_end && taken < n && !Aborted());
      if (taken > 0 && FileWrite(out.Get(), buffer.get(), taken) != taken) {
        result.status = kCopyWriteError;
        result.os_error = GetLastOSError();
        reached_end = false;
      }
      total += taken;
    } while (!reached_end && result.status == kCopyOk && !Aborted());
  }
  // Only a complete copy takes the source's time and attributes: an aborted or failed one
  // must not pass for a finished copy.
  if (reached_end) {
    FileSetDate(out.Get(), FileGetDate(in.Get()));
    if (copy_attributes) detail::CopyPermissionsWritable(in.Get(), out.Get());
  }
  progress(Clamp32(total), size32);
  return result;
}

// One tree copy: its settings and the state the call-backs see.
class TreeCopy {
 public:
  TreeCopy(bool copy_attributes, TTreeCopyFeedBack feedback)
      : copy_attributes_(copy_attributes), feedback_(feedback) {}

  // Copies the tree; both names end with a separator.
  void Run(const String& source, const String& dest) {
    if (!ForceDirectories(dest)) return;
    have_dest_id_ = detail::NativeFileId(ToNativePath(dest), dest_id_);
    Directory(source, dest);
  }

 private:
  void Directory(const String& source, const String& dest) {
    if (!ForceDirectories(dest)) return;
    TSearchRec rec;
    for (int rc = FindFirst(source + u"*.*", faAnyFile, rec); rc == 0 && !Aborted();
         rc = FindNext(rec)) {
      const String& name = rec.Name;
      if (detail::IsDotEntry(name) || detail::IsUnaddressable(name)) continue;
      // Links to directories, dangling links and devices are not copied.
      if ((rec.Attr & faSymLink) != 0 && (rec.Attr & faArchive) == 0) continue;
      if ((rec.Attr & faDirectory) != 0) {
        if (!IsDestination(source + name)) {
          Directory(source + name + detail::SeparatorOf(source),
                    dest + name + detail::SeparatorOf(dest));
        }
      } else if ((rec.Attr & faSysFile) == 0) {
        File(source + name, dest + name);
      }
    }
    FindClose(rec);
  }

  void File(const String& source, const String& dest) {
    current_ = dest;
    ++count_;
    CopyOneFile(source, dest, copy_attributes_, [this](std::int32_t done, std::int32_t size) {
      last_done_ = done;
      last_size_ = size;
      if (feedback_ != nullptr) feedback_(done, size, current_, count_);
    });
    if (feedback_ != nullptr) feedback_(last_done_, last_size_, current_, count_);
  }

  // The destination root met inside the source is not copied into itself.
  bool IsDestination(const String& dir) const {
    detail::FileId id;
    return have_dest_id_ && detail::NativeFileId(ToNativePath(dir), id) && id == dest_id_;
  }

  const bool copy_attributes_;
  const TTreeCopyFeedBack feedback_;
  String current_;
  std::int32_t count_ = 0;
  std::int32_t last_done_ = 0;
  std::int32_t last_size_ = 0;
  detail::FileId dest_id_;
  bool have_dest_id_ = false;
};

// True when both names are one directory: equal ignoring case, or the same directory on disk.
bool SameDirectory(const String& a, const String& b) {
  if (UnicodeLowerCase(a) == UnicodeLowerCase(b)) return true;
  detail::FileId ia, ib;
  return detail::NativeFileId(ToNativePath(a), ia) && detail::NativeFileId(ToNativePath(b), ib) &&
         ia == ib;
}

}  // namespace

std::int32_t FileCopyFeedBk(const String& source, const String& dest, bool copyAttributes,
                            TFileCopyFeedBack feedback) {
  g_abort.store(false, std::memory_order_relaxed);
  const CopyResult r =
      CopyOneFile(source, dest, copyAttributes, [feedback](std::int32_t done, std::int32_t size) {
        if (feedback != nullptr) feedback(done, size);
      });
  if (r.open_error != 0) {
    const int code = IoCode(r.open_error);
    throw EInOutError(IOErrorMessage(code), code);
  }
  if (r.status != kCopyOk) detail::SetLastOSError(r.os_error);
  return r.status;
}

void AbortAnyFileCopying() {
  g_abort.store(true, std::memory_order_relaxed);
}

void CopyFileTree(const String& sourceDir, const String& destDir, bool copyAttributes,
                  TTreeCopyFeedBack feedback) {
  g_abort.store(false, std::memory_order_relaxed);
  const String source = detail::WithTrailingSeparator(sourceDir);
  const String dest = detail::WithTrailingSeparator(destDir);
  if (SameDirectory(source, dest)) return;
  TreeCopy(copyAttributes, feedback).Run(source, dest);
}

}  // namespace krv
