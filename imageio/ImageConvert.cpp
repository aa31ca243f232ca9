#include "imageio/ImageConvert.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

namespace {

// sRGB-encoded 8-bit value -> linear light in 0...65535.
const std::array<std::uint16_t, 256>& decodeTable() {
  static const std::array<std::uint16_t, 256> table = [] {
    std::array<std::uint16_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
      const double c = v / 255.0;
      const double linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
      t[static_cast<std::size_t>(v)] = static_cast<std::uint16_t>(std::lround(linear * 65535.0));
    }
    return t;
  }();
  return table;
}

// Linear light in 0...65535 -> sRGB-encoded 8-bit value.
const std::vector<std::uint8_t>& encodeTable() {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(65536);
    for (std::size_t i = 0; i < t.size(); ++i) {
      const double linear = static_cast<double>(i) / 65535.0;
      const double c = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
      t[i] = static_cast<std::uint8_t>(std::clamp(std::lround(c * 255.0), 0L, 255L));
    }
    return t;
  }();
  return table;
}

void checkNotEmpty(const gfx::Image& image) {
  if (image.empty()) foundation::raise(ImageReadWriteError::cannotConvertColorspace, "empty image");
}

}  // namespace

gfx::Image ConvertColorspace::grayscale() const {
  checkNotEmpty(image_);
  if (image_.format() == gfx::PixelFormat::gray) return image_;
  const gfx::Image rgba = image_.toRGBA();
  const auto& toLinear = decodeTable();
  const auto& toEncoded = encodeTable();
  // Rec. 709 luminance weights in 1/65536 (they add up to exactly 65536).
  constexpr std::uint32_t wr = 13933, wg = 46871, wb = 4732;
  const int width = rgba.width(), height = rgba.height();
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::uint8_t* out = grey.data();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = rgba.row(y).data();
    for (int x = 0; x < width; ++x, p += 4) {
      // Premultiplied colour is the colour over black.
      const std::uint32_t luminance = (wr * toLinear[p[0]] + wg * toLinear[p[1]] + wb * toLinear[p[2]] + 32768u) >> 16;
      *out++ = toEncoded[std::min<std::uint32_t>(luminance, 65535u)];
    }
  }
  return gfx::Image::make(width, height, std::move(grey), gfx::PixelFormat::gray);
}

gfx::Image ConvertColorspace::cmyk() const {
  checkNotEmpty(image_);
  if (image_.format() == gfx::PixelFormat::cmyk) return image_;
  const gfx::Image rgba = image_.toRGBA();
  const int width = rgba.width(), height = rgba.height();
  std::vector<std::uint8_t> inks(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  std::uint8_t* out = inks.data();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* p = rgba.row(y).data();
    for (int x = 0; x < width; ++x, p += 4, out += 4) {
      const unsigned r = p[0], g = p[1], b = p[2];
      const unsigned most = std::max({r, g, b});
      if (most == 0) {
        out[0] = out[1] = out[2] = 0;
        out[3] = 255;
        continue;
      }
      // One division per pixel: v * 255 / most in 16-bit fixed point, rounded.
      const std::uint32_t scale = (255u * 65536u + most / 2u) / most;
      auto ink = [scale](unsigned v) {
        return static_cast<std::uint8_t>(255u - std::min<std::uint32_t>((v * scale + 32768u) >> 16, 255u));
      };
      out[0] = ink(r);
      out[1] = ink(g);
      out[2] = ink(b);
      out[3] = static_cast<std::uint8_t>(255u - most);
    }
  }
  return gfx::Image::make(width, height, std::move(inks), gfx::PixelFormat::cmyk);
}

gfx::Image ConvertColorspace::sRGB() const {
  checkNotEmpty(image_);
  return image_.toRGBA();
}
