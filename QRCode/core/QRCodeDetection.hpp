#pragma once
// Finding QR codes in images: QRCode::DetectQRCodes, QRCode::DetectQRStrings and
// QRCode::DetectQRCodesIn (declared in QRCode.hpp) and the record of one found code.
//
// Images are read as luminance with any transparency composited over white, so a code
// drawn on a transparent background reads like one on paper. Light codes on a dark
// background (inverted codes) are found as well. Coordinates are image pixels with row 0
// at the top and x growing to the right.
//
// Accuracy: `low` makes one quick pass per polarity; `high` also searches harder (more
// scan lines, rotated scans), which finds small or damaged codes at some cost in time.
// Pictures longer than 500 pixels are also searched reduced by three (and again while they
// stay that long).
//
// Work is bounded: a picture (or a reduction, in one polarity) crowded with more than 200
// finder-like shapes is not searched, since the decoder's time grows with the cube of
// their number (QRCodeDetectionImage.hpp).

#include <optional>
#include <string>

#include "QRCode/core/QRCode.hpp"
#include "platform/graphics/Geometry.hpp"

// One QR code found in an image.
struct QRCodeFeature {
  // The smallest rectangle holding the four corners.
  gfx::Rect bounds;
  // The corners of the symbol as printed (its top-left corner holds the first finder
  // pattern, wherever that lies in a rotated image).
  gfx::Point topLeft;
  gfx::Point topRight;
  gfx::Point bottomLeft;
  gfx::Point bottomRight;
  // The decoded text; none when the code holds binary data rather than text.
  std::optional<std::string> messageString;
};
