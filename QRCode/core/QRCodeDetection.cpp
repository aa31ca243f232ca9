#define ZX_USE_UTF8 1
#include "QRCode/core/QRCodeDetection.hpp"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/Content.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "QRCode/core/QRCodeDetectionImage.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/graphics/Image.hpp"

namespace {

// Large pictures are also searched reduced by three, then by nine and so on, while the
// longer side exceeds this and the shorter side still holds the smallest symbol; codes
// printed large or blurred read better there.
constexpr int kReduceWhileLongerThan = 500;
constexpr int kSmallestSymbolModules = 21;

// The luminance of every pixel, with alpha composited over white.
qrdetect::Plane lumaOf(const gfx::Image& image) {
  qrdetect::Plane plane;
  plane.width = image.width();
  plane.height = image.height();
  const std::size_t w = static_cast<std::size_t>(plane.width);
  plane.pixels.resize(w * static_cast<std::size_t>(plane.height));
  if (image.format() == gfx::PixelFormat::gray) {
    const std::span<const std::uint8_t> src = image.pixels();
    for (std::size_t y = 0, h = static_cast<std::size_t>(plane.height); y < h; ++y) {
      std::copy_n(src.data() + y * image.bytesPerRow(), w, plane.pixels.data() + y * w);
    }
    return plane;
  }
  const gfx::Image rgba = image.toRGBA();
  const std::uint8_t* p = rgba.pixels().data();
  std::uint8_t* out = plane.pixels.data();
  for (std::size_t i = 0, n = plane.pixels.size(); i < n; ++i, p += 4) {
    // Rec. 601 weights on the premultiplied colour, then "plus (1 - alpha) of white".
    // Premultiplied components never exceed alpha, so neither does their weighted mean;
    // the min() only guards against malformed pixels.
    const unsigned a = p[3];
    const unsigned lum = (299u * p[0] + 587u * p[1] + 114u * p[2] + 500u) / 1000u;
    out[i] = static_cast<std::uint8_t>(std::min(lum, a) + (255u - a));
  }
  return plane;
}

// The picture and its reductions by three (see kReduceWhileLongerThan).
std::vector<qrdetect::Plane> pyramidOf(qrdetect::Plane luma) {
  std::vector<qrdetect::Plane> layers;
  layers.push_back(std::move(luma));
  for (;;) {
    const qrdetect::Plane& last = layers.back();
    if (std::max(last.width, last.height) <= kReduceWhileLongerThan ||
        std::min(last.width, last.height) / 3 < kSmallestSymbolModules) {
      return layers;
    }
    layers.push_back(qrdetect::reducedByThree(last));
  }
}

// The decoder reads our black-and-white pictures as they are (dark is 0, light 255) and
// searches no reductions of its own.
ZXing::DecodeHints hintsFor(QRCode::DetectionAccuracy accuracy) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  const bool high = accuracy == QRCode::DetectionAccuracy::high;
  hints.setTryHarder(high);
  hints.setTryRotate(high);
  hints.setTryDownscale(false);
  hints.setBinarizer(ZXing::Binarizer::FixedThreshold);
  return hints;
}

gfx::Point pointOf(const ZXing::PointI& p, double scale) {
  return gfx::Point{p.x * scale, p.y * scale};
}

// A result in a picture reduced by `scale` in the coordinates of the full picture.
QRCodeFeature featureOf(const ZXing::Result& result, double scale) {
  QRCodeFeature feature;
  const ZXing::Position& position = result.position();
  feature.topLeft = pointOf(position.topLeft(), scale);
  feature.topRight = pointOf(position.topRight(), scale);
  feature.bottomLeft = pointOf(position.bottomLeft(), scale);
  feature.bottomRight = pointOf(position.bottomRight(), scale);
  const auto [minX, maxX] = std::minmax({feature.topLeft.x, feature.topRight.x,
                                         feature.bottomLeft.x, feature.bottomRight.x});
  const auto [minY, maxY] = std::minmax({feature.topLeft.y, feature.topRight.y,
                                         feature.bottomLeft.y, feature.bottomRight.y});
  feature.bounds = gfx::Rect(minX, minY, maxX - minX, maxY - minY);
  if (result.contentType() != ZXing::ContentType::Binary) feature.messageString = result.text();
  return feature;
}

// True when the centre of the candidate lies within a code found already: the same code
// seen by another pass (the other polarity or another reduction).
bool alreadyFound(const std::vector<QRCodeFeature>& found, const QRCodeFeature& candidate) {
  const gfx::Point centre{(candidate.topLeft.x + candidate.bottomRight.x) / 2,
                          (candidate.topLeft.y + candidate.bottomRight.y) / 2};
  return std::any_of(found.begin(), found.end(), [&](const QRCodeFeature& f) {
    const gfx::Rect& b = f.bounds;
    return centre.x >= b.minX() && centre.x <= b.maxX() && centre.y >= b.minY() &&
           centre.y <= b.maxY();
  });
}

void readInto(const qrdetect::Plane& binary, double scale, const ZXing::DecodeHints& hints,
              std::vector<QRCodeFeature>& found) {
  const ZXing::ImageView view(binary.pixels.data(), binary.width, binary.height,
                              ZXing::ImageFormat::Lum, binary.width);
  const ZXing::Results results = ZXing::ReadBarcodes(view, hints);
  for (const ZXing::Result& result : results) {
    if (!result.isValid() || result.format() != ZXing::BarcodeFormat::QRCode) continue;
    QRCodeFeature feature = featureOf(result, scale);
    if (!alreadyFound(found, feature)) found.push_back(std::move(feature));
  }
}

// Images carry no orientation of their own: pixels are read as stored, row 0 at the top.
std::vector<QRCodeFeature> detect(const gfx::Image& image, QRCode::DetectionAccuracy accuracy) {
  std::vector<QRCodeFeature> found;
  if (image.empty() || image.width() <= 0 || image.height() <= 0) return found;
  const std::vector<qrdetect::Plane> layers = pyramidOf(lumaOf(image));
  const ZXing::DecodeHints hints = hintsFor(accuracy);

  // Dark codes on light ground first, then light codes on dark ground; each from the full
  // picture down to the smallest reduction.
  for (const bool inverted : {false, true}) {
    double scale = 1;
    for (const qrdetect::Plane& layer : layers) {
      qrdetect::Plane binary = qrdetect::binarized(layer);
      if (inverted) qrdetect::invert(binary);
      // A pass over a picture crowded with finder-like shapes would keep the decoder busy
      // for minutes and finds nothing.
      if (qrdetect::fewEnoughFinderCandidates(binary)) readInto(binary, scale, hints, found);
      scale *= 3;
    }
  }
  return found;
}

}  // namespace

std::vector<QRCodeFeature> QRCode::DetectQRCodes(const gfx::Image& image,
                                                 DetectionAccuracy accuracy) {
  // Detection never fails: anything the decoder or the allocator throws means "nothing
  // found".
  try {
    return detect(image, accuracy);
  } catch (const std::exception&) {
    return {};
  }
}

std::vector<std::string> QRCode::DetectQRStrings(const gfx::Image& image,
                                                 DetectionAccuracy accuracy) {
  std::vector<QRCodeFeature> features = DetectQRCodes(image, accuracy);
  std::vector<std::string> texts;
  texts.reserve(features.size());
  for (QRCodeFeature& feature : features) {
    if (feature.messageString) texts.push_back(std::move(*feature.messageString));
  }
  return texts;
}

std::vector<QRCodeFeature> QRCode::DetectQRCodesIn(std::span<const std::uint8_t> imageFileData) {
  gfx::Image image;
  try {
    image = imageio::loadImageFromData(imageFileData);
  } catch (const std::exception&) {
    return {};
  }
  return DetectQRCodes(image, DetectionAccuracy::high);
}
