#include "imageio/PDFWrite.hpp"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>

#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Error.hpp"

using namespace imagewrite;

namespace {

extern "C" cairo_status_t pdfWrite(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<foundation::Bytes*>(closure);
  try {
    bytes->insert(bytes->end(), data, data + length);
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

foundation::Bytes writePDF(const gfx::Image& image, const ImageExportType& type) {
  const gfx::Size page = type.size().value_or(gfx::Size{});
  const Pixels px = pixelsOf(image);
  // PDF pages hold at most 14400 units a side; cairo refuses what it cannot write.
  if (!(page.width > 0) || !(page.height > 0) || !std::isfinite(page.width) || !std::isfinite(page.height) ||
      page.width > 14400 || page.height > 14400 || px.width <= 0 || px.height <= 0)
    foundation::raise(ImageReadWriteError::cannotCreatePDFContext);

  // The image as a cairo surface (native-endian premultiplied ARGB).
  cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, px.width, px.height);
  if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(source);
    foundation::raise(ImageReadWriteError::cannotCreatePDFContext);
  }
  cairo_surface_flush(source);
  unsigned char* target = cairo_image_surface_get_data(source);
  const int targetStride = cairo_image_surface_get_stride(source);
  for (int y = 0; y < px.height; ++y) {
    const std::uint8_t* s = px.row(y);
    auto* d = reinterpret_cast<std::uint32_t*>(target + static_cast<std::size_t>(y) * targetStride);
    for (int x = 0; x < px.width; ++x, s += 4)
      d[x] = (std::uint32_t(s[3]) << 24) | (std::uint32_t(s[0]) << 16) | (std::uint32_t(s[1]) << 8) | s[2];
  }
  cairo_surface_mark_dirty(source);

  foundation::Bytes bytes;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(pdfWrite, &bytes, page.width, page.height);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, page.width / px.width, page.height / px.height);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_paint(cr);
  cairo_show_page(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool finished = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  cairo_surface_destroy(source);
  if (!drawn || !finished || bytes.empty()) foundation::raise(ImageReadWriteError::cannotCreatePDFContext);
  return bytes;
}
