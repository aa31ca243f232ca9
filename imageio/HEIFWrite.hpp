#pragma once
// HEIC encoding through libheif (HEVC).

#include "imageio/ImageExportType.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

// HEVC at the type's clamped quality (libheif's default without one); the resolution in
// an Exif block. Fails with ImageReadWriteError::cannotCreateImageOfType.
foundation::Bytes writeHEIF(const gfx::Image& image, const ImageExportType& type, double dpi);
