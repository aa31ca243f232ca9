#include "imageio/ImageExportType.hpp"

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

std::string_view ImageExportType::mimeType() const {
  switch (kind_) {
    case Kind::png: return "image/png";
    case Kind::jpg: return "image/jpeg";
    case Kind::tiff: return "image/tiff";
    case Kind::pdf: return "application/pdf";
    case Kind::heic: return "image/heic";
    case Kind::svg: return "image/svg+xml";
    case Kind::gif: return "image/gif";
  }
  return "";
}

std::string_view ImageExportType::fileExtension() const {
  switch (kind_) {
    case Kind::png: return "png";
    case Kind::jpg: return "jpg";
    case Kind::tiff: return "tiff";
    case Kind::pdf: return "pdf";
    case Kind::heic: return "heic";
    case Kind::svg: return "svg";
    case Kind::gif: return "gif";
  }
  return "";
}

std::string_view ImageExportType::typeIdentifier() const {
  switch (kind_) {
    case Kind::png: return "public.png";
    case Kind::jpg: return "public.jpeg";
    case Kind::tiff: return "public.tiff";
    case Kind::pdf: return "com.adobe.pdf";
    case Kind::heic: return "public.heic";
    case Kind::svg: return "public.svg-image";
    case Kind::gif: return "com.compuserve.gif";
  }
  return "";
}
