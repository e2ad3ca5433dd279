// Pen, Brush, Font and Canvas: the library's drawing tools with their settings as properties
// (colours as the colours area takes them, styles as names) and the canvas's drawing calls.
#include <cstdint>
#include <utility>
#include <vector>

#include "colors_args.h"
#include "drawing_names.h"
#include "drawing_parts.h"

namespace korvex_py {
namespace {

using krv::TBrush;
using krv::TCanvas;
using krv::TFont;
using krv::TPen;

// A property read and written under the object lock; Arg converts the Python value first.
template <typename T, typename Get, typename Set>
void Property(py::class_<T>& c, const char* name, Get get, Set set, const char* doc) {
  c.def_property(
      name, [get](const T& o) { return Locked([&] { return get(o); }); },
      [set](T& o, const py::object& v) { set(o, v); }, doc);
}

void BindPen(py::module_& m) {
  py::class_<TPen> pen(m, "Pen", "The canvas's pen: the colour, style and width of outlines.");
  Property(
      pen, "color", [](const TPen& p) { return p.Color(); },
      [](TPen& p, const py::object& v) {
        const krv::TColor c = ColorArg(v);
        Locked([&] { p.SetColor(c); });
      },
      "The colour value (red in the low byte); set from anything parse_color takes.");
  Property(
      pen, "style", [](const TPen& p) { return PenStyleName(p.Style()); },
      [](TPen& p, const py::object& v) {
        const krv::TPenStyle s = PenStyleArg(v.cast<std::string>());
        Locked([&] { p.SetStyle(s); });
      },
      "'solid', 'dash', 'dot', 'dash_dot', 'dash_dot_dot', 'clear' or 'inside_frame'.");
  Property(
      pen, "width", [](const TPen& p) { return p.Width(); },
      [](TPen& p, const py::object& v) {
        const std::int32_t w = v.cast<std::int32_t>();
        Locked([&] { p.SetWidth(w); });
      },
      "Width in pixels; values below 1 are stored as 1.");
}

void BindBrush(py::module_& m) {
  py::class_<TBrush> brush(m, "Brush", "The canvas's brush: the colour and style of fills.");
  Property(
      brush, "color", [](const TBrush& b) { return b.Color(); },
      [](TBrush& b, const py::object& v) {
        const krv::TColor c = ColorArg(v);
        Locked([&] { b.SetColor(c); });
      },
      "The fill colour value; set from anything parse_color takes.");
  Property(
      brush, "style", [](const TBrush& b) { return BrushStyleName(b.Style()); },
      [](TBrush& b, const py::object& v) {
        const krv::TBrushStyle s = BrushStyleArg(v.cast<std::string>());
        Locked([&] { b.SetStyle(s); });
      },
      "'solid' or 'clear' (no fill, and text without background).");
}

// An int property of the font.
template <typename Get, typename Set>
void FontInt(py::class_<TFont>& font, const char* name, Get get, Set set, const char* doc) {
  Property(
      font, name, get,
      [set](TFont& f, const py::object& v) {
        const std::int32_t n = v.cast<std::int32_t>();
        Locked([&] { set(f, n); });
      },
      doc);
}

void BindFont(py::module_& m) {
  py::class_<TFont> font(
      m, "Font",
      "The canvas's font: a family name matched through fontconfig (the built-in 'Korvex Sans' "
      "where none is found), a height in pixels or a size in points, colour, styles, quality.");
  Property(
      font, "name", [](const TFont& f) { return f.Name(); },
      [](TFont& f, const py::object& v) {
        const krv::String name = v.cast<krv::String>();
        Locked([&] { f.SetName(name); });
      },
      "The family name.");
  FontInt(
      font, "size", [](const TFont& f) { return f.Size(); },
      [](TFont& f, std::int32_t v) { f.SetSize(v); },
      "Size in points at the font's pixels_per_inch (sets height to -size * ppi / 72).");
  FontInt(
      font, "height", [](const TFont& f) { return f.Height(); },
      [](TFont& f, std::int32_t v) { f.SetHeight(v); },
      "Height in pixels: negative for the character height, positive for the cell height.");
  FontInt(
      font, "pixels_per_inch", [](const TFont& f) { return f.PixelsPerInch(); },
      [](TFont& f, std::int32_t v) { f.SetPixelsPerInch(v); },
      "The resolution; changing it keeps the height in pixels.");
  Property(
      font, "color", [](const TFont& f) { return f.Color(); },
      [](TFont& f, const py::object& v) {
        const krv::TColor c = ColorArg(v);
        Locked([&] { f.SetColor(c); });
      },
      "The text colour value; set from anything parse_color takes.");
  font.def_property(
      "style", [](const TFont& f) { return FontStylesSet(Locked([&] { return f.Style(); })); },
      [](TFont& f, const py::object& v) {
        const krv::TFontStyles s = FontStylesArg(v);
        Locked([&] { f.SetStyle(s); });
      },
      "A frozenset of 'bold', 'italic', 'underline', 'strikeout'; set from one name or any "
      "iterable of names.");
  Property(
      font, "quality", [](const TFont& f) { return FontQualityName(f.Quality()); },
      [](TFont& f, const py::object& v) {
        const krv::TFontQuality q = FontQualityArg(v.cast<std::string>());
        Locked([&] { f.SetQuality(q); });
      },
      "'default', 'draft', 'proof', 'non_antialiased', 'antialiased', 'cleartype' or "
      "'cleartype_natural'; 'draft' and 'non_antialiased' draw one-bit glyphs.");
}

std::vector<krv::TPoint> Points(const py::handle& points) {
  std::vector<krv::TPoint> out;
  for (const py::handle p : py::iter(points)) {
    try {
      const auto [x, y] = p.cast<std::pair<std::int32_t, std::int32_t>>();
      out.push_back({x, y});
    } catch (const py::cast_error&) {
      throw py::type_error("polygon points are (x, y) pairs of ints");
    }
  }
  return out;
}

// A drawing call of four coordinates under the object lock.
template <void (TCanvas::*Call)(std::int32_t, std::int32_t, std::int32_t, std::int32_t)>
void Box(TCanvas& c, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  Locked([&] { (c.*Call)(x1, y1, x2, y2); });
}

krv::TColor PixelAt(const TCanvas& c, const std::pair<std::int32_t, std::int32_t>& xy) {
  return Locked([&] {
    if (xy.first < 0 || xy.second < 0 || xy.first >= c.Width() || xy.second >= c.Height())
      throw py::index_error("pixel outside the canvas");
    return c.Pixels(xy.first, xy.second);
  });
}

void BindShapes(py::class_<TCanvas>& c) {
  c.def(
       "move_to",
       [](TCanvas& cv, std::int32_t x, std::int32_t y) { Locked([&] { cv.MoveTo(x, y); }); },
       py::arg("x"), py::arg("y"), "Moves the pen position.")
      .def(
          "line_to",
          [](TCanvas& cv, std::int32_t x, std::int32_t y) { Locked([&] { cv.LineTo(x, y); }); },
          py::arg("x"), py::arg("y"),
          "Draws from the pen position up to (x, y), which is left out, and moves there.")
      .def(
          "line",
          [](TCanvas& cv, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
            Locked([&] {
              cv.MoveTo(x1, y1);
              cv.LineTo(x2, y2);
            });
          },
          py::arg("x1"), py::arg("y1"), py::arg("x2"), py::arg("y2"),
          "move_to(x1, y1), then line_to(x2, y2).")
      .def("rectangle", &Box<&TCanvas::Rectangle>, py::arg("x1"), py::arg("y1"), py::arg("x2"),
           py::arg("y2"), "Outline in the pen, interior in the brush, covering x1..x2-1, y1..y2-1.")
      .def(
          "fill_rect",
          [](TCanvas& cv, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
            Locked([&] { cv.FillRect({x1, y1, x2, y2}); });
          },
          py::arg("x1"), py::arg("y1"), py::arg("x2"), py::arg("y2"),
          "Fills x1..x2-1, y1..y2-1 with the brush; no outline.")
      .def("ellipse", &Box<&TCanvas::Ellipse>, py::arg("x1"), py::arg("y1"), py::arg("x2"),
           py::arg("y2"), "The ellipse inscribed in the rectangle's box, outlined and filled.")
      .def(
          "polygon",
          [](TCanvas& cv, const py::object& points) {
            const std::vector<krv::TPoint> p = Points(points);
            Locked([&] { cv.Polygon(p); });
          },
          py::arg("points"),
          "The closed outline through the (x, y) points, its interior filled (alternate rule).")
      .def(
          "draw",
          [](TCanvas& cv, std::int32_t x, std::int32_t y, const krv::TBitmap& b) {
            Unlocked([&] { cv.Draw(x, y, b); });
          },
          py::arg("x"), py::arg("y"), py::arg("bitmap"),
          "Copies the bitmap's pixels with their top-left corner at (x, y).");
}

void BindText(py::class_<TCanvas>& c) {
  c.def(
       "text_out",
       [](TCanvas& cv, std::int32_t x, std::int32_t y, const krv::String& text) {
         Unlocked([&] { cv.TextOut(x, y, text); });
       },
       py::arg("x"), py::arg("y"), py::arg("text"),
       "Draws text with its top-left corner at (x, y) in the font's colour, on the brush "
       "colour unless the brush is clear; the pen position moves to the end of the text.")
      .def(
          "text_width",
          [](const TCanvas& cv, const krv::String& text) {
            return Unlocked([&] { return cv.TextWidth(text); });
          },
          py::arg("text"), "The width of the text in the current font, in pixels.")
      .def(
          "text_height",
          [](const TCanvas& cv, const krv::String& text) {
            return Unlocked([&] { return cv.TextHeight(text); });
          },
          py::arg("text"), "The height of the text in the current font, in pixels.");
}

void BindPixels(py::class_<TCanvas>& c) {
  c.def(
       "pixel",
       [](const TCanvas& cv, std::int32_t x, std::int32_t y) -> long long {
         const krv::TColor v = Locked([&] { return cv.Pixels(x, y); });
         return v == 0xFFFFFFFFu ? -1 : static_cast<long long>(v);
       },
       py::arg("x"), py::arg("y"), "The pixel's colour value, or -1 outside the surface.")
      .def(
          "set_pixel",
          [](TCanvas& cv, std::int32_t x, std::int32_t y, const py::object& color) {
            const krv::TColor v = ColorArg(color);
            Locked([&] { cv.SetPixels(x, y, v); });
          },
          py::arg("x"), py::arg("y"), py::arg("color"),
          "Sets one pixel (no pen involved); ignored outside the surface.")
      .def("__getitem__", &PixelAt, py::arg("xy"),
           "canvas[x, y]: the pixel's colour value; IndexError outside the surface.")
      .def(
          "__setitem__",
          [](TCanvas& cv, const std::pair<std::int32_t, std::int32_t>& xy,
             const py::object& color) {
            const krv::TColor v = ColorArg(color);
            PixelAt(cv, xy);  // IndexError outside
            Locked([&] { cv.SetPixels(xy.first, xy.second, v); });
          },
          py::arg("xy"), py::arg("color"));
}

}  // namespace

void BindCanvas(py::module_& m, py::class_<TCanvas>& c) {
  BindPen(m);
  BindBrush(m);
  BindFont(m);
  const auto ref = py::return_value_policy::reference_internal;
  c.def_property_readonly(
       "pen", [](TCanvas& cv) { return cv.Pen(); }, ref, "The pen (outlines and lines).")
      .def_property_readonly(
          "brush", [](TCanvas& cv) { return cv.Brush(); }, ref, "The brush (fills).")
      .def_property_readonly(
          "font", [](TCanvas& cv) { return cv.Font(); }, ref, "The font (text).")
      .def_property(
          "pen_pos",
          [](const TCanvas& cv) {
            const krv::TPoint p = Locked([&] { return cv.PenPos(); });
            return std::pair(p.X, p.Y);
          },
          [](TCanvas& cv, const std::pair<std::int32_t, std::int32_t>& p) {
            Locked([&] { cv.SetPenPos({p.first, p.second}); });
          },
          "The pen position (x, y).")
      .def_property_readonly("width",
                             [](const TCanvas& cv) { return Locked([&] { return cv.Width(); }); })
      .def_property_readonly("height",
                             [](const TCanvas& cv) { return Locked([&] { return cv.Height(); }); });
  BindShapes(c);
  BindText(c);
  BindPixels(c);
}

}  // namespace korvex_py
