// ColorArray: the library's colour scale (TColorArray) as a Python sequence indexed from 0,
// blended from the key-colour palettes, to and from numpy RGB arrays, and its colour-table
// file read and written through the library's text file.
#include <pybind11/numpy.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bind.h"
#include "colors_args.h"
#include "colors_parts.h"
#include "korvex/base/exceptions.h"
#include "korvex/colors/colorarray.h"
#include "korvex/colors/names.h"
#include "korvex/platform/exceptions.h"
#include "korvex/platform/text.h"
#include "korvex/platform/textfile.h"

namespace korvex_py {
namespace {

struct Palette {
  const char* name;
  std::span<const krv::TColor> colors;
};

const Palette kPalettes[] = {
    {"rainbow", krv::ColorArray_Rainbow},   {"geo1", krv::ColorArray_Geo1},
    {"geo2", krv::ColorArray_Geo2},         {"geo3", krv::ColorArray_Geo3},
    {"circle", krv::ColorArray_Circle},     {"morgenstemning", krv::ColorArray_MorgenStemning},
    {"contrast", krv::ColorArray_Contrast},
};

// Key colours: a palette's name, or any iterable of colours.
std::vector<krv::TColor> KeyColors(const py::handle& palette) {
  if (py::isinstance<py::str>(palette)) {
    const std::string name = palette.cast<std::string>();
    for (const Palette& p : kPalettes)
      if (name == p.name) return {p.colors.begin(), p.colors.end()};
    throw py::value_error("unknown palette '" + name + "'");
  }
  std::vector<krv::TColor> colors;
  for (const py::handle c : py::iter(palette)) colors.push_back(ColorArg(c));
  return colors;
}

std::int32_t SizeArg(long long n) {
  if (n < 1 || n > INT32_MAX) throw py::value_error("a colour array holds 1..2147483647 colours");
  return static_cast<std::int32_t>(n);
}

// The library's element number (1-based) of a Python index, negative ones from the end.
std::int32_t Element(const krv::TColorArray& a, long long index) {
  const long long n = a.Size();
  if (index < 0) index += n;
  if (index < 0 || index >= n) throw py::index_error("colour array index out of range");
  return static_cast<std::int32_t>(index + 1);
}

// The library's first..last element numbers of the Python slice start:stop of an array of n
// colours (negative values from the end, as slices take them); last < first when empty.
std::pair<std::int32_t, std::int32_t> Range(std::int32_t n, const py::object& start,
                                            const py::object& stop) {
  std::size_t lo = 0, hi = 0, step = 0, length = 0;
  if (!py::slice(start, stop, py::none())
           .compute(static_cast<std::size_t>(n), &lo, &hi, &step, &length))
    throw py::error_already_set();
  if (length == 0) return {1, 0};
  return {static_cast<std::int32_t>(lo + 1), static_cast<std::int32_t>(hi)};
}

// A copy of the colours, taken under the object lock.
std::vector<krv::TColor> ColorsOf(const krv::TColorArray& a) {
  return Locked([&] { return std::vector<krv::TColor>(a.Colors().begin(), a.Colors().end()); });
}

std::unique_ptr<krv::TColorArray> NewScale(long long size, const py::object& palette,
                                           std::int32_t levels) {
  const std::int32_t n = SizeArg(size);
  const std::vector<krv::TColor> keys = KeyColors(palette);
  return Unlocked([&] {
    auto a = std::make_unique<krv::TColorArray>();
    a->SetSize(n);
    a->FillByInterpolation(levels, keys);
    return a;
  });
}

py::array_t<std::uint8_t> ToNumpy(const krv::TColorArray& a) {
  const std::vector<krv::TColor> colors =
      Unlocked([&] { return std::vector<krv::TColor>(a.Colors().begin(), a.Colors().end()); });
  py::array_t<std::uint8_t> out({static_cast<py::ssize_t>(colors.size()), py::ssize_t{3}});
  std::uint8_t* p = out.mutable_data();
  py::gil_scoped_release release;  // the array is ours alone until it is returned
  for (const krv::TColor c : colors) {
    *p++ = c & 0xFF;
    *p++ = (c >> 8) & 0xFF;
    *p++ = (c >> 16) & 0xFF;
  }
  return out;
}

std::unique_ptr<krv::TColorArray> FromNumpy(const py::handle& value) {
  const py::array_t<std::uint8_t> rgb = RgbArray(value, 2);
  const py::ssize_t n = rgb.shape(0);
  if (n < 1 || n > INT32_MAX) throw py::value_error("a colour array holds 1..2147483647 colours");
  const std::uint8_t* p = rgb.data();
  return Unlocked([&] {
    auto a = std::make_unique<krv::TColorArray>();
    a->Resize(static_cast<std::int32_t>(n));
    for (std::int32_t i = 1; i <= n; ++i, p += 3)
      a->SetColorElem(i, p[0] | (krv::TColor{p[1]} << 8) | (krv::TColor{p[2]} << 16));
    return a;
  });
}

// Opens f as `open` does, an EInOutError naming the file when it cannot be opened.
template <typename Open>
void OpenNamed(krv::TextFile& f, const krv::String& name, Open open) {
  try {
    f.Assign(name);
    open(f);
  } catch (const krv::EInOutError& e) {
    throw krv::EInOutError(name + u": " + krv::ToUtf16(e.what()), e.ErrorCode());
  }
}

// Writes first..last to a new file through the library's text file; EInOutError when the
// file cannot be made, written or closed.
void Save(const krv::TColorArray& a, const py::object& path, const py::object& start,
          const py::object& stop) {
  const krv::String name = FileArg(path);
  // The library clamps the range to the array, should another thread resize it meanwhile.
  const auto [first, last] = Range(Locked([&] { return a.Size(); }), start, stop);
  if (last < first) throw py::value_error("an empty range of colours is not stored");
  Unlocked([&, first = first, last = last] {
    krv::IOResult();  // a pending error of an earlier call must not fail this one
    const krv::IOChecksOn checks;
    krv::TextFile f;
    OpenNamed(f, name, [](krv::TextFile& t) { t.Rewrite(); });
    if (!a.WriteToOpenTextFile(f, first, last))
      throw krv::EInOutError(name + u": " + krv::IOErrorMessage(krv::kIoWriteError),
                             krv::kIoWriteError);
    f.Close();
  });
}

void Load(krv::TColorArray& a, const py::object& path, bool adjust_size) {
  const krv::String name = FileArg(path);
  Unlocked([&] {
    krv::IOResult();
    const krv::IOChecksOn checks;
    krv::TextFile f;
    OpenNamed(f, name, [](krv::TextFile& t) { t.Reset(); });
    const bool ok = a.ReadFromOpenTextFile(f, adjust_size);
    f.Close();
    if (!ok)
      throw krv::EKRVColArrayError(
          name + (adjust_size ? u": malformed colour table"
                              : u": malformed colour table, or a range beyond the array's size"));
  });
}

void BindSequence(py::class_<krv::TColorArray>& c) {
  c.def("__len__", [](const krv::TColorArray& a) { return Locked([&] { return a.Size(); }); })
      .def("__getitem__",
           [](const krv::TColorArray& a, long long i) {
             return Locked([&] { return a.GetColorElem(Element(a, i)); });
           })
      .def("__getitem__",
           [](const krv::TColorArray& a, const py::slice& s) {
             const std::vector<krv::TColor> colors = ColorsOf(a);
             std::size_t start = 0, stop = 0, step = 0, length = 0;
             if (!s.compute(colors.size(), &start, &stop, &step, &length))
               throw py::error_already_set();
             py::list out;
             for (std::size_t k = 0; k < length; ++k, start += step) out.append(colors[start]);
             return out;
           })
      .def("__setitem__",
           [](krv::TColorArray& a, long long i, const py::object& color) {
             const krv::TColor v = ColorArg(color);
             Locked([&] { a.SetColorElem(Element(a, i), v); });
           })
      .def("__iter__", [](const krv::TColorArray& a) { return py::iter(py::cast(ColorsOf(a))); })
      .def("__eq__",
           [](const krv::TColorArray& a, const py::object& other) -> py::object {
             if (!py::isinstance<krv::TColorArray>(other))
               return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             const auto* b = other.cast<const krv::TColorArray*>();
             return py::bool_(Locked([&] { return a.IsEqual(b); }));
           })
      .def("__repr__", [](const krv::TColorArray& a) {
        return "ColorArray(size=" + std::to_string(a.Size()) + ")";
      });
}

void BindScaleOps(py::class_<krv::TColorArray>& c) {
  c.def(
       "fill",
       [](krv::TColorArray& a, const py::object& color) {
         const krv::TColor v = ColorArg(color);
         Unlocked([&] { a.Fill(v); });
       },
       py::arg("color"), "Every element becomes the colour.")
      .def(
          "fill_by_interpolation",
          [](krv::TColorArray& a, const py::object& palette, std::int32_t levels) {
            const std::vector<krv::TColor> keys = KeyColors(palette);
            Unlocked([&] { a.FillByInterpolation(levels, keys); });
          },
          py::arg("palette"), py::arg("levels") = 0,
          "Blends through the key colours (a palette name or colours, first one first). "
          "levels <= 0: a smooth scale whose last element is exactly the last colour; L > 0: at "
          "most L + 1 distinct steps. No colours change nothing.")
      .def(
          "nearest",
          [](const krv::TColorArray& a, const py::object& color) {
            const krv::TColor v = ColorArg(color);
            double distance = 0;
            const std::int32_t ix = Unlocked([&] { return a.ColorToIndex(v, distance); });
            return py::make_tuple(ix - 1, distance);
          },
          py::arg("color"),
          "(index, distance) of the first element nearest to the colour by color_distance; "
          "(0, 1.0) when none is nearer than 1.")
      .def(
          "copy_from",
          [](krv::TColorArray& a, const krv::TColorArray& source, const py::object& start,
             const py::object& stop, long long dest) {
            if (dest < 0) throw py::index_error("the destination index is 0 or more");
            // The library clamps the range to the source and skips positions beyond this
            // array, should another thread resize either meanwhile.
            const auto [lo, hi] = Range(Locked([&] { return source.Size(); }), start, stop);
            if (hi < lo || dest >= INT32_MAX) return;
            Unlocked([&, lo = lo, hi = hi] {
              a.CopyFrom(&source, lo, hi, static_cast<std::int32_t>(dest + 1));
            });
          },
          py::arg("source"), py::arg("start") = py::none(), py::arg("stop") = py::none(),
          py::arg("dest") = 0,
          "Copies source[start:stop] to this array from index dest on; positions beyond this "
          "array are skipped. The source may be this array: the range is read before anything "
          "is written.")
      .def(
          "mirror", [](krv::TColorArray& a) { Unlocked([&] { a.MirrorColors(); }); },
          "Reverses the order of the elements.")
      .def(
          "invert", [](krv::TColorArray& a) { Unlocked([&] { a.InvertColors(); }); },
          "Replaces every element by invert_color of it.");
}

}  // namespace

void BindColorArray(py::module_& m) {
  py::dict palettes;  // name: key colours
  for (const Palette& p : kPalettes) {
    py::tuple t(p.colors.size());
    for (std::size_t i = 0; i < p.colors.size(); ++i) t[i] = p.colors[i];
    palettes[p.name] = t;
  }
  m.attr("PALETTES") = palettes;

  py::class_<krv::TColorArray> c(
      m, "ColorArray",
      "A colour scale (the library's TColorArray): a sequence of colour values indexed from 0, "
      "filled by blending key colours, stored as the library's colour-table text file (a line "
      "'first last', then one line of 8 hexadecimal digits per colour, lines ending in CR LF).");
  c.def(py::init(&NewScale), py::arg("size") = 1000, py::arg("palette") = "rainbow",
        py::arg("levels") = 0,
        "A scale of size colours blended from the palette (a name of PALETTES or colours) as "
        "fill_by_interpolation does.")
      .def_property(
          "size", [](const krv::TColorArray& a) { return Locked([&] { return a.Size(); }); },
          [](krv::TColorArray& a, long long n) {
            const std::int32_t size = SizeArg(n);
            Unlocked([&] { return a.Resize(size); });
          },
          "The number of colours; a new size keeps the colours that stay, new ones are 0.");
  BindSequence(c);
  BindScaleOps(c);
  c.def("copy",
        [](const krv::TColorArray& a) {
          return Unlocked([&] {
            auto copy = std::make_unique<krv::TColorArray>();
            copy->Assign(&a);
            return copy;
          });
        })
      .def_property_readonly(
          "colors", [](const krv::TColorArray& a) { return ColorsOf(a); },
          "The colour values as a list.")
      .def("to_numpy", &ToNumpy,
           "The colours as a uint8 array of shape (size, 3): red, green, blue.")
      .def_static("from_numpy", &FromNumpy, py::arg("rgb"),
                  "A scale of the rows of an (n, 3) array of red, green, blue: integers 0..255 "
                  "or floats 0.0..1.0.")
      .def("save", &Save, py::arg("path"), py::arg("start") = py::none(),
           py::arg("stop") = py::none(),
           "Creates or replaces the file with the colours [start:stop] as one colour-table "
           "range; InOutError when it cannot be made or written.")
      .def("load", &Load, py::arg("path"), py::kw_only(), py::arg("adjust_size") = true,
           "Reads one range of a colour-table file: resizes to its last number when "
           "adjust_size, then stores each colour at its number. InOutError when the file cannot "
           "be read, ColorArrayError (the array unchanged) when it is malformed or its range "
           "exceeds the array.")
      .def_static(
          "from_file",
          [](const py::object& path) {
            auto a = std::make_unique<krv::TColorArray>();
            Load(*a, path, true);
            return a;
          },
          py::arg("path"), "A scale read from one range of a colour-table file.");
}

}  // namespace korvex_py
