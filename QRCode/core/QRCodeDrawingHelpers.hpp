#pragma once
// Small drawing operations shared by the QR library's drawing code.

#include <functional>
#include <optional>

#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"
#include "platform/graphics/Path.hpp"

// Runs body(canvas) between save() and restore(); the state is restored also when the
// body throws, and the exception passes on.
template <class Body>
void withSavedGState(gfx::Canvas& canvas, Body&& body) {
  canvas.save();
  try {
    body(canvas);
  } catch (...) {
    canvas.restore();
    throw;
  }
  canvas.restore();
}

// Runs body() inside a transparency layer (ended also when the body throws).
template <class Body>
void withTransparencyLayer(gfx::Canvas& canvas, Body&& body) {
  canvas.beginTransparencyLayer();
  try {
    body();
  } catch (...) {
    canvas.endTransparencyLayer();
    throw;
  }
  canvas.endTransparencyLayer();
}

namespace qrcore {
// Draws a shadow of the colour inside the path, cast by the outside of the path (a
// 200000-unit frame around it, even-odd) with the offset and blur. Nothing without a
// colour.
void drawInnerShadow(gfx::Canvas& canvas, const gfx::Path& path, const std::optional<gfx::Color>& color,
                     gfx::Size offset, double blur);

// Draws the image at the given size centred in an area of areaSize (from the origin),
// never tiled: the rectangle ((area - size) / 2, size).
void drawImageCentred(gfx::Canvas& canvas, const gfx::Image& image, gfx::Size size, gfx::Size areaSize);

// A bitmap of trunc(width) x trunc(height) pixels (origin bottom-left, y up), with
// antialiasing on and high interpolation quality; the background (when given) fills
// (0, 0, width, height), then draw(canvas, width, height) runs inside a saved state.
// No image for a size that truncates to 0, is negative, not finite or over the canvas
// limit.
using BitmapDrawing = std::function<void(gfx::Canvas&, double width, double height)>;
std::optional<gfx::Image> makeBitmapImage(gfx::Size size, const std::optional<gfx::Color>& backgroundColor,
                                          const BitmapDrawing& draw = {});
}  // namespace qrcore
