#include "imageio/ImageExport.hpp"

#include <cmath>
#include <cstdint>
#include <vector>

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

// An opaque image whose pixels are all grey (black and white codes and their antialiased
// edges) goes to the PNG writer as an 8-bit grey image: a quarter of the bytes to filter
// and compress, and the same pixels when read back. Any other image is written as it is.
gfx::Image pngReady(const gfx::Image& image) {
  if (image.empty() || image.format() != gfx::PixelFormat::rgba) return image;
  const int width = image.width(), height = image.height();
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * height);
  std::uint8_t* d = grey.data();
  // One pass: copy the grey value and collect, row by row, whether any pixel is not
  // opaque grey (a branch-free loop the compiler can vectorise).
  for (int y = 0; y < height; ++y, d += width) {
    const std::uint8_t* p = image.row(y).data();
    unsigned differs = 0;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t r = p[4 * x], g = p[4 * x + 1], b = p[4 * x + 2], a = p[4 * x + 3];
      differs |= static_cast<unsigned>((r ^ g) | (g ^ b) | (a ^ 255u));
      d[x] = r;
    }
    if (differs) return image;
  }
  return gfx::Image::make(width, height, std::move(grey), gfx::PixelFormat::gray);
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
    case ImageExportType::Kind::png: {
      const ImageWriteProperties properties = writeProperties(type, extraProperties);
      PNGWriteOptions options = imageio::pngExportOptions(properties.dpiWidth);
      options.verticalDPI = properties.dpiHeight;
      return imageio::writePNG(pngReady(image), options);
    }
    case ImageExportType::Kind::jpg: return imageio::writeJPEG(image, writeProperties(type, extraProperties));
    case ImageExportType::Kind::tiff: return imageio::writeTIFF(image, writeProperties(type, extraProperties));
    case ImageExportType::Kind::heic: return imageio::writeHEIF(image, writeProperties(type, extraProperties));
    case ImageExportType::Kind::gif: return imageio::writeGIF(image);
    case ImageExportType::Kind::pdf: return imageio::writePDF(image, type.size().value_or(gfx::Size{}));
    case ImageExportType::Kind::svg: return imageio::writeSVG(image, type, extraProperties);
  }
  foundation::raise(ImageReadWriteError::internalError);
}
