#include "platform/graphics/Image.hpp"

#include <algorithm>
#include <string>

#include "platform/foundation/Error.hpp"
#include "platform/graphics/GraphicsError.hpp"

namespace gfx {

std::size_t bytesPerPixel(PixelFormat format) {
  return format == PixelFormat::gray ? 1 : 4;
}

Image Image::make(int width, int height, std::vector<std::uint8_t> pixels, PixelFormat format) {
  if (width <= 0 || height <= 0 || width > maxDimension || height > maxDimension) {
    foundation::raise(GraphicsError::invalidSize,
                      std::to_string(width) + " x " + std::to_string(height));
  }
  const std::size_t expected =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel(format);
  if (pixels.size() != expected) {
    foundation::raise(GraphicsError::invalidImage,
                      std::to_string(pixels.size()) + " bytes for " + std::to_string(expected));
  }
  Image image;
  image.width_ = width;
  image.height_ = height;
  image.format_ = format;
  image.pixels_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(pixels));
  return image;
}

Image Image::filled(int width, int height, RGBA value) {
  if (width <= 0 || height <= 0 || width > maxDimension || height > maxDimension) {
    foundation::raise(GraphicsError::invalidSize,
                      std::to_string(width) + " x " + std::to_string(height));
  }
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (std::size_t i = 0; i < px.size(); i += 4) {
    px[i] = value.r;
    px[i + 1] = value.g;
    px[i + 2] = value.b;
    px[i + 3] = value.a;
  }
  return make(width, height, std::move(px));
}

std::span<const std::uint8_t> Image::pixels() const {
  if (!pixels_) return {};
  return {pixels_->data(), pixels_->size()};
}

std::span<const std::uint8_t> Image::row(int y) const {
  if (!pixels_ || y < 0 || y >= height_) return {};
  return pixels().subspan(static_cast<std::size_t>(y) * bytesPerRow(), bytesPerRow());
}

Image::RGBA Image::pixelAt(int x, int y) const {
  if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::uint8_t* p = pixels_->data() + static_cast<std::size_t>(y) * bytesPerRow() +
                          static_cast<std::size_t>(x) * bytesPerPixel(format_);
  switch (format_) {
    case PixelFormat::rgba: return {p[0], p[1], p[2], p[3]};
    case PixelFormat::gray: return {p[0], p[0], p[0], 255};
    case PixelFormat::cmyk: {
      const unsigned k = 255u - p[3];
      auto ch = [k](std::uint8_t v) {
        return static_cast<std::uint8_t>(((255u - v) * k + 127u) / 255u);
      };
      return {ch(p[0]), ch(p[1]), ch(p[2]), 255};
    }
  }
  return {};
}

Color Image::colorAt(int x, int y) const {
  const RGBA p = pixelAt(x, y);
  if (p.a == 0) return Color::sRGB(0, 0, 0, 0);
  const double a = p.a / 255.0;
  return Color::sRGB(p.r / 255.0 / a, p.g / 255.0 / a, p.b / 255.0 / a, a);
}

Image Image::toRGBA() const {
  if (empty() || format_ == PixelFormat::rgba) return *this;
  std::vector<std::uint8_t> px;
  px.reserve(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const RGBA p = pixelAt(x, y);
      px.insert(px.end(), {p.r, p.g, p.b, p.a});
    }
  }
  return make(width_, height_, std::move(px));
}

bool operator==(const Image& l, const Image& r) {
  if (l.width_ != r.width_ || l.height_ != r.height_ || l.format_ != r.format_) return false;
  if (l.pixels_ == r.pixels_) return true;
  const auto a = l.pixels(), b = r.pixels();
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace gfx
