// TFeatureMatrix as korvex.FeatureMatrix: objects (rows) described by features (columns),
// each feature with a record (korvex.Feature) and a kind (korvex.FeatureKind); values typed by
// their feature's kind, None where the matrix holds the empty text (its missing value); the
// matrix's text file (load, save, from_str, to_str); typed columns for numpy and pandas.
// Indexes are 0-based: object i and feature j of Python are the library's i + 1 and j + 1.
// File work and conversions run without the GIL; meanwhile the matrix refuses other calls.
#include <pybind11/numpy.h>

#include <cerrno>
#include <limits>
#include <memory>

#include "bind.h"
#include "features_arrays.h"
#include "features_columns.h"
#include "features_fast.h"
#include "features_io.h"
#include "korvex/dstruct/featmat.h"
#include "korvex/platform/text.h"
#include "korvex/stringl/chars.h"

namespace korvex_py {
namespace {

struct Matrix {
  krv::TFeatureMatrix m;
  bool busy = false;
};

struct FeatureList {
  py::object owner;  // keeps the matrix alive
  Matrix* x;
};

constexpr const char* kWhat = "FeatureMatrix";

// A 0-based Python index (negative counts from the end) as the library's 1-based one.
std::int32_t Index(py::ssize_t i, std::int32_t n, const char* what) {
  if (i < 0) i += n;
  if (i < 0 || i >= n) throw py::index_error(std::string(what) + " index out of range");
  return static_cast<std::int32_t>(i + 1);
}

krv::TFeatKind KindArg(const py::handle& kind) {
  if (py::isinstance<py::str>(kind)) {
    krv::String name = kind.cast<krv::String>();
    for (auto& c : name) c = krv::AsciiLower(c);
    for (std::size_t k = 0; k < krv::FEATKINDIDS.size(); ++k)
      if (name == krv::FEATKINDIDS[k]) return static_cast<krv::TFeatKind>(k);
    throw py::value_error("no feature kind is called '" + kind.cast<std::string>() + "'");
  }
  return kind.cast<krv::TFeatKind>();
}

py::object GetValue(const krv::TFeatureMatrix& m, std::int32_t o, std::int32_t f) {
  switch (m.GetFeatProps(f).FeatKind) {
    case krv::fkInteger:
      if (m.GetFeatValStr(f, o).empty()) return py::none();
      return py::int_(m.GetFeatValInt(f, o));
    case krv::fkDouble:
      if (m.GetFeatValStr(f, o).empty()) return py::none();
      return py::float_(m.GetFeatValDouble(f, o));
    case krv::fkTriState: {
      const krv::TTriState t = m.GetFeatValTriState(f, o);
      if (t == krv::tsUndefined) return py::none();
      return py::bool_(t == krv::tsTrue);
    }
    default: {
      const krv::String s = m.GetFeatValStr(f, o);  // the library refuses undefined features
      if (s.empty()) return py::none();
      return py::cast(s);
    }
  }
}

void SetFloat(krv::TFeatureMatrix& m, std::int32_t o, std::int32_t f, double v) {
  const krv::TFeatKind k = m.GetFeatProps(f).FeatKind;
  if (k != krv::fkDouble && k != krv::fkString) return m.SetFeatValDouble(f, o, v);  // refuses
  krv::String text;
  if (!DoubleText(v, text)) throw py::value_error("an infinite value cannot be stored");
  m.SetFeatValStr(f, o, text);
}

void SetValue(krv::TFeatureMatrix& m, std::int32_t o, std::int32_t f, const py::handle& v) {
  if (v.is_none()) return m.SetFeatValStr(f, o, krv::String());
  if (py::isinstance<py::bool_>(v))
    return m.SetFeatValTriState(f, o, v.cast<bool>() ? krv::tsTrue : krv::tsFalse);
  if (py::isinstance<py::int_>(v)) {
    const auto i = v.cast<std::int64_t>();
    if (m.GetFeatProps(f).FeatKind == krv::fkInteger &&
        (i < std::numeric_limits<std::int32_t>::min() ||
         i > std::numeric_limits<std::int32_t>::max()))
      throw py::value_error(std::to_string(i) + " is outside the 32-bit range");
    return m.SetFeatValint(f, o, i);
  }
  if (py::isinstance<py::float_>(v)) return SetFloat(m, o, f, v.cast<double>());
  if (py::isinstance<py::str>(v)) return m.SetFeatValStr(f, o, v.cast<krv::String>());
  throw py::type_error(std::string("a feature value is int, float, str, bool or None, not ") +
                       Py_TYPE(v.ptr())->tp_name);
}

// The (object, feature) of a key, as the library's indexes.
std::pair<std::int32_t, std::int32_t> Cell(const krv::TFeatureMatrix& m, const py::tuple& key) {
  if (key.size() != 2) throw py::type_error("a matrix is indexed by (object, feature)");
  return {Index(key[0].cast<py::ssize_t>(), m.NObjects(), "object"),
          Index(key[1].cast<py::ssize_t>(), m.NFeatures(), "feature")};
}

// Raises the library's error for the value of feature f, object o that did not convert.
[[noreturn]] void RaiseCellError(const krv::TFeatureMatrix& m, std::int32_t f, std::int32_t o) {
  switch (m.GetFeatProps(f).FeatKind) {
    case krv::fkInteger:
      m.GetFeatValInt(f, o);
      break;
    case krv::fkDouble:
      m.GetFeatValDouble(f, o);
      break;
    case krv::fkTriState:
      m.GetFeatValTriState(f, o);
      break;
    default:
      m.GetFeatValStr(f, o);
  }
  throw py::value_error("feature " + std::to_string(f) + ", object " + std::to_string(o) +
                        ": the value does not convert");
}

// Every feature's values as (kind, values, mask), converted without the GIL.
py::list MatrixColumns(Matrix& x) {
  const InUse use(x.busy, kWhat);
  const krv::TFeatureMatrix& m = x.m;
  const auto n = static_cast<std::size_t>(m.NObjects());
  const std::vector<krv::TFeatKind> kinds = KindsOf(m);
  for (std::size_t f = 0; f < kinds.size() && n > 0; ++f)
    if (kinds[f] == krv::fkUndefined) m.GetFeatValStr(static_cast<std::int32_t>(f + 1), 1);
  ColumnArrays arrays(kinds, n);
  ConvertFault fault;
  {
    py::gil_scoped_release release;
    fault = ConvertColumns(arrays.Sinks(), n, [&](std::size_t f, std::size_t o, krv::String& t) {
      t = m.GetFeatValStr(static_cast<std::int32_t>(f + 1), static_cast<std::int32_t>(o + 1));
    });
  }
  if (fault.failed)
    RaiseCellError(m, static_cast<std::int32_t>(fault.feature + 1),
                   static_cast<std::int32_t>(fault.object + 1));
  return arrays.Finish();
}

py::list Records(const krv::TFeatureMatrix& m) {
  py::list out;
  for (std::int32_t f = 1; f <= m.NFeatures(); ++f) out.append(m.GetFeatProps(f));
  return out;
}

// Raises the error of a Load that gave rc, for the file `path`.
[[noreturn]] void RaiseLoadError(const py::object& path, std::int32_t rc) {
  if (rc == -1) RaiseOSError(ENOENT, path);
  if (rc == -3) ReadNativeFile(path);  // the system's reason, when there is one
  RaiseFileFormatError(ShownName(path) + (rc == -2 ? ": no feature matrix in the file"
                                                   : ": malformed feature matrix file"));
}

std::unique_ptr<Matrix> Load(const py::object& path) {
  auto x = std::make_unique<Matrix>();
  const krv::String name = VerbatimName(path);
  std::int32_t rc = 0;
  {
    py::gil_scoped_release release;
    rc = x->m.Load(name);
  }
  if (rc != 0) RaiseLoadError(path, rc);
  return x;
}

void Save(Matrix& x, const py::object& path) {
  const InUse use(x.busy, kWhat);
  const krv::String name = VerbatimName(path);
  WithOpenErrors(path, [&] {
    py::gil_scoped_release release;
    x.m.Save(name);
  });
}

std::unique_ptr<Matrix> FromStr(const py::object& text) {
  const std::string bytes = py::isinstance<py::str>(text) ? krv::ToAnsi(text.cast<krv::String>())
                                                          : std::string(ByteView(text).view());
  auto x = std::make_unique<Matrix>();
  std::int32_t rc = 0;
  {
    py::gil_scoped_release release;
    ScratchFile scratch;
    scratch.Write(bytes);
    rc = x->m.Load(scratch.Name());
  }
  if (rc != 0)
    RaiseFileFormatError(rc == -2 ? "no feature matrix in the text"
                                  : "malformed feature matrix text");
  return x;
}

krv::String ToStr(Matrix& x) {
  const InUse use(x.busy, kWhat);
  std::string bytes;
  {
    py::gil_scoped_release release;
    ScratchFile scratch;
    x.m.Save(scratch.Name());
    bytes = scratch.Read();
  }
  return krv::FromAnsi(bytes);
}

// The library's Load of the bytes, through a scratch file; false when either fails.
bool LoadThroughScratchFile(std::string_view bytes, krv::TFeatureMatrix& header) {
  try {
    ScratchFile scratch;
    scratch.Write(bytes);
    return header.Load(scratch.Name()) == 0;
  } catch (const std::exception&) {
    return false;  // no scratch file: the library reads the whole file instead
  }
}

// The records and columns of a feature-matrix file: straight from its bytes when the file
// allows, else through the library's Load (or, when fast_only, None).
py::object ReadColumns(const py::object& path, bool fast_only) {
  const std::string bytes = ReadNativeFile(path);
  FastFile ff;
  bool fast = false;
  {
    py::gil_scoped_release release;
    fast = ReadFast(bytes, LoadThroughScratchFile, ff);
  }
  const std::vector<krv::TFeatKind> kinds = KindsOf(ff.header);
  const auto n = static_cast<std::size_t>(ff.n_objects);
  for (const krv::TFeatKind k : kinds) fast = fast && (k != krv::fkUndefined || n == 0);
  if (fast) {
    ColumnArrays arrays(kinds, n);
    ConvertFault fault;
    {
      py::gil_scoped_release release;
      fault = ConvertColumns(arrays.Sinks(), n, [&](std::size_t f, std::size_t o, krv::String& t) {
        FastText(bytes, ff, f * n + o, t);
      });
    }
    if (!fault.failed) return py::make_tuple(Records(ff.header), arrays.Finish());
  }
  if (fast_only) return py::none();
  std::unique_ptr<Matrix> x = Load(path);  // the library's reading and its errors
  return py::make_tuple(Records(x->m), MatrixColumns(*x));
}

void BindFeatureRecords(py::module_& m) {
  py::enum_<krv::TFeatKind>(m, "FeatureKind", "The kind of a feature's values.")
      .value("UNDEFINED", krv::fkUndefined)
      .value("INTEGER", krv::fkInteger)
      .value("DOUBLE", krv::fkDouble)
      .value("STRING", krv::fkString)
      .value("TRISTATE", krv::fkTriState);
  py::class_<krv::TFeatProps>(
      m, "Feature",
      "A feature's record: number, name (at most 20 Windows-1252 characters once stored), kind, "
      "comment (at most 60), preset text and sorted flag. Records read from a matrix are copies: "
      "assign a changed one back.")
      .def(py::init([](const krv::String& name, const py::object& kind, std::int32_t number,
                       const krv::String& comment, const krv::String& presets, bool sorted) {
             krv::TFeatProps p;
             p.FeatName = krv::ToAnsi(name);
             p.FeatKind = KindArg(kind);
             p.FeatNum = number;
             p.Comment = krv::ToAnsi(comment);
             p.PresetValues = presets;
             p.Sorted = sorted;
             return p;
           }),
           py::arg("name") = "", py::arg("kind") = krv::fkUndefined, py::kw_only(),
           py::arg("number") = 0, py::arg("comment") = krv::String(),
           py::arg("presets") = krv::String(), py::arg("sorted") = false)
      .def_readwrite("number", &krv::TFeatProps::FeatNum)
      .def_property(
          "name", [](const krv::TFeatProps& p) { return krv::FromAnsi(p.FeatName); },
          [](krv::TFeatProps& p, const krv::String& v) { p.FeatName = krv::ToAnsi(v); })
      .def_property(
          "kind", [](const krv::TFeatProps& p) { return p.FeatKind; },
          [](krv::TFeatProps& p, const py::object& v) { p.FeatKind = KindArg(v); })
      .def_property(
          "comment", [](const krv::TFeatProps& p) { return krv::FromAnsi(p.Comment); },
          [](krv::TFeatProps& p, const krv::String& v) { p.Comment = krv::ToAnsi(v); })
      .def_readwrite("presets", &krv::TFeatProps::PresetValues)
      .def_readwrite("sorted", &krv::TFeatProps::Sorted)
      .def("__eq__",
           [](const krv::TFeatProps& a, const krv::TFeatProps& b) {
             return a.FeatNum == b.FeatNum && a.FeatName == b.FeatName &&
                    a.FeatKind == b.FeatKind && a.Comment == b.Comment &&
                    a.PresetValues == b.PresetValues && a.Sorted == b.Sorted;
           })
      .def("__repr__", [](const py::object& p) {
        return py::str("Feature({!r}, {}, number={}, comment={!r}, presets={!r}, sorted={})")
            .format(p.attr("name"), p.attr("kind"), p.attr("number"), p.attr("comment"),
                    p.attr("presets"), p.attr("sorted"));
      });
}

void BindFeatureList(py::module_& m) {
  py::class_<FeatureList>(
      m, "FeatureList", "The records of a matrix's features as a sequence (copies in, copies out).")
      .def("__len__", [](const FeatureList& l) { return l.x->m.NFeatures(); })
      .def("__getitem__",
           [](const FeatureList& l, py::ssize_t i) {
             return l.x->m.GetFeatProps(Index(i, l.x->m.NFeatures(), "feature"));
           })
      .def("__setitem__",
           [](FeatureList& l, py::ssize_t i, const krv::TFeatProps& p) {
             const InUse use(l.x->busy, kWhat);
             l.x->m.SetFeatProps(Index(i, l.x->m.NFeatures(), "feature"), p);
           })
      .def("__iter__", [](const FeatureList& l) { return py::iter(Records(l.x->m)); })
      .def("__repr__", [](const FeatureList& l) { return py::repr(Records(l.x->m)); });
}

void BindFeatureMatrixShape(py::class_<Matrix>& c) {
  auto set_count = [](Matrix& x, std::int32_t n, bool features) {
    const InUse use(x.busy, kWhat);
    if (n < 0) throw py::value_error("a count cannot be negative");
    features ? x.m.SetNFeats(n) : x.m.SetNObjs(n);
  };
  c.def(py::init([](std::int32_t n_features, std::int32_t n_objects) {
          auto x = std::make_unique<Matrix>();
          if (n_features < 0 || n_objects < 0) throw py::value_error("a count cannot be negative");
          if (!x->m.Resize(n_features, n_objects))
            throw py::value_error("a matrix holds at most 2**26 values");
          return x;
        }),
        py::arg("n_features") = 0, py::arg("n_objects") = 0)
      .def_property(
          "n_features", [](const Matrix& x) { return x.m.NFeatures(); },
          [=](Matrix& x, std::int32_t n) { set_count(x, n, true); }, "The number of features.")
      .def_property(
          "n_objects", [](const Matrix& x) { return x.m.NObjects(); },
          [=](Matrix& x, std::int32_t n) { set_count(x, n, false); }, "The number of objects.")
      .def_property_readonly(
          "shape", [](const Matrix& x) { return py::make_tuple(x.m.NObjects(), x.m.NFeatures()); },
          "(n_objects, n_features), the shape of to_numpy().")
      .def(
          "resize",
          [](Matrix& x, std::int32_t n_features, std::int32_t n_objects) {
            const InUse use(x.busy, kWhat);
            if (!x.m.Resize(n_features, n_objects))
              throw py::value_error("counts must not be negative; at most 2**26 values");
          },
          py::arg("n_features"), py::arg("n_objects"),
          "Sets both counts, keeping records and values where old and new overlap.")
      .def_property_readonly(
          "features",
          [](const py::object& self) {
            return FeatureList{self, &self.cast<Matrix&>()};
          },
          "The feature records, a sequence: matrix.features[j] = Feature(...) sets one.")
      .def(
          "find_feature",
          [](const Matrix& x, const krv::String& name) -> py::object {
            const std::int32_t f = x.m.FindFeatName(name);
            if (f < 1) return py::none();
            return py::int_(f - 1);
          },
          py::arg("name"), "Index of the first feature of that name (A-Z ignoring case), or None.")
      .def(
          "clear",
          [](Matrix& x) {
            const InUse use(x.busy, kWhat);
            x.m.Clear();
          },
          "No features, no objects.");
}

void BindFeatureMatrixEditing(py::class_<Matrix>& c) {
  c.def(
       "insert_object",
       [](Matrix& x, py::ssize_t i) {
         const InUse use(x.busy, kWhat);
         const std::int32_t n = x.m.NObjects();
         if (i == n || (i == -1 && n == 0)) {
           x.m.SetNObjs(n + 1);
           return x.m.ClearObject(n + 1);
         }
         x.m.InsertObject(Index(i, n, "object"));
       },
       py::arg("index"),
       "Inserts an object before `index` (n_objects appends), its values the defaults: 0 for "
       "numbers, missing for the rest.")
      .def(
          "remove_object",
          [](Matrix& x, py::ssize_t i) {
            const InUse use(x.busy, kWhat);
            x.m.RemoveObject(Index(i, x.m.NObjects(), "object"));
          },
          py::arg("index"))
      .def(
          "insert_feature",
          [](Matrix& x, py::ssize_t i) {
            const InUse use(x.busy, kWhat);
            const std::int32_t n = x.m.NFeatures();
            x.m.InsertFeature(i == n ? n + 1 : Index(i, n, "feature"));
          },
          py::arg("index"),
          "Inserts an undefined feature named 'undefined' before `index` (n_features appends).")
      .def(
          "clear_object",
          [](Matrix& x, py::ssize_t i) {
            const InUse use(x.busy, kWhat);
            x.m.ClearObject(Index(i, x.m.NObjects(), "object"));
          },
          py::arg("index"), "Sets the object's values to the defaults.")
      .def(
          "copy_object",
          [](Matrix& x, py::ssize_t source, py::ssize_t target) {
            const InUse use(x.busy, kWhat);
            x.m.CopyObject(Index(source, x.m.NObjects(), "object"),
                           Index(target, x.m.NObjects(), "object"));
          },
          py::arg("source"), py::arg("target"));
}

void BindFeatureMatrixValues(py::class_<Matrix>& c) {
  c.def(
       "__getitem__",
       [](Matrix& x, const py::tuple& key) {
         const InUse use(x.busy, kWhat);
         const auto [o, f] = Cell(x.m, key);
         return GetValue(x.m, o, f);
       },
       "matrix[object, feature]: int, float, str or bool by the feature's kind; None when missing.")
      .def(
          "__setitem__",
          [](Matrix& x, const py::tuple& key, const py::object& v) {
            const InUse use(x.busy, kWhat);
            const auto [o, f] = Cell(x.m, key);
            SetValue(x.m, o, f, v);
          },
          "matrix[object, feature] = value; None stores the missing value. The library checks "
          "the value against the feature's kind.")
      .def(
          "get_text",
          [](Matrix& x, py::ssize_t o, py::ssize_t f) {
            const InUse use(x.busy, kWhat);
            const auto [oi, fi] = Cell(x.m, py::make_tuple(o, f));
            return x.m.GetFeatValStr(fi, oi);
          },
          py::arg("object"), py::arg("feature"), "The value's text as the matrix stores it.")
      .def(
          "set_text",
          [](Matrix& x, py::ssize_t o, py::ssize_t f, const krv::String& text) {
            const InUse use(x.busy, kWhat);
            const auto [oi, fi] = Cell(x.m, py::make_tuple(o, f));
            x.m.SetFeatValStr(fi, oi, text);
          },
          py::arg("object"), py::arg("feature"), py::arg("text"),
          "Stores a value text, checked against the feature's kind (the empty text is missing).")
      .def(
          "_columns", [](Matrix& x) { return MatrixColumns(x); },
          "Every feature's values as (kind, values, mask) numpy arrays.")
      .def(
          "_set_column",
          [](Matrix& x, py::ssize_t f, const py::object& values, const py::object& mask) {
            const InUse use(x.busy, kWhat);
            SetColumn(x.m, Index(f, x.m.NFeatures(), "feature"), values, mask);
          },
          py::arg("feature"), py::arg("values"), py::arg("mask") = py::none());
}

void BindFeatureMatrixFiles(py::class_<Matrix>& c) {
  c.def_static("load", &Load, py::arg("path"),
               "The matrix of a feature-matrix file. FileNotFoundError (or another OSError) "
               "when it cannot be read, FileFormatError when it holds no matrix or a malformed "
               "one.")
      .def("save", &Save, py::arg("path"),
           "Writes the matrix to its text file (created or replaced): Windows-1252, CR LF, "
           "one line per value that is not missing.")
      .def_static("from_str", &FromStr, py::arg("text"),
                  "The matrix of a file's text (str, or the file's bytes).")
      .def("to_str", &ToStr, "The text save() writes (lines end in CR LF).")
      .def("copy",
           [](Matrix& x) {
             const InUse use(x.busy, kWhat);
             auto y = std::make_unique<Matrix>();
             y->m.Assign(&x.m);
             return y;
           })
      .def("__copy__", [](const py::object& self) { return self.attr("copy")(); })
      .def("__deepcopy__",
           [](const py::object& self, const py::object&) { return self.attr("copy")(); })
      .def("__repr__", [](const Matrix& x) {
        return "<FeatureMatrix: " + std::to_string(x.m.NObjects()) + " objects x " +
               std::to_string(x.m.NFeatures()) + " features>";
      });
}

}  // namespace

void BindFeatures(py::module_& m) {
  BindFileFormatError(m);
  BindFeatureRecords(m);
  BindFeatureList(m);
  py::class_<Matrix> c(m, "FeatureMatrix",
                       "A feature matrix: n_objects objects (rows) by n_features features "
                       "(columns), 0-based.");
  BindFeatureMatrixShape(c);
  BindFeatureMatrixEditing(c);
  BindFeatureMatrixValues(c);
  BindFeatureMatrixFiles(c);
  m.def("_read_feature_columns", &ReadColumns, py::arg("path"), py::arg("fast_only") = false,
        "(records, columns) of a feature-matrix file, columns as FeatureMatrix._columns gives.");
}

}  // namespace korvex_py
