#pragma once
// What the image writers share: a read-only view of a bitmap's premultiplied RGBA pixels,
// un-premultiplying, the clamped quality and the writers' common failure.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "imageio/ImageExportType.hpp"
#include "platform/graphics/Image.hpp"

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

// Fails with ImageReadWriteError::cannotCreateImageOfType carrying the type's identifier.
[[noreturn]] void cannotCreate(const ImageExportType& type);

// One row of premultiplied RGBA as straight RGBA.
void unpremultiplyRow(const std::uint8_t* src, std::uint8_t* dst, int width);

// Quality in 0...1: below 0 or NaN gives 0, above 1 gives 1.
std::optional<double> clampedQuality(std::optional<double> compression);

}  // namespace imagewrite
