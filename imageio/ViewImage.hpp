#pragma once
// The image value of the declarative views: a bitmap shown at a scale (pixels per point),
// upright, with a text label for accessibility.

#include <string>

#include "platform/graphics/Image.hpp"

struct ViewImage {
  enum class Orientation { up };

  // Fails with ImageReadWriteError::invalidDPI for a scale that checkScale refuses.
  ViewImage(gfx::Image cgImage, double scale, std::string label);

  // Raises ImageReadWriteError::invalidDPI unless the scale is finite and greater than 0
  // and an image of gfx::Image::maxDimension pixels a side has a finite size in points
  // at it (a scale of 1e-320 is positive, yet would give infinite points). Lets a caller
  // refuse a scale before it draws the image.
  static void checkScale(double scale);

  gfx::Image cgImage;
  double scale;
  Orientation orientation = Orientation::up;
  std::string label;
};
