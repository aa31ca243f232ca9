#include "imageio/ImageExportType.hpp"

#include <iterator>
#include <string>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

ImageExportType ImageExportType::png(double scale, bool excludeGPSData) {
  ImageExportType t(Kind::png);
  t.scale_ = scale;
  t.excludeGPSData_ = excludeGPSData;
  return t;
}

ImageExportType ImageExportType::jpg(double scale, std::optional<double> compression,
                                     bool excludeGPSData) {
  ImageExportType t(Kind::jpg);
  t.scale_ = scale;
  t.compression_ = compression;
  t.excludeGPSData_ = excludeGPSData;
  return t;
}

ImageExportType ImageExportType::tiff(double scale, std::optional<double> compression,
                                      bool excludeGPSData) {
  ImageExportType t = jpg(scale, compression, excludeGPSData);
  t.kind_ = Kind::tiff;
  return t;
}

ImageExportType ImageExportType::heic(double scale, std::optional<double> compression,
                                      bool excludeGPSData) {
  ImageExportType t = jpg(scale, compression, excludeGPSData);
  t.kind_ = Kind::heic;
  return t;
}

ImageExportType ImageExportType::pdf(gfx::Size pageSize) {
  ImageExportType t(Kind::pdf);
  t.size_ = pageSize;
  return t;
}

ImageExportType ImageExportType::svg(std::optional<gfx::Size> size, SVGImageFillStyle fillStyle,
                                     const ImageExportType& embeddedImageFormat) {
  ImageExportType t(Kind::svg);
  t.size_ = size;
  t.fillStyle_ = fillStyle;
  t.embedded_ = std::make_shared<const ImageExportType>(embeddedImageFormat);
  return t;
}

ImageExportType ImageExportType::gif() { return ImageExportType(Kind::gif); }

ImageExportType ImageExportType::withTypeIdentifier(std::string_view typeIdentifier, double scale,
                                                    std::optional<double> compression, bool excludeGPSData) {
  const ImageExportType candidates[] = {
      png(scale, excludeGPSData),
      jpg(scale, compression, excludeGPSData),
      tiff(scale, compression, excludeGPSData),
      heic(scale, compression, excludeGPSData),
      gif(),
      svg(std::nullopt, SVGImageFillStyle::aspectFit, png(scale, excludeGPSData)),
  };
  for (const ImageExportType& candidate : candidates)
    if (candidate.typeIdentifier() == typeIdentifier) return candidate;
  foundation::raise(ImageReadWriteError::cannotCreateImageOfType, std::string(typeIdentifier));
}

namespace {

// The names of each kind, in the order of ImageExportType::Kind.
struct KindNames {
  std::string_view mimeType, fileExtension, typeIdentifier;
};
constexpr KindNames kindNames[] = {
    {"image/png", "png", "public.png"},
    {"image/jpeg", "jpg", "public.jpeg"},
    {"image/tiff", "tiff", "public.tiff"},
    {"application/pdf", "pdf", "com.adobe.pdf"},
    {"image/heic", "heic", "public.heic"},
    {"image/svg+xml", "svg", "public.svg-image"},
    {"image/gif", "gif", "com.compuserve.gif"},
};
static_assert(std::size(kindNames) == static_cast<std::size_t>(ImageExportType::Kind::gif) + 1);

}  // namespace

std::string_view ImageExportType::mimeType() const { return kindNames[static_cast<std::size_t>(kind_)].mimeType; }

std::string_view ImageExportType::fileExtension() const {
  return kindNames[static_cast<std::size_t>(kind_)].fileExtension;
}

std::string_view ImageExportType::typeIdentifier() const {
  return kindNames[static_cast<std::size_t>(kind_)].typeIdentifier;
}
