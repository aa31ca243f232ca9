#pragma once
// PNG reading and writing through libpng.
//
// Writing: an rgba image is written as 8-bit RGBA with straight (un-premultiplied) alpha
// (or 8-bit gray when asked and every pixel is opaque grey), a gray image as 8-bit gray, a
// cmyk image converted to RGBA; the resolution goes into a pHYs chunk (pixels per metre).
// Reading gives an rgba (premultiplied) image.
// libpng's errors never cross our frames as exceptions: they come back as
// ImageReadWriteError values.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

// Row filters (combine with |); the values are libpng's.
namespace PNGFilter {
inline constexpr unsigned none = 0x08;
inline constexpr unsigned sub = 0x10;
inline constexpr unsigned up = 0x20;
inline constexpr unsigned average = 0x40;
inline constexpr unsigned paeth = 0x80;
inline constexpr unsigned all = 0xf8;
}  // namespace PNGFilter

// zlib's strategies.
enum class PNGStrategy { defaultStrategy, filtered, huffmanOnly, rle };

struct PNGWriteOptions {
  double dpi = 72.0;         // recorded in pHYs; must be finite and > 0
  std::optional<double> verticalDPI;  // the resolution down when it differs from dpi
  // tEXt chunks (keyword, Latin-1 text), written before the pixels.
  std::vector<std::pair<std::string, std::string>> text;
  int compressionLevel = 6;  // zlib level 0...9 (clamped)
  unsigned filters = PNGFilter::all;
  PNGStrategy strategy = PNGStrategy::defaultStrategy;
  // An rgba image (or surface) whose pixels are all opaque grey is written as 8-bit grey:
  // the same pixels when read back, a quarter of the data to filter and compress.
  bool grayWhenOpaqueGray = false;
};

namespace imageio {
// Encodes the image. Fails with ImageReadWriteError::invalidDPI for a dpi (or vertical
// dpi) that is not finite or not > 0, and ImageReadWriteError::cannotCreateImageOfType
// ("public.png") for an empty image or when libpng fails.
foundation::Bytes writePNG(const gfx::Image& image, const PNGWriteOptions& options = {});
// The same for a bitmap canvas's pixels (the bytes writePNG gives for the image
// Canvas::makeImage makes of them), converted row by row without a copy of the whole image.
foundation::Bytes writePNG(const gfx::SurfacePixels& pixels, const PNGWriteOptions& options = {});

// True when the bytes start with the PNG signature.
bool isPNGData(std::span<const std::uint8_t> data);
}  // namespace imageio

struct PNGInfo {
  int width = 0;
  int height = 0;
  std::optional<double> dpiX, dpiY;  // from pHYs when its unit is the metre
  std::vector<std::pair<std::string, std::string>> text;  // the tEXt chunks before the pixels
};

namespace imageio {
// Reads the header and resolution without decoding pixels. Fails with
// ImageReadWriteError::unableToDecodeImage.
PNGInfo readPNGInfo(std::span<const std::uint8_t> data);
}  // namespace imageio

// The default limit on width x height when reading (256 MB of RGBA).
inline constexpr std::size_t kDefaultMaxImagePixels = 64u * 1024u * 1024u;

namespace imageio {
// Decodes the image (any PNG colour type and depth, gamma and transparency applied) into
// premultiplied rgba. 16-bit samples without a gAMA, sRGB or iCCP chunk count as
// sRGB-encoded, as other readers take them. The size is checked against maxPixels and
// the canvas limit of 32767 per side before pixels are allocated. Fails with
// ImageReadWriteError::unableToDecodeImage.
gfx::Image readPNG(std::span<const std::uint8_t> data, std::size_t maxPixels = kDefaultMaxImagePixels);
}  // namespace imageio
