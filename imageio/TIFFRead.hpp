#pragma once
// TIFF decoding through libtiff (the first directory), turned upright by the file's
// orientation (any of the eight). Grey, RGB and CMYK files of 8 or 16 bits, in strips or
// tiles, give gray, rgba and cmyk images (16-bit samples rounded to 8 bits), or
// premultiplied rgba when an alpha sample follows the colour (straight or associated);
// extra samples of unspecified kind are skipped. Every other kind libtiff can read goes
// through its RGBA reader into premultiplied rgba. Samples that are not unsigned integers
// (floating-point, signed) are refused with an error naming them, and 32-bit ones by
// libtiff. Decoding reads every sample of a pixel: what it reads beyond 10 bytes a pixel
// counts against the pixel limit and budget as further pixels, before anything is decoded.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// True when the bytes start with a classic or big TIFF header, in either byte order.
bool isTIFFData(std::span<const std::uint8_t> data);

// Fails with ImageReadWriteError::unableToDecodeImage; the size is checked before the
// pixels are allocated.
gfx::Image readTIFF(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);

// The resolution the first directory records, in dots per inch across and down the picture
// as loaded, turned upright (converted from centimetres); none when it records none, no
// unit, or the data is no readable TIFF.
std::optional<gfx::Size> readTIFFResolution(std::span<const std::uint8_t> data);
}  // namespace imageio
