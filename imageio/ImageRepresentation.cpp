#include "imageio/ImageRepresentation.hpp"

#include <cmath>

#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

// Point size = pixel size / scale, for a scale that is finite and greater than 0 and
// leaves the point size finite (a scale of 1e-320 would make it infinite).
PlatformImage atScale(gfx::Image bitmap, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) foundation::raise(ImageReadWriteError::invalidDPI);
  const gfx::Size points{bitmap.width() / scale, bitmap.height() / scale};
  if (!std::isfinite(points.width) || !std::isfinite(points.height)) foundation::raise(ImageReadWriteError::invalidDPI);
  return PlatformImage{std::move(bitmap), points};
}

}  // namespace

PlatformImage imageio::platformImageOf(LoadedImage loaded) {
  const double w = loaded.image.width(), h = loaded.image.height();
  gfx::Size points{w, h};
  if (loaded.dpi) {
    const gfx::Size atDPI{w * 72.0 / loaded.dpi->width, h * 72.0 / loaded.dpi->height};
    if (std::isfinite(atDPI.width) && std::isfinite(atDPI.height) && atDPI.width > 0 && atDPI.height > 0)
      points = atDPI;
  }
  return PlatformImage{std::move(loaded.image), points};
}

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
  return imageio::platformImageOf(imageio::loadImageAndResolutionFromData(data, maxPixels));
}

PlatformImage imageio::loadPlatformImageFromFile(const std::filesystem::path& path, std::size_t maxPixels) {
  return imageio::platformImageOf(imageio::loadImageAndResolutionFromFile(path, maxPixels));
}

PlatformImage imageio::loadPlatformImageNamed(std::string_view name, const std::filesystem::path& resourceFolder) {
  return imageio::platformImageOf(imageio::loadImageAndResolutionNamed(name, resourceFolder));
}
