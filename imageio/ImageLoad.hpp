#pragma once
// Loading bitmap images from the bytes of an image file, from a file, or by resource name.
//
// Formats: PNG, JPEG, TIFF, GIF (the first frame) and HEIC/HEIF (the primary image),
// recognised by their leading bytes. Grey files give gray images, CMYK files (JPEG, TIFF)
// cmyk images, everything else premultiplied rgba.
//
// Every decoder checks the image's size against maxPixels (width x height) and the canvas
// limit of gfx::Image::maxDimension per side before it allocates pixels, counts the image
// against the thread's ImagePixelBudget when it allocates them (whether or not decoding
// then succeeds), and reads damaged or truncated data as an error, never as a partly
// grey picture. Whatever else a reader or a codec library throws (std::bad_alloc, a
// std::system_error from a thread that cannot start) leaves the loader as
// ImageReadWriteError::unableToDecodeImage with the cause in its text: the functions below
// throw nothing else.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "imageio/PNG.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// Decodes image file bytes. Fails with ImageReadWriteError::unableToDecodeImage for data
// in no known format, damaged files and images over the limits (maxPixels, and what is
// left of the thread's ImagePixelBudget when one is alive; the image's size is counted
// against it once the size is admitted, also when decoding fails afterwards).
gfx::Image loadImageFromData(std::span<const std::uint8_t> data,
                             std::size_t maxPixels = kDefaultMaxImagePixels);

// Reads and decodes the file. Fails with ImageReadWriteError::unableToDecodeImage when the
// file cannot be read or holds no image.
gfx::Image loadImageFromFile(const std::filesystem::path& path,
                             std::size_t maxPixels = kDefaultMaxImagePixels);

// The image resource of that name in the folder: the file named exactly so, else the name
// followed by ".png", ".jpg", ".jpeg", ".tiff", ".tif", ".gif", ".heic" or ".heif". Fails
// with ImageReadWriteError::cannotLoadImageNamed carrying the name when the name is empty
// or holds a path separator, no such file exists or it holds no image.
gfx::Image loadImageNamed(std::string_view name, const std::filesystem::path& resourceFolder);

// The resolution that image file bytes record, in dots per inch across and down the picture
// as loaded: a PNG's pHYs chunk in pixels per metre, a JPEG's JFIF density (else its
// Exif), a TIFF's resolution tags or a HEIC file's Exif (per inch or per centimetre). None
// when the file records none, none with a unit, or one that is not finite and greater
// than 0; GIF files record none.
std::optional<gfx::Size> recordedImageDPI(std::span<const std::uint8_t> data);

// A decoded image with the resolution its file records (recordedImageDPI).
struct LoadedImage {
  gfx::Image image;
  std::optional<gfx::Size> dpi;
};

// loadImageFromData, loadImageFromFile and loadImageNamed, with the resolution and the
// same errors.
LoadedImage loadImageAndResolutionFromData(std::span<const std::uint8_t> data,
                                           std::size_t maxPixels = kDefaultMaxImagePixels);
LoadedImage loadImageAndResolutionFromFile(const std::filesystem::path& path,
                                           std::size_t maxPixels = kDefaultMaxImagePixels);
LoadedImage loadImageAndResolutionNamed(std::string_view name, const std::filesystem::path& resourceFolder);

// The decoders' common size check: fails with ImageReadWriteError::unableToDecodeImage
// unless 0 < width, height <= gfx::Image::maxDimension and width x height <= maxPixels and
// fits what is left of the thread's ImagePixelBudget.
void checkDecodedImageSize(std::uint64_t width, std::uint64_t height, std::size_t maxPixels);

// The check above, then counts the image against the thread's ImagePixelBudget: the
// decoders call it where they allocate the image, so a decode that fails afterwards has
// spent its pixels all the same.
void admitDecodedImage(std::uint64_t width, std::uint64_t height, std::size_t maxPixels);

// Limits each colour byte of premultiplied RGBA pixels to the pixel's alpha, as
// premultiplied data must be (files that say their alpha is associated may hold more).
void clampColorToAlpha(std::span<std::uint8_t> rgba);
}  // namespace imageio
