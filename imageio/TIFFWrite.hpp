#pragma once
// TIFF encoding through libtiff.

#include "imageio/ImageWriteSupport.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// Premultiplied RGBA (associated alpha); lossless LZW when a quality is given (it has no
// other meaning here), uncompressed otherwise; the resolution in inches, limited to what
// a TIFF rational holds. Fails with
// ImageReadWriteError::cannotCreateImageOfType.
foundation::Bytes writeTIFF(const gfx::Image& image, const ImageWriteProperties& properties);
}  // namespace imageio
