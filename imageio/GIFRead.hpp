#pragma once
// GIF decoding through giflib: the first frame, placed on a transparent canvas of the
// logical screen's size (the frame's own size when the screen has none), its transparent
// colour left transparent. Gives premultiplied rgba.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// True when the bytes start with "GIF87a" or "GIF89a".
bool isGIFData(std::span<const std::uint8_t> data);

// Fails with ImageReadWriteError::unableToDecodeImage; the screen and frame sizes are
// checked before pixels are allocated.
gfx::Image readGIF(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);
}  // namespace imageio
