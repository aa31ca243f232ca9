#pragma once
// JPEG encoding through libjpeg.

#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// Transparent pixels composited onto white (JPEG has no alpha); the quality, libjpeg's
// default without one; the resolution in the JFIF header (whole dots per inch, limited to
// 1...65535). Fails with
// ImageReadWriteError::cannotCreateImageOfType.
foundation::Bytes writeJPEG(const gfx::Image& image, const ImageWriteProperties& properties);
}  // namespace imageio
