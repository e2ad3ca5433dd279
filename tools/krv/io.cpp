// Inputs and outputs of krv commands: opening with the operating system's reasons, the
// same-file check, atomic replacement of output files and the checked standard output.
#include "io.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
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
  for (const FileId& id : output ? Inputs() : Outputs()) {
    if (id.dev == st.dev && id.ino == st.ino) {
      const std::string& in = output ? id.name : name;
      const std::string& out = output ? name : id.name;
      throw Failure{"", Shown(in, false) + " and " + Shown(out, true) + " are the same file"};
    }
  }
  (output ? Outputs() : Inputs()).push_back({st.dev, st.ino, name});
}

// Temporary output files, removed when an interrupt or a signal ends the tool.
constexpr std::size_t kMaxTemps = 8;
std::array<std::array<char, 4096>, kMaxTemps> g_temps{};

void RemoveTemps() {
  for (auto& path : g_temps)
    if (path[0] != '\0') os::RemoveNow(path.data());
}

void TrackTemp(const std::string& path) {
  os::OnTermination(&RemoveTemps);
  for (auto& slot : g_temps) {
    if (slot[0] == '\0' && path.size() < slot.size()) {
      std::memcpy(slot.data(), path.c_str(), path.size() + 1);
      return;
    }
  }
}

void ForgetTemp(const std::string& path) {
  for (auto& slot : g_temps)
    if (path == slot.data()) slot[0] = '\0';
}

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

bool IsTerminal() {
  static const bool tty = os::IsTerminal(kStdOut);
  return tty;
}

}  // namespace

// ---- Input ----

Input::Input(std::string name) : name_(std::move(name)) {
  if (name_ == "-") {
    fd_ = kStdIn;
  } else {
    fd_ = os::OpenRead(name_);
    if (fd_ < 0) throw Failure{name_, ErrnoText(errno)};
    own_fd_ = true;
  }
  os::FileInfo st;
  if (!os::StatFd(fd_, st)) throw Failure{name_, ErrnoText(errno)};
  if (st.kind == os::FileInfo::kDirectory) throw Failure{name_, ErrnoText(EISDIR)};
  if (st.kind == os::FileInfo::kRegular) size_ = st.size;
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

void Input::ShowProgress() {
  if (!progress_ && Progress::Wanted()) progress_ = std::make_unique<Progress>(name_, size_);
}

TStream& Input::Stream() {
  if (!stream_) stream_ = std::make_unique<InputStream>(*this);
  return *stream_;
}

// ---- Output ----

Output::Output(std::string name) : name_(std::move(name)) {
  if (name_.empty() || name_ == "-") {
    name_ = "-";
    stdout_ = true;
    forward_ = &StdOut();
    os::FileInfo st;
    if (os::StatFd(kStdOut, st)) Claim(st, name_, true);
    return;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  // Replace the file a symbolic link points to, not the link.
  const fs::path given = os::PathOf(name_);
  fs::path target = fs::is_symlink(given, ec) ? fs::weakly_canonical(given, ec) : given;
  if (ec) target = given;
  target_ = os::Utf8Of(target);
  os::FileInfo st;
  const bool exists = os::StatPath(target_, st);
  if (!exists && errno != ENOENT) throw Failure{name_, ErrnoText(errno)};
  if (exists && st.kind == os::FileInfo::kDirectory) throw Failure{name_, ErrnoText(EISDIR)};
  if (exists && st.kind != os::FileInfo::kRegular) {
    // A device, terminal or FIFO: written directly.
    fd_ = os::OpenWrite(target_);
    if (fd_ < 0) throw Failure{name_, ErrnoText(errno)};
    return;
  }
  if (exists) {
    Claim(st, name_, true);
    if (!os::Writable(target_)) throw Failure{name_, ErrnoText(errno)};
  }
  // The temporary file sits beside the target, named after it when the name leaves room.
  const fs::path dir = target.parent_path();
  const std::string base = os::Utf8Of(target.filename());
  std::string temp = os::Utf8Of(dir.empty() ? fs::path(".") : dir) + "/." +
                     (base.size() + 13 <= os::kNameMax ? base : std::string()) + ".krv-XXXXXX";
  fd_ = os::MakeTemp(temp);
  if (fd_ < 0) throw Failure{name_, ErrnoText(errno)};
  temp_path_ = temp;
  TrackTemp(temp_path_);
  os::SetNewFileMode(fd_, exists ? &st : nullptr);
  if (!exists) {
    os::FileInfo made;
    if (os::StatFd(fd_, made)) Claim(made, name_, true);
  }
}

Output::Output(StdoutTag) : name_("-"), fd_(kStdOut), stdout_(true) {}

Output::~Output() {
  if (stdout_) return;
  if (fd_ >= 0) os::Close(fd_);
  if (!temp_path_.empty() && !committed_) {
    os::Remove(temp_path_);
    ForgetTemp(temp_path_);
  }
}

void Output::Write(const void* data, std::size_t n) {
  if (forward_ != nullptr) return forward_->Write(data, n);
  if (fd_ < 0) return;  // closed, or standard output after a reported failure
  const char* p = static_cast<const char*>(data);
  if (buffer_.size() + n > kOutBuffer) {
    Flush();
    if (n >= kOutBuffer) {
      if (stdout_ && IsTerminal()) Progress::ClearLine();
      if (!os::WriteAll(fd_, p, n)) {
        const int err = errno;
        throw Failure{stdout_ ? "" : name_, "write error: " + ErrnoText(err)};
      }
      return;
    }
  }
  buffer_.append(p, n);
  if (stdout_ && IsTerminal() && std::memchr(p, '\n', n) != nullptr) Flush();
}

void Output::Flush() {
  if (forward_ != nullptr) return forward_->Flush();
  if (buffer_.empty() || fd_ < 0) return;
  if (stdout_ && IsTerminal()) Progress::ClearLine();  // the line shares the terminal
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
  Flush();
  if (stdout_ || committed_) return;
  const int fd = fd_;
  fd_ = -1;
  if (os::Close(fd) != 0 && errno != EINTR)
    throw Failure{name_, "write error: " + ErrnoText(errno)};
  if (!temp_path_.empty() && !os::Rename(temp_path_, target_))
    throw Failure{name_, ErrnoText(errno)};
  committed_ = true;
  ForgetTemp(temp_path_);
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

ScratchFile::ScratchFile(std::string_view tag) {
  fd_ = os::OpenScratch(tag, path_, named_);
  if (fd_ < 0) throw Failure{"", "cannot make a temporary file: " + ErrnoText(errno)};
  if (named_) TrackTemp(path_);
}

ScratchFile::~ScratchFile() {
  os::CloseScratch(fd_, path_, named_);
  if (named_) ForgetTemp(path_);
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
