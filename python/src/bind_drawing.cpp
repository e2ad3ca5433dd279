// Drawing: TBitmap and its canvas with pen, brush and font as properties, the data-point
// marks, PDF documents drawn through a canvas, and CPU identification. Every object of this
// area is used under the object lock (colors_args.h); text, pictures and files are made
// without the GIL.
#include "bind.h"
#include "drawing_parts.h"

namespace korvex_py {

void BindDrawing(py::module_& m) {
  // Both classes exist before either's methods, so each names the other in its signatures.
  py::class_<krv::TBitmap> bitmap(
      m, "Bitmap",
      "A raster of RGB pixels with its own canvas; new pixels are white. Saves as PNG and BMP.");
  py::class_<krv::TCanvas> canvas(
      m, "Canvas",
      "Drawing operations on a bitmap or PDF page with a pen (outlines), a brush (fills) and a "
      "font (text); coordinates are pixels, (0, 0) the top-left corner, and everything is "
      "clipped to the surface. Lines leave out their end point; rectangle(x1, y1, x2, y2) "
      "covers x1..x2-1 and y1..y2-1.");
  BindCanvas(m, canvas);
  BindBitmap(m, bitmap);
  BindPdf(m);
  BindCpu(m);
}

}  // namespace korvex_py
