// TStream: the operations every stream shares.
#include "korvex/platform/stream.h"

#include <algorithm>
#include <memory>

#include "korvex/platform/exceptions.h"

namespace krv {

String TStream::ClassName() const {
  return u"TStream";
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, soFromCurrent);
  const std::int64_t end = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return end;
}

void TStream::SetSize(std::int64_t /*new_size*/) {
  throw EWriteError("Stream does not support changing its size");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count <= 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::size_t kChunk = 64 * 1024;
  const auto buffer = std::make_unique<Byte[]>(kChunk);
  std::int64_t left = count;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunk));
    source.ReadBuffer(buffer.get(), n);
    WriteBuffer(buffer.get(), n);
    left -= static_cast<std::int64_t>(n);
  }
  return count;
}

bool TStream::PeekBuffer(std::span<const Byte>& view) {
  view = {};
  return false;
}

void TStream::ConsumeBuffer(std::size_t /*n*/) {}

}  // namespace krv
