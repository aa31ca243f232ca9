#include "imageio/ImageWriteSupport.hpp"

#include <algorithm>
#include <string>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Clamp.hpp"
#include "platform/foundation/Error.hpp"

namespace imagewrite {

namespace {

// Straight (not premultiplied) colour of one channel.
inline std::uint8_t unpremultiply(std::uint8_t c, std::uint8_t a) {
  if (a == 255) return c;
  if (a == 0) return 0;
  const unsigned v = (static_cast<unsigned>(c) * 255u + a / 2u) / a;
  return static_cast<std::uint8_t>(std::min(v, 255u));
}

}  // namespace

Pixels pixelsOf(const gfx::Image& image) {
  gfx::Image rgba = image.toRGBA();
  const std::uint8_t* data = rgba.pixels().data();
  const int width = rgba.width(), height = rgba.height();
  const std::size_t stride = rgba.bytesPerRow();
  return Pixels{std::move(rgba), data, width, height, stride};
}

[[noreturn]] void cannotCreate(std::string_view typeIdentifier) {
  foundation::raise(ImageReadWriteError::cannotCreateImageOfType, std::string(typeIdentifier));
}

void unpremultiplyRow(const std::uint8_t* src, std::uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4, dst += 4) {
    const std::uint8_t a = src[3];
    dst[0] = unpremultiply(src[0], a);
    dst[1] = unpremultiply(src[1], a);
    dst[2] = unpremultiply(src[2], a);
    dst[3] = a;
  }
}

std::optional<double> clampedQuality(std::optional<double> compression) {
  if (!compression) return std::nullopt;
  return foundation::clampedFraction(*compression);
}

}  // namespace imagewrite
