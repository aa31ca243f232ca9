#include "imageio/ImageLoad.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <string>
#include <exception>
#include <new>
#include <system_error>

#include "imageio/GIFRead.hpp"
#include "imageio/HEIFRead.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/JPEGRead.hpp"
#include "imageio/TIFFRead.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"

void imageio::checkDecodedImageSize(std::uint64_t width, std::uint64_t height, std::size_t maxPixels) {
  constexpr auto limit = static_cast<std::uint64_t>(gfx::Image::maxDimension);
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width == 0 || height == 0 || width > limit || height > limit)
    foundation::raise(ImageReadWriteError::unableToDecodeImage, "image size not usable: " + size);
  if (width * height > maxPixels)
    foundation::raise(ImageReadWriteError::unableToDecodeImage,
                      "image of " + size + " pixels is over the limit of " + std::to_string(maxPixels) + " pixels");
  if (const ImagePixelBudget* budget = ImagePixelBudget::current(); budget && width * height > budget->remaining())
    foundation::raise(ImageReadWriteError::unableToDecodeImage,
                      "image of " + size + " pixels is over what is left (" + std::to_string(budget->remaining()) +
                          " pixels) of the budget of " + std::to_string(budget->total()) + " pixels for all images");
}

void imageio::admitDecodedImage(std::uint64_t width, std::uint64_t height, std::size_t maxPixels) {
  imageio::checkDecodedImageSize(width, height, maxPixels);
  ImagePixelBudget::spend(width * height);
}

void imageio::clampColorToAlpha(std::span<std::uint8_t> rgba) {
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
    const std::uint8_t a = rgba[i + 3];
    for (std::size_t c = 0; c < 3; ++c) rgba[i + c] = std::min(rgba[i + c], a);
  }
}

namespace {

gfx::Image decode(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (imageio::isPNGData(data)) return imageio::readPNG(data, maxPixels);
  if (imageio::isJPEGData(data)) return imageio::readJPEG(data, maxPixels);
  if (imageio::isTIFFData(data)) return imageio::readTIFF(data, maxPixels);
  if (imageio::isGIFData(data)) return imageio::readGIF(data, maxPixels);
  if (imageio::isHEIFData(data)) return imageio::readHEIF(data, maxPixels);
  foundation::raise(ImageReadWriteError::unableToDecodeImage, "unknown image format");
}

// Runs a reader and turns whatever else it throws (std::bad_alloc, std::system_error from
// a thread libheif cannot start, anything the codec libraries raise) into the loader's
// error, keeping the cause in the text; the library's own errors pass through unchanged.
template <class F>
auto readingImage(F&& read) -> decltype(read()) {
  try {
    return read();
  } catch (const foundation::Error&) {
    throw;
  } catch (const std::bad_alloc& e) {
    foundation::raise(ImageReadWriteError::unableToDecodeImage, std::string("not enough memory to decode the image (") + e.what() + ")");
  } catch (const std::exception& e) {
    foundation::raise(ImageReadWriteError::unableToDecodeImage, std::string("cannot decode the image (") + e.what() + ")");
  } catch (...) {
    foundation::raise(ImageReadWriteError::unableToDecodeImage, "cannot decode the image (an unknown exception)");
  }
}

}  // namespace

gfx::Image imageio::loadImageFromData(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  return readingImage([&] { return decode(data, maxPixels); });
}

namespace {

std::optional<gfx::Size> recordedDPI(std::span<const std::uint8_t> data) {
  std::optional<gfx::Size> dpi;
  if (imageio::isPNGData(data)) {
    try {
      const PNGInfo info = imageio::readPNGInfo(data);
      if (info.dpiX && info.dpiY) dpi = gfx::Size{*info.dpiX, *info.dpiY};
    } catch (const foundation::Error&) {
    }
  } else if (imageio::isJPEGData(data)) {
    dpi = imageio::readJPEGResolution(data);
  } else if (imageio::isTIFFData(data)) {
    dpi = imageio::readTIFFResolution(data);
  } else if (imageio::isHEIFData(data)) {
    dpi = imageio::readHEIFResolution(data);
  }
  auto usable = [](double v) { return v > 0 && std::isfinite(v); };
  if (dpi && usable(dpi->width) && usable(dpi->height)) return dpi;
  return std::nullopt;
}

}  // namespace

std::optional<gfx::Size> imageio::recordedImageDPI(std::span<const std::uint8_t> data) {
  return readingImage([&] { return recordedDPI(data); });
}

imageio::LoadedImage imageio::loadImageAndResolutionFromData(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  gfx::Image image = imageio::loadImageFromData(data, maxPixels);
  return LoadedImage{std::move(image), imageio::recordedImageDPI(data)};
}

namespace {

// The whole file, or none when it is not a readable regular file.
std::optional<foundation::Bytes> readFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  foundation::Bytes bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return std::nullopt;
  return bytes;
}

}  // namespace

imageio::LoadedImage imageio::loadImageAndResolutionFromFile(const std::filesystem::path& path, std::size_t maxPixels) {
  const auto bytes = readFile(path);
  if (!bytes) foundation::raise(ImageReadWriteError::unableToDecodeImage, "cannot read " + path.string());
  return imageio::loadImageAndResolutionFromData(*bytes, maxPixels);
}

gfx::Image imageio::loadImageFromFile(const std::filesystem::path& path, std::size_t maxPixels) {
  return imageio::loadImageAndResolutionFromFile(path, maxPixels).image;
}

imageio::LoadedImage imageio::loadImageAndResolutionNamed(std::string_view name, const std::filesystem::path& resourceFolder) {
  const std::string text(name);
  if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..")
    foundation::raise(ImageReadWriteError::cannotLoadImageNamed, text);
  static constexpr std::string_view extensions[] = {"", ".png", ".jpg", ".jpeg", ".tiff",
                                                    ".tif", ".gif", ".heic", ".heif"};
  for (const std::string_view extension : extensions) {
    const auto bytes = readFile(resourceFolder / (text + std::string(extension)));
    if (!bytes) continue;
    try {
      return imageio::loadImageAndResolutionFromData(*bytes);
    } catch (const foundation::Error&) {
      foundation::raise(ImageReadWriteError::cannotLoadImageNamed, text);
    }
  }
  foundation::raise(ImageReadWriteError::cannotLoadImageNamed, text);
}

gfx::Image imageio::loadImageNamed(std::string_view name, const std::filesystem::path& resourceFolder) {
  return imageio::loadImageAndResolutionNamed(name, resourceFolder).image;
}
