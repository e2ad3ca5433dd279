// Fuzz target for the Python module's straight reader of feature-matrix files
// (python/src/features_fast.cpp, behind korvex.read_feature_dataframe): whenever it takes a
// file, the library's Load of the same bytes must succeed with the same records, counts and
// value texts. The input's first byte picks where the value section is read in two halves on
// two threads (sections of at least that many bytes), so that the halves are fuzzed too.
//
// Headers may declare counts up to the load cap: run with -rss_limit_mb. Matrices of more
// than 4096 values are compared in their first and last rows and columns only; the values
// of features of undefined kind, which the module never takes from this reader, are not.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "features_fast.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/platform/text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The library's Load of a file holding bytes.
bool LoadBytes(std::string_view bytes, krv::TFeatureMatrix& m) {
  const std::string name = "/tmp/korvex_features_fast_fuzz_" + std::to_string(getpid());
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  bool loaded = false;
  try {
    loaded = written && closed && m.Load(krv::ToUtf16(name)) == 0;
  } catch (...) {
    loaded = false;
  }
  std::remove(name.c_str());
  return loaded;
}

bool SameRecord(const krv::TFeatProps& a, const krv::TFeatProps& b) {
  return a.FeatNum == b.FeatNum && a.FeatName == b.FeatName && a.FeatKind == b.FeatKind &&
         a.Comment == b.Comment && a.PresetValues == b.PresetValues && a.Sorted == b.Sorted;
}

// 0..n-1, or the first and last `edge` of them when there are many.
std::vector<std::int32_t> Probes(std::int32_t n, std::int32_t edge) {
  std::vector<std::int32_t> v;
  for (std::int32_t i = 0; i < n; ++i) {
    if (i == edge && n - edge > i) i = n - edge;
    v.push_back(i);
  }
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t split_from = std::size_t{data[0]} * 8;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  korvex_py::FastFile fast;
  if (!korvex_py::ReadFast(bytes, LoadBytes, fast, split_from)) return 0;

  krv::TFeatureMatrix full;
  Check(LoadBytes(bytes, full));
  const std::int32_t nf = full.NFeatures(), no = full.NObjects();
  Check(fast.header.NFeatures() == nf && fast.n_objects == no);
  Check(fast.cells.size() == static_cast<std::size_t>(nf) * static_cast<std::size_t>(no));
  for (std::int32_t f = 1; f <= nf; ++f)
    Check(SameRecord(fast.header.GetFeatProps(f), full.GetFeatProps(f)));
  const bool all = std::int64_t{nf} * no <= 4096;
  krv::String text;
  for (const std::int32_t f : Probes(nf, all ? nf : 8)) {
    // The module leaves files with values of undefined features to the library, whose
    // getter refuses them.
    if (full.GetFeatProps(f + 1).FeatKind == krv::fkUndefined) continue;
    for (const std::int32_t o : Probes(no, all ? no : 8)) {
      korvex_py::FastText(bytes, fast, static_cast<std::size_t>(f) * no + o, text);
      Check(text == full.GetFeatValStr(f + 1, o + 1));
    }
  }
  return 0;
}
