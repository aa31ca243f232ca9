#pragma once
// Colour conversions of a bitmap image. Each gives a new image of the same pixel size; the
// grey and CMYK forms have no alpha, so a transparent picture comes out as if drawn over
// black.
//
// Grey pixels are on the sRGB curve, as gfx::Image reads them back: the grey value is
// the luminance (Rec. 709 weights in linear light) re-encoded with that curve, so neutral
// colours keep their exact value. CMYK pixels are the naive inverse of gfx::Image's
// reading (k = 255 - max(r, g, b), the inks scaled by what is left), so converting back
// gives the colour within one step.

#include "platform/graphics/Image.hpp"

class ConvertColorspace {
 public:
  explicit ConvertColorspace(gfx::Image image) : image_(std::move(image)) {}
  const gfx::Image& image() const { return image_; }

  // 8-bit grey, no alpha. Fails with ImageReadWriteError::cannotConvertColorspace for an
  // empty image.
  gfx::Image grayscale() const;
  // 8-bit C, M, Y, K, no alpha. Fails like grayscale.
  gfx::Image cmyk() const;
  // 8-bit premultiplied RGBA (an rgba image is returned as it is, sharing its pixels).
  // Fails like grayscale.
  gfx::Image sRGB() const;

 private:
  gfx::Image image_;
};
