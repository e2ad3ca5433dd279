// Byte streams: the abstract TStream and its memory, file and string streams.
//
// A stream is a sequence of bytes with a current position (0-based, in bytes). Read gives
// up to `count` bytes and returns how many it got (0 at the end); ReadBuffer reads exactly
// `count` bytes or raises EReadError; Write writes up to `count` bytes and returns how many
// it wrote; WriteBuffer writes exactly `count` bytes or raises EWriteError. Seeking past the
// end is allowed; a later write there fills the gap with zero bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "korvex/platform/component.h"
#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// Origins of TStream::Seek.
enum TSeekOrigin : std::uint8_t { soFromBeginning, soFromCurrent, soFromEnd };

// Open modes of TFileStream. One access mode, optionally or-ed with one share mode.
// fmCreate creates the file (or truncates an existing one) and opens it for reading and
// writing. Share modes are accepted for compatibility; POSIX does not enforce them.
inline constexpr Word fmOpenRead = 0x0000;
inline constexpr Word fmOpenWrite = 0x0001;
inline constexpr Word fmOpenReadWrite = 0x0002;
inline constexpr Word fmShareCompat = 0x0000;
inline constexpr Word fmShareExclusive = 0x0010;
inline constexpr Word fmShareDenyWrite = 0x0020;
inline constexpr Word fmShareDenyRead = 0x0030;
inline constexpr Word fmShareDenyNone = 0x0040;
inline constexpr Word fmCreate = 0xFF00;

class TStream : public TObject {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  ~TStream() override = default;
  String ClassName() const override;

  // Reads up to `count` bytes into `buffer`; returns the number read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to `count` bytes from `buffer`; returns the number written.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position; returns the new position. A target before 0 (or beyond the range
  // of the position type) is refused: the position stays and the result is -1.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  // Reads exactly `count` bytes or raises EReadError ("Stream read error").
  void ReadBuffer(void* buffer, std::size_t count);
  // Writes exactly `count` bytes or raises EWriteError ("Stream write error").
  void WriteBuffer(const void* buffer, std::size_t count);

  std::int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(std::int64_t pos) { Seek(pos, soFromBeginning); }
  // The size in bytes. The base seeks to the end and back.
  virtual std::int64_t Size();
  // Changes the size; the base raises EWriteError because a plain stream cannot be resized.
  virtual void SetSize(std::int64_t new_size);

  // Copies `count` bytes from `source` (from its current position) into this stream;
  // count 0 copies the whole source from its beginning. Returns the bytes copied; raises
  // EReadError / EWriteError when the source runs short or a write fails.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);

  // Direct access to the bytes a stream holds at its position, for readers that scan for a
  // delimiter a block at a time rather than calling Read once per byte. PeekBuffer returns
  // false when the stream offers no such access: the base, and any class derived from the
  // library's streams (it may have overridden Read), so callers then use Read. Otherwise it
  // sets `view` to the next bytes from the position, fetching a block first when none is at
  // hand; an empty view means Read would deliver nothing now. Peeking never moves the
  // position. ConsumeBuffer(n) moves the position past the first `n` bytes of the last view
  // (n at most its size); no other call may come between the two. Neither raises.
  virtual bool PeekBuffer(std::span<const Byte>& view);
  virtual void ConsumeBuffer(std::size_t n);
};

// A stream in memory. Writing past the end grows it; Memory() points at Size() bytes
// (nullptr while empty) and stays valid until the next write, SetSize, Clear or load.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override = default;
  String ClassName() const override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(size_); }
  // New bytes are zero; the position is kept, but clamped to the new size when it shrinks.
  void SetSize(std::int64_t new_size) override;
  // The view is the rest of the stream from the position.
  bool PeekBuffer(std::span<const Byte>& view) override;
  void ConsumeBuffer(std::size_t n) override;

  Byte* Memory() { return data_.get(); }
  const Byte* Memory() const { return data_.get(); }
  std::size_t Capacity() const { return capacity_; }
  // Empties the stream and releases its memory.
  void Clear();
  // Replaces the contents with the whole of `source` (from its beginning); position 0.
  void LoadFromStream(TStream& source);
  // Writes the whole contents to `dest` at its current position.
  void SaveToStream(TStream& dest);
  // File variants; failures raise EFOpenError / EReadError / EWriteError.
  void LoadFromFile(const String& file_name);
  void SaveToFile(const String& file_name);

 private:
  void Reserve(std::size_t wanted);

  std::unique_ptr<Byte[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::size_t pos_ = 0;
};

// A stream on an operating-system file, buffered in user space: reading or writing one
// byte at a time costs no system call per byte, and Position() is always exact. Pending
// output is written by Flush(), by any seek that moves away, by Size/SetSize and by the
// destructor (which cannot report failure; call Flush() to be sure the data arrived).
class TFileStream : public TStream {
 public:
  // Opens `file_name` with `mode` (fmCreate or fmOpenXxx | fmShareXxx). Raises EFOpenError
  // "Cannot create file \"name\". reason" or "Cannot open file \"name\". reason".
  TFileStream(const String& file_name, Word mode);
  ~TFileStream() override;
  String ClassName() const override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Truncates or extends the file (raises EWriteError on failure); the position is kept,
  // clamped to the new size.
  void SetSize(std::int64_t new_size) override;
  // The view is the rest of the read-ahead window, refilled when it is used up (pending
  // output is written first, as Read does).
  bool PeekBuffer(std::span<const Byte>& view) override;
  void ConsumeBuffer(std::size_t n) override;

  // Writes pending output; raises EWriteError when the system refuses it.
  void Flush();
  const String& FileName() const { return file_name_; }
  // Size of the user-space buffer in bytes.
  static constexpr std::size_t kBufferSize = 64 * 1024;

 private:
  bool FlushQuietly();
  bool MoveOsTo(std::int64_t offset);
  // Restarts the window at the logical position and fills it from the file; false when
  // the system delivers nothing.
  bool Refill();

  String file_name_;
  int fd_ = -1;
  std::unique_ptr<Byte[]> buf_;
  // The file offset that buf_[0] corresponds to.
  std::int64_t buf_start_ = 0;
  // Read mode: bytes valid in buf_. Write mode: bytes pending in buf_.
  std::size_t buf_len_ = 0;
  // Offset of the logical position within buf_ (equal to buf_len_ while writing).
  std::size_t buf_pos_ = 0;
  // Where the operating system's file offset stands.
  std::int64_t os_pos_ = 0;
  bool writing_ = false;
  bool can_read_ = false;
  bool can_write_ = false;
};

// A memory stream over a byte string. DataString() gives the bytes as text, one
// Windows-1252 character per byte; the String constructor stores the text as Windows-1252
// bytes ('?' for characters that have none).
class TStringStream : public TStream {
 public:
  TStringStream() = default;
  explicit TStringStream(const String& text);
  explicit TStringStream(std::string bytes) : data_(std::move(bytes)) {}
  String ClassName() const override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
  void SetSize(std::int64_t new_size) override;
  // The view is the rest of the string from the position.
  bool PeekBuffer(std::span<const Byte>& view) override;
  void ConsumeBuffer(std::size_t n) override;

  // All bytes as text (Windows-1252), regardless of the position.
  String DataString() const;
  // All bytes, regardless of the position.
  const std::string& Bytes() const { return data_; }
  // Reads up to `count` bytes from the position and returns them as text.
  String ReadString(std::size_t count);
  // Writes `text` at the position as Windows-1252 bytes.
  void WriteString(const String& text);

 private:
  std::string data_;
  std::size_t pos_ = 0;
};

}  // namespace krv
KORVEX_API_END
