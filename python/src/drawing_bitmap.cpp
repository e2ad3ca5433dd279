// Bitmap: the library's software raster with its canvas, as PNG and BMP bytes or files and as
// numpy RGB arrays; and the data-point marks drawn on a canvas or as a bitmap of their own.
#include <pybind11/numpy.h>

#include <cstdint>
#include <string>
#include <vector>

#include "colors_args.h"
#include "drawing_parts.h"
#include "korvex/base/canvas_draw.h"
#include "korvex/platform/stream.h"

namespace korvex_py {
namespace {

using krv::TBitmap;

// The bytes a save call writes to a memory stream, made without the GIL.
template <typename Save>
py::bytes Encoded(Save save) {
  const std::string data = Unlocked([&] {
    krv::TMemoryStream s;
    save(s);
    return std::string(reinterpret_cast<const char*>(s.Memory()),
                       static_cast<std::size_t>(s.Size()));
  });
  return py::bytes(data);
}

py::array_t<std::uint8_t> ToNumpy(const TBitmap& b) {
  std::int32_t w = 0, h = 0;
  std::vector<std::uint32_t> pixels;
  Unlocked([&] {
    w = b.Width();
    h = b.Height();
    pixels.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
      const auto row = b.ScanLine(y);
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  });
  py::array_t<std::uint8_t> out({py::ssize_t{h}, py::ssize_t{w}, py::ssize_t{3}});
  std::uint8_t* p = out.mutable_data();
  py::gil_scoped_release release;  // the array is ours alone until it is returned
  for (const std::uint32_t c : pixels) {
    *p++ = c & 0xFF;
    *p++ = (c >> 8) & 0xFF;
    *p++ = (c >> 16) & 0xFF;
  }
  return out;
}

std::unique_ptr<TBitmap> FromNumpy(const py::handle& value) {
  const py::array_t<std::uint8_t> rgb = RgbArray(value, 3);
  const py::ssize_t h = rgb.shape(0), w = rgb.shape(1);
  if (h > krv::kMaxBitmapSide || w > krv::kMaxBitmapSide)
    throw py::value_error("a bitmap side is at most " + std::to_string(krv::kMaxBitmapSide));
  const std::uint8_t* p = rgb.data();
  return Unlocked([&] {
    auto b = std::make_unique<TBitmap>(static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    krv::TCanvas& c = *b->Canvas();
    for (std::int32_t y = 0; y < h; ++y)
      for (std::int32_t x = 0; x < w; ++x, p += 3)
        c.SetPixels(x, y, p[0] | (krv::TColor{p[1]} << 8) | (krv::TColor{p[2]} << 16));
    return b;
  });
}

krv::Byte MarkType(int mark) {
  if (mark < 0 || mark > 255) throw py::value_error("mark types are 0..255");
  return static_cast<krv::Byte>(mark);
}

void BindSaving(py::class_<TBitmap>& c) {
  c.def(
       "to_png",
       [](const TBitmap& b) { return Encoded([&](krv::TStream& s) { b.SaveToPngStream(s); }); },
       "The picture as PNG bytes (8-bit RGB).")
      .def(
          "to_bmp",
          [](const TBitmap& b) { return Encoded([&](krv::TStream& s) { b.SaveToStream(s); }); },
          "The picture as BMP bytes (24 bits per pixel, rows bottom-up).")
      .def(
          "save_png",
          [](const TBitmap& b, const py::object& path) {
            const krv::String name = FileArg(path);
            Unlocked([&] { b.SaveToPngFile(name); });
          },
          py::arg("path"), "Creates or replaces the file with the picture as PNG.")
      .def(
          "save_bmp",
          [](const TBitmap& b, const py::object& path) {
            const krv::String name = FileArg(path);
            Unlocked([&] { b.SaveToFile(name); });
          },
          py::arg("path"), "Creates or replaces the file with the picture as BMP.")
      .def("to_numpy", &ToNumpy, "The pixels as a uint8 array of shape (height, width, 3): RGB.")
      .def_static("from_numpy", &FromNumpy, py::arg("rgb"),
                  "A bitmap of a (height, width, 3) array of red, green, blue: integers 0..255 "
                  "or floats 0.0..1.0.");
}

}  // namespace

std::unique_ptr<TBitmap> CopyBitmap(const TBitmap& b) {
  return Unlocked([&] {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(&b);
    return copy;
  });
}

void BindBitmap(py::module_& m, py::class_<TBitmap>& c) {
  c.def(py::init([](std::int32_t width, std::int32_t height) {
          return Unlocked([&] { return std::make_unique<TBitmap>(width, height); });
        }),
        py::arg("width") = 0, py::arg("height") = 0,
        "A white bitmap; negative sides count as 0, a side above 65535 or more than 2**28 "
        "pixels raise OutOfResources.")
      .def_property(
          "width", [](const TBitmap& b) { return Locked([&] { return b.Width(); }); },
          [](TBitmap& b, std::int32_t w) { Unlocked([&] { b.SetWidth(w); }); })
      .def_property(
          "height", [](const TBitmap& b) { return Locked([&] { return b.Height(); }); },
          [](TBitmap& b, std::int32_t h) { Unlocked([&] { b.SetHeight(h); }); })
      .def_property_readonly(
          "size",
          [](const TBitmap& b) { return Locked([&] { return std::pair(b.Width(), b.Height()); }); },
          "(width, height).")
      .def(
          "resize",
          [](TBitmap& b, std::int32_t w, std::int32_t h) { Unlocked([&] { b.SetSize(w, h); }); },
          py::arg("width"), py::arg("height"),
          "Keeps the pixels that stay inside; the new area is white.")
      .def_property_readonly(
          "canvas", [](TBitmap& b) { return b.Canvas(); },
          py::return_value_policy::reference_internal, "The canvas that draws on this bitmap.")
      .def("copy", &CopyBitmap, "A new bitmap of the same size and pixels.")
      .def("__repr__", [](const TBitmap& b) {
        return Locked([&] {
          return "Bitmap(" + std::to_string(b.Width()) + ", " + std::to_string(b.Height()) + ")";
        });
      });
  BindSaving(c);

  m.def(
      "draw_mark",
      [](krv::TCanvas& canvas, int mark, std::int32_t x, std::int32_t y) {
        const krv::Byte type = MarkType(mark);
        Locked([&] { krv::DrawMarkOnCanvas(canvas, type, x, y); });
      },
      py::arg("canvas"), py::arg("mark"), py::arg("x"), py::arg("y"),
      "Draws mark type 0..255 centred on (x, y) in the pen's colour: 0..51 are shapes, 52..255 "
      "characters (200..209 the digits 0..9).");
  m.def(
      "create_mark_bitmap",
      [](int mark, const py::object& color, const py::object& background, std::int32_t size) {
        const krv::Byte type = MarkType(mark);
        const krv::TColor fg = ColorArg(color), bg = ColorArg(background);
        return Unlocked([&] { return krv::CreateMarkAsBitmap(type, fg, bg, size); });
      },
      py::arg("mark"), py::arg("color") = 0, py::arg("background") = 0xFFFFFF, py::arg("size") = 4,
      "A new (2 * size + 7)-pixel square bitmap in the background colour with the mark centred "
      "in its colour; size is clamped to 0..255.");
}

}  // namespace korvex_py
