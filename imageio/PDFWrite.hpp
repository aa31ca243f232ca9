#pragma once
// One-page PDF of a bitmap through cairo.

#include "imageio/ImageExportType.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

// One page of the type's size in points (at most 14400 a side), the image drawn upright
// over the whole page. Fails with ImageReadWriteError::cannotCreatePDFContext.
foundation::Bytes writePDF(const gfx::Image& image, const ImageExportType& type);
