// QR detection in any image the loader accepts, at both accuracies.

#include <cmath>

#include "QRCode/core/QRCodeDetection.hpp"
#include "imageio/ImageLoad.hpp"
#include "support/Fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzAttempt([&] {
    const gfx::Image image = imageio::loadImageFromData(fuzzBytes(data, size), kFuzzMaxImagePixels);
    for (const auto accuracy : {QRCode::DetectionAccuracy::low, QRCode::DetectionAccuracy::high}) {
      for (const QRCodeFeature& f : QRCode::DetectQRCodes(image, accuracy)) {
        for (const gfx::Point& p : {f.topLeft, f.topRight, f.bottomLeft, f.bottomRight}) {
          fuzzRequire(std::isfinite(p.x) && std::isfinite(p.y), "corners are numbers");
          fuzzRequire(p.x >= f.bounds.minX() && p.x <= f.bounds.maxX() && p.y >= f.bounds.minY() &&
                          p.y <= f.bounds.maxY(),
                      "the bounds hold the corners");
        }
      }
    }
  });
  return 0;
}
