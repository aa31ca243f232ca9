#pragma once
// HEIC/HEIF decoding through libheif: the primary image as premultiplied rgba.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// True when the bytes start with an "ftyp" box of a HEIF brand libheif reads.
bool isHEIFData(std::span<const std::uint8_t> data);

// Fails with ImageReadWriteError::unableToDecodeImage; the size is checked before the
// image is decoded.
gfx::Image readHEIF(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);

// The resolution its Exif records, in dots per inch across and down; none without Exif or
// a resolution in it. The picture is turned upright by libheif's own rotation and mirror
// properties: its Exif orientation is not applied again, nor swaps the resolution.
std::optional<gfx::Size> readHEIFResolution(std::span<const std::uint8_t> data);
}  // namespace imageio
