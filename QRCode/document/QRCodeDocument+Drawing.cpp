// The document's drawing, path and image exports: each hands the core QRCode object, the
// design and the logo template to the renderer, the path builder or the image exports.

#include <algorithm>
#include <cmath>

#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeRenderer.hpp"
#include "imageio/ImageExport.hpp"
#include "platform/foundation/Output.hpp"

void QRCodeDocument::drawWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) {
  throwIfRegenerationFailed();
  qrrender::drawWithCtx(qrcode_, ctx, rect, *design_, logoTemplate_.get());
}

gfx::Path QRCodeDocument::path(gfx::Size size, QRCodeComponents components) {
  throwIfRegenerationFailed();
  const double q = static_cast<double>(design_->additionalQuietZonePixels());
  const double n = static_cast<double>(cellDimension());
  const double w = size.width, h = size.height;
  // The extra quiet zone on each side, in points.
  const double m = w / (2 * q + n) * q;
  if (!(w > 2 * m) || !(h > 2 * m) || !std::isfinite(w) || !std::isfinite(h)) {
    foundation::printLine("additionalQuietSpace too large");
    return gfx::Path();
  }
  QRCodeComponents wanted = components;
  if (design_->shape()->negatedOnPixelsOnly()) wanted.formUnion(QRCodeComponents::negatedOnPixels());
  return qrrender::path(qrcode_, gfx::Size{w - 2 * m, h - 2 * m}, wanted, *design_->shape(), logoTemplate_.get(), m);
}

gfx::Path QRCodeDocument::pathWithDimension(std::int64_t dimension, QRCodeComponents components) {
  const double d = static_cast<double>(dimension);
  return path(gfx::Size{d, d}, components);
}

gfx::Image QRCodeDocument::cgImageWithDimension(std::int64_t dimension) {
  throwIfRegenerationFailed();
  return qrrender::cgImageWithDimension(qrcode_, dimension, *design_, logoTemplate_.get());
}

gfx::Image QRCodeDocument::cgImage(gfx::Size size) {
  throwIfRegenerationFailed();
  return qrrender::cgImage(qrcode_, size, *design_, logoTemplate_.get());
}

gfx::Image QRCodeDocument::cgImageWithWidth(double width, double height) { return cgImage(gfx::Size{width, height}); }

foundation::Bytes QRCodeDocument::pngDataWithDimension(std::int64_t dimension, double dpi) {
  throwIfRegenerationFailed();
  return qrrender::pngDataWithDimension(qrcode_, dimension, dpi, *design_, logoTemplate_.get());
}

foundation::Bytes QRCodeDocument::jpegDataWithDimension(std::int64_t dimension, double dpi, double compression) {
  throwIfRegenerationFailed();
  const gfx::Image image = qrrender::cgImageWithDimension(qrcode_, dimension, *design_, logoTemplate_.get());
  // At or below 0 (and NaN) gives 0, above 1 gives 1.
  const double quality = compression > 0 ? std::min(compression, 1.0) : 0.0;
  return imageio::encodeImageData(image, ImageExportType::jpg(dpi / 72.0, quality));
}

foundation::Bytes QRCodeDocument::tiffDataWithDimension(std::int64_t dimension, double dpi) {
  throwIfRegenerationFailed();
  const gfx::Image image = qrrender::cgImageWithDimension(qrcode_, dimension, *design_, logoTemplate_.get());
  return imageio::encodeImageData(image, ImageExportType::tiff(dpi / 72.0));
}

foundation::Bytes QRCodeDocument::pdfData(gfx::Size size, double pdfResolution) {
  throwIfRegenerationFailed();
  return qrrender::pdfData(qrcode_, size, pdfResolution, *design_, logoTemplate_.get());
}

foundation::Bytes QRCodeDocument::pdfDataWithDimension(std::int64_t dimension, double pdfResolution) {
  const double d = static_cast<double>(dimension);
  return pdfData(gfx::Size{d, d}, pdfResolution);
}

foundation::Bytes QRCodeDocument::pdfDataWithWidth(double width, double height, double pdfResolution) {
  return pdfData(gfx::Size{width, height}, pdfResolution);
}

PlatformImage QRCodeDocument::nsImageWithDimension(std::int64_t dimension, double dpi) {
  const double d = static_cast<double>(dimension);
  return nsImage(gfx::Size{d, d}, dpi);
}

PlatformImage QRCodeDocument::platformImageWithDimension(std::int64_t dimension, double dpi) {
  return nsImageWithDimension(dimension, dpi);
}

PlatformImage QRCodeDocument::nsImage(gfx::Size size, double dpi) {
  throwIfRegenerationFailed();
  return qrrender::nsImage(qrcode_, size, dpi, *design_, logoTemplate_.get());
}

ViewImage QRCodeDocument::swiftUIImage(gfx::Size size, double dpi, std::string label) {
  throwIfRegenerationFailed();
  return qrrender::swiftUIImage(qrcode_, size, dpi, *design_, logoTemplate_.get(), std::move(label));
}

gfx::Image QRCodeDocument::generateImage(std::string_view text, std::int64_t dimension,
                                         const gfx::Color& foregroundColor, const gfx::Color& backgroundColor,
                                         ErrorCorrection errorCorrection) {
  QRCodeDocument document(text, errorCorrection);
  document.design()->foregroundColor(foregroundColor);
  document.design()->backgroundColor(backgroundColor);
  return document.cgImageWithDimension(dimension);
}

gfx::Image QRCodeDocument::generateImage(std::string_view text, std::int64_t dimension, ErrorCorrection errorCorrection,
                                         QRCodeShapePtr shape, QRCodeStylePtr style) {
  QRCodeDocument document(text, errorCorrection);
  if (shape) document.design()->setShape(std::move(shape));
  if (style) document.design()->setStyle(std::move(style));
  return document.cgImageWithDimension(dimension);
}

gfx::Path QRCodeDocument::generatePath(std::string_view text, std::int64_t dimension, QRCodeComponents components,
                                       ErrorCorrection errorCorrection, QRCodeShapePtr shape) {
  QRCodeDocument document(text, errorCorrection);
  if (shape) document.design()->setShape(std::move(shape));
  return document.pathWithDimension(dimension, components);
}
