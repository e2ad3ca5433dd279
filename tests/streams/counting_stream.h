// Test streams: one that records every Read and Write call, and one that fails on demand.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "korvex/platform/stream.h"

namespace krv::testing {

// A memory stream that records the size requested by every Read and Write call.
class CountingStream : public TMemoryStream {
 public:
  CountingStream() = default;
  explicit CountingStream(const std::string& bytes) {
    if (!bytes.empty()) WriteBuffer(bytes.data(), bytes.size());
    SetPosition(0);
    reads.clear();
    writes.clear();
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    reads.push_back(count);
    return TMemoryStream::Read(buffer, count);
  }
  std::size_t Write(const void* buffer, std::size_t count) override {
    writes.push_back(count);
    return TMemoryStream::Write(buffer, count);
  }
  std::string Bytes() {
    if (Size() == 0) return std::string();
    return std::string(reinterpret_cast<const char*>(Memory()), static_cast<std::size_t>(Size()));
  }

  std::vector<std::size_t> reads;
  std::vector<std::size_t> writes;
};

// A stream over fixed bytes whose Read raises once `fail_after` bytes have been delivered
// and whose Write always refuses.
class FailingStream : public TMemoryStream {
 public:
  FailingStream(const std::string& bytes, std::size_t fail_after) : fail_after_(fail_after) {
    TMemoryStream::Write(bytes.data(), bytes.size());
    SetPosition(0);
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    if (delivered_ + count > fail_after_) throw std::runtime_error("device error");
    const std::size_t n = TMemoryStream::Read(buffer, count);
    delivered_ += n;
    return n;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }

 private:
  std::size_t fail_after_;
  std::size_t delivered_ = 0;
};

// A memory stream holding `bytes`, positioned at 0.
class BytesStream : public TMemoryStream {
 public:
  explicit BytesStream(const std::string& bytes) {
    if (!bytes.empty()) WriteBuffer(bytes.data(), bytes.size());
    SetPosition(0);
  }
};

inline std::string BytesOf(TMemoryStream& m) {
  if (m.Size() == 0) return std::string();
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.Size()));
}

}  // namespace krv::testing
