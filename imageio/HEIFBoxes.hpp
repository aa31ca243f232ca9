#pragma once
// What the HEIF reader learns from a file's boxes itself, before libheif decodes it:
//  - the output size of each grid image: libheif allocates a grid's whole output before it
//    checks it, and that size need not match the size the image declares;
//  - the coded picture size of each HEVC-coded item, from its parameter sets, without
//    decoding anything: neither libheif nor the decoder compares it with the size the file
//    declares.
// Each table of items is read once, whatever the file repeats: an item id listed again
// names the item it first named, and counts once.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct HEIFCanvasSize {
  const char* kind = "grid";  // or "overlay"
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

namespace imageio {
// The output size of every "grid" and "iovl" (overlay) item in the file's top-level "meta"
// box, which libheif allocates whole before it decodes their inputs (none when the file has
// neither). Fails with ImageReadWriteError::unableToDecodeImage when such an item exists but
// its data cannot be located or read.
std::vector<HEIFCanvasSize> heifCanvasSizes(std::span<const std::uint8_t> data);

// The most items a file may hold, of every type (images, tiles, metadata, hidden or not):
// libheif's parse, before any check of its own, takes time in the square of the count.
// Counted in each of the item tables (entries, locations, property associations) as held
// or declared.
inline constexpr std::uint64_t kMaxHEIFItems = 4096;
// The most steps from an image down to the coded items it is made of, through derived
// images ("dimg": a grid of tiles, an identity or overlay over another image) and alpha
// planes ("auxl"). Real files take two or three (an identity over a grid of tiles with an
// alpha grid); libheif walks each step on its stack, and starts a thread for each grid.
inline constexpr std::size_t kMaxHEIFDerivation = 4;

// Checks the item tables before libheif reads them. Fails with
// ImageReadWriteError::unableToDecodeImage for more than kMaxHEIFItems items, a chain of
// derivations longer than kMaxHEIFDerivation, or one that comes back to an item it passed.
void checkHEIFItems(std::span<const std::uint8_t> data);

// The most HEVC-coded items a file may carry (grid tiles, alpha planes, thumbnails,
// depth maps), and the most pixels they may code together, in images of the pixel limit
// (taken as at least kHEVCMinimumImagePixels, for the padding of small images): an image,
// its alpha plane and what comes beside them.
inline constexpr std::size_t kMaxHEVCItems = 4096;
inline constexpr std::uint64_t kHEVCPixelsPerImage = 3;
inline constexpr std::uint64_t kHEVCMinimumImagePixels = 1u << 20;

// Checks every HEVC-coded item ("hvc1": images, grid tiles, alpha planes, thumbnails)
// from its boxes and parameter sets, decoding nothing. Fails with
// ImageReadWriteError::unableToDecodeImage for more than kMaxHEVCItems items, an item whose data,
// decoder configuration or declared size ("ispe", at most gfx::Image::maxDimension per
// side) cannot be found, a sequence parameter set that cannot be read or whose coded
// picture is larger than the item declares (give or take the padding to whole coding
// blocks), or pictures of all items over kHEVCPixelsPerImage x maxPixels pixels.
void checkHEVCItems(std::span<const std::uint8_t> data, std::size_t maxPixels);

// The Exif block (the TIFF structure) of the file's first "Exif" item: its data after the
// four-byte offset that leads to the TIFF header. Empty when there is none or it cannot be
// located; never fails.
std::vector<std::uint8_t> heifExif(std::span<const std::uint8_t> data);
}  // namespace imageio
