#include "imageio/ImageLoad.hpp"

#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "imageio/GIFRead.hpp"
#include "imageio/HEIFRead.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/JPEGRead.hpp"
#include "imageio/TIFFRead.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"

void checkDecodedImageSize(std::uint64_t width, std::uint64_t height, std::size_t maxPixels) {
  constexpr auto limit = static_cast<std::uint64_t>(gfx::Image::maxDimension);
  if (width == 0 || height == 0 || width > limit || height > limit || width * height > maxPixels)
    foundation::raise(ImageReadWriteError::unableToDecodeImage,
                      "image size not usable: " + std::to_string(width) + " x " + std::to_string(height));
}

gfx::Image loadImageFromData(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (isPNGData(data)) return readPNG(data, maxPixels);
  if (isJPEGData(data)) return readJPEG(data, maxPixels);
  if (isTIFFData(data)) return readTIFF(data, maxPixels);
  if (isGIFData(data)) return readGIF(data, maxPixels);
  if (isHEIFData(data)) return readHEIF(data, maxPixels);
  foundation::raise(ImageReadWriteError::unableToDecodeImage, "unknown image format");
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

gfx::Image loadImageFromFile(const std::filesystem::path& path, std::size_t maxPixels) {
  const auto bytes = readFile(path);
  if (!bytes) foundation::raise(ImageReadWriteError::unableToDecodeImage, "cannot read " + path.string());
  return loadImageFromData(*bytes, maxPixels);
}

gfx::Image loadImageNamed(std::string_view name, const std::filesystem::path& resourceFolder) {
  const std::string text(name);
  if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..")
    foundation::raise(ImageReadWriteError::cannotLoadImageNamed, text);
  static constexpr std::string_view extensions[] = {"", ".png", ".jpg", ".jpeg", ".tiff",
                                                    ".tif", ".gif", ".heic", ".heif"};
  for (const std::string_view extension : extensions) {
    const auto bytes = readFile(resourceFolder / (text + std::string(extension)));
    if (!bytes) continue;
    try {
      return loadImageFromData(*bytes);
    } catch (const foundation::Error&) {
      foundation::raise(ImageReadWriteError::cannotLoadImageNamed, text);
    }
  }
  foundation::raise(ImageReadWriteError::cannotLoadImageNamed, text);
}
