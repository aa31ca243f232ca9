#include "imageio/CoreImage.hpp"

#include <cmath>

#include "platform/foundation/Error.hpp"
#include "platform/graphics/Canvas.hpp"

namespace {

// A whole number that fits a signed 64-bit integer.
bool isWholeInt64(double v) {
  return std::isfinite(v) && v == std::trunc(v) && v >= -9223372036854775808.0 && v < 9223372036854775808.0;
}

bool usableLength(double v) { return v >= 0 && std::isfinite(v); }

}  // namespace

CoreImage::CoreImage(gfx::Image bitmap)
    : bitmap_(std::move(bitmap)), extent_(0, 0, double(bitmap_.width()), double(bitmap_.height())) {}

std::optional<CoreImage> CoreImage::fromPlatformImage(const PlatformImage& image) {
  if (image.cgImage.empty()) return std::nullopt;
  return CoreImage(image.cgImage);
}

std::optional<gfx::Image> CoreImage::cgImage() const {
  if (bitmap_.empty()) return std::nullopt;
  return bitmap_;
}

std::optional<PlatformImage> CoreImage::platformImage(std::optional<gfx::Size> pixelSize,
                                                      std::optional<gfx::Size> pointSize) const {
  if (bitmap_.empty()) return std::nullopt;
  if (pointSize && !(usableLength(pointSize->width) && usableLength(pointSize->height))) return std::nullopt;
  gfx::Image rendered = bitmap_;
  if (pixelSize && (pixelSize->width != extent_.size.width || pixelSize->height != extent_.size.height)) {
    if (!isWholeInt64(pixelSize->width) || !isWholeInt64(pixelSize->height)) return std::nullopt;
    try {
      gfx::Canvas canvas = gfx::Canvas::bitmap(pixelSize->width, pixelSize->height);
      canvas.drawImage(bitmap_, gfx::Rect(0, 0, pixelSize->width, pixelSize->height));
      rendered = canvas.makeImage();
    } catch (const foundation::Error&) {
      return std::nullopt;
    }
  }
  const gfx::Size points = pointSize.value_or(gfx::Size{double(rendered.width()), double(rendered.height())});
  return PlatformImage{std::move(rendered), points};
}
