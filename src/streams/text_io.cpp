// Text lines and whole texts on byte streams.
#include "korvex/streams/text_io.h"

#include <algorithm>
#include <array>
#include <exception>

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

}  // namespace

String ReadLnStream(TStream& stream, bool& endOfStream, std::int32_t mode) {
  endOfStream = false;
  String line;
  Byte b;
  for (;;) {
    if (stream.Read(&b, 1) != 1) {
      endOfStream = true;
      return line;
    }
    line.push_back(static_cast<Char>(b));
    if ((b == 10 || b == 13) && EndsLine(mode, b, line)) break;
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
  Byte c;
  while (stream.Read(&c, 1) == 1) {
    if (c == b) return true;
  }
  return false;
}

std::int64_t CountLinesInStream(TStream& stream) {
  std::int64_t count = 0;
  Byte c;
  while (stream.Read(&c, 1) == 1) count += c == 10;
  return count;
}

}  // namespace krv
