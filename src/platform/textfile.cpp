// TextFile: buffered Windows-1252 text files with the run-time's IOResult discipline.
#include "korvex/platform/textfile.h"

#include <cstring>
#include <string>

#include "korvex/platform/casefold.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "platform/internal/os_file.h"

namespace krv {
namespace {

thread_local int t_in_out_res = 0;
thread_local bool t_io_checks = true;

constexpr std::size_t kTextBufferSize = 64 * 1024;

int CodeFromErrno(int err) {
  using namespace detail;
  if (err == OsErrNoEnt()) return kIoFileNotFound;
  if (err == OsErrNotDir()) return kIoPathNotFound;
  if (err == OsErrAccess() || err == OsErrPerm() || err == OsErrIsDir() || err == OsErrRoFs()) {
    return kIoAccessDenied;
  }
  if (err == OsErrMFile()) return kIoTooManyOpenFiles;
  if (err == OsErrNoSpc()) return kIoWriteError;
  return kIoOsErrorBase + err;
}

std::string AsciiNumber(int n) {
  return std::to_string(n);
}

}  // namespace

String IOErrorMessage(int code) {
  switch (code) {
    case kIoFileNotFound:
      return u"File not found";
    case kIoPathNotFound:
      return u"Path not found";
    case kIoTooManyOpenFiles:
      return u"Too many open files";
    case kIoAccessDenied:
      return u"File access denied";
    case kIoReadError:
      return u"Disk read error";
    case kIoWriteError:
      return u"Disk write error";
    case kIoFileNotAssigned:
      return u"File not assigned";
    case kIoFileNotOpen:
      return u"File not open";
    case kIoNotOpenForInput:
      return u"File not open for input";
    case kIoNotOpenForOutput:
      return u"File not open for output";
    case kIoInvalidInput:
      return u"Invalid numeric input";
    default:
      break;
  }
  std::string text = "I/O error " + AsciiNumber(code);
  if (code > kIoOsErrorBase) text += ": " + detail::OsErrorText(code - kIoOsErrorBase);
  return ToUtf16(text);
}

int IOResult() {
  const int code = t_in_out_res;
  t_in_out_res = 0;
  return code;
}

bool SetIOChecks(bool on) {
  const bool previous = t_io_checks;
  t_io_checks = on;
  return previous;
}

bool IOChecks() {
  return t_io_checks;
}

TextFile::TextFile() = default;

TextFile::~TextFile() {
  CloseQuietly();
}

void TextFile::Fail(int code) {
  if (t_io_checks) throw EInOutError(IOErrorMessage(code), code);
  t_in_out_res = code;
}

// Common entry of every operation: a pending error either raises (checking on) or makes
// the operation do nothing; then the mode the operation needs is checked.
bool TextFile::Begin(TMode needed) {
  if (t_in_out_res != 0) {
    if (t_io_checks) Fail(IOResult());
    return false;
  }
  if (needed == tmClosed) return true;
  if (mode_ == tmClosed) {
    Fail(kIoFileNotOpen);
    return false;
  }
  if (mode_ != needed) {
    Fail(needed == tmInput ? kIoNotOpenForInput : kIoNotOpenForOutput);
    return false;
  }
  return true;
}

void TextFile::CloseQuietly() {
  if (mode_ == tmClosed) return;
  if (mode_ == tmOutput) FlushQuietly();
  int err = 0;
  detail::OsClose(fd_, err);
  fd_ = -1;
  mode_ = tmClosed;
  len_ = pos_ = 0;
}

void TextFile::Assign(const String& file_name) {
  CloseQuietly();
  name_ = file_name;
  assigned_ = true;
}

void TextFile::Open(int how) {
  if (!Begin(tmClosed)) return;
  if (!assigned_) {
    Fail(kIoFileNotAssigned);
    return;
  }
  CloseQuietly();
  int err = 0;
  const auto mode = static_cast<detail::OsOpenMode>(how);
  const int fd = detail::OsOpenFile(name_, mode, err);
  if (fd < 0) {
    Fail(CodeFromErrno(err));
    return;
  }
  fd_ = fd;
  mode_ = mode == detail::OsOpenMode::kRead ? tmInput : tmOutput;
  if (!buf_) buf_ = std::make_unique<unsigned char[]>(kTextBufferSize);
  len_ = pos_ = 0;
  at_end_ = false;
}

void TextFile::Reset() {
  Open(static_cast<int>(detail::OsOpenMode::kRead));
}
void TextFile::Rewrite() {
  Open(static_cast<int>(detail::OsOpenMode::kCreateWriteOnly));
}
void TextFile::Append() {
  Open(static_cast<int>(detail::OsOpenMode::kAppendWriteOnly));
}

void TextFile::Close() {
  if (!Begin(tmClosed)) return;
  if (mode_ == tmClosed) {
    Fail(kIoFileNotOpen);
    return;
  }
  const bool flushed = mode_ != tmOutput || FlushQuietly();
  int err = 0;
  const bool closed = detail::OsClose(fd_, err);
  fd_ = -1;
  mode_ = tmClosed;
  len_ = pos_ = 0;
  if (!flushed) {
    Fail(kIoWriteError);
  } else if (!closed) {
    Fail(CodeFromErrno(err));
  }
}

// Input: makes sure at least one unread byte is buffered; false at the end of the file.
// Unread bytes are kept at the front, so a caller may look one byte further ahead.
bool TextFile::Fill() {
  if (pos_ < len_) return true;
  if (at_end_) return false;
  int err = 0;
  const std::ptrdiff_t n = detail::OsRead(fd_, buf_.get(), kTextBufferSize, err);
  len_ = pos_ = 0;
  if (n <= 0) {
    at_end_ = true;
    if (n < 0) Fail(kIoReadError);
    return false;
  }
  len_ = static_cast<std::size_t>(n);
  return true;
}

int TextFile::PeekByte() {
  return Fill() ? buf_[pos_] : -1;
}

bool TextFile::Eof() {
  if (!Begin(tmInput)) return true;
  return PeekByte() < 0;
}

bool TextFile::Eoln() {
  if (!Begin(tmInput)) return true;
  const int b = PeekByte();
  if (b < 0 || b == 10) return true;
  if (b != 13) return false;
  // A CR counts only when an LF follows; fetch one more byte if the buffer ends here.
  if (pos_ + 1 >= len_ && !at_end_) {
    buf_[0] = buf_[pos_];
    pos_ = 0;
    len_ = 1;
    int err = 0;
    const std::ptrdiff_t n = detail::OsRead(fd_, buf_.get() + 1, kTextBufferSize - 1, err);
    if (n <= 0) {
      at_end_ = true;
      if (n < 0) Fail(kIoReadError);
    } else {
      len_ += static_cast<std::size_t>(n);
    }
  }
  return pos_ + 1 < len_ && buf_[pos_ + 1] == 10;
}

bool TextFile::SeekEof() {
  if (!Begin(tmInput)) return true;
  for (;;) {
    const int b = PeekByte();
    if (b < 0) return true;
    if (b > 32) return false;
    ++pos_;
  }
}

Char TextFile::ReadChar() {
  if (!Begin(tmInput)) return 26;
  const int b = PeekByte();
  if (b < 0) return 26;
  ++pos_;
  return AnsiToChar(static_cast<unsigned char>(b));
}

String TextFile::ReadLn() {
  String line;
  if (!Begin(tmInput)) return line;
  while (Fill()) {
    const unsigned char* start = buf_.get() + pos_;
    const std::size_t avail = len_ - pos_;
    const void* hit = std::memchr(start, 10, avail);
    const std::size_t take = hit ? static_cast<const unsigned char*>(hit) - start : avail;
    line.reserve(line.size() + take);
    for (std::size_t i = 0; i < take; ++i) line.push_back(AnsiToChar(start[i]));
    pos_ += take;
    if (hit) {
      ++pos_;
      if (!line.empty() && line.back() == u'\r') line.pop_back();
      break;
    }
  }
  return line;
}

Integer TextFile::ReadInteger() {
  if (!Begin(tmInput)) return 0;
  int b = PeekByte();
  while (b >= 0 && b <= 32) {
    ++pos_;
    b = PeekByte();
  }
  if (b < 0) return 0;
  std::string token;
  while (b > 32) {
    if (token.size() < 64) token.push_back(static_cast<char>(b));
    ++pos_;
    b = PeekByte();
  }
  std::size_t i = 0;
  bool negative = false;
  if (token[i] == '-' || token[i] == '+') negative = token[i++] == '-';
  int base = 10;
  if (i < token.size() && token[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < token.size() && token[i] == '0' && AsciiLower(token[i + 1]) == 'x') {
    base = 16;
    i += 2;
  }
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t value = 0;
  bool ok = i < token.size();
  for (; ok && i < token.size(); ++i) {
    const char c = AsciiLower(token[i]);
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      ok = false;
      break;
    }
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > limit) ok = false;
  }
  if (!ok) {
    Fail(kIoInvalidInput);
    return 0;
  }
  const auto bits = static_cast<std::uint32_t>(negative ? (0 - value) : value);
  return static_cast<Integer>(bits);
}

bool TextFile::FlushQuietly() {
  if (len_ == 0) return true;
  int err = 0;
  const std::size_t done = detail::OsWrite(fd_, buf_.get(), len_, err);
  const bool ok = done == len_;
  len_ = 0;
  return ok;
}

void TextFile::PutByte(unsigned char b) {
  if (len_ == kTextBufferSize && !FlushQuietly()) {
    Fail(kIoWriteError);
    return;
  }
  buf_[len_++] = b;
}

void TextFile::Write(const String& text) {
  if (!Begin(tmOutput)) return;
  for (const Char c : text) {
    unsigned char b = '?';
    if (!CharToAnsi(c, b)) b = '?';
    if (len_ == kTextBufferSize && !FlushQuietly()) {
      Fail(kIoWriteError);
      return;
    }
    buf_[len_++] = b;
  }
}

void TextFile::Write(Char c) {
  Write(String(1, c));
}

void TextFile::WriteLn(const String& text) {
  if (!Begin(tmOutput)) return;
  Write(text);
  if (t_in_out_res != 0) return;
  PutByte(13);
  if (t_in_out_res != 0) return;
  PutByte(10);
}

void TextFile::WriteLn() {
  WriteLn(String());
}

void TextFile::Flush() {
  if (!Begin(tmOutput)) return;
  if (!FlushQuietly()) Fail(kIoWriteError);
}

}  // namespace krv
