// A string stream that gives at most `chunk` bytes per read, for testing readers against
// short reads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "korvex/platform/stream.h"

namespace krv::testing {

class TrickleStream : public TStringStream {
 public:
  TrickleStream(std::string bytes, std::size_t chunk)
      : TStringStream(std::move(bytes)), chunk_(chunk) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    return TStringStream::Read(buffer, std::min(count, chunk_));
  }

 private:
  std::size_t chunk_;
};

}  // namespace krv::testing
