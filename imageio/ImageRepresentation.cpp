#include "imageio/ImageRepresentation.hpp"

#include <cmath>

#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

// Point size = pixel size / scale, for a scale that is finite and greater than 0.
PlatformImage atScale(gfx::Image bitmap, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) foundation::raise(ImageReadWriteError::invalidDPI);
  const gfx::Size points{bitmap.width() / scale, bitmap.height() / scale};
  return PlatformImage{std::move(bitmap), points};
}

PlatformImage atPixelSize(gfx::Image bitmap) { return atScale(std::move(bitmap), 1.0); }

}  // namespace

PlatformImage ImageRepresentation::platformImage(ImageResolution resolution) const {
  return atScale(owner_, resolution.scaleFactor());
}

gfx::Size ImageRepresentation::size() const { return gfx::Size{double(owner_.width()), double(owner_.height())}; }

std::optional<gfx::Image> PlatformImage::ImageRepresentation::cgImage() const {
  if (owner_.cgImage.empty()) return std::nullopt;
  return owner_.cgImage;
}

foundation::Bytes PlatformImage::ImageRepresentation::encode(const ImageExportType& type,
                                                             const foundation::Settings& extraProperties) const {
  return imageio::encodeNSImageData(owner_, type, extraProperties);
}

foundation::Bytes imageio::encodeNSImageData(const PlatformImage& image, const ImageExportType& type,
                                    const foundation::Settings& extraProperties) {
  if (image.cgImage.empty()) foundation::raise(ImageReadWriteError::cannotCreateCGImage);
  return imageio::encodeImageData(image.cgImage, type, extraProperties);
}

PlatformImage imageio::loadPlatformImageFromData(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  return atPixelSize(imageio::loadImageFromData(data, maxPixels));
}

PlatformImage imageio::loadPlatformImageFromFile(const std::filesystem::path& path, std::size_t maxPixels) {
  return atPixelSize(imageio::loadImageFromFile(path, maxPixels));
}

PlatformImage imageio::loadPlatformImageNamed(std::string_view name, const std::filesystem::path& resourceFolder) {
  return atPixelSize(imageio::loadImageNamed(name, resourceFolder));
}
