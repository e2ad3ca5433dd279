// Feature values in typed columns: the texts of a feature matrix converted as its getters
// convert them, into buffers the caller owns (numpy arrays), on up to two threads and without
// touching Python.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "korvex/dstruct/featmat.h"

namespace korvex_py {

// Where one feature's values go. The empty text is the matrix's missing value: NaN for
// doubles, `missing` set for integers and tri-states, the empty text kept for strings.
struct ColumnSink {
  krv::TFeatKind kind = krv::fkUndefined;
  double* real = nullptr;                    // fkDouble
  std::int64_t* integer = nullptr;           // fkInteger
  std::uint8_t* truth = nullptr;             // fkTriState: 1 true, 0 false or missing
  std::uint8_t* missing = nullptr;           // fkInteger and fkTriState
  std::vector<krv::String>* text = nullptr;  // fkString, sized by the caller
};

// Stores value text s of object o (0-based) in the sink. False when the text does not convert
// (the getter of the feature's kind would raise); undefined features never convert.
bool StoreValue(ColumnSink& sink, std::size_t o, const krv::String& s);

// Gives the text of feature f (0-based) of object o (0-based) into a String it may reuse.
using TextSource = std::function<void(std::size_t f, std::size_t o, krv::String& out)>;

// The first value that did not convert.
struct ConvertFault {
  bool failed = false;
  std::size_t feature = 0, object = 0;
};

// Converts every value of n_objects objects into the sinks (one per feature), the objects
// shared among up to two threads; the fault reported is the first one of the first share
// that has one. Touches no Python object, so it may run without the GIL; `source`
// must be safe to call from two threads at once.
ConvertFault ConvertColumns(std::vector<ColumnSink>& sinks, std::size_t n_objects,
                            const TextSource& source);

// The value text the matrix stores for a double: the shortest decimal that reads back to the
// same value, in the library's "E" form ("0.1", "1.5E-7", "1E20"). False for infinities,
// which no value text can hold; NaN is the missing value and gives the empty text.
bool DoubleText(double v, krv::String& out);

}  // namespace korvex_py
