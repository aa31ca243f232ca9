#pragma once
// JPEG decoding through libjpeg. Grey files give gray images, CMYK and YCCK files cmyk
// images (Adobe's inverted values put right), the rest opaque rgba; each turned upright by
// the orientation of its Exif segment, as the desktop shows it. A warning of the
// decoder about missing or damaged picture data (a truncated file) is an error; warnings
// that libjpeg recovers from without losing pixels (extraneous bytes) are not.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "imageio/PNG.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

// The most scans a progressive file may have, and the most pixels decoded over all its
// scans (scans x width x height): beyond either the file is refused. A 64-megapixel
// image may thus have 32 scans, a 12-megapixel one 178; encoders use about ten.
inline constexpr std::uint64_t kMaxJPEGScans = 256;
inline constexpr std::uint64_t kMaxJPEGScanPixels = std::uint64_t{1} << 31;

namespace imageio {
// True when the bytes start with a JPEG start-of-image marker.
bool isJPEGData(std::span<const std::uint8_t> data);

// Fails with ImageReadWriteError::unableToDecodeImage; the size is checked before the
// pixels are allocated.
gfx::Image readJPEG(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);

// The resolution of the JFIF header, or of the Exif (XResolution, YResolution and
// ResolutionUnit) when the JFIF header records none with a unit, in dots per inch across
// and down the upright picture (converted from centimetres; swapped when the Exif
// orientation turns the picture sideways); none when neither records one with a unit.
std::optional<gfx::Size> readJPEGResolution(std::span<const std::uint8_t> data);
}  // namespace imageio
