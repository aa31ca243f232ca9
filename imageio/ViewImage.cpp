#include "imageio/ViewImage.hpp"

#include <cmath>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

ViewImage::ViewImage(gfx::Image cgImage, double scale, std::string label)
    : cgImage(std::move(cgImage)), scale(scale), label(std::move(label)) {
  if (!(scale > 0) || !std::isfinite(scale)) foundation::raise(ImageReadWriteError::invalidDPI);
}
