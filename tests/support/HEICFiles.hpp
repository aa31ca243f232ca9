#pragma once
// HEIC files written with libheif directly, so that readers are checked against the codec
// rather than against our own writer.

#include <cstdint>
#include <vector>

#include "platform/foundation/Text.hpp"

namespace testsupport {

// A width x height HEIC of interleaved RGBA samples, straight or (when said) marked
// premultiplied, through libheif's HEVC encoder at a quality of 0 ... 100, with the Exif
// block (as exifBlock makes it; libheif records the offset of its TIFF header) when one is
// given. Empty, with a test failure, when libheif refuses.
foundation::Bytes heicThroughLibheif(int width, int height, const std::vector<std::uint8_t>& rgba, int quality,
                                     bool premultiplied = false, const foundation::Bytes& exif = {});

}  // namespace testsupport
