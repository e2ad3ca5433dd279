// PdfDocument: pages drawn through a canvas, kept as bitmaps and written as a PDF of vectors.
#include <cstdint>
#include <string>

#include "colors_args.h"
#include "drawing_parts.h"
#include "korvex/platform/pdf.h"

namespace korvex_py {
namespace {

using krv::TPdfDocument;

std::int32_t PageIndex(const TPdfDocument& d, long long index) {
  const long long n = d.PageCount();
  if (index < 0) index += n;
  if (index < 0 || index >= n) throw py::index_error("page index out of range");
  return static_cast<std::int32_t>(index);
}

// Read-only int properties of the document's geometry.
void BindGeometry(py::class_<TPdfDocument>& c) {
  c.def_property_readonly(
       "page_width", [](const TPdfDocument& d) { return d.PageWidth(); }, "In pixels.")
      .def_property_readonly(
          "page_height", [](const TPdfDocument& d) { return d.PageHeight(); }, "In pixels.")
      .def_property_readonly(
          "pixels_per_inch", [](const TPdfDocument& d) { return d.PixelsPerInch(); },
          "A page of W x H pixels is W * 72 / ppi by H * 72 / ppi points.");
}

void BindPages(py::class_<TPdfDocument>& c) {
  c.def_property_readonly(
       "canvas", [](TPdfDocument& d) { return d.Canvas(); },
       py::return_value_policy::reference_internal, "The canvas that draws on the newest page.")
      .def(
          "new_page", [](TPdfDocument& d) { Unlocked([&] { d.NewPage(); }); },
          "Starts the next white page; the canvas keeps its pen, brush and font, the pen "
          "position goes back to (0, 0).")
      .def_property_readonly(
          "page_count", [](const TPdfDocument& d) { return Locked([&] { return d.PageCount(); }); })
      .def("__len__", [](const TPdfDocument& d) { return Locked([&] { return d.PageCount(); }); })
      .def(
          "page",
          [](const TPdfDocument& d, long long index) {
            const std::int32_t ix = Locked([&] { return PageIndex(d, index); });
            return Unlocked([&] {
              auto copy = std::make_unique<krv::TBitmap>();
              copy->Assign(&d.Page(ix));  // EPrinter for a page dropped meanwhile
              return copy;
            });
          },
          py::arg("index"),
          "A copy of page index (from 0, negative from the end) as a Bitmap; PrinterError for a "
          "finished page whose bitmap was not kept.")
      .def_property(
          "keep_page_bitmaps",
          [](const TPdfDocument& d) { return Locked([&] { return d.KeepPageBitmaps(); }); },
          [](TPdfDocument& d, bool keep) { Locked([&] { d.SetKeepPageBitmaps(keep); }); },
          "Whether finished pages keep their bitmaps (the default); without, the document "
          "holds one page of pixels whatever its length.")
      .def_property(
          "title", [](const TPdfDocument& d) { return Locked([&] { return d.Title(); }); },
          [](TPdfDocument& d, const krv::String& t) { Locked([&] { d.SetTitle(t); }); },
          "The title written into the PDF's information.");
}

}  // namespace

void BindPdf(py::module_& m) {
  py::class_<TPdfDocument> c(
      m, "PdfDocument",
      "Pages drawn through a canvas: each call is drawn on the page's bitmap and, as vectors "
      "where it is a vector call, on the page of a PDF.");
  c.def(py::init([](std::int32_t width, std::int32_t height, std::int32_t ppi) {
          return Unlocked([&] { return std::make_unique<TPdfDocument>(width, height, ppi); });
        }),
        py::arg("width"), py::arg("height"), py::arg("pixels_per_inch") = 96,
        "A document with one white page of width x height pixels (clamped to 1..65535) at "
        "pixels_per_inch (clamped to 1..4800); OutOfResources when it is too large.")
      .def_static("available", &TPdfDocument::Available,
                  "Whether this build writes PDF; without, pdf_bytes and save raise "
                  "PrinterError (the pages are still drawn as bitmaps).")
      .def(
          "pdf_bytes",
          [](const TPdfDocument& d) { return py::bytes(Unlocked([&] { return d.PdfBytes(); })); },
          "The PDF of every page drawn so far; drawing may go on afterwards.")
      .def(
          "save",
          [](const TPdfDocument& d, const py::object& path) {
            const krv::String name = FileArg(path);
            Unlocked([&] { d.SaveToFile(name); });
          },
          py::arg("path"), "Creates or replaces the file with the PDF.");
  BindGeometry(c);
  BindPages(c);
}

}  // namespace korvex_py
