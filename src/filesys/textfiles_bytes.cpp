// The text-file utilities that work on raw bytes: byte-order detection, line counting and
// line-end repair. They read in large blocks through plain file handles, which gives the same
// results as reading through TextFile one character or line at a time, only faster.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "filesys/internal/text_io.h"
#include "korvex/filesys/textfiles.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/filesystem.h"
#include "korvex/platform/stream.h"
#include "platform/internal/file_identity.h"

namespace krv {
namespace detail {

void RaiseInOutError(int code) {
  throw EInOutError(IOErrorMessage(code), code);
}

int InOutCodeOfOsError(int err) {
  switch (err) {
    case ENOENT:
      return kIoFileNotFound;
    case ENOTDIR:
      return kIoPathNotFound;
    case EMFILE:
      return kIoTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kIoAccessDenied;
    case ENOSPC:
      return kIoWriteError;
    default:
      return err > 0 ? kIoOsErrorBase + err : kIoFileNotFound;
  }
}

RawFile::RawFile(const String& name, Mode mode) {
  handle_ = mode == kRead ? FileOpen(name, fmOpenRead) : FileCreate(name);
  if (handle_ == kInvalidFileHandle) RaiseInOutError(InOutCodeOfOsError(GetLastOSError()));
}

RawFile::~RawFile() {
  FileClose(handle_);
}

std::size_t RawFile::Read(void* buffer, std::size_t count) {
  const Int64 n = FileRead(handle_, buffer, static_cast<Int64>(count));
  if (n < 0) RaiseInOutError(kIoReadError);
  return static_cast<std::size_t>(n);
}

std::size_t RawFile::ReadQuietly(void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const Int64 n =
        FileRead(handle_, static_cast<char*>(buffer) + done, static_cast<Int64>(count - done));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void RawFile::Write(const void* buffer, std::size_t count) {
  const char* p = static_cast<const char*>(buffer);
  while (count > 0) {
    const Int64 n = FileWrite(handle_, p, static_cast<Int64>(count));
    if (n <= 0) RaiseInOutError(n < 0 ? InOutCodeOfOsError(GetLastOSError()) : kIoWriteError);
    p += n;
    count -= static_cast<std::size_t>(n);
  }
}

}  // namespace detail

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

// The number of LF bytes in p[0, n).
std::uint64_t CountLineFeeds(const unsigned char* p, std::size_t n) {
  std::uint64_t total = 0;
#if defined(__SSE2__)
  // Each byte lane of `acc` counts matches (cmpeq gives -1, subtracted); it is summed into
  // `total` before any lane can pass 255.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (n >= 64) {
    const std::size_t rounds = std::min<std::size_t>(n / 64, 63);
    __m128i acc = zero;
    for (std::size_t i = 0; i < rounds; ++i, p += 64) {
      const auto* v = reinterpret_cast<const __m128i*>(p);
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(v), lf));
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(v + 1), lf));
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(v + 2), lf));
      acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(v + 3), lf));
    }
    // Each half's sum is below 2^16, so the low 32 bits hold it (and 32-bit x86 has no
    // 64-bit extraction).
    const __m128i sums = _mm_sad_epu8(acc, zero);
    total += static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    n -= rounds * 64;
  }
#endif
  for (; n > 0; --n) total += *p++ == '\n';
  return total;
}

std::int64_t CountLinesOfFile(const String& fileName, TFeedbackProc feedback) {
  detail::RawFile file(fileName, detail::RawFile::kRead);
  detail::AdviseSequential(file.Handle());
  const auto buffer = std::make_unique<unsigned char[]>(kBlockSize);
  std::uint64_t lines = 0;
  unsigned char last = '\n';  // an empty file has no unfinished line
  const auto report = [&](std::uint64_t before) {
    if (feedback == nullptr) return;
    for (std::uint64_t k = before / 1000 + 1; k * 1000 <= lines; ++k) {
      feedback(nullptr, static_cast<double>(k * 1000), 0.0);
    }
  };
  while (const std::size_t n = file.Read(buffer.get(), kBlockSize)) {
    const std::uint64_t before = lines;
    lines += CountLineFeeds(buffer.get(), n);
    last = buffer[n - 1];
    report(before);
  }
  if (last != '\n') {
    ++lines;
    report(lines - 1);
  }
  return static_cast<std::int64_t>(lines);
}

// Converts one block; `pendingCr` carries a CR that ended the previous block.
void AppendWithCrLf(const unsigned char* in, std::size_t n, bool& pendingCr, std::string& out) {
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = in[i];
    if (pendingCr && b != '\n') out.push_back('\n');
    out.push_back(static_cast<char>(b));
    pendingCr = b == '\r';
  }
}

template <typename ReadFn, typename WriteFn>
void ConvertCrLf(ReadFn read, WriteFn write) {
  const auto buffer = std::make_unique<unsigned char[]>(kBlockSize);
  std::string out;
  out.reserve(2 * kBlockSize);
  bool pendingCr = false;
  while (const std::size_t n = read(buffer.get(), kBlockSize)) {
    out.clear();
    AppendWithCrLf(buffer.get(), n, pendingCr, out);
    write(out.data(), out.size());
  }
  if (pendingCr) write("\n", 1);
}

}  // namespace

TTextfileType CheckTextFileType(const String& fileName) {
  detail::RawFile file(fileName, detail::RawFile::kRead);
  unsigned char b[4] = {0, 0, 0, 0};
  const std::size_t got = file.ReadQuietly(b, sizeof b);
  if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return tftUTF8;
  // A file of 2 or 3 bytes FF FE cannot hold a 4-byte mark: it is UTF-16, not UTF-32.
  if (b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0 && got == 4) return tftUnicode4_le;
  if (b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF) return tftUnicode4_be;
  if (b[0] == 0xFF && b[1] == 0xFE) return tftUnicode_le;
  if (b[0] == 0xFE && b[1] == 0xFF) return tftUnicode_be;
  if (b[0] == 0x7B && b[1] == 0x5C && b[2] == 0x72) return tftRTF;
  return tftUnknown;
}

std::int64_t CountLinesInTextFile(const String& fileName, TFeedbackProc feedback) {
  return CountLinesOfFile(fileName, feedback);
}

std::int64_t CountLinesInTextFile(TextFile& f, TFeedbackProc feedback) {
  IOChecksOn checks;
  f.Reset();
  const std::int64_t lines = CountLinesOfFile(f.FileName(), feedback);
  f.Reset();
  return lines;
}

void EnsureCRLFInFile(const String& inputName, const String& outputName) {
  detail::RawFile in(inputName, detail::RawFile::kRead);
  // Creating the output truncates it, so an output that is the input must be caught first.
  detail::FileId inId, outId;
  if (detail::HandleFileId(in.Handle(), inId) &&
      detail::NativeFileId(ToNativePath(outputName), outId) && inId == outId) {
    throw EInOutError(u"Input and output are the same file", kIoAccessDenied);
  }
  detail::RawFile out(outputName, detail::RawFile::kCreate);
  ConvertCrLf([&](void* p, std::size_t n) { return in.Read(p, n); },
              [&](const void* p, std::size_t n) { out.Write(p, n); });
}

void EnsureCRLFInStream(TStream& source, TStream& dest) {
  ConvertCrLf([&](void* p, std::size_t n) { return source.Read(p, n); },
              [&](const void* p, std::size_t n) { dest.WriteBuffer(p, n); });
}

}  // namespace krv
