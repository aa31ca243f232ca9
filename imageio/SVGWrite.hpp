#pragma once
// An SVG document that embeds a bitmap as base64 data.

#include "imageio/ImageExportType.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// The embedded image is encoded with encodeImageData in the type's embedded format and
// the extra properties.
// Fails with ImageReadWriteError::unsupportedEmbeddedImageType when that format is pdf,
// heic or svg, and ImageReadWriteError::internalError for a size that is not finite or
// is negative.
foundation::Bytes writeSVG(const gfx::Image& image, const ImageExportType& type,
                           const foundation::Settings& extraProperties);
}  // namespace imageio
