#pragma once
// Errors of the platform graphics layer (colour, image, canvas).

#include <array>
#include <string_view>

#include "platform/foundation/Error.hpp"

namespace gfx {

enum class GraphicsError {
  invalidSize,           // a size <= 0, not finite or over the 32767-pixel limit (text: the size)
  invalidImage,          // pixel data that does not match the image's size and format
  cannotCreateCanvas,    // cairo refused to make a surface or context (text: cairo's status)
  unsupportedOperation,  // e.g. makeImage() on a PDF canvas, pdfData() on a bitmap canvas
  drawingFailed,         // cairo entered an error state while drawing (text: cairo's status)
};

}  // namespace gfx

template <>
struct foundation::ErrorTraits<gfx::GraphicsError> {
  static constexpr std::string_view domain = "GraphicsError";
  static constexpr std::array<std::string_view, 5> cases{
      "invalidSize", "invalidImage", "cannotCreateCanvas", "unsupportedOperation",
      "drawingFailed"};
};
