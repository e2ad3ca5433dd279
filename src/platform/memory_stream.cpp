// TMemoryStream: a growable byte buffer with a position.
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <typeinfo>

#include "korvex/platform/exceptions.h"
#include "korvex/platform/stream.h"
#include "platform/internal/seek.h"

namespace krv {
namespace {

// Largest size a memory stream may reach; keeps every size and position computation exact.
constexpr std::size_t kMaxMemorySize = std::numeric_limits<std::ptrdiff_t>::max() / 2;

}  // namespace

String TMemoryStream::ClassName() const {
  return u"TMemoryStream";
}

void TMemoryStream::Reserve(std::size_t wanted) {
  if (wanted <= capacity_) return;
  if (wanted > kMaxMemorySize) throw std::bad_alloc();
  // Grow by half again, in whole 8 KiB steps, so repeated small writes stay linear.
  std::size_t cap = std::max(wanted, capacity_ + capacity_ / 2);
  cap = std::min((cap + 8191) & ~std::size_t{8191}, kMaxMemorySize);
  auto fresh = std::unique_ptr<Byte[]>(new Byte[cap]);
  if (size_ != 0) std::memcpy(fresh.get(), data_.get(), size_);
  data_ = std::move(fresh);
  capacity_ = cap;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (pos_ >= size_ || count == 0) return 0;
  const std::size_t n = std::min(count, size_ - pos_);
  std::memcpy(buffer, data_.get() + pos_, n);
  pos_ += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (pos_ > kMaxMemorySize || count > kMaxMemorySize - pos_) return 0;
  const std::size_t end = pos_ + count;
  try {
    Reserve(end);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (pos_ > size_) std::memset(data_.get() + size_, 0, pos_ - size_);
  std::memcpy(data_.get() + pos_, buffer, count);
  pos_ = end;
  size_ = std::max(size_, end);
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t target = 0;
  if (!detail::SeekTarget(static_cast<std::int64_t>(pos_), static_cast<std::int64_t>(size_), offset,
                          origin, target) ||
      static_cast<std::uint64_t>(target) > kMaxMemorySize) {
    return -1;
  }
  pos_ = static_cast<std::size_t>(target);
  return target;
}

bool TMemoryStream::PeekBuffer(std::span<const Byte>& view) {
  view = {};
  // A derived class may deliver its bytes differently through Read.
  if (typeid(*this) != typeid(TMemoryStream)) return false;
  if (pos_ < size_) view = {data_.get() + pos_, size_ - pos_};
  return true;
}

void TMemoryStream::ConsumeBuffer(std::size_t n) {
  if (pos_ < size_) pos_ += std::min(n, size_ - pos_);
}

void TMemoryStream::SetSize(std::int64_t new_size) {
  if (new_size < 0 || static_cast<std::uint64_t>(new_size) > kMaxMemorySize) {
    throw EWriteError("Invalid memory stream size");
  }
  const auto n = static_cast<std::size_t>(new_size);
  try {
    Reserve(n);
  } catch (const std::bad_alloc&) {
    throw EWriteError("Out of memory while expanding memory stream");
  }
  if (n > size_) std::memset(data_.get() + size_, 0, n - size_);
  size_ = n;
  pos_ = std::min(pos_, size_);
}

void TMemoryStream::Clear() {
  data_.reset();
  size_ = capacity_ = pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const std::int64_t count = source.Size();
  SetSize(count);
  pos_ = 0;
  if (count > 0) source.ReadBuffer(data_.get(), static_cast<std::size_t>(count));
}

void TMemoryStream::SaveToStream(TStream& dest) {
  if (size_ != 0) dest.WriteBuffer(data_.get(), size_);
}

void TMemoryStream::LoadFromFile(const String& file_name) {
  TFileStream file(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const String& file_name) {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
  file.Flush();
}

}  // namespace krv
