// The value section of a feature-matrix file read straight from the file's bytes, so that a
// large file becomes typed columns without a String per value. Everything before the value
// section (the property records and the counts) is read by the library itself; a file this
// reader cannot take exactly as the library would is left to the library (ReadFast is false).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "korvex/dstruct/featmat.h"

namespace korvex_py {

struct FastFile {
  // The records and the feature count as the library reads them; no objects.
  krv::TFeatureMatrix header;
  std::int32_t n_objects = 0;
  // Per value (feature f, object o, 0-based, at f * n_objects + o): where its text lies in
  // the bytes, packed as begin << kLengthBits | length; 0 for a value the file does not give
  // (a value text never starts the file), length 0 for an empty text.
  static constexpr int kLengthBits = 24;
  std::vector<std::uint64_t> cells;
  std::size_t Begin(std::size_t cell) const { return cells[cell] >> kLengthBits; }
  std::size_t Length(std::size_t cell) const {
    return cells[cell] & ((std::uint64_t{1} << kLengthBits) - 1);
  }
};

// The library's Load of a file holding `bytes` into `header`: true when it succeeds. The
// module writes the bytes to a scratch file; it must not raise.
using HeaderLoader = std::function<bool(std::string_view bytes, krv::TFeatureMatrix& header)>;

// Reads the bytes of a feature-matrix file into `out`. True when the result is exactly what
// the library's Load gives: the same records, counts and value texts. False, with `out` in
// no particular state, for anything else: no value section, a header the library refuses or
// reads otherwise, counts beyond the library's caps, a value longer than 16 MiB, a file of
// 1 TiB or more. Everything before the value section goes to `load`, with a value header
// that names no objects. A value section of split_from bytes or more is read in two halves
// on two threads. Runs without the GIL when `load` does.
bool ReadFast(const std::string& bytes, const HeaderLoader& load, FastFile& out,
              std::size_t split_from = std::size_t{1} << 20);

// The text of value `cell` of a FastFile read from `bytes`, as the library decodes it.
void FastText(const std::string& bytes, const FastFile& file, std::size_t cell, krv::String& out);

}  // namespace korvex_py
