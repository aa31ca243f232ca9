#include "imageio/ImageLoad.hpp"

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

gfx::Image loadImageFromData(std::span<const std::uint8_t> data, std::size_t maxPixels) {
  if (isPNGData(data)) return readPNG(data, maxPixels);
  foundation::raise(ImageReadWriteError::unableToDecodeImage, "unknown image format");
}
