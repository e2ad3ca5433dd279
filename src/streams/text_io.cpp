// Text lines and whole texts on byte streams.
#include "korvex/streams/text_io.h"

#include <algorithm>
#include <array>
#include <exception>
#include <span>

#include "streams/internal/byte_scan.h"

namespace krv {

void WriteStringStream(TStream& stream, const String& text) {
  constexpr std::size_t kBlock = 4096;
  std::array<Byte, kBlock> buffer;
  const Char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const std::size_t n = std::min(left, kBlock);
    for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<Byte>(p[i]);
    stream.WriteBuffer(buffer.data(), n);
    p += n;
    left -= n;
  }
}

void WriteLnStream(TStream& stream, const String& text) {
  WriteStringStream(stream, text);
  static constexpr Byte kCrLf[2] = {13, 10};
  stream.WriteBuffer(kCrLf, 2);
}

namespace {

bool EndsLine(std::int32_t mode, Byte b, const String& line) {
  switch (mode) {
    case kLnModeLF:
      return b == 10;
    case kLnModeCR:
      return b == 13;
    case kLnModeCRorLF:
      return b == 13 || b == 10;
    case kLnModeLFCR:
      return b == 13 && line.size() >= 2 && line[line.size() - 2] == 10;
    case kLnModeCRLF:
      return b == 10 && line.size() >= 2 && line[line.size() - 2] == 13;
    default:
      return false;
  }
}

bool IsLineEndChar(Char c) {
  return c == 13 || c == 10;
}

// Index in data[0, n) of the byte that ends the line of `mode`, or n when none does.
// `prev` is the character before data[0] in the line, -1 when the line is empty.
std::size_t FindLineEnd(const Byte* data, std::size_t n, std::int32_t mode, int prev) {
  const Byte* end = data + n;
  const Byte* hit = nullptr;
  switch (mode) {
    case kLnModeLF:
      hit = detail::FindByte(data, end, 10);
      break;
    case kLnModeCR:
      hit = detail::FindByte(data, end, 13);
      break;
    case kLnModeCRorLF:
      hit = detail::FindCrOrLf(data, end);
      break;
    case kLnModeLFCR:
    case kLnModeCRLF: {
      // The second byte of the pair ends the line only right after the first one.
      const Byte second = mode == kLnModeLFCR ? 13 : 10;
      const int first = mode == kLnModeLFCR ? 10 : 13;
      for (const Byte* p = data; (hit = detail::FindByte(p, end, second)) != nullptr; p = hit + 1) {
        if ((hit == data ? prev : hit[-1]) == first) break;
      }
      break;
    }
    default:
      break;
  }
  return hit != nullptr ? static_cast<std::size_t>(hit - data) : n;
}

// Outcome of reading towards a line end.
enum class LineScan { kLineEnd, kEndOfStream, kNoView };

// Appends to `line` from the stream's buffer views, a block at a time, up to and including
// the line end. kNoView when the stream offers no view: the caller goes on with Read.
LineScan ScanLineInViews(TStream& stream, String& line, std::int32_t mode) {
  std::span<const Byte> view;
  while (stream.PeekBuffer(view)) {
    if (view.empty()) return LineScan::kEndOfStream;
    const int prev = line.empty() ? -1 : line.back();
    const std::size_t end = FindLineEnd(view.data(), view.size(), mode, prev);
    const bool found = end < view.size();
    const std::size_t take = found ? end + 1 : view.size();
    detail::AppendBytes(line, view.data(), take);
    stream.ConsumeBuffer(take);
    if (found) return LineScan::kLineEnd;
  }
  return LineScan::kNoView;
}

// Appends to `line` with one single-byte Read per byte, up to and including the line end.
LineScan ReadLineBytes(TStream& stream, String& line, std::int32_t mode) {
  Byte b;
  while (stream.Read(&b, 1) == 1) {
    line.push_back(static_cast<Char>(b));
    if ((b == 10 || b == 13) && EndsLine(mode, b, line)) return LineScan::kLineEnd;
  }
  return LineScan::kEndOfStream;
}

}  // namespace

String ReadLnStream(TStream& stream, bool& endOfStream, std::int32_t mode) {
  endOfStream = false;
  String line;
  LineScan result = ScanLineInViews(stream, line, mode);
  if (result == LineScan::kNoView) result = ReadLineBytes(stream, line, mode);
  if (result == LineScan::kEndOfStream) {
    endOfStream = true;
    return line;
  }
  if (!line.empty() && IsLineEndChar(line.back())) line.pop_back();
  if (!line.empty() && IsLineEndChar(line.back())) line.pop_back();
  return line;
}

String StreamAsString(TStream& stream) {
  constexpr std::size_t kBlock = 256;
  String text;
  std::size_t used = 0;
  // A size hint lets the result be sized once; the reading never relies on it, so a stream
  // that cannot tell its size (or grows meanwhile) is read all the same.
  try {
    const std::int64_t pos = stream.Position();
    const std::int64_t size = stream.Size();
    if (pos >= 0 && size > pos) {
      text.resize(static_cast<std::size_t>(std::min<std::int64_t>(size - pos, 1 << 30)));
    }
  } catch (const std::exception&) {
  }
  Byte block[kBlock];
  for (;;) {
    const std::size_t n = std::min(stream.Read(block, kBlock), kBlock);
    if (text.size() - used < n) text.resize(std::max(used + n, 2 * text.size()));
    Char* out = text.data() + used;
    for (std::size_t i = 0; i < n; ++i) out[i] = block[i];
    used += n;
    if (n < kBlock) break;
  }
  text.resize(used);
  return text;
}

bool FindInStream(TStream& stream, Byte b) {
  std::span<const Byte> view;
  while (stream.PeekBuffer(view)) {
    if (view.empty()) return false;
    const Byte* hit = detail::FindByte(view.data(), view.data() + view.size(), b);
    stream.ConsumeBuffer(hit != nullptr ? static_cast<std::size_t>(hit - view.data()) + 1
                                        : view.size());
    if (hit != nullptr) return true;
  }
  Byte c;
  while (stream.Read(&c, 1) == 1) {
    if (c == b) return true;
  }
  return false;
}

std::int64_t CountLinesInStream(TStream& stream) {
  std::int64_t count = 0;
  std::span<const Byte> view;
  while (stream.PeekBuffer(view)) {
    if (view.empty()) return count;
    count += std::count(view.begin(), view.end(), Byte{10});
    stream.ConsumeBuffer(view.size());
  }
  Byte c;
  while (stream.Read(&c, 1) == 1) count += c == 10;
  return count;
}

}  // namespace krv
