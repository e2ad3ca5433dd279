// TStringStream: a stream over a byte string.
#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "platform/internal/seek.h"

namespace krv {

TStringStream::TStringStream(const String& text) : data_(ToAnsi(text)) {}

String TStringStream::ClassName() const {
  return u"TStringStream";
}

std::size_t TStringStream::Read(void* buffer, std::size_t count) {
  if (pos_ >= data_.size() || count == 0) return 0;
  const std::size_t n = std::min(count, data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

std::size_t TStringStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (pos_ > data_.max_size() || count > data_.max_size() - pos_) return 0;
  try {
    const std::size_t end = pos_ + count;
    if (end > data_.size()) data_.resize(end);  // a gap after a far seek becomes zero bytes
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ = end;
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const std::length_error&) {
    return 0;
  }
  return count;
}

std::int64_t TStringStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t target = 0;
  if (!detail::SeekTarget(static_cast<std::int64_t>(pos_), static_cast<std::int64_t>(data_.size()),
                          offset, origin, target) ||
      static_cast<std::uint64_t>(target) > data_.max_size()) {
    return -1;
  }
  pos_ = static_cast<std::size_t>(target);
  return target;
}

bool TStringStream::PeekBuffer(std::span<const Byte>& view) {
  view = {};
  // A derived class may deliver its bytes differently through Read.
  if (typeid(*this) != typeid(TStringStream)) return false;
  if (pos_ < data_.size()) {
    view = {reinterpret_cast<const Byte*>(data_.data()) + pos_, data_.size() - pos_};
  }
  return true;
}

void TStringStream::ConsumeBuffer(std::size_t n) {
  if (pos_ < data_.size()) pos_ += std::min(n, data_.size() - pos_);
}

void TStringStream::SetSize(std::int64_t new_size) {
  if (new_size < 0 || static_cast<std::uint64_t>(new_size) > data_.max_size()) {
    throw EWriteError("Invalid string stream size");
  }
  try {
    data_.resize(static_cast<std::size_t>(new_size));
  } catch (const std::exception&) {
    throw EWriteError("Out of memory while expanding string stream");
  }
  pos_ = std::min(pos_, data_.size());
}

String TStringStream::DataString() const {
  return FromAnsi(data_);
}

String TStringStream::ReadString(std::size_t count) {
  const std::size_t start = std::min(pos_, data_.size());
  const std::size_t n = std::min(count, data_.size() - start);
  pos_ = std::max(pos_, start + n);
  return FromAnsi(std::string_view(data_).substr(start, n));
}

void TStringStream::WriteString(const String& text) {
  const std::string bytes = ToAnsi(text);
  WriteBuffer(bytes.data(), bytes.size());
}

}  // namespace krv
