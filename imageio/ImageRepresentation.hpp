#pragma once
// Bitmaps and platform images side by side: conversions between them, loading platform
// images, and the export conveniences that build an ImageExportType for encodeImageData.
//
// Errors are ImageReadWriteError cases:
//   invalidDPI             a dpi or scale that is not finite and greater than 0;
//   unableToDecodeImage    bytes or a file that hold no image (as loadImageFromData);
//   cannotLoadImageNamed   a resource that cannot be loaded, carrying its name;
//   cannotCreateCGImage    a platform image without a bitmap, asked for its bitmap or
//                          encoded;
// and every error of encodeImageData, unchanged.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/PNG.hpp"
#include "imageio/PlatformImage.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

// The conveniences of both representations: each builds its ImageExportType and hands it
// to the representation's encode.
template <class Representation>
class ImageExportConveniences {
 public:
  foundation::Bytes png(ImageResolution resolution, bool excludeGPSData = false) const {
    return encode(ImageExportType::png(resolution.scaleFactor(), excludeGPSData));
  }
  foundation::Bytes jpg(ImageResolution resolution, std::optional<double> compression = std::nullopt,
                        bool excludeGPSData = false) const {
    return encode(ImageExportType::jpg(resolution.scaleFactor(), compression, excludeGPSData));
  }
  foundation::Bytes tiff(ImageResolution resolution, std::optional<double> compression = std::nullopt,
                         bool excludeGPSData = false) const {
    return encode(ImageExportType::tiff(resolution.scaleFactor(), compression, excludeGPSData));
  }
  foundation::Bytes heic(ImageResolution resolution, std::optional<double> compression = std::nullopt,
                         bool excludeGPSData = false) const {
    return encode(ImageExportType::heic(resolution.scaleFactor(), compression, excludeGPSData));
  }
  foundation::Bytes gif() const { return encode(ImageExportType::gif()); }
  foundation::Bytes pdf(gfx::Size pageSize) const { return encode(ImageExportType::pdf(pageSize)); }
  foundation::Bytes svg(std::optional<gfx::Size> size, SVGImageFillStyle fillStyle,
                        const ImageExportType& embeddedImageFormat) const {
    return encode(ImageExportType::svg(size, fillStyle, embeddedImageFormat));
  }
  // By type identifier (ImageExportType::withTypeIdentifier), with extra properties
  // merged over the computed ones (encodeImageData).
  foundation::Bytes imageData(std::string_view typeIdentifier, double scale,
                              std::optional<double> compression = std::nullopt, bool excludeGPSData = false,
                              const foundation::Settings& extraProperties = {}) const {
    return static_cast<const Representation&>(*this).encode(
        ImageExportType::withTypeIdentifier(typeIdentifier, scale, compression, excludeGPSData), extraProperties);
  }

 private:
  foundation::Bytes encode(const ImageExportType& type) const {
    return static_cast<const Representation&>(*this).encode(type, foundation::Settings{});
  }
};

// A bitmap image (owner) with its conversions and export conveniences.
class ImageRepresentation : public ImageExportConveniences<ImageRepresentation> {
 public:
  explicit ImageRepresentation(gfx::Image owner) : owner_(std::move(owner)) {}
  const gfx::Image& owner() const { return owner_; }

  // The platform image over the bitmap: point size = pixel size / scale (dpi / 72).
  // Fails with invalidDPI, also for a resolution so small that the point size would not
  // be finite.
  PlatformImage platformImage(ImageResolution resolution) const;
  // The pixel width and height as floating-point numbers.
  gfx::Size size() const;

  foundation::Bytes encode(const ImageExportType& type, const foundation::Settings& extraProperties) const {
    return imageio::encodeImageData(owner_, type, extraProperties);
  }

 private:
  gfx::Image owner_;
};

// A platform image (owner) with its conversions and export conveniences, which encode
// through encodeNSImageData.
class PlatformImage::ImageRepresentation : public ImageExportConveniences<PlatformImage::ImageRepresentation> {
 public:
  explicit ImageRepresentation(PlatformImage owner) : owner_(std::move(owner)) {}
  const PlatformImage& owner() const { return owner_; }

  // The bitmap; none when the platform image has none.
  std::optional<gfx::Image> cgImage() const;

  foundation::Bytes encode(const ImageExportType& type, const foundation::Settings& extraProperties) const;

 private:
  PlatformImage owner_;
};

namespace imageio {
// Encodes the platform image's bitmap with encodeImageData; fails with
// cannotCreateCGImage when it has none.
foundation::Bytes encodeNSImageData(const PlatformImage& image, const ImageExportType& type,
                                    const foundation::Settings& extraProperties = {});

// The platform image of a decoded bitmap at the resolution its file records: point size =
// pixel size x 72 / dpi; the pixel size (72 dpi) when the file records none, or when that
// would not give a finite point size greater than 0.
PlatformImage platformImageOf(LoadedImage loaded);

// Decode image file bytes, a file or a named resource as loadImageFromData,
// loadImageFromFile and loadImageNamed do (with their errors), with the point size of
// the resolution the file records (platformImageOf): a 300 x 300 PNG at 144 dpi is a
// 150 x 150 point image.
PlatformImage loadPlatformImageFromData(std::span<const std::uint8_t> data,
                                        std::size_t maxPixels = kDefaultMaxImagePixels);
PlatformImage loadPlatformImageFromFile(const std::filesystem::path& path,
                                        std::size_t maxPixels = kDefaultMaxImagePixels);
PlatformImage loadPlatformImageNamed(std::string_view name, const std::filesystem::path& resourceFolder);
}  // namespace imageio
