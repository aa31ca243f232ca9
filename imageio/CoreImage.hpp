#pragma once
// A stand-in for a CoreImage image: a bitmap and the extent it covers (in pixels, from
// (0, 0)), with the conversions to and from bitmaps and platform images. Each answers
// none where the conversion cannot be made, and never throws.

#include <optional>

#include "imageio/PlatformImage.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

class CoreImage {
 public:
  // The image of the bitmap: its extent is (0, 0, pixel width, pixel height).
  explicit CoreImage(gfx::Image bitmap);
  // The image of the platform image's bitmap; none when it has none.
  static std::optional<CoreImage> fromPlatformImage(const PlatformImage& image);

  const gfx::Rect& extent() const { return extent_; }

  // The image rendered over its extent; none when the extent is empty.
  std::optional<gfx::Image> cgImage() const;
  // A platform image of the rendered image. pixelSize, when given, must be whole numbers
  // that fit a signed 64-bit integer (and a bitmap: 1 to 32767 a side), and the image is
  // rendered at that size; the point size is pointSize when given, else the pixel size.
  // None for a pixel size that breaks these rules, a point size that is negative or not
  // finite, or an empty extent.
  std::optional<PlatformImage> platformImage(std::optional<gfx::Size> pixelSize = std::nullopt,
                                             std::optional<gfx::Size> pointSize = std::nullopt) const;

 private:
  gfx::Image bitmap_;
  gfx::Rect extent_;
};
