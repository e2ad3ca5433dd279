// Inputs and outputs of krv commands: opening with the operating system's reasons, the
// same-file check, replacement of output files that keeps what they were, and the checked
// standard output.
#include "io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <vector>

#include "cli.h"
#include "korvex/platform/text.h"
#include "os.h"
#include "progress.h"

namespace krv::tool {
namespace {

constexpr std::size_t kOutBuffer = 1 << 16;

// Regular files in use, by device and inode, to refuse an output that is also an input.
struct FileId {
  std::uint64_t dev;
  std::uint64_t ino;
  std::string name;
};
std::vector<FileId>& Inputs() {
  static std::vector<FileId> ids;
  return ids;
}
std::vector<FileId>& Outputs() {
  static std::vector<FileId> ids;
  return ids;
}

std::string Shown(const std::string& name, bool output) {
  if (name == "-") return output ? "standard output" : "standard input";
  return name;
}

// Records a regular file as an input or an output; throws when it is already in use the
// other way.
void Claim(const os::FileInfo& st, const std::string& name, bool output) {
  if (st.kind != os::FileInfo::kRegular) return;
  static std::mutex mu;  // inputs are opened on several threads by grep -r
  const std::lock_guard<std::mutex> lock(mu);
  for (const FileId& id : output ? Inputs() : Outputs()) {
    if (id.dev == st.dev && id.ino == st.ino) {
      const std::string& in = output ? id.name : name;
      const std::string& out = output ? name : id.name;
      throw Failure{"", Shown(in, false) + " and " + Shown(out, true) + " are the same file"};
    }
  }
  (output ? Outputs() : Inputs()).push_back({st.dev, st.ino, name});
}

// Whether two files are one; never for files without an identity (Windows gives none to
// consoles, pipes and devices).
bool SameFile(const os::FileInfo& a, const os::FileInfo& b) {
  return a.dev == b.dev && a.ino == b.ino && (a.dev != 0 || a.ino != 0);
}

// The number a name such as /dev/fd/3 ends in; -1 when its last component is no number.
int TrailingNumber(const std::string& path) {
  const std::size_t start = os::LastSeparator(path) + 1;  // npos + 1 == 0
  if (start == path.size() || path.size() - start > 6) return -1;
  int n = 0;
  for (std::size_t i = start; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9') return -1;
    n = n * 10 + (path[i] - '0');
  }
  return n;
}

// The most symbolic links one name is followed through, as Linux allows.
constexpr int kMaxLinks = 40;

// A read-only stream over an Input.
class InputStream : public TStream {
 public:
  explicit InputStream(Input& in) : in_(in) {}
  std::size_t Read(void* buffer, std::size_t count) override { return in_.Read(buffer, count); }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    return offset == 0 && origin == soFromCurrent ? in_.Consumed() : -1;
  }

 private:
  Input& in_;
};

// A write-only stream over an Output.
class OutputStream : public TStream {
 public:
  explicit OutputStream(Output& out) : out_(out) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void* buffer, std::size_t count) override {
    out_.Write(buffer, count);
    written_ += static_cast<std::int64_t>(count);
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    return offset == 0 && origin != soFromBeginning ? written_ : -1;
  }

 private:
  Output& out_;
  std::int64_t written_ = 0;
};

// An unbuffered streambuf over an Output (which buffers itself).
class OutputBuf : public std::streambuf {
 public:
  explicit OutputBuf(Output& out) : out_(out) {}

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      const char ch = traits_type::to_char_type(c);
      out_.Write(&ch, 1);
    }
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    out_.Write(s, static_cast<std::size_t>(n));
    return n;
  }

 private:
  Output& out_;
};

constexpr int kStdIn = 0;
constexpr int kStdOut = 1;

bool StdoutIsTerminal() {
  static const bool tty = os::IsTerminal(kStdOut);
  return tty;
}

// An empty name names no file: refused as the system refuses it, the name shown as ''.
void RefuseEmptyName(const std::string& name) {
  if (name.empty()) throw Failure{"''", ErrnoText(ENOENT)};
}

}  // namespace

// ---- Input ----

Input::Input(std::string name) : name_(std::move(name)) {
  RefuseEmptyName(name_);
  if (name_ == "-") {
    fd_ = kStdIn;
  } else {
    fd_ = os::OpenReadUnchecked(name_);  // a directory is refused below
    if (fd_ < 0) throw Failure{name_, ErrnoText(errno)};
    own_fd_ = true;
  }
  os::FileInfo st;
  if (!os::StatFd(fd_, st)) throw Failure{name_, ErrnoText(errno)};
  if (st.kind == os::FileInfo::kDirectory) throw Failure{name_, ErrnoText(EISDIR)};
  if (st.kind == os::FileInfo::kRegular) {
    // Standard input may be a file read part-way already: what is left is the input.
    start_ = std::max<std::int64_t>(os::Position(fd_), 0);
    size_ = std::max<std::int64_t>(st.size - start_, 0);
  }
  Claim(st, name_, false);
}

Input::~Input() {
  progress_.reset();
  if (own_fd_) os::Close(fd_);
}

std::size_t Input::Read(void* buffer, std::size_t n) {
  const std::ptrdiff_t k = os::Read(fd_, buffer, n);
  if (k < 0) throw Failure{name_, ErrnoText(errno)};
  consumed_ += k;
  if (progress_) progress_->Update(consumed_);
  return static_cast<std::size_t>(k);
}

std::size_t Input::ReadAt(std::int64_t offset, void* buffer, std::size_t n) {
  const std::ptrdiff_t k = os::ReadAt(fd_, buffer, n, start_ + offset);
  if (k < 0) throw Failure{name_, ErrnoText(errno)};
  return static_cast<std::size_t>(k);
}

void Input::ShowProgress() {
  if (!progress_ && Progress::Wanted()) progress_ = std::make_unique<Progress>(name_, size_);
}

TStream& Input::Stream() {
  if (!stream_) stream_ = std::make_unique<InputStream>(*this);
  return *stream_;
}

// ---- Output ----

// What an output name leads to, looked at before anything is opened.
struct Output::Target {
  std::string path;     // the file written or replaced: symbolic links followed
  bool exists = false;  // and then `info` tells what it is
  os::FileInfo info;
  bool process_link = false;  // path is the system's link to an open file (/dev/fd/N)
};

std::string FollowOutputLinks(const std::string& name) {
  return Output::FindTarget(name).path;
}

// Follows the symbolic links `name` leads through, one at a time as the system does (a
// relative link from the folder that holds it), up to a name that is no link, does not
// exist, or is a link to an open file.
Output::Target Output::FindTarget(const std::string& name) {
  namespace fs = std::filesystem;
  Target t;
  fs::path p = os::PathOf(name);
  for (int hops = 0;; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) break;
    if (os::IsProcessLink(os::Utf8Of(p))) {
      t.process_link = true;
      break;
    }
    if (hops == kMaxLinks) throw Failure{name, ErrnoText(ELOOP)};
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) throw Failure{name, ErrnoText(ec.default_error_condition().value())};
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  t.path = os::Utf8Of(p);
  t.exists = os::StatPath(t.path, t.info);
  if (!t.exists && errno != ENOENT) throw Failure{name, ErrnoText(errno)};
  return t;
}

Output::Output(std::string name) : name_(std::move(name)) {
  RefuseEmptyName(name_);
  if (name_ == "-") {
    stdout_ = true;
    forward_ = &StdOut();
    os::FileInfo st;
    if (os::StatFd(kStdOut, st)) Claim(st, name_, true);
    return;
  }
  const Target t = FindTarget(name_);
  if (t.exists && t.info.kind == os::FileInfo::kDirectory) throw Failure{name_, ErrnoText(EISDIR)};
  os::FileInfo out;
  if (t.exists && os::StatFd(kStdOut, out) && SameFile(out, t.info)) {
    // The file standard output is open on: written through it, where the shell left it.
    Claim(t.info, name_, true);
    stdout_ = true;
    forward_ = &StdOut();
    return;
  }
  if (t.process_link || (t.exists && t.info.kind != os::FileInfo::kRegular)) {
    OpenDirect(t);
  } else {
    OpenTemp(t);
  }
}

// A device, terminal or FIFO, or a file open in a process: written directly, never
// truncated. /dev/fd/N goes through descriptor N itself, at its position, when N is open
// for writing on that file; a regular file open only elsewhere is appended to.
void Output::OpenDirect(const Target& t) {
  if (t.exists) Claim(t.info, name_, true);
  const bool regular = t.exists && t.info.kind == os::FileInfo::kRegular;
  if (t.process_link && t.exists) {
    const int n = TrailingNumber(t.path);
    fd_ = n >= 0 ? os::DuplicateForWriting(n) : -1;
    os::FileInfo held;
    if (fd_ >= 0 && !(os::StatFd(fd_, held) && SameFile(held, t.info))) {
      os::Close(fd_);
      fd_ = -1;
    }
  }
  if (fd_ < 0) fd_ = t.process_link && regular ? os::OpenAppend(t.path) : os::OpenWrite(t.path);
  if (fd_ < 0) throw Failure{name_, ErrnoText(errno)};
}

// A regular file, new or replaced: written to a temporary file beside it (beside the file a
// link leads to), which has the replaced file's owner, group and permissions.
void Output::OpenTemp(const Target& t) {
  namespace fs = std::filesystem;
  const os::FileInfo* const replaced = t.exists ? &t.info : nullptr;
  if (replaced != nullptr) {
    Claim(t.info, name_, true);
    if (!os::Writable(t.path)) throw Failure{name_, ErrnoText(errno)};
  }
  // Named after the target when the name leaves room.
  const fs::path target = os::PathOf(t.path);
  const fs::path dir = target.parent_path();
  const std::string base = os::Utf8Of(target.filename());
  std::string temp = os::Utf8Of(dir.empty() ? fs::path(".") : dir) + "/." +
                     (base.size() + 13 <= os::kNameMax ? base : std::string()) + ".krv-XXXXXX";
  const int fd = os::MakeTrackedTemp(temp);
  if (fd < 0) throw Failure{name_, ErrnoText(errno)};
  if (!os::SetNewFileMode(fd, replaced)) {
    const int err = errno;
    os::Close(fd);
    os::RemoveTemp(temp);
    throw Failure{name_, ErrnoText(err)};
  }
  fd_ = fd;
  temp_path_ = temp;
  target_ = t.path;
  if (replaced != nullptr) {
    in_place_ = replaced->links > 1;
    target_dev_ = replaced->dev;
    target_ino_ = replaced->ino;
  } else {
    os::FileInfo made;
    if (os::StatFd(fd_, made)) Claim(made, name_, true);
  }
}

Output::Output(StdoutTag) : name_("-"), fd_(kStdOut), stdout_(true) {}

Output::~Output() {
  if (stdout_) return;
  if (fd_ >= 0) os::Close(fd_);
  if (!temp_path_.empty() && !committed_) os::RemoveTemp(temp_path_);
}

void Output::Write(const void* data, std::size_t n) {
  if (holding_) return Hold(static_cast<const char*>(data), n);
  if (forward_ != nullptr) return forward_->Write(data, n);
  if (fd_ < 0) return;  // closed, or standard output after a reported failure
  const char* p = static_cast<const char*>(data);
  if (buffer_.size() + n > kOutBuffer) {
    Flush();
    if (n >= kOutBuffer) {
      if (stdout_ && StdoutIsTerminal()) Progress::ClearLine();
      if (!os::WriteAll(fd_, p, n)) {
        const int err = errno;
        throw Failure{stdout_ ? "" : name_, "write error: " + ErrnoText(err)};
      }
      return;
    }
  }
  buffer_.append(p, n);
  if (stdout_ && StdoutIsTerminal() && std::memchr(p, '\n', n) != nullptr) Flush();
}

void Output::Flush() {
  if (forward_ != nullptr) return forward_->Flush();
  if (buffer_.empty() || fd_ < 0) return;
  if (stdout_ && StdoutIsTerminal()) Progress::ClearLine();  // the line shares the terminal
  const bool ok = os::WriteAll(fd_, buffer_.data(), buffer_.size());
  const int err = errno;
  buffer_.clear();
  if (!ok) {
    if (stdout_) fd_ = -1;  // reported once; later output is dropped
    throw Failure{stdout_ ? "" : name_, "write error: " + ErrnoText(err)};
  }
}

std::ostream& Output::Text() {
  if (!text_) {
    text_buf_ = std::make_unique<OutputBuf>(*this);
    text_ = std::make_unique<std::ostream>(text_buf_.get());
    text_->exceptions(std::ios::badbit);
  }
  return *text_;
}

TStream& Output::Stream() {
  if (!stream_) stream_ = std::make_unique<OutputStream>(*this);
  return *stream_;
}

void Output::Commit() {
  ReleaseHeld();
  Flush();
  if (stdout_ || committed_) return;
  if (in_place_) RewriteInPlace();
  const int fd = fd_;
  fd_ = -1;
  if (os::Close(fd) != 0 && errno != EINTR)
    throw Failure{name_, "write error: " + ErrnoText(errno)};
  if (!temp_path_.empty()) {
    if (in_place_) {
      os::RemoveTemp(temp_path_);
    } else if (!os::RenameTemp(temp_path_, target_)) {
      throw Failure{name_, ErrnoText(errno)};
    }
  }
  committed_ = true;
}

// Copies the finished temporary file into the file it replaces, so that the file stays
// itself and its other names see the new content. A target that is another file by now is
// replaced by renaming instead.
void Output::RewriteInPlace() {
  const int out = os::OpenWrite(target_);
  if (out < 0) throw Failure{name_, ErrnoText(errno)};
  os::FileInfo now;
  if (!os::StatFd(out, now) || now.dev != target_dev_ || now.ino != target_ino_) {
    os::Close(out);
    in_place_ = false;
    return;
  }
  const os::HoldTermination hold;  // a signal does not stop the rewrite half-way
  std::string block(kOutBuffer, '\0');
  bool ok = os::Truncate(out, 0);
  for (std::int64_t at = 0; ok;) {
    const std::ptrdiff_t n = os::ReadAt(fd_, block.data(), block.size(), at);
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = os::WriteAll(out, block.data(), static_cast<std::size_t>(n));
    at += n;
  }
  int err = errno;
  if (os::Close(out) != 0 && ok && errno != EINTR) {
    ok = false;
    err = errno;
  }
  if (!ok) throw Failure{name_, "write error: " + ErrnoText(err)};
}

bool Output::ToTerminal() const {
  return stdout_ && StdoutIsTerminal();
}

void Output::HoldUntilCommit() {
  if (temp_path_.empty()) holding_ = true;  // a temporary file is held back by Commit anyway
}

void Output::Hold(const char* data, std::size_t n) {
  const std::size_t room = held_file_ ? 0 : std::min(n, kHeldInMemory - held_.size());
  held_.append(data, room);
  if (room == n) return;
  if (!held_file_) held_file_ = std::make_unique<ScratchFile>("held");
  if (!os::WriteAll(held_file_->Fd(), data + room, n - room))
    throw Failure{"", "cannot write a temporary file: " + ErrnoText(errno)};
  held_on_disk_ += static_cast<std::int64_t>(n - room);
}

// Writes what was held, in the order it came: the bytes in memory, then those on disk.
void Output::ReleaseHeld() {
  if (!holding_) return;
  holding_ = false;
  Write(held_.data(), held_.size());
  std::string().swap(held_);
  if (!held_file_) return;
  std::string block(kOutBuffer, '\0');
  for (std::int64_t at = 0; at < held_on_disk_;) {
    const std::ptrdiff_t n = os::ReadAt(held_file_->Fd(), block.data(), block.size(), at);
    if (n <= 0)
      throw Failure{"", "cannot read a temporary file: " + ErrnoText(n < 0 ? errno : EIO)};
    Write(block.data(), static_cast<std::size_t>(n));
    at += n;
  }
  held_file_.reset();
}

Output& StdOut() {
  static Output* const out = new Output(Output::StdoutTag{});  // lives until exit
  return *out;
}

void FinishStdOut() {
  StdOut().Flush();
  // Output written through std::cout or stdio directly is checked as well.
  errno = 0;
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
    throw Failure{"", "write error: " + ErrnoText(errno != 0 ? errno : EIO)};
}

bool IsAnOutput(const std::string& name) {
  os::FileInfo st;
  if (!(name == "-" ? os::StatFd(kStdIn, st) : os::StatPath(name, st))) return false;
  if (st.kind != os::FileInfo::kRegular) return false;
  return std::any_of(Outputs().begin(), Outputs().end(),
                     [&](const FileId& id) { return id.dev == st.dev && id.ino == st.ino; });
}

ScratchFile::ScratchFile(std::string_view tag) {
  try {
    fd_ = os::OpenScratch(tag, path_, named_);
  } catch (const std::filesystem::filesystem_error& e) {  // no temporary folder ($TMPDIR)
    const std::string folder = os::Utf8Of(e.path1());
    throw Failure{"", "cannot make a temporary file" + (folder.empty() ? "" : " in " + folder) +
                          ": " + ErrnoText(e.code().value())};
  }
  if (fd_ < 0) throw Failure{"", "cannot make a temporary file: " + ErrnoText(errno)};
}

ScratchFile::~ScratchFile() {
  os::CloseScratch(fd_, path_, named_);
}

String ScratchFile::Path() const {
  return ToUtf16(path_);
}

void ScratchFile::CopyFrom(Input& in) {
  std::string block(1 << 16, '\0');
  while (const std::size_t n = in.Read(block.data(), block.size()))
    if (!os::WriteAll(fd_, block.data(), n))
      throw Failure{"", "cannot write a temporary file: " + ErrnoText(errno)};
}

}  // namespace krv::tool
