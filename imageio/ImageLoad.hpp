#pragma once
// Loading bitmap images from the bytes of an image file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Image.hpp"

// Decodes image file bytes into an rgba image. PNG is read; any other data fails with
// ImageReadWriteError::unableToDecodeImage, as do damaged files and images over
// maxPixels pixels (checked before the pixels are allocated).
gfx::Image loadImageFromData(std::span<const std::uint8_t> data,
                             std::size_t maxPixels = kDefaultMaxImagePixels);
