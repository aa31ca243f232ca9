#pragma once
// One-page PDF of a bitmap through cairo.

#include "platform/foundation/Text.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// One page of that size in points (at least 1 and at most gfx::Canvas::maxPDFPageSide a side), the
// image drawn upright over the whole page. Fails with ImageReadWriteError::cannotCreatePDFContext.
foundation::Bytes writePDF(const gfx::Image& image, gfx::Size pageSize);
}  // namespace imageio
