#include "QRCode/render/QRCodeImageExports.hpp"

#include <cmath>
#include <limits>
#include <optional>

#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/render/QRCodeRenderer.hpp"
#include "imageio/ImageExport.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/GraphicsError.hpp"

namespace qrrender {

namespace {

gfx::Size squareSize(std::int64_t dimension) {
  const double d = static_cast<double>(dimension);
  return {d, d};
}

// A bitmap of trunc(width) x trunc(height) pixels must have 1 to 32767 pixels a side.
bool isDrawableSize(gfx::Size size) {
  auto ok = [](double v) { return std::isfinite(v) && v >= 1 && v < gfx::Image::maxDimension + 1.0; };
  return ok(size.width) && ok(size.height);
}

// Runs a canvas operation, turning the graphics layer's failures into cannotGenerateImage.
template <class F>
auto generating(F&& fn) {
  try {
    return fn();
  } catch (const foundation::Error& e) {
    if (e.domain() == foundation::ErrorTraits<gfx::GraphicsError>::domain)
      foundation::raise(QRCodeError::cannotGenerateImage, e.what());
    throw;
  }
}

// +infinity: no quality requested.
std::optional<double> requestedCompression(double compression) {
  if (compression == std::numeric_limits<double>::infinity()) return std::nullopt;
  return compression;
}

// The code drawn into a bitmap canvas of the size, origin at the top-left corner.
gfx::Canvas drawnBitmap(const QRCode& qrcode, gfx::Size size, QRCodeDesign& design,
                        const QRCodeLogoTemplate* logoTemplate) {
  if (!isDrawableSize(size))
    foundation::raise(QRCodeError::cannotGenerateImage, "bitmap size out of range");
  return generating([&] {
    gfx::Canvas canvas = gfx::Canvas::bitmap(size.width, size.height);
    // Origin at the top-left corner, y growing downwards; the floating height is used
    // as given, so the renderer sees exactly the asked size.
    canvas.scale(1, -1);
    canvas.translate(0, -size.height);
    drawWithCtx(qrcode, canvas, gfx::Rect(0, 0, size.width, size.height), design, logoTemplate);
    return canvas;
  });
}

}  // namespace

gfx::Image cgImage(const QRCode& qrcode, gfx::Size size, QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate) {
  const gfx::Canvas canvas = drawnBitmap(qrcode, size, design, logoTemplate);
  return generating([&] { return canvas.makeImage(); });
}

gfx::Image cgImageWithDimension(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                                const QRCodeLogoTemplate* logoTemplate) {
  return cgImage(qrcode, squareSize(dimension), design, logoTemplate);
}

foundation::Bytes pngData(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                          const QRCodeLogoTemplate* logoTemplate) {
  // Written from the canvas's own pixels: no full-size image beside the bitmap.
  const gfx::Canvas canvas = drawnBitmap(qrcode, size, design, logoTemplate);
  const gfx::SurfacePixels pixels = generating([&] { return canvas.surfacePixels(); });
  return imageio::encodePNGData(pixels, dpi / 72.0);
}

foundation::Bytes pngDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi, QRCodeDesign& design,
                                       const QRCodeLogoTemplate* logoTemplate) {
  return pngData(qrcode, squareSize(dimension), dpi, design, logoTemplate);
}

foundation::Bytes jpegData(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                           const QRCodeLogoTemplate* logoTemplate, double compression) {
  const gfx::Image image = cgImage(qrcode, size, design, logoTemplate);
  return imageio::encodeImageData(image, ImageExportType::jpg(dpi / 72.0, requestedCompression(compression)));
}

foundation::Bytes jpegDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi, QRCodeDesign& design,
                                        const QRCodeLogoTemplate* logoTemplate, double compression) {
  return jpegData(qrcode, squareSize(dimension), dpi, design, logoTemplate, compression);
}

foundation::Bytes tiffData(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                           const QRCodeLogoTemplate* logoTemplate, double compression) {
  const gfx::Image image = cgImage(qrcode, size, design, logoTemplate);
  return imageio::encodeImageData(image, ImageExportType::tiff(dpi / 72.0, requestedCompression(compression)));
}

foundation::Bytes tiffDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi, QRCodeDesign& design,
                                        const QRCodeLogoTemplate* logoTemplate, double compression) {
  return tiffData(qrcode, squareSize(dimension), dpi, design, logoTemplate, compression);
}

foundation::Bytes pdfData(const QRCode& qrcode, gfx::Size size, double pdfResolution, QRCodeDesign& design,
                          const QRCodeLogoTemplate* logoTemplate) {
  // A resolution that is zero, negative or not finite would make an unbounded page.
  if (!(pdfResolution > 0) || !std::isfinite(pdfResolution))
    foundation::raise(QRCodeError::cannotGenerateImage, "PDF resolution must be finite and positive");
  const double k = 72.0 / pdfResolution;
  const gfx::Rect mediaBox(0, 0, size.width * k, size.height * k);
  // A page under one point a side would be written as a media box of zeros.
  auto fits = [](double v) { return std::isfinite(v) && v >= 1 && v <= gfx::Canvas::maxPDFPageSide; };
  if (!fits(mediaBox.size.width) || !fits(mediaBox.size.height))
    foundation::raise(QRCodeError::cannotGenerateImage, "PDF page size out of range");
  return generating([&] {
    gfx::Canvas canvas = gfx::Canvas::pdf(mediaBox);
    canvas.concatenate(gfx::AffineTransform{1, 0, 0, -1, 0, mediaBox.size.height});
    drawWithCtx(qrcode, canvas, mediaBox, design, logoTemplate);
    return canvas.pdfData();
  });
}

foundation::Bytes pdfDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double pdfResolution,
                                       QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate) {
  return pdfData(qrcode, squareSize(dimension), pdfResolution, design, logoTemplate);
}

PlatformImage nsImage(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                      const QRCodeLogoTemplate* logoTemplate) {
  if (!(dpi > 0) || !std::isfinite(dpi))
    foundation::raise(QRCodeError::cannotGenerateImage, "dpi must be finite and positive");
  // A dpi as small as 1e-320 is positive, yet its point size would be infinite.
  const double factor = 72.0 / dpi;
  const gfx::Size points{size.width * factor, size.height * factor};
  if (!std::isfinite(points.width) || !std::isfinite(points.height))
    foundation::raise(QRCodeError::cannotGenerateImage, "dpi too small for a finite point size");
  gfx::Image image = cgImage(qrcode, size, design, logoTemplate);
  return PlatformImage{std::move(image), points};
}

ViewImage swiftUIImage(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                       const QRCodeLogoTemplate* logoTemplate, std::string label) {
  // The scale is checked before the bitmap is drawn: a refused dpi costs no drawing.
  const double scale = dpi / 72.0;
  ViewImage::checkScale(scale);
  return ViewImage(cgImage(qrcode, size, design, logoTemplate), scale, std::move(label));
}

}  // namespace qrrender
