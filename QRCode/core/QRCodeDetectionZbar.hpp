#pragma once
// The second decoder of QR detection: zbar over a binary plane (QRCodeDetectionImage.hpp).
// It tells apart codes that touch one another, and reads the many codes of a label sheet,
// where the first decoder pairs finder patterns of neighbouring codes or stops early.

#include <array>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeDetectionImage.hpp"
#include "platform/graphics/Geometry.hpp"

namespace qrdetect {

// One code zbar read: its corners in the plane's pixels (top-left, top-right, bottom-right
// and bottom-left of the symbol as printed) and its text as zbar gives it.
struct ZbarSymbol {
  std::array<gfx::Point, 4> corners;
  std::string text;
};

// The QR codes zbar reads in a binary plane (dark codes on light ground), in zbar's order.
// Nothing read, or zbar failing, gives an empty list. zbar's time grows with the square of
// the finder-like shapes in the plane: hand it only planes that pass fewEnoughCrossings().
std::vector<ZbarSymbol> readWithZbar(const Plane& binary);

}  // namespace qrdetect
