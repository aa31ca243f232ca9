#pragma once
// HEIC/HEIF decoding through libheif: the primary image as premultiplied rgba.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// True when the bytes start with an "ftyp" box of a HEIF brand libheif reads.
bool isHEIFData(std::span<const std::uint8_t> data);

// Fails with ImageReadWriteError::unableToDecodeImage; the size is checked before the
// image is decoded.
gfx::Image readHEIF(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);
}  // namespace imageio
