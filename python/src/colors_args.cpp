// Colour values and RGB arrays at the Python edge.
#include "colors_args.h"

#include <cmath>
#include <string>
#include <vector>

#include "korvex/colors/convert.h"
#include "korvex/colors/names.h"
#include "korvex/platform/casefold.h"

namespace korvex_py {
namespace {

// Element counts from which array conversions run without the GIL.
constexpr py::ssize_t kReleaseGil = 1 << 20;

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  const char16_t l = krv::AsciiLower(c);
  return l >= u'a' && l <= u'f' ? l - u'a' + 10 : -1;
}

bool AllHex(std::u16string_view s) {
  for (const char16_t c : s)
    if (HexValue(c) < 0) return false;
  return !s.empty();
}

krv::TColor FromText(const krv::String& text) {
  const std::u16string_view v = text;
  if (!v.empty() && v[0] == u'#') {
    if (v.size() != 7 || !AllHex(v.substr(1)))
      throw py::value_error("expected 6 hexadecimal digits after '#' (#RRGGBB)");
    krv::TColor c = 0;
    for (int ch = 0; ch < 3; ++ch)
      c |= static_cast<krv::TColor>(HexValue(v[1 + 2 * ch]) * 16 + HexValue(v[2 + 2 * ch]))
           << (8 * ch);
    return c;
  }
  if (!v.empty() && v[0] == u'$') {
    if (v.size() > 7 || !AllHex(v.substr(1)))
      throw py::value_error("expected 1 to 6 hexadecimal digits after '$' ($BBGGRR)");
    return krv::HexStrToColor(v);
  }
  const long i = FindColorName(v);
  if (i == 0)
    throw py::value_error("no colour is named '" + py::str(py::cast(text)).cast<std::string>() +
                          "'");
  return krv::AllKRVColors[i];
}

krv::TColor FromTriple(const py::sequence& s) {
  if (s.size() != 3) throw py::value_error("an (r, g, b) colour has 3 channels");
  krv::TColor c = 0;
  for (int ch = 0; ch < 3; ++ch) {
    const py::handle item = s[static_cast<std::size_t>(ch)];
    if (!py::isinstance<py::int_>(item)) throw py::type_error("colour channels are ints 0..255");
    const long long v = item.cast<long long>();
    if (v < 0 || v > 255) throw py::value_error("colour channels are ints 0..255");
    c |= static_cast<krv::TColor>(v) << (8 * ch);
  }
  return c;
}

// Converts every element of `in` with `convert` (false: out of range) into `out`.
template <typename T, typename F>
bool ConvertAll(const T* in, std::uint8_t* out, py::ssize_t n, F convert) {
  bool ok = true;
  auto run = [&] {
    for (py::ssize_t i = 0; i < n && ok; ++i) ok = convert(in[i], out[i]);
  };
  if (n < kReleaseGil) {
    run();
  } else {
    py::gil_scoped_release release;
    run();
  }
  return ok;
}

}  // namespace

krv::String FileArg(const py::object& path) {
  krv::String name = PathArg(path);
  if (name.find(u'\0') != krv::String::npos)
    throw py::value_error("embedded null character in path");
  return name;
}

std::mutex& ObjectLock() {
  static std::mutex* lock = new std::mutex();  // lives as long as the interpreter
  return *lock;
}

long FindColorName(std::u16string_view name) {
  std::u16string key;
  for (const char16_t c : name)
    if (c != u' ') key += krv::AsciiLower(c);
  for (long i = krv::AllKRVColorNames.kFirst; i <= krv::AllKRVColorNames.kLast; ++i) {
    const std::u16string_view candidate = krv::AllKRVColorNames[i];
    if (candidate.size() != key.size()) continue;
    bool same = true;
    for (std::size_t k = 0; same && k < key.size(); ++k)
      same = krv::AsciiLower(candidate[k]) == key[k];
    if (same) return i;
  }
  return 0;
}

krv::TColor ColorArg(const py::handle& value) {
  if (py::isinstance<py::bool_>(value)) throw py::type_error("a colour is not a bool");
  if (py::isinstance<py::int_>(value)) {
    const py::int_ i = py::reinterpret_borrow<py::int_>(value);
    if (i < py::int_(0) || i > py::int_(0xFFFFFFFFu))
      throw py::value_error("a colour value lies in 0..0xFFFFFFFF");
    return i.cast<krv::TColor>();
  }
  if (py::isinstance<py::str>(value)) return FromText(value.cast<krv::String>());
  if (py::isinstance<py::sequence>(value) && !py::isinstance<py::bytes>(value))
    return FromTriple(py::reinterpret_borrow<py::sequence>(value));
  throw py::type_error("a colour is an int, an (r, g, b) tuple or a name, not " +
                       py::str(py::type::handle_of(value).attr("__name__")).cast<std::string>());
}

py::array_t<std::uint8_t> RgbArray(const py::handle& value, int ndim) {
  const py::array a = py::array::ensure(value);
  if (!a) throw py::type_error("expected an array of RGB values");
  if (a.ndim() != ndim || a.shape(ndim - 1) != 3)
    throw py::value_error(ndim == 2 ? "expected an array of shape (n, 3)"
                                    : "expected an array of shape (height, width, 3)");
  std::vector<py::ssize_t> shape(a.shape(), a.shape() + ndim);
  py::array_t<std::uint8_t> out(shape);
  const py::ssize_t n = a.size();
  const char kind = a.dtype().kind();
  bool ok;
  if (kind == 'f') {
    const auto d = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(a);
    ok = ConvertAll(d.data(), out.mutable_data(), n, [](double v, std::uint8_t& o) {
      if (!(v >= 0.0 && v <= 1.0)) return false;  // NaN fails too
      o = static_cast<std::uint8_t>(std::lround(v * 255.0));
      return true;
    });
    if (!ok) throw py::value_error("float RGB values lie in 0.0..1.0");
  } else if (kind == 'i' || kind == 'u' || kind == 'b') {
    const auto d = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(a);
    ok = ConvertAll(d.data(), out.mutable_data(), n, [](std::int64_t v, std::uint8_t& o) {
      if (v < 0 || v > 255) return false;
      o = static_cast<std::uint8_t>(v);
      return true;
    });
    if (!ok) throw py::value_error("integer RGB values lie in 0..255");
  } else {
    throw py::type_error("RGB values are integers 0..255 or floats 0.0..1.0");
  }
  return out;
}

}  // namespace korvex_py
