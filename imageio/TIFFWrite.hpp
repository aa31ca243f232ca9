#pragma once
// TIFF encoding through libtiff.

#include "imageio/ImageExportType.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

// Premultiplied RGBA (associated alpha); lossless LZW when the type has a compression,
// uncompressed otherwise; the resolution in inches. Fails with
// ImageReadWriteError::cannotCreateImageOfType.
foundation::Bytes writeTIFF(const gfx::Image& image, const ImageExportType& type, double dpi);
