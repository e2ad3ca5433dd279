// The vector pages of a PDF document through cairo (platform/internal/pdf_vectors.h): each page
// is a cairo recording surface in page pixels; Pdf() replays them, scaled to points, into a
// fresh PDF surface written to memory, so it can be called any number of times.
#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "korvex/platform/exceptions.h"
#include "platform/internal/pdf_vectors.h"
#include "platform/posix/cairo_text.h"

namespace krv::detail {
namespace {

// Image tiles stay well inside cairo's largest image side (32767).
constexpr std::int32_t kTileSide = 4096;
// Sharper corners than about 83 degrees are bevelled rather than mitred.
constexpr double kMiterLimit = 1.5;

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;
using Context = std::unique_ptr<cairo_t, ContextFree>;

void SetColor(cairo_t* cr, std::uint32_t bgr) {
  cairo_set_source_rgb(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                       ((bgr >> 16) & 0xFF) / 255.0);
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

[[noreturn]] void Fail(cairo_status_t status) {
  throw EPrinter((std::string("Cannot write the PDF: ") + cairo_status_to_string(status)).c_str());
}

// An RGB image of the pixels x0..x0+w-1, y0..y0+h-1 (0x00BBGGRR become cairo's 0x00RRGGBB).
Surface ImageTile(const PixelSurface& px, std::int32_t x0, std::int32_t y0, std::int32_t w,
                  std::int32_t h) {
  Surface img(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  if (cairo_surface_status(img.get()) != CAIRO_STATUS_SUCCESS) return img;
  cairo_surface_flush(img.get());
  unsigned char* data = cairo_image_surface_get_data(img.get());
  const int stride = cairo_image_surface_get_stride(img.get());
  for (std::int32_t y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    const std::size_t from = static_cast<std::size_t>(y0 + y) * static_cast<std::size_t>(px.width) +
                             static_cast<std::size_t>(x0);
    for (std::int32_t x = 0; x < w; ++x) {
      const std::uint32_t v = px.pixels[from + static_cast<std::size_t>(x)];
      row[x] = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
    }
  }
  cairo_surface_mark_dirty(img.get());
  return img;
}

class CairoPdf final : public PdfVectors {
 public:
  CairoPdf(std::int32_t width, std::int32_t height, std::int32_t ppi)
      : width_(width), height_(height), ppi_(ppi) {}

  void AddPage() override {
    cr_.reset();
    const cairo_rectangle_t extents{0, 0, static_cast<double>(width_),
                                    static_cast<double>(height_)};
    Surface page(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents));
    Context cr(cairo_create(page.get()));
    cairo_set_miter_limit(cr.get(), kMiterLimit);
    pages_.push_back(std::move(page));
    cr_ = std::move(cr);
  }

  void AddPolygon(std::span<const PointF> points, bool closed) override {
    if (points.empty()) return;
    cairo_move_to(cr_.get(), points[0].x, points[0].y);
    for (std::size_t k = 1; k < points.size(); ++k)
      cairo_line_to(cr_.get(), points[k].x, points[k].y);
    if (closed) cairo_close_path(cr_.get());
  }

  void AddEllipse(PointF centre, double rx, double ry) override {
    cairo_t* cr = cr_.get();
    cairo_new_sub_path(cr);
    cairo_save(cr);
    cairo_translate(cr, centre.x, centre.y);
    cairo_scale(cr, rx, ry);
    cairo_arc_negative(cr, 0, 0, 1, 0, -2 * std::numbers::pi);
    cairo_close_path(cr);
    cairo_restore(cr);
  }

  void Fill(std::uint32_t color) override {
    SetColor(cr_.get(), color);
    cairo_set_fill_rule(cr_.get(), CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr_.get());
  }

  void Stroke(const StrokeStyle& style) override {
    cairo_t* cr = cr_.get();
    SetColor(cr, style.color);
    cairo_set_line_width(cr, style.width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_dash(cr, style.dashes.data(), static_cast<int>(style.dashes.size()),
                   style.dash_offset);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
  }

  void Image(TPoint at, const PixelSurface& pixels, const TRect& part) override {
    for (std::int32_t y = part.Top; y < part.Bottom; y += kTileSide) {
      for (std::int32_t x = part.Left; x < part.Right; x += kTileSide) {
        const std::int32_t w = std::min(kTileSide, part.Right - x);
        const std::int32_t h = std::min(kTileSide, part.Bottom - y);
        const Surface tile = ImageTile(pixels, x, y, w, h);
        const double px = static_cast<double>(at.X) + x, py = static_cast<double>(at.Y) + y;
        cairo_set_source_surface(cr_.get(), tile.get(), px, py);
        cairo_pattern_set_filter(cairo_get_source(cr_.get()), CAIRO_FILTER_NEAREST);
        cairo_rectangle(cr_.get(), px, py, w, h);
        cairo_fill(cr_.get());
      }
    }
  }

  void Text(TPoint at, const String& text, const TFont& font, const TBrush& brush) override {
    cairo_save(cr_.get());
    ShowTextOnCairo(cr_.get(), at, text, font, brush);
    cairo_restore(cr_.get());
    cairo_new_path(cr_.get());
  }

  std::string Pdf(const std::string& title) const override;

 private:
  std::int32_t width_, height_, ppi_;
  std::vector<Surface> pages_;
  Context cr_;  // draws on pages_.back()
};

std::string CairoPdf::Pdf(const std::string& title) const {
  if (cr_ && cairo_status(cr_.get()) != CAIRO_STATUS_SUCCESS) Fail(cairo_status(cr_.get()));
  const double scale = 72.0 / ppi_;
  std::string bytes;
  Surface pdf(
      cairo_pdf_surface_create_for_stream(AppendBytes, &bytes, width_ * scale, height_ * scale));
  if (!title.empty())
    cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(pdf.get(), CAIRO_PDF_METADATA_CREATOR, "Korvex");
  {
    const Context cr(cairo_create(pdf.get()));
    for (const Surface& page : pages_) {
      if (cairo_surface_status(page.get()) != CAIRO_STATUS_SUCCESS)
        Fail(cairo_surface_status(page.get()));
      cairo_save(cr.get());
      cairo_scale(cr.get(), scale, scale);
      cairo_set_source_surface(cr.get(), page.get(), 0, 0);
      cairo_paint(cr.get());
      cairo_restore(cr.get());
      cairo_show_page(cr.get());
    }
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) Fail(cairo_status(cr.get()));
  }
  cairo_surface_finish(pdf.get());
  if (cairo_surface_status(pdf.get()) != CAIRO_STATUS_SUCCESS)
    Fail(cairo_surface_status(pdf.get()));
  return bytes;
}

}  // namespace

bool PdfVectorsAvailable() {
  return true;
}

std::unique_ptr<PdfVectors> MakePdfVectors(std::int32_t width, std::int32_t height,
                                           std::int32_t pixels_per_inch) {
  return std::make_unique<CairoPdf>(width, height, pixels_per_inch);
}

}  // namespace krv::detail
