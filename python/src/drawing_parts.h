// The pieces of the drawing area's bindings, each in its own file; BindDrawing calls them.
#pragma once

#include "bind.h"
#include "korvex/platform/graphics.h"

namespace korvex_py {

// Pen, Brush and Font, and the methods of Canvas.
void BindCanvas(py::module_& m, py::class_<krv::TCanvas>& canvas);
// The methods of Bitmap, draw_mark and create_mark_bitmap.
void BindBitmap(py::module_& m, py::class_<krv::TBitmap>& bitmap);
// PdfDocument.
void BindPdf(py::module_& m);
// _cpu_info, CPU_FEATURES and cpu_speed.
void BindCpu(py::module_& m);

// A copy of a bitmap's size and pixels, made under the object lock without the GIL.
std::unique_ptr<krv::TBitmap> CopyBitmap(const krv::TBitmap& b);

}  // namespace korvex_py
