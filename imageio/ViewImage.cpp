#include "imageio/ViewImage.hpp"

#include <cmath>

#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"

ViewImage::ViewImage(gfx::Image cgImage, double scale, std::string label)
    : cgImage(std::move(cgImage)), scale(scale), label(std::move(label)) {
  checkScale(scale);
}

void ViewImage::checkScale(double scale) {
  if (!(scale > 0) || !std::isfinite(scale) || !std::isfinite(gfx::Image::maxDimension / scale))
    foundation::raise(ImageReadWriteError::invalidDPI);
}
