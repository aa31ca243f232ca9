#pragma once
// What the image writers share: the properties encodeImageData hands them, a read-only
// view of a bitmap's premultiplied RGBA pixels, un-premultiplying, the clamped quality and
// the writers' common failure.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/graphics/Image.hpp"

// The properties of one bitmap file: the resolution per axis in dots per inch (finite and
// greater than 0) and the quality, which the writers clamp to 0...1 (none: the writer's
// default).
struct ImageWriteProperties {
  double dpiWidth = 72;
  double dpiHeight = 72;
  std::optional<double> quality;
};

namespace imagewrite {

// Read-only view of 8-bit premultiplied RGBA pixels, row 0 at the top.
struct Pixels {
  gfx::Image rgba;  // keeps the pixels alive
  const std::uint8_t* data;
  int width;
  int height;
  std::size_t stride;
  const std::uint8_t* row(int y) const { return data + static_cast<std::size_t>(y) * stride; }
};

Pixels pixelsOf(const gfx::Image& image);

// Fails with ImageReadWriteError::cannotCreateImageOfType carrying the type identifier.
[[noreturn]] void cannotCreate(std::string_view typeIdentifier);

// One row of premultiplied RGBA as straight RGBA.
void unpremultiplyRow(const std::uint8_t* src, std::uint8_t* dst, int width);

// Quality in 0...1: below 0 or NaN gives 0, above 1 gives 1.
std::optional<double> clampedQuality(std::optional<double> compression);

}  // namespace imagewrite
