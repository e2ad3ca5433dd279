// TextFile: the run-time's text file.
//
// One byte per character in Windows-1252 (characters without a byte are written as '?').
// Lines are written ending in CR LF and read ending at LF or CR LF (a lone CR is ordinary
// text). Input and output are buffered.
//
// Errors. Every failing operation records an IOResult-style code. While I/O checking is on
// (the default, per thread) the failure raises EInOutError carrying that code instead.
// While checking is off (SetIOChecks(false) or an IOChecksOff guard), the code stays
// pending until IOResult() fetches and clears it, and every text-file operation called
// while a code is pending does nothing (reads give their neutral value). An operation
// started with checking on while a code is pending raises that pending error.
//
// Reading past the end is no error: ReadChar gives Ctrl-Z (26), ReadLn and ReadInteger give
// the empty string and 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "korvex/platform/export.h"
#include "korvex/platform/types.h"

KORVEX_API_BEGIN
namespace krv {

// IOResult codes.
inline constexpr int kIoFileNotFound = 2;
inline constexpr int kIoPathNotFound = 3;
inline constexpr int kIoTooManyOpenFiles = 4;
inline constexpr int kIoAccessDenied = 5;
inline constexpr int kIoReadError = 100;
inline constexpr int kIoWriteError = 101;
inline constexpr int kIoFileNotAssigned = 102;
inline constexpr int kIoFileNotOpen = 103;
inline constexpr int kIoNotOpenForInput = 104;
inline constexpr int kIoNotOpenForOutput = 105;
inline constexpr int kIoInvalidInput = 106;
// Other operating-system failures report kIoOsErrorBase + errno.
inline constexpr int kIoOsErrorBase = 1000;

// The message EInOutError carries for `code` ("File not found", "Invalid numeric input"...).
String IOErrorMessage(int code);

// Returns the pending I/O error code of this thread (0 for none) and clears it.
int IOResult();
// Switches I/O checking for this thread; returns the previous setting.
bool SetIOChecks(bool on);
bool IOChecks();

// Sets I/O checking for its lifetime, then restores the previous setting.
class ScopedIOChecks {
 public:
  explicit ScopedIOChecks(bool on) : previous_(SetIOChecks(on)) {}
  ~ScopedIOChecks() { SetIOChecks(previous_); }
  ScopedIOChecks(const ScopedIOChecks&) = delete;
  ScopedIOChecks& operator=(const ScopedIOChecks&) = delete;

 private:
  bool previous_;
};

// Checking off: failures only set IOResult.
class IOChecksOff : public ScopedIOChecks {
 public:
  IOChecksOff() : ScopedIOChecks(false) {}
};

// Checking on: every failure raises EInOutError, whatever the caller's setting is.
class IOChecksOn : public ScopedIOChecks {
 public:
  IOChecksOn() : ScopedIOChecks(true) {}
};

class TextFile {
 public:
  enum TMode : std::uint8_t { tmClosed, tmInput, tmOutput };

  TextFile();
  // Closes the file if open; pending output is written, failures are ignored.
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Names the file. Closes it first if it is open.
  void Assign(const String& file_name);
  // Opens the assigned file for reading at its start (closing it first if open).
  void Reset();
  // Creates the file, or truncates an existing one, and opens it for writing.
  void Rewrite();
  // Opens an existing file for writing at its end.
  void Append();
  // Writes pending output and closes the file. Closing a closed file is error 103.
  void Close();

  bool IsOpen() const { return mode_ != tmClosed; }
  TMode Mode() const { return mode_; }
  const String& FileName() const { return name_; }

  // True when no character is left to read (input files only).
  bool Eof();
  // True at the end of the file or when the next characters are LF or CR LF.
  bool Eoln();
  // Skips characters of code 32 and below, then tests Eof.
  bool SeekEof();

  // Reads one character; Ctrl-Z (26) at the end of the file.
  Char ReadChar();
  // Reads the rest of the current line without its line end and moves past the line end.
  String ReadLn();
  // Skips characters of code 32 and below, then reads the characters up to the next one of
  // code 32 or below (not consumed) as a decimal integer with optional sign, or hexadecimal
  // after `$` or `0x`. No characters left gives 0; anything else is error 106.
  Integer ReadInteger();

  void Write(const String& text);
  void Write(Char c);
  // Writes `text`, then CR LF.
  void WriteLn(const String& text);
  void WriteLn();
  // Hands pending output to the operating system.
  void Flush();

 private:
  bool Begin(TMode needed);
  void Fail(int code);
  bool Fill();
  bool FlushQuietly();
  void Open(int how);
  int PeekByte();
  void PutByte(unsigned char b);
  void CloseQuietly();

  String name_;
  bool assigned_ = false;
  TMode mode_ = tmClosed;
  int fd_ = -1;
  std::unique_ptr<unsigned char[]> buf_;
  std::size_t len_ = 0;  // input: valid bytes; output: pending bytes
  std::size_t pos_ = 0;  // input: next byte to read
  bool at_end_ = false;  // input: the system reported the end of the file
};

// The run-time's procedural spelling of the same operations.
inline void AssignFile(TextFile& f, const String& name) {
  f.Assign(name);
}
inline void Reset(TextFile& f) {
  f.Reset();
}
inline void Rewrite(TextFile& f) {
  f.Rewrite();
}
inline void Append(TextFile& f) {
  f.Append();
}
inline void CloseFile(TextFile& f) {
  f.Close();
}
inline bool Eof(TextFile& f) {
  return f.Eof();
}
inline bool Eoln(TextFile& f) {
  return f.Eoln();
}
inline bool SeekEof(TextFile& f) {
  return f.SeekEof();
}
inline void Read(TextFile& f, Char& c) {
  c = f.ReadChar();
}
inline void Read(TextFile& f, Integer& i) {
  i = f.ReadInteger();
}
inline void ReadLn(TextFile& f, String& s) {
  s = f.ReadLn();
}
inline void ReadLn(TextFile& f) {
  f.ReadLn();
}
inline void Write(TextFile& f, const String& s) {
  f.Write(s);
}
inline void WriteLn(TextFile& f, const String& s) {
  f.WriteLn(s);
}
inline void WriteLn(TextFile& f) {
  f.WriteLn();
}
inline void Flush(TextFile& f) {
  f.Flush();
}

}  // namespace krv
KORVEX_API_END
