#pragma once
// The image value of the declarative views: a bitmap shown at a scale (pixels per point),
// upright, with a text label for accessibility.

#include <string>

#include "platform/graphics/Image.hpp"

struct ViewImage {
  enum class Orientation { up };

  // Fails with ImageReadWriteError::invalidDPI for a scale that is not finite and
  // greater than 0.
  ViewImage(gfx::Image cgImage, double scale, std::string label);

  gfx::Image cgImage;
  double scale;
  Orientation orientation = Orientation::up;
  std::string label;
};
