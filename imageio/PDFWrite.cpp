#include "imageio/PDFWrite.hpp"

#include <cairo-pdf.h>
#include <cairo.h>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/CairoSurface.hpp"
#include "platform/graphics/Canvas.hpp"

namespace {

cairo_status_t pdfWrite(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<foundation::Bytes*>(closure);
  try {
    bytes->insert(bytes->end(), data, data + length);
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

foundation::Bytes imageio::writePDF(const gfx::Image& image, gfx::Size page) {
  // Below one point a side a page rounds to nothing (a media box of zeros, which viewers
  // show as a letter page).
  auto usable = [](double side) { return side >= 1 && side <= gfx::Canvas::maxPDFPageSide; };
  if (!usable(page.width) || !usable(page.height) || image.empty())
    foundation::raise(ImageReadWriteError::cannotCreatePDFContext);

  const gfx::CairoSurfacePtr source = gfx::makeCairoSurface(image);
  if (!source) foundation::raise(ImageReadWriteError::cannotCreatePDFContext);

  foundation::Bytes bytes;
  const gfx::CairoSurfacePtr surface(cairo_pdf_surface_create_for_stream(pdfWrite, &bytes, page.width, page.height));
  cairo_t* cr = cairo_create(surface.get());
  cairo_scale(cr, page.width / image.width(), page.height / image.height());
  cairo_set_source_surface(cr, source.get(), 0, 0);
  cairo_paint(cr);
  cairo_show_page(cr);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_finish(surface.get());
  const bool finished = cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS;
  if (!drawn || !finished || bytes.empty()) foundation::raise(ImageReadWriteError::cannotCreatePDFContext);
  return bytes;
}
