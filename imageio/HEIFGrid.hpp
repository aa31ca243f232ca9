#pragma once
// The output sizes of the grid images of a HEIF file, read from its boxes before anything
// is decoded: libheif allocates a grid's full output size before it checks it, and that
// size need not match the size the image declares.

#include <cstdint>
#include <span>
#include <vector>

struct HEIFGridSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The output size of every "grid" item in the file's top-level "meta" box (none when the
// file has no grid). Fails with ImageReadWriteError::unableToDecodeImage when a grid item
// exists but its data cannot be located or read.
std::vector<HEIFGridSize> heifGridSizes(std::span<const std::uint8_t> data);
