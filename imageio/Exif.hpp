#pragma once
// The little the readers take from Exif, and turning a picture upright by its orientation.
// An Exif block is a TIFF structure ("II" or "MM", then the first directory), as a JPEG
// file's APP1 segment and a HEIF file's Exif item carry it.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

struct ExifInfo {
  int orientation = 1;           // TIFF's Orientation, 1 ... 8; 1 (as stored) when absent or unusable
  std::optional<gfx::Size> dpi;  // XResolution and YResolution in dots per inch (from centimetres)
};

namespace imageio {
// Reads the first directory of the block. Reads nothing outside it: a damaged or cut
// block, or a tag of an unexpected type, gives the defaults.
ExifInfo readExif(std::span<const std::uint8_t> block);

// True for the orientations that swap width and height (5 to 8).
inline bool orientationTurnsSideways(int orientation) { return orientation >= 5 && orientation <= 8; }

// The picture as it is shown: stored with the orientation (2 mirrored, 3 turned half
// round, 4 flipped, 5 transposed, 6 to be turned a quarter clockwise, 7 transversed, 8 to
// be turned a quarter anticlockwise), in any pixel format. Orientation 1, or one outside
// 1 ... 8, gives the image itself.
gfx::Image uprightImage(const gfx::Image& stored, int orientation);
}  // namespace imageio
