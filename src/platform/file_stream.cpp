// TFileStream: a file stream with a user-space buffer.
//
// The buffer is either a read-ahead window (buf_[0, buf_len_) holds the file bytes from
// buf_start_) or a block of pending output (buf_[0, buf_len_) goes to the file at
// buf_start_). The logical position is always buf_start_ + buf_pos_; os_pos_ tracks the
// system's offset so that a seek costs no system call until bytes actually move.
#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "platform/internal/os_file.h"
#include "platform/internal/seek.h"

namespace krv {

TFileStream::TFileStream(const String& file_name, Word mode) : file_name_(file_name) {
  detail::OsOpenMode how;
  const bool create = (mode & fmCreate) == fmCreate;
  int err = 0;
  if (create) {
    how = detail::OsOpenMode::kCreate;
  } else {
    switch (mode & 3) {
      case fmOpenRead:
        how = detail::OsOpenMode::kRead;
        break;
      case fmOpenWrite:
        how = detail::OsOpenMode::kWrite;
        break;
      case fmOpenReadWrite:
        how = detail::OsOpenMode::kReadWrite;
        break;
      default:
        throw EFOpenError(u"Cannot open file \"" + file_name + u"\". Invalid open mode");
    }
  }
  fd_ = detail::OsOpenFile(file_name, how, err, create ? 0u : mode & 0xF0u);
  if (fd_ < 0) {
    throw EFOpenError((create ? u"Cannot create file \"" : u"Cannot open file \"") + file_name +
                      u"\". " + ToUtf16(detail::OsErrorText(err)));
  }
  can_read_ = how != detail::OsOpenMode::kWrite;
  can_write_ = how != detail::OsOpenMode::kRead;
  buf_ = std::make_unique<Byte[]>(kBufferSize);
}

TFileStream::~TFileStream() {
  FlushQuietly();
  int err = 0;
  detail::OsClose(fd_, err);
}

String TFileStream::ClassName() const {
  return u"TFileStream";
}

bool TFileStream::MoveOsTo(std::int64_t offset) {
  if (os_pos_ == offset) return true;
  int err = 0;
  if (detail::OsSeek(fd_, offset, 0, err) < 0) return false;
  os_pos_ = offset;
  return true;
}

bool TFileStream::FlushQuietly() {
  if (!writing_) return true;
  const std::size_t pending = buf_len_;
  std::size_t done = 0;
  int err = 0;
  if (MoveOsTo(buf_start_)) {
    done = detail::OsWrite(fd_, buf_.get(), pending, err);
    os_pos_ += static_cast<std::int64_t>(done);
  }
  // Whatever could not be written is dropped; the position then reflects the file.
  buf_start_ += static_cast<std::int64_t>(done);
  buf_len_ = buf_pos_ = 0;
  writing_ = false;
  return done == pending;
}

void TFileStream::Flush() {
  if (!FlushQuietly()) throw EWriteError("Stream write error");
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  // Single bytes from the window: the common case of byte-wise text readers.
  if (count == 1 && buf_pos_ < buf_len_ && !writing_) {
    *static_cast<Byte*>(buffer) = buf_[buf_pos_++];
    return 1;
  }
  if (!can_read_ || count == 0) return 0;
  if (writing_ && !FlushQuietly()) return 0;
  Byte* out = static_cast<Byte*>(buffer);
  std::size_t got = 0;
  while (got < count) {
    const std::size_t avail = buf_len_ - buf_pos_;
    if (avail > 0) {
      const std::size_t n = std::min(avail, count - got);
      std::memcpy(out + got, buf_.get() + buf_pos_, n);
      buf_pos_ += n;
      got += n;
      continue;
    }
    // The window is used up: refill it, or send a large read straight to the caller.
    const std::size_t want = count - got;
    if (want < kBufferSize) {
      if (!Refill()) break;
      continue;
    }
    buf_start_ += static_cast<std::int64_t>(buf_pos_);
    buf_len_ = buf_pos_ = 0;
    if (!MoveOsTo(buf_start_)) break;
    int err = 0;
    const std::ptrdiff_t n = detail::OsRead(fd_, out + got, want, err);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    buf_start_ += n;
    os_pos_ += n;
  }
  return got;
}

bool TFileStream::Refill() {
  buf_start_ += static_cast<std::int64_t>(buf_pos_);
  buf_len_ = buf_pos_ = 0;
  if (!MoveOsTo(buf_start_)) return false;
  int err = 0;
  const std::ptrdiff_t n = detail::OsRead(fd_, buf_.get(), kBufferSize, err);
  if (n <= 0) return false;
  buf_len_ = static_cast<std::size_t>(n);
  os_pos_ += n;
  return true;
}

bool TFileStream::PeekBuffer(std::span<const Byte>& view) {
  view = {};
  // A derived class may deliver its bytes differently through Read.
  if (typeid(*this) != typeid(TFileStream)) return false;
  if (!writing_ && buf_pos_ < buf_len_) {
    view = {buf_.get() + buf_pos_, buf_len_ - buf_pos_};
    return true;
  }
  // The same steps as Read when its window is used up; failures look like the end.
  if (!can_read_ || (writing_ && !FlushQuietly())) return true;
  if (Refill()) view = {buf_.get(), buf_len_};
  return true;
}

void TFileStream::ConsumeBuffer(std::size_t n) {
  if (!writing_ && buf_pos_ < buf_len_) buf_pos_ += std::min(n, buf_len_ - buf_pos_);
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  if (!can_write_ || count == 0) return 0;
  if (!writing_) {
    // Leave read mode: pending output starts at the logical position.
    buf_start_ += static_cast<std::int64_t>(buf_pos_);
    buf_len_ = buf_pos_ = 0;
    writing_ = true;
  }
  if (buf_len_ + count > kBufferSize) {
    const std::int64_t start = buf_start_ + static_cast<std::int64_t>(buf_len_);
    if (!FlushQuietly()) return 0;
    buf_start_ = start;
    writing_ = true;
  }
  if (count >= kBufferSize) {
    // Large writes go straight to the file (the buffer is empty here).
    int err = 0;
    if (!MoveOsTo(buf_start_)) return 0;
    const std::size_t done = detail::OsWrite(fd_, buffer, count, err);
    os_pos_ += static_cast<std::int64_t>(done);
    buf_start_ += static_cast<std::int64_t>(done);
    return done;
  }
  std::memcpy(buf_.get() + buf_len_, buffer, count);
  buf_len_ += count;
  buf_pos_ = buf_len_;
  return count;
}

std::int64_t TFileStream::Size() {
  int err = 0;
  std::int64_t size = detail::OsFileSize(fd_, err);
  if (size < 0) return -1;
  if (writing_) size = std::max(size, buf_start_ + static_cast<std::int64_t>(buf_len_));
  return size;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t current = buf_start_ + static_cast<std::int64_t>(buf_pos_);
  if (origin == soFromCurrent && offset == 0) return current;
  const std::int64_t size = origin == soFromEnd ? Size() : 0;
  if (size < 0) return -1;
  std::int64_t target = 0;
  if (!detail::SeekTarget(current, size, offset, origin, target)) return -1;
  if (target == current) return current;
  if (writing_) {
    if (!FlushQuietly()) return -1;
  } else if (target >= buf_start_ && target <= buf_start_ + static_cast<std::int64_t>(buf_len_)) {
    buf_pos_ = static_cast<std::size_t>(target - buf_start_);
    return target;
  }
  buf_start_ = target;
  buf_len_ = buf_pos_ = 0;
  return target;
}

void TFileStream::SetSize(std::int64_t new_size) {
  if (new_size < 0) throw EWriteError("Invalid file size");
  Flush();
  int err = 0;
  if (!can_write_ || !detail::OsTruncate(fd_, new_size, err)) {
    throw EWriteError(u"Cannot change the size of file \"" + file_name_ + u"\"");
  }
  const std::int64_t pos = std::min(buf_start_ + static_cast<std::int64_t>(buf_pos_), new_size);
  buf_start_ = pos;
  buf_len_ = buf_pos_ = 0;
}

}  // namespace krv
