#pragma once
// What the HEIF reader learns from a file's boxes itself, before libheif decodes it:
//  - the output size of each grid image: libheif allocates a grid's whole output before it
//    checks it, and that size need not match the size the image declares;
//  - whether the HEVC-coded items decode cleanly: libheif hides the decoder's reports of
//    damaged data and hands back a concealed picture.

#include <cstdint>
#include <span>
#include <vector>

struct HEIFGridSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

namespace imageio {
// The output size of every "grid" item in the file's top-level "meta" box (none when the
// file has no grid). Fails with ImageReadWriteError::unableToDecodeImage when a grid item
// exists but its data cannot be located or read.
std::vector<HEIFGridSize> heifGridSizes(std::span<const std::uint8_t> data);

// Decodes every HEVC-coded item ("hvc1": images, grid tiles, alpha planes, thumbnails) with
// libde265 and fails with ImageReadWriteError::unableToDecodeImage when the decoder reports
// an error or a warning (damaged or missing coded data), or an item's data or decoder
// configuration cannot be found.
void checkHEVCItems(std::span<const std::uint8_t> data);
}  // namespace imageio
