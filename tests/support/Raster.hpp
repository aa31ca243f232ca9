#pragma once
// Rasterisers for tests: SVG bytes through librsvg and PDF bytes through poppler, into
// premultiplied RGBA images (row 0 at the top), plus small helpers to decode and look at
// such images.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

namespace testsupport {

// Renders an SVG document into a width x height image; the document's viewport is scaled
// to fill the image (as its viewBox and preserveAspectRatio say). With a background the
// image is first filled with that colour (premultiplied). Throws std::runtime_error when
// librsvg cannot read or draw the document.
gfx::Image rasterizeSVG(std::span<const std::uint8_t> svg, int width, int height,
                        std::optional<gfx::Image::RGBA> background = std::nullopt);

// Page count, the size of the first page in points and the pixel size of each image drawn
// on it, in drawing order; throws std::runtime_error when poppler cannot read the document.
struct PDFInfo {
  int pageCount = 0;
  gfx::Size pageSize;
  std::vector<gfx::Size> imagePixels;
};
PDFInfo pdfInfo(std::span<const std::uint8_t> pdf);

// Renders one page of a PDF into a width x height image (the page stretched to fill it).
gfx::Image rasterizePDF(std::span<const std::uint8_t> pdf, int width, int height,
                        std::optional<gfx::Image::RGBA> background = std::nullopt,
                        int page = 0);

// An image file decoded with its format's own library (libjpeg, libtiff), with the
// resolution it records (0 when none). Throws std::runtime_error on data the library
// cannot read.
struct DecodedImageFile {
  gfx::Image image;  // premultiplied rgba
  double dpiX = 0, dpiY = 0;
};
DecodedImageFile decodeJPEGFile(std::span<const std::uint8_t> jpeg);
DecodedImageFile decodeTIFFFile(std::span<const std::uint8_t> tiff);
// GIF through giflib (the transparent colour becomes transparent pixels) and HEIC
// through libheif; neither records a resolution here.
DecodedImageFile decodeGIFFile(std::span<const std::uint8_t> gif);
DecodedImageFile decodeHEICFile(std::span<const std::uint8_t> heic);

// PNG through cairo's own reader (premultiplied rgba); throws std::runtime_error on data it
// cannot read.
gfx::Image decodePNGFile(std::span<const std::uint8_t> png);

// How far two equally sized images lie apart. Over white (both composited over white): the
// mean absolute difference per colour channel (0 to 255) and the share of pixels in which
// some colour channel differs by more than farThreshold. As stored (premultiplied, alpha
// included): the largest and the mean absolute difference of any channel (0 to 255).
// Images of different sizes, and empty ones, are as far apart as can be (255, share 1).
struct ImageDifference {
  double mean = 0;
  double farShare = 0;
  int largest = 0;
  double channelMean = 0;
};
ImageDifference imageDifference(const gfx::Image& a, const gfx::Image& b, int farThreshold = 64);

// Every distinct text that ZXing, and that zbar, find in an image (alpha over white).
struct ImageDecodeResults {
  std::vector<std::string> zxing;
  std::vector<std::string> zbar;
  // True when both decoders found exactly this one text.
  bool bothRead(const std::string& text) const;
};
ImageDecodeResults decodeImage(const gfx::Image& image);

// Writes the image as a PNG file of that name in the running test's own folder (see
// TestFolder.hpp), for looking at it (through cairo); false on failure.
bool writeImagePNG(const gfx::Image& image, std::string_view name);

// Mean straight colour of the pixels in the rectangle [x0, x1) x [y0, y1), clipped to
// the image, as 0...255 per channel with alpha, composited over white when overWhite.
struct MeanColor {
  double r = 0, g = 0, b = 0, a = 0;
};
MeanColor meanColor(const gfx::Image& image, int x0, int y0, int x1, int y1,
                    bool overWhite = true);

}  // namespace testsupport
