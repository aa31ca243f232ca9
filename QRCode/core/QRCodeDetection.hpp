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
// Two decoders read each pass: ZXing, then zbar where finder-like shapes remain beyond three
// for each code read (codes that touch one another, label sheets of many codes, codes of
// one-pixel modules whose data looks finder-like). Each code is reported once, in the order
// found: the full picture before its reductions, dark codes before light ones, ZXing's
// before zbar's.
//
// Work is bounded (QRCodeDetectionImage.hpp): a picture (or a reduction, in one polarity)
// with more than 200 finder-like shapes is not searched by ZXing, whose time grows with the
// cube of their number: ZXing only reads it as one upright code alone on its ground, found
// from its corners (a code exported at one pixel per module whose data looks finder-like).
// With more than 2000 (counted across and down) it is not handed to zbar either, whose time
// grows with their square; such a picture is searched again smoothed: lightly, by both
// decoders, where shapes that fail only a finder's rings crowd it (small codes on a grainy
// photograph), then more, by ZXing, where it is still crowded (a code under heavy noise). A picture tiled with finder-like shapes, stripes, checkerboards or
// noise costs at most a few times a blank picture of its size. What is refused: codes among
// more finder-like shapes than that (a code on a background of thousands of finder-like
// squares, unless it reads in a reduction), and codes of one-pixel modules whose data makes
// more than 200 finder-like shapes, placed beside other things, that zbar does not read.

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
