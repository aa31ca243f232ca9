#pragma once
// The platform image: a bitmap with its size in points, as a desktop image object holds
// it. At 144 dpi (scale 2) a 300 x 300 pixel bitmap is a 150 x 150 point image.

#include <utility>

#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

struct PlatformImage {
  class ImageRepresentation;

  // The image of a bitmap alone: its point size is its pixel size (72 dpi).
  static PlatformImage withCGImage(gfx::Image cgImage) {
    const gfx::Size size{static_cast<double>(cgImage.width()), static_cast<double>(cgImage.height())};
    return PlatformImage{std::move(cgImage), size};
  }

  gfx::Image cgImage;  // the bitmap, in pixels
  gfx::Size size;      // the size in points
};

// A resolution given as dots per inch or as a scale: dpi = 72 x scale.
class ImageResolution {
 public:
  static ImageResolution dpi(double dpi) { return ImageResolution(dpi / 72.0); }
  static ImageResolution scale(double scale) { return ImageResolution(scale); }
  double scaleFactor() const { return scale_; }

 private:
  explicit ImageResolution(double scale) : scale_(scale) {}
  double scale_;
};
