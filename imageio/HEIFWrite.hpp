#pragma once
// HEIC encoding through libheif (HEVC).

#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// HEVC at the quality (libheif's default without one); the resolution in an Exif block
// (limited to 4 000 000 dpi). Fails with ImageReadWriteError::cannotCreateImageOfType.
foundation::Bytes writeHEIF(const gfx::Image& image, const ImageWriteProperties& properties);
}  // namespace imageio
