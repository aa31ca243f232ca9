#pragma once
// JPEG decoding through libjpeg. Grey files give gray images, CMYK and YCCK files cmyk
// images (Adobe's inverted values put right), the rest opaque rgba. Any warning of the
// decoder (truncated or damaged data) is an error.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Image.hpp"

// True when the bytes start with a JPEG start-of-image marker.
bool isJPEGData(std::span<const std::uint8_t> data);

// Fails with ImageReadWriteError::unableToDecodeImage; the size is checked before the
// pixels are allocated.
gfx::Image readJPEG(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);
