#pragma once
// HEIC files written with libheif directly, so that readers are checked against the codec
// rather than against our own writer.

#include <cstdint>
#include <vector>

#include "platform/foundation/Text.hpp"

namespace testsupport {

// A width x height HEIC of interleaved RGBA samples (RGB when there are three a pixel), straight or (when said) marked
// premultiplied, through libheif's HEVC encoder at a quality of 0 ... 100, with the Exif
// block (as exifBlock makes it; libheif records the offset of its TIFF header) when one is
// given. Empty, with a test failure, when libheif refuses.
foundation::Bytes heicThroughLibheif(int width, int height, const std::vector<std::uint8_t>& rgba, int quality,
                                     bool premultiplied = false, const foundation::Bytes& exif = {});

// A HEIC made box by box around the coded picture (width x height) of a HEIC of one opaque
// image from heicThroughLibheif: rows x columns items of that picture (sharing its data),
// in a grid when there is more than one, under `levels` derived items of the type
// `derivation` ("iden", or "grid" of one tile), each over the one below, the top one
// primary; and beside them `hidden` hidden items of type "mime", each located in the file.
struct DerivedHEIC {
  int rows = 1, columns = 1;
  int levels = 0;
  const char* derivation = "iden";
  int hidden = 0;
};
foundation::Bytes derivedHEIC(const foundation::Bytes& picture, int width, int height, const DerivedHEIC& shape);

}  // namespace testsupport
