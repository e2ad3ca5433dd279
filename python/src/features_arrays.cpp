// Feature values as numpy arrays, both ways (see features_arrays.h).
#include "features_arrays.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <limits>
#include <string>

namespace korvex_py {
namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;
using Ints = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>;
using Bools = py::array_t<bool, py::array::c_style | py::array::forcecast>;

// An object array of the texts, None for the empty ones.
py::object TextArray(const std::vector<krv::String>& texts) {
  py::array a(py::dtype("O"), std::vector<py::ssize_t>{static_cast<py::ssize_t>(texts.size())});
  auto** cells = static_cast<PyObject**>(a.mutable_data());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].empty()) continue;  // numpy made it None
    py::object s = py::cast(texts[i]);
    Py_XDECREF(cells[i]);
    cells[i] = s.release().ptr();
  }
  return a;
}

void CheckLength(std::size_t got, std::size_t want) {
  if (got != want)
    throw py::value_error("a column of " + std::to_string(got) + " values for a matrix of " +
                          std::to_string(want) + " objects");
}

// The missing flags of (mask, n): none when mask is None.
Bools MaskOf(const py::object& mask, std::size_t n) {
  if (mask.is_none()) {
    Bools none(static_cast<py::ssize_t>(n));
    std::fill_n(none.mutable_data(), n, false);
    return none;
  }
  Bools m = Bools::ensure(mask);
  if (!m) throw py::error_already_set();
  CheckLength(static_cast<std::size_t>(m.size()), n);
  return m;
}

// Stores the texts that text(o, out) gives for every object, without the GIL.
template <typename Text>
void StoreTexts(krv::TFeatureMatrix& m, std::int32_t f, std::size_t n, Text&& text) {
  py::gil_scoped_release release;
  krv::String t;
  for (std::size_t o = 0; o < n; ++o) {
    text(o, t);
    m.SetFeatValStr(f, static_cast<std::int32_t>(o + 1), t);
  }
}

void SetDoubles(krv::TFeatureMatrix& m, std::int32_t f, std::size_t n, const py::object& values) {
  const Doubles a = Doubles::ensure(values);
  if (!a) throw py::error_already_set();
  CheckLength(static_cast<std::size_t>(a.size()), n);
  const double* p = a.data();
  StoreTexts(m, f, n, [&](std::size_t o, krv::String& t) {
    if (!DoubleText(p[o], t))
      throw py::value_error("feature " + std::to_string(f) + ", object " + std::to_string(o + 1) +
                            ": an infinite value cannot be stored");
  });
}

void SetIntegers(krv::TFeatureMatrix& m, std::int32_t f, std::size_t n, const py::object& values,
                 const py::object& mask) {
  const Ints a = Ints::ensure(values);
  if (!a) throw py::error_already_set();
  CheckLength(static_cast<std::size_t>(a.size()), n);
  const Bools miss = MaskOf(mask, n);
  const std::int64_t* p = a.data();
  const bool* q = miss.data();
  StoreTexts(m, f, n, [&](std::size_t o, krv::String& t) {
    t.clear();
    if (q[o]) return;
    if (p[o] < std::numeric_limits<std::int32_t>::min() ||
        p[o] > std::numeric_limits<std::int32_t>::max())
      throw py::value_error("feature " + std::to_string(f) + ", object " + std::to_string(o + 1) +
                            ": " + std::to_string(p[o]) + " is outside the 32-bit range");
    t = krv::FeatIntToStr(p[o]);
  });
}

void SetTriStates(krv::TFeatureMatrix& m, std::int32_t f, std::size_t n, const py::object& values,
                  const py::object& mask) {
  const Bools a = Bools::ensure(values);
  if (!a) throw py::error_already_set();
  CheckLength(static_cast<std::size_t>(a.size()), n);
  const Bools miss = MaskOf(mask, n);
  const bool* p = a.data();
  const bool* q = miss.data();
  StoreTexts(m, f, n, [&](std::size_t o, krv::String& t) {
    t = krv::FeatTriStateToStr(q[o] ? krv::tsUndefined : p[o] ? krv::tsTrue : krv::tsFalse);
  });
}

void SetStrings(krv::TFeatureMatrix& m, std::int32_t f, std::size_t n, const py::object& values) {
  const py::sequence seq = py::reinterpret_borrow<py::sequence>(values);
  CheckLength(py::len(seq), n);
  std::vector<krv::String> texts(n);
  for (std::size_t o = 0; o < n; ++o) {
    const py::object v = seq[o];
    if (!v.is_none()) texts[o] = v.cast<krv::String>();
  }
  StoreTexts(m, f, n, [&](std::size_t o, krv::String& t) { t.swap(texts[o]); });
}

}  // namespace

ColumnArrays::ColumnArrays(const std::vector<krv::TFeatKind>& kinds, std::size_t n_objects)
    : n_(n_objects) {
  const auto n = static_cast<py::ssize_t>(n_objects);
  for (const krv::TFeatKind k : kinds) {
    ColumnSink s;
    s.kind = k;
    py::object values = py::none(), mask = py::none();
    if (k == krv::fkDouble) {
      py::array_t<double> a(n);
      s.real = a.mutable_data();
      values = a;
    } else if (k == krv::fkInteger || k == krv::fkTriState) {
      py::array_t<bool> miss(n);
      s.missing = reinterpret_cast<std::uint8_t*>(miss.mutable_data());
      mask = miss;
      if (k == krv::fkInteger) {
        py::array_t<std::int64_t> a(n);
        s.integer = a.mutable_data();
        values = a;
      } else {
        py::array_t<bool> a(n);
        s.truth = reinterpret_cast<std::uint8_t*>(a.mutable_data());
        values = a;
      }
    } else if (k == krv::fkString) {
      s.text = &texts_.emplace_back(n_objects);
    }
    sinks_.push_back(s);
    values_.push_back(values);
    masks_.push_back(mask);
  }
}

py::list ColumnArrays::Finish() {
  py::list out;
  for (std::size_t f = 0; f < sinks_.size(); ++f) {
    if (sinks_[f].text != nullptr) values_[f] = TextArray(*sinks_[f].text);
    out.append(py::make_tuple(static_cast<int>(sinks_[f].kind), values_[f], masks_[f]));
  }
  return out;
}

void SetColumn(krv::TFeatureMatrix& m, std::int32_t f, const py::object& values,
               const py::object& mask) {
  const auto n = static_cast<std::size_t>(m.NObjects());
  switch (m.GetFeatProps(f).FeatKind) {
    case krv::fkDouble:
      return SetDoubles(m, f, n, values);
    case krv::fkInteger:
      return SetIntegers(m, f, n, values, mask);
    case krv::fkTriState:
      return SetTriStates(m, f, n, values, mask);
    case krv::fkString:
      return SetStrings(m, f, n, values);
    default:
      if (n > 0) m.SetFeatValStr(f, 1, krv::String());  // the library's refusal
  }
}

std::vector<krv::TFeatKind> KindsOf(const krv::TFeatureMatrix& m) {
  std::vector<krv::TFeatKind> kinds;
  for (std::int32_t f = 1; f <= m.NFeatures(); ++f) kinds.push_back(m.GetFeatProps(f).FeatKind);
  return kinds;
}

}  // namespace korvex_py
