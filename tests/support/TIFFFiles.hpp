#pragma once
// TIFF files written with libtiff directly, so that readers are checked against the codec
// rather than against our own writer.

#include "platform/foundation/Text.hpp"

namespace testsupport {

// 8192 x 8192 CMYK and associated alpha of 16 bits, deflated (fast), in one strip a plane
// (planar) or contiguous in strips of 16 rows: the same pixels either way, every sample
// of a pixel different, inks no more than the alpha.
foundation::Bytes cmykAlpha16TIFF(bool planar);

}  // namespace testsupport
