// Streams for testing the readers that take buffer views (TStream::PeekBuffer) against those
// that go through Read: ReadOnlyStream has only what TStream requires; ChunkedViewStream hands
// out views of a few bytes, and now and then none, so line ends and tags fall on every kind of
// block boundary and the readers go on with Read mid-line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <utility>

#include "korvex/platform/stream.h"

namespace krv::testing {

class ReadOnlyStream : public TStream {
 public:
  explicit ReadOnlyStream(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = pos_ < bytes_.size() ? std::min(count, bytes_.size() - pos_) : 0;
    if (n != 0) std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::int64_t base = origin == soFromBeginning ? 0
                              : origin == soFromEnd     ? static_cast<std::int64_t>(bytes_.size())
                                                        : static_cast<std::int64_t>(pos_);
    if (base + offset < 0) return -1;
    pos_ = static_cast<std::size_t>(base + offset);
    return static_cast<std::int64_t>(pos_);
  }

 protected:
  std::string bytes_;
  std::size_t pos_ = 0;
};

// Views of 1 to `max_view` bytes; one PeekBuffer in `none_one_in` offers no view.
class ChunkedViewStream : public ReadOnlyStream {
 public:
  explicit ChunkedViewStream(std::string bytes, unsigned seed = 7, std::size_t max_view = 7,
                             unsigned none_one_in = 8)
      : ReadOnlyStream(std::move(bytes)),
        rng_(seed),
        max_view_(max_view),
        none_one_in_(none_one_in) {}
  bool PeekBuffer(std::span<const Byte>& view) override {
    view = {};
    if (rng_() % none_one_in_ == 0) return false;
    if (pos_ < bytes_.size()) {
      view = {reinterpret_cast<const Byte*>(bytes_.data()) + pos_,
              std::min<std::size_t>(bytes_.size() - pos_, 1 + rng_() % max_view_)};
    }
    return true;
  }
  void ConsumeBuffer(std::size_t n) override { pos_ += n; }

 private:
  std::mt19937 rng_;
  std::size_t max_view_;
  unsigned none_one_in_;
};

}  // namespace krv::testing
