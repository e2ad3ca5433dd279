// A failed promise in a streams fuzz target aborts, so the fuzzer records the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace krv::fuzz_streams {

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

}  // namespace krv::fuzz_streams

#define STREAMS_CHECK(cond) ::krv::fuzz_streams::Check((cond), #cond)
