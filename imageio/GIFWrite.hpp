#pragma once
// GIF encoding through giflib.

#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// Colours kept exactly up to 255 (else median-cut), alpha below one half transparent;
// no resolution (GIF records none). Fails with
// ImageReadWriteError::cannotCreateImageOfType.
foundation::Bytes writeGIF(const gfx::Image& image);
}  // namespace imageio
