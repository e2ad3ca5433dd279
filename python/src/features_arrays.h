// Feature values as numpy arrays, both ways. One feature's values travel as a pair
// (values, mask): float64 with NaN for a missing double (mask None); int64 for integers and
// bool for tri-states, each with a bool mask that is True where the value is missing; an
// object array of str or None for strings (mask None).
#pragma once

#include <deque>
#include <vector>

#include "bind.h"
#include "features_columns.h"
#include "korvex/dstruct/featmat.h"

namespace korvex_py {

// The numpy arrays of a set of features, made with the GIL held, filled through Sinks()
// without it, and handed to Python by Finish() with the GIL again.
class ColumnArrays {
 public:
  ColumnArrays(const std::vector<krv::TFeatKind>& kinds, std::size_t n_objects);
  std::vector<ColumnSink>& Sinks() { return sinks_; }
  // A list of (kind, values, mask) per feature.
  py::list Finish();

 private:
  std::size_t n_;
  std::vector<ColumnSink> sinks_;
  std::vector<py::object> values_, masks_;
  std::deque<std::vector<krv::String>> texts_;
};

// Sets every value of feature f (1-based) from (values, mask) of the form its kind takes
// (see above; a missing value stores the empty text). Runs without the GIL once the inputs
// are read; the library's setter checks each text. ValueError for a length other than the
// matrix's object count, an integer outside the 32-bit range the matrix reads, or an
// infinite double.
void SetColumn(krv::TFeatureMatrix& m, std::int32_t f, const py::object& values,
               const py::object& mask);

// The kinds of the features of m, in order.
std::vector<krv::TFeatKind> KindsOf(const krv::TFeatureMatrix& m);

}  // namespace korvex_py
