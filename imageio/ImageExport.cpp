#include "imageio/ImageExport.hpp"

#include <cmath>

#include "imageio/GIFWrite.hpp"
#include "imageio/HEIFWrite.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/JPEGWrite.hpp"
#include "imageio/PDFWrite.hpp"
#include "imageio/PNG.hpp"
#include "imageio/SVGWrite.hpp"
#include "imageio/TIFFWrite.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Settings.hpp"

namespace {

bool usableDPI(double dpi) { return dpi > 0 && std::isfinite(dpi); }

// The properties of a bitmap file: those the type gives, with the extra ones over them.
ImageWriteProperties writeProperties(const ImageExportType& type, const foundation::Settings& extra) {
  ImageWriteProperties properties;
  properties.dpiWidth = properties.dpiHeight = 72.0 * type.scale();
  properties.quality = type.compression();
  if (const auto v = foundation::doubleValue(extra, ImageProperty::dpiWidth)) properties.dpiWidth = *v;
  if (const auto v = foundation::doubleValue(extra, ImageProperty::dpiHeight)) properties.dpiHeight = *v;
  if (const auto v = foundation::doubleValue(extra, ImageProperty::lossyCompressionQuality)) properties.quality = *v;
  if (!usableDPI(properties.dpiWidth) || !usableDPI(properties.dpiHeight))
    foundation::raise(ImageReadWriteError::invalidDPI);
  return properties;
}

// The PNG writer's settings for the type and extra properties. An opaque image whose
// pixels are all grey (black and white codes and their antialiased edges) is written as
// an 8-bit grey image: a quarter of the bytes to filter and compress, and the same pixels
// when read back.
PNGWriteOptions pngOptions(const ImageExportType& type, const foundation::Settings& extra) {
  const ImageWriteProperties properties = writeProperties(type, extra);
  PNGWriteOptions options = imageio::pngExportOptions(properties.dpiWidth);
  options.verticalDPI = properties.dpiHeight;
  options.grayWhenOpaqueGray = true;
  return options;
}

}  // namespace

PNGWriteOptions imageio::pngExportOptions(double dpi) {
  PNGWriteOptions options;
  options.dpi = dpi;
  // Measured on 300-pixel codes (a URL and a version-25 symbol, black on white and
  // white on clear): rows without a filter give the smallest files for these flat
  // images, and level 4 with zlib's "filtered" strategy is two to four times faster than
  // level 6 for files about a tenth larger.
  options.compressionLevel = 4;
  options.filters = PNGFilter::none;
  options.strategy = PNGStrategy::filtered;
  return options;
}

foundation::Bytes imageio::encodeImageData(const gfx::Image& image, const ImageExportType& type,
                                  const foundation::Settings& extraProperties) {
  switch (type.kind()) {
    case ImageExportType::Kind::png: return imageio::writePNG(image, pngOptions(type, extraProperties));
    case ImageExportType::Kind::jpg: return imageio::writeJPEG(image, writeProperties(type, extraProperties));
    case ImageExportType::Kind::tiff: return imageio::writeTIFF(image, writeProperties(type, extraProperties));
    case ImageExportType::Kind::heic: return imageio::writeHEIF(image, writeProperties(type, extraProperties));
    case ImageExportType::Kind::gif: return imageio::writeGIF(image);
    case ImageExportType::Kind::pdf: return imageio::writePDF(image, type.size().value_or(gfx::Size{}));
    case ImageExportType::Kind::svg: return imageio::writeSVG(image, type, extraProperties);
  }
  foundation::raise(ImageReadWriteError::internalError);
}

foundation::Bytes imageio::encodePNGData(const gfx::SurfacePixels& pixels, double scale) {
  return imageio::writePNG(pixels, pngOptions(ImageExportType::png(scale), {}));
}
