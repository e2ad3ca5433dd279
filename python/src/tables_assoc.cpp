// TAssocArray as korvex.AssocArray: str keys (any text, lone surrogates kept) mapped to
// values in entry order, with its XML file. Values cross as Python types: None (null or
// empty), bool, int (the integer kinds; Python ints become Int64, or UInt64 above its range),
// float (single, double), decimal.Decimal (currency, four decimals), datetime.datetime
// (date: days since 1899-12-30, a negative value's fraction still the time of day) and str.
#include <cmath>
#include <memory>

#include "features_io.h"
#include "korvex/dstruct/assocarray.h"
#include "korvex/platform/stream.h"
#include "korvex/platform/text.h"
#include "korvex/platform/variant.h"
#include "strings_text.h"
#include "tables_assoc.h"

namespace korvex_py {
namespace {

struct Assoc {
  krv::TAssocArray a;
  bool busy = false;
};

constexpr const char* kWhat = "AssocArray";

py::object DateOf(double v) {
  const py::module_ dt = py::module_::import("datetime");
  const py::object epoch = dt.attr("datetime")(1899, 12, 30);
  const py::object delta = dt.attr("timedelta");
  const double whole = std::trunc(v);
  return epoch + delta(py::arg("days") = whole) + delta(py::arg("days") = std::fabs(v - whole));
}

double DateValue(const py::handle& o, bool with_time) {
  const py::module_ dt = py::module_::import("datetime");
  const py::object day = with_time ? o.attr("date")() : py::reinterpret_borrow<py::object>(o);
  const auto days = (day - dt.attr("date")(1899, 12, 30)).attr("days").cast<double>();
  double frac = 0;
  if (with_time) {
    const py::object naive = o.attr("replace")(py::arg("tzinfo") = py::none());
    const py::object midnight = dt.attr("datetime").attr("combine")(day, dt.attr("time")());
    frac = (naive - midnight).attr("total_seconds")().cast<double>() / 86400.0;
  }
  return days >= 0 ? days + frac : days - frac;
}

py::object ToPython(const krv::Variant& v) {
  switch (v.VarType()) {
    case krv::varBoolean:
      return py::bool_(v.RawBoolean());
    case krv::varShortInt:
    case krv::varSmallint:
    case krv::varInteger:
    case krv::varInt64:
      return py::int_(v.RawSigned());
    case krv::varByte:
    case krv::varWord:
    case krv::varLongWord:
    case krv::varUInt64:
      return py::int_(v.RawUnsigned());
    case krv::varSingle:
      return py::float_(v.RawSingle());
    case krv::varDouble:
      return py::float_(v.RawDouble());
    case krv::varCurrency:
      return py::module_::import("decimal").attr("Decimal")(v.RawSigned()).attr("scaleb")(-4);
    case krv::varDate:
      return DateOf(v.RawDouble());
    case krv::varUString:
      return StrOf(v.RawString());
    default:
      return py::none();
  }
}

krv::Variant IntVariant(const py::handle& o) {
  const py::int_ i = py::reinterpret_steal<py::int_>(PyNumber_Index(o.ptr()));
  if (!i) throw py::error_already_set();
  int overflow = 0;
  const long long s = PyLong_AsLongLongAndOverflow(i.ptr(), &overflow);
  if (overflow == 0) return krv::Variant(static_cast<std::int64_t>(s));
  const unsigned long long u = overflow > 0 ? PyLong_AsUnsignedLongLong(i.ptr()) : 0;
  if (overflow < 0 || PyErr_Occurred()) {
    PyErr_Clear();
    throw py::value_error("an int value must lie within -2**63 .. 2**64 - 1");
  }
  return krv::Variant(static_cast<std::uint64_t>(u));
}

krv::Variant FromPython(const py::handle& o) {
  if (o.is_none()) return krv::Variant::Null();
  if (py::isinstance<py::bool_>(o)) return krv::Variant(o.cast<bool>());
  if (py::isinstance<py::float_>(o)) return krv::Variant(o.cast<double>());
  if (py::isinstance<py::str>(o)) return krv::Variant(Utf16Of(o));
  if (PyIndex_Check(o.ptr())) return IntVariant(o);
  const py::module_ dt = py::module_::import("datetime");
  if (py::isinstance(o, dt.attr("datetime")))
    return krv::Variant(krv::TDateTime{DateValue(o, true)});
  if (py::isinstance(o, dt.attr("date"))) return krv::Variant(krv::TDateTime{DateValue(o, false)});
  if (py::isinstance(o, py::module_::import("decimal").attr("Decimal"))) {
    const py::object scaled = o.attr("scaleb")(4).attr("to_integral_value")();
    const krv::Variant v = IntVariant(py::int_(scaled));
    if (v.VarType() != krv::varInt64)
      throw py::value_error("the amount is beyond the currency range");
    return krv::Variant(krv::Currency::FromScaled(v.RawSigned()));
  }
  throw py::type_error(std::string("an AssocArray value is None, bool, int, float, str, "
                                   "decimal.Decimal or datetime, not ") +
                       Py_TYPE(o.ptr())->tp_name);
}

std::int32_t Entry(const Assoc& x, const py::handle& key) {
  const std::int32_t ix = x.a.IndexOfKey(Utf16Of(key));
  if (ix < 1) throw py::key_error(py::repr(key).cast<std::string>());
  return ix;
}

py::list Keys(const Assoc& x) {
  py::list out;
  for (std::int32_t i = 1; i <= x.a.NumEntries(); ++i) out.append(StrOf(x.a.GetKeys(i)));
  return out;
}

bool ReadXml(Assoc& x, const std::string& bytes, const krv::String& data_id) {
  py::gil_scoped_release release;
  krv::TMemoryStream s;
  s.WriteBuffer(bytes.data(), bytes.size());
  s.Seek(0, krv::soFromBeginning);
  return x.a.ReadFromXMLStream(s, data_id);
}

std::string WriteXml(Assoc& x, const krv::String& data_id, bool header) {
  const InUse use(x.busy, kWhat);
  py::gil_scoped_release release;
  krv::TMemoryStream s;
  x.a.WriteToXMLStream(s, header, data_id);
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

std::string Missing(const krv::String& data_id) {
  return "no complete assoc array element" +
         (data_id.empty() ? std::string() : " with id '" + krv::ToUtf8(data_id) + "'");
}

void BindAssocMapping(py::class_<Assoc>& c) {
  c.def("__len__", [](const Assoc& x) { return x.a.NumEntries(); })
      .def("__contains__",
           [](const Assoc& x, const py::handle& key) {
             return py::isinstance<py::str>(key) && x.a.IndexOfKey(Utf16Of(key)) > 0;
           })
      .def("__getitem__",
           [](Assoc& x, const py::handle& key) {
             const InUse use(x.busy, kWhat);
             return ToPython(x.a.GetValues(Entry(x, key)));
           })
      .def(
          "__setitem__",
          [](Assoc& x, const py::handle& key, const py::handle& value) {
            const InUse use(x.busy, kWhat);
            const krv::String k = Utf16Of(key);
            const krv::Variant v = FromPython(value);
            const std::int32_t ix = x.a.IndexOfKey(k);
            ix > 0 ? x.a.SetValues(ix, v) : x.a.Add(k, v);
          },
          "Replaces the value of an existing key, else adds an entry (with the key folded "
          "to lower case A-Z while ignore_case is on).")
      .def(
          "__delitem__",
          [](Assoc& x, const py::handle& key) {
            const InUse use(x.busy, kWhat);
            Entry(x, key);
            x.a.Remove(Utf16Of(key));
          },
          "Removes the entry; the last entry takes its place in the order.")
      .def("__iter__", [](const Assoc& x) { return py::iter(Keys(x)); })
      .def("keys", &Keys, "The keys in entry order (a list).")
      .def(
          "values",
          [](const Assoc& x) {
            py::list out;
            for (std::int32_t i = 1; i <= x.a.NumEntries(); ++i)
              out.append(ToPython(x.a.GetValues(i)));
            return out;
          },
          "The values in entry order (a list).")
      .def(
          "items",
          [](const Assoc& x) {
            py::list out;
            for (std::int32_t i = 1; i <= x.a.NumEntries(); ++i)
              out.append(py::make_tuple(StrOf(x.a.GetKeys(i)), ToPython(x.a.GetValues(i))));
            return out;
          },
          "(key, value) pairs in entry order (a list).")
      .def("clear", [](Assoc& x) {
        const InUse use(x.busy, kWhat);
        x.a.Clear();
      });
}

void BindAssocFiles(py::class_<Assoc>& c) {
  c.def_static(
       "load",
       [](const py::object& path, const krv::String& data_id) {
         auto x = std::make_unique<Assoc>();
         if (!ReadXml(*x, ReadNativeFile(path), data_id))
           RaiseFileFormatError(ShownName(path) + ": " + Missing(data_id));
         return x;
       },
       py::arg("path"), py::arg("data_id") = krv::String(),
       "The array of the first assoc array element of an XML file (with that id, when given; "
       "else the data_id property's), its entries, ignore_case, granularity and id as stored.")
      .def(
          "save",
          [](Assoc& x, const py::object& path, const krv::String& data_id, bool header) {
            WriteNativeFile(path, WriteXml(x, data_id, header));
          },
          py::arg("path"), py::arg("data_id") = krv::String(), py::kw_only(),
          py::arg("header") = true,
          "Writes the XML file (ASCII, CR LF); the id is data_id, else the data_id property.")
      .def_static(
          "from_str",
          [](const krv::String& text, const krv::String& data_id) {
            auto x = std::make_unique<Assoc>();
            if (!ReadXml(*x, krv::ToAnsi(text), data_id)) RaiseFileFormatError(Missing(data_id));
            return x;
          },
          py::arg("text"), py::arg("data_id") = krv::String())
      .def(
          "to_str",
          [](Assoc& x, const krv::String& data_id, bool header) {
            return py::str(WriteXml(x, data_id, header));
          },
          py::arg("data_id") = krv::String(), py::kw_only(), py::arg("header") = true);
}

}  // namespace

void BindAssocArray(py::module_& m) {
  py::class_<Assoc> c(m, "AssocArray",
                      "A mapping of str keys to values, in entry order, saved as XML. While "
                      "ignore_case is on, keys compare with A-Z folded and are stored folded.");
  c.def(py::init([](bool ignore_case, std::int32_t granularity, const krv::String& data_id) {
          auto x = std::make_unique<Assoc>();
          x->a.SetIgnoreCase(ignore_case);
          x->a.SetGranularity(granularity);
          x->a.SetDataID(data_id);
          return x;
        }),
        py::kw_only(), py::arg("ignore_case") = true, py::arg("granularity") = 1024,
        py::arg("data_id") = krv::String())
      .def_property(
          "ignore_case", [](const Assoc& x) { return x.a.IgnoreCase(); },
          [](Assoc& x, bool v) {
            const InUse use(x.busy, kWhat);
            x.a.SetIgnoreCase(v);
          })
      .def_property(
          "granularity", [](const Assoc& x) { return x.a.Granularity(); },
          [](Assoc& x, std::int32_t v) {
            const InUse use(x.busy, kWhat);
            x.a.SetGranularity(v);
          },
          "Entries allocated at a time (kept within 1..1048576).")
      .def_property(
          "data_id", [](const Assoc& x) { return x.a.DataID(); },
          [](Assoc& x, const krv::String& v) {
            const InUse use(x.busy, kWhat);
            x.a.SetDataID(v);
          },
          "The id written and looked for when a call gives none.");
  BindAssocMapping(c);
  BindAssocFiles(c);
}

}  // namespace korvex_py
