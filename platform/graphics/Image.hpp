#pragma once
// A bitmap image: width x height pixels, row 0 at the top, rows packed without padding.
// Pixels are shared and immutable: copies of an Image share one buffer.
//
// Formats: rgba (8-bit R, G, B, A per pixel, premultiplied alpha), gray (8-bit, no
// alpha) and cmyk (8-bit C, M, Y, K, no alpha).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/graphics/Color.hpp"

namespace gfx {

enum class PixelFormat { rgba, gray, cmyk };

// Bytes per pixel of a format: 4, 1, 4.
std::size_t bytesPerPixel(PixelFormat format);

// One premultiplied 8-bit RGBA pixel.
struct PixelRGBA {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const PixelRGBA&, const PixelRGBA&) = default;
};

// A read-only view of pixels as cairo's image surfaces keep them: height rows, stride
// bytes apart, of width native-endian 32-bit words 0xAARRGGBB with premultiplied alpha. It
// owns nothing: the pixels belong to whoever made the view.
struct SurfacePixels {
  const unsigned char* data = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;

  const std::uint32_t* row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
  }
};

class Image {
 public:
  // The largest width or height of an image (the canvas limit).
  static constexpr int maxDimension = 32767;

  using RGBA = PixelRGBA;

  // The empty image (0 x 0).
  Image() = default;

  // An image over the given pixels. Fails with GraphicsError::invalidSize for a width or
  // height <= 0 or over maxDimension, and GraphicsError::invalidImage when the buffer does
  // not hold exactly width * height * bytesPerPixel(format) bytes.
  static Image make(int width, int height, std::vector<std::uint8_t> pixels,
                    PixelFormat format = PixelFormat::rgba);
  // An rgba image with every pixel set to one premultiplied value (transparent by default).
  static Image filled(int width, int height, RGBA value = {});

  bool empty() const { return width_ == 0; }
  int width() const { return width_; }
  int height() const { return height_; }
  PixelFormat format() const { return format_; }
  std::size_t bytesPerRow() const { return static_cast<std::size_t>(width_) * bytesPerPixel(format_); }
  std::span<const std::uint8_t> pixels() const;
  std::span<const std::uint8_t> row(int y) const;

  // The pixel at (x, y), row 0 at the top, as premultiplied RGBA (gray and CMYK are
  // converted, opaque). Coordinates outside the image give a transparent pixel.
  RGBA pixelAt(int x, int y) const;
  // The same, un-premultiplied, as an sRGB colour with components in 0...1.
  Color colorAt(int x, int y) const;

  // The image in rgba format (this image itself when it already is).
  Image toRGBA() const;

  // True when both images share one pixel buffer.
  bool sharesPixelsWith(const Image& other) const { return pixels_ && pixels_ == other.pixels_; }

  // Same size, format and pixel bytes.
  friend bool operator==(const Image& l, const Image& r);

 private:
  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::rgba;
  std::shared_ptr<const std::vector<std::uint8_t>> pixels_;
};

}  // namespace gfx
